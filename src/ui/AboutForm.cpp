#include "ui/AboutForm.h"

#include "ui_AboutForm.h"

#include "core/AppGlobals.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
void pointLinkAt(QLabel* label, const QString& placeholder, const QString& target)
{
    QString text = label->text();
    text.replace(QStringLiteral("href=\"%1\"").arg(placeholder),
                 QStringLiteral("href=\"%1\"").arg(target.toHtmlEscaped()));
    label->setText(text);
}
} // namespace

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui_TAboutForm>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
    fillLabels();
}

TAboutForm::~TAboutForm() = default;

void TAboutForm::gotoSite(const QString& link)
{
    Q_UNUSED(link);
    QDesktopServices::openUrl(QUrl(SITE_URL));
}

void TAboutForm::gotoMail(const QString& link)
{
    Q_UNUSED(link);
    QDesktopServices::openUrl(QUrl(MAIL_URL));
}

void TAboutForm::fillLabels()
{
    ui->lblName->setText(QStringLiteral("Quotarium：") + VERSION);
    ui->lblCopyright->setText(QStringLiteral("Copyright (C) 2012-2026 Quotarium 开发者"));
    ui->lblLicense->setText(QStringLiteral("授权类型：免费软件"));
    ui->lblUpdateDate->setText(QStringLiteral("更新日期：") + UPDATE_DATE);
    ui->lblSite->setText(QStringLiteral("官方网站：") + SITE_URL);
    ui->lblMail->setText(QStringLiteral("电子邮箱：") + MAIL_ADDRESS);

    // The form's links name their targets by placeholder; point them at the
    // addresses this build really opens, so a hover shows the truth.
    pointLinkAt(ui->lblGoSite, QStringLiteral("SITE_URL"), SITE_URL);
    pointLinkAt(ui->lblGoMail, QStringLiteral("MAIL_URL"), MAIL_URL);
}
