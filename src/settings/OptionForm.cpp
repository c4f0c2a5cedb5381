#include "settings/OptionForm.h"

#include "core/AppGlobals.h"
#include "settings/Config.h"
#include "ui_OptionForm.h"
#include "vendor_api/VkPack.h"

#include <QDir>
#include <QFontDialog>

TOptionForm::TOptionForm(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui_TOptionForm>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
}

TOptionForm::~TOptionForm() = default;

void TOptionForm::setConfig(TConfig* v)
{
    Q_ASSERT_X(v != nullptr, "OptionForm", "v != NULL");
    // Without assertions (release) a missing store leaves the dialog inert
    // rather than crashing on "确定".
    if (!v)
        return;
    config = v;
    setFont(TConfig::uiFont);
    ui->lbUiFont->setFont(TConfig::uiFont);
    ui->lbMarketFont->setFont(TConfig::marketFont);
    ui->spbTimer->setValue(TConfig::dataTimer);
}

void TOptionForm::ok()
{
    if (config) {
        config->setUiFont(ui->lbUiFont->font());
        config->setMarketFont(ui->lbMarketFont->font());
        config->setDataTimer(ui->spbTimer->value());
        if (!config->save()) {
            // The user asked for this save: say that it did not happen, and
            // keep the dialog and its choices.
            vk::messageBox(QMessageBox::Warning, QStringLiteral("警告"),
                           QStringLiteral("保存失败：") +
                               QDir::toNativeSeparators(configFilePath()),
                           QStringLiteral("确定"), QString(), this);
            return;
        }
    }
    close();
}

void TOptionForm::uiFontDialog()
{
    chooseFont(ui->lbUiFont, QStringLiteral("选择界面字体"));
}

void TOptionForm::marketFontDialog()
{
    chooseFont(ui->lbMarketFont, QStringLiteral("选择行情字体"));
}

void TOptionForm::chooseFont(QLabel* preview, const QString& title)
{
    bool accepted = false;
    const QFont font = QFontDialog::getFont(&accepted, preview->font(), this, title);
    if (accepted)
        preview->setFont(font);
}
