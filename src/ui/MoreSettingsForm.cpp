#include "ui/MoreSettingsForm.h"

#include "core/AppGlobals.h"
#include "settings/Config.h"
#include "ui/AutoStart.h"
#include "ui/GlobalHotKey.h"
#include "ui_MoreSettingsForm.h"
#include "vendor_api/VkPack.h"

#include <QDir>
#include <QGuiApplication>

namespace {
QString keyNote(TGlobalHotKey::State state)
{
    switch (state) {
    case TGlobalHotKey::State::Off:
        return QStringLiteral("未设置老板键。");
    case TGlobalHotKey::State::Active:
        return QStringLiteral("在任何程序中按下此键，都会隐藏或重新显示本程序的窗口。");
    case TGlobalHotKey::State::Taken:
        return QStringLiteral("此组合键已被其他程序占用，老板键暂不可用；请换一个组合键。");
    case TGlobalHotKey::State::Unsupported:
        break;
    }
    return QStringLiteral("当前桌面不支持全局快捷键（或不支持此键），老板键不可用。");
}
} // namespace

TMoreSettingsForm::TMoreSettingsForm(TSettings* settings, TGlobalHotKey* bossKey, QWidget* window)
    : QDialog(window), ui(std::make_unique<Ui_TMoreSettingsForm>()), settings(settings),
      bossKey(bossKey), window(window)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
    setFont(TConfig::uiFont);

    ui->kseBossKey->setKeySequence(settings->bossKey);
    ui->lblBossKeyNote->setText(keyNote(bossKey->state()));
    connect(ui->kseBossKey, &QKeySequenceEdit::editingFinished, this,
            [this] { takeKey(ui->kseBossKey->keySequence()); });
    // The clear button empties the key without finishing an edit.
    connect(ui->kseBossKey, &QKeySequenceEdit::keySequenceChanged, this,
            [this](const QKeySequence& key) {
                if (key.isEmpty())
                    takeKey(key);
            });

    ui->sldOpacity->setRange(TSettings::MIN_OPACITY, TSettings::MAX_OPACITY);
    ui->sldOpacity->setValue(settings->opacity);
    showOpacity(settings->opacity);
    connect(ui->sldOpacity, &QSlider::valueChanged, this, &TMoreSettingsForm::showOpacity);
    if (!translucencyAvailable()) {
        ui->sldOpacity->setEnabled(false);
        ui->lblOpacityNote->setText(QStringLiteral("当前窗口系统不支持半透明窗口。"));
    } else {
        ui->lblOpacityNote->hide();
    }

    // What is there now: the user may have removed the entry by other means.
    ui->chkAutoStart->setChecked(autostart::isEnabled());
    ui->chkTrayPercent->setChecked(settings->trayPercent);
}

TMoreSettingsForm::~TMoreSettingsForm() = default;

bool TMoreSettingsForm::translucencyAvailable()
{
    // X11 sets the opacity for a compositing manager, which may start later;
    // Wayland and the headless platforms ignore it.
    const QString platform = QGuiApplication::platformName();
    return platform == QStringLiteral("xcb") || platform == QStringLiteral("windows");
}

void TMoreSettingsForm::takeKey(const QKeySequence& key)
{
    ui->lblBossKeyNote->setText(keyNote(bossKey->setKey(key)));
}

void TMoreSettingsForm::showOpacity(int percent)
{
    ui->lblOpacity->setText(QString::number(percent) + QLatin1Char('%'));
    window->setWindowOpacity(percent / 100.0);
}

void TMoreSettingsForm::ok()
{
    const bool autoStart = ui->chkAutoStart->isChecked();
    if (autoStart != autostart::isEnabled() && !autostart::setEnabled(autoStart)) {
        vk::messageBox(QMessageBox::Warning, QStringLiteral("提示"),
                       QStringLiteral("保存失败：无法更改开机启动项。"), QStringLiteral("确定"),
                       QString(), this);
        return;
    }
    TSettings changed = *settings;
    changed.bossKey = ui->kseBossKey->keySequence();
    changed.opacity = ui->sldOpacity->value();
    changed.trayPercent = ui->chkTrayPercent->isChecked();
    if (!changed.save()) {
        vk::messageBox(QMessageBox::Warning, QStringLiteral("提示"),
                       QStringLiteral("保存失败：无法写入 ") +
                           QDir::toNativeSeparators(settingsFilePath()),
                       QStringLiteral("确定"), QString(), this);
        return;
    }
    *settings = changed;
    emit settingsChanged();
    accept();
}

void TMoreSettingsForm::reject()
{
    window->setWindowOpacity(settings->opacity / 100.0);
    if (ui->kseBossKey->keySequence() != settings->bossKey)
        bossKey->setKey(settings->bossKey);
    QDialog::reject();
}
