#include "UrlCatcher.h"
#include "core/AppGlobals.h"
#include "ui/AboutForm.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>

class TestAboutForm : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void labelsAreFilled_data();
    void labelsAreFilled();
    void linksOpenTheirOwnAddress_data();
    void linksOpenTheirOwnAddress();
    void closeButtonCloses();

private:
    UrlCatcher catcher;
};

void TestAboutForm::init()
{
    catcher.urls.clear();
}

void TestAboutForm::cleanup() {}

void TestAboutForm::labelsAreFilled_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text"); // empty: any text but the placeholder
    QTest::newRow("name") << "lblName" << QStringLiteral("Quotarium：V3.0.0");
    QTest::newRow("copyright") << "lblCopyright" << QString();
    QTest::newRow("licence") << "lblLicense" << QStringLiteral("授权类型：免费软件");
    QTest::newRow("date") << "lblUpdateDate" << QStringLiteral("更新日期：2012-02-15");
    QTest::newRow("site") << "lblSite" << QStringLiteral("官方网站：") + SITE_URL;
    QTest::newRow("mail") << "lblMail" << QStringLiteral("电子邮箱：") + MAIL_ADDRESS;
}

void TestAboutForm::labelsAreFilled()
{
    QFETCH(QString, label);
    QFETCH(QString, text);
    TAboutForm form;
    auto* shown = form.findChild<QLabel*>(label);
    QVERIFY(shown);
    QVERIFY(!shown->text().isEmpty());
    QVERIFY(!shown->text().contains(label));
    if (!text.isEmpty())
        QCOMPARE(shown->text(), text);
}

void TestAboutForm::linksOpenTheirOwnAddress_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("carried");
    QTest::addColumn<QString>("expected");
    QTest::newRow("site, its own target") << "lblGoSite" << SITE_URL << SITE_URL;
    QTest::newRow("site, foreign target")
        << "lblGoSite" << QStringLiteral("http://elsewhere.example.net/") << SITE_URL;
    QTest::newRow("mail, its own target") << "lblGoMail" << MAIL_URL << MAIL_URL;
    QTest::newRow("mail, foreign target")
        << "lblGoMail" << QStringLiteral("http://elsewhere.example.net/") << MAIL_URL;
}

void TestAboutForm::linksOpenTheirOwnAddress()
{
    QFETCH(QString, label);
    QFETCH(QString, carried);
    QFETCH(QString, expected);
    TAboutForm form;
    auto* link = form.findChild<QLabel*>(label);
    QVERIFY(link);
    // The link as drawn already points where a click leads.
    QVERIFY(link->text().contains(QStringLiteral("href=\"%1\"").arg(expected)));

    emit link->linkActivated(carried);
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl(expected)});
}

void TestAboutForm::closeButtonCloses()
{
    TAboutForm form;
    QCOMPARE(form.windowModality(), Qt::WindowModal);
    QCOMPARE(form.windowType(), Qt::Dialog);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("btnClose")), Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QVERIFY(catcher.urls.isEmpty());
}

QTEST_MAIN(TestAboutForm)
#include "tst_aboutform.moc"
