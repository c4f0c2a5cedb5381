#include "settings/Config.h"
#include "settings/OptionForm.h"

#include "TempAppDir.h"

#include <QApplication>
#include <QFile>
#include <QFontDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {
// Answers the next font dialog the way a person would: pick `font` and press
// OK, or cancel. Records the font the dialog opened with.
void answerFontDialog(std::function<void(QFontDialog*)> answer)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        if (auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            answer(dialog);
        }
    });
    poll->start(10);
}
} // namespace

class TestOptionForm : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void showsTheStoredValues();
    void confirmWithoutChangesStillWrites();
    void newIntervalIsAnnouncedBeforeTheFile();
    void cancelAfterChoosingFontsChangesNothing();
    void secondChooserStartsFromFirstChoice();
    void cancelledChooserKeepsTheFont();
    void spinBoxStaysInRange_data();
    void spinBoxStaysInRange();

private:
    std::unique_ptr<TempAppDir> dir;
    std::unique_ptr<TConfig> config;
    std::unique_ptr<TOptionForm> form;
    template <typename T> T* child(const char* name)
    {
        return form->findChild<T*>(QLatin1String(name));
    }
};

void TestOptionForm::init()
{
    dir = std::make_unique<TempAppDir>();
    TConfig::uiFont = QFont(QStringLiteral("Sans"), 12);
    TConfig::marketFont = QFont(QStringLiteral("Serif"), 11);
    TConfig::dataTimer = 30;
    config = std::make_unique<TConfig>();
    form = std::make_unique<TOptionForm>();
    form->setConfig(config.get());
    form->show();
}

void TestOptionForm::cleanup()
{
    form.reset();
    config.reset();
    dir.reset();
}

void TestOptionForm::showsTheStoredValues()
{
    QCOMPARE(form->windowTitle(), QStringLiteral("选项"));
    QCOMPARE(form->font(), TConfig::uiFont);
    QCOMPARE(child<QLabel>("lbUiFont")->font(), TConfig::uiFont);
    QCOMPARE(child<QLabel>("lbMarketFont")->font(), TConfig::marketFont);
    QCOMPARE(child<QSpinBox>("spbTimer")->value(), 30);
}

void TestOptionForm::confirmWithoutChangesStillWrites()
{
    QSignalSpy ui(config.get(), &TConfig::uiFontChange);
    QSignalSpy market(config.get(), &TConfig::marketFontChange);
    QSignalSpy timer(config.get(), &TConfig::dataTimerChange);
    QVERIFY(!dir->exists(QStringLiteral("Config.xml")));
    child<QPushButton>("btnOK")->click();
    QCOMPARE(ui.count() + market.count() + timer.count(), 0);
    QVERIFY(dir->exists(QStringLiteral("Config.xml")));
    QVERIFY(!form->isVisible());
}

void TestOptionForm::newIntervalIsAnnouncedBeforeTheFile()
{
    QByteArray fileWhenAnnounced = "unset";
    int announced = 0;
    connect(config.get(), &TConfig::dataTimerChange, this, [&](int seconds) {
        ++announced;
        QCOMPARE(seconds, 5);
        fileWhenAnnounced = dir->readFile(QStringLiteral("Config.xml"));
    });
    child<QSpinBox>("spbTimer")->setValue(5);
    child<QPushButton>("btnOK")->click();
    QCOMPARE(announced, 1);
    QCOMPARE(fileWhenAnnounced, QByteArray()); // not written yet
    QVERIFY(dir->readFile(QStringLiteral("Config.xml")).contains("=\"5\"/>"));
    QCOMPARE(TConfig::dataTimer, 5);
}

void TestOptionForm::cancelAfterChoosingFontsChangesNothing()
{
    const QFont uiBefore = TConfig::uiFont;
    const QFont marketBefore = TConfig::marketFont;
    QSignalSpy ui(config.get(), &TConfig::uiFontChange);
    answerFontDialog([](QFontDialog* d) {
        d->setCurrentFont(QFont(QStringLiteral("Monospace"), 20));
        d->accept();
    });
    child<QPushButton>("btnUiFont")->click();
    QCOMPARE(child<QLabel>("lbUiFont")->font().pointSize(), 20);
    child<QPushButton>("btnChange")->click();
    QCOMPARE(ui.count(), 0);
    QCOMPARE(TConfig::uiFont, uiBefore);
    QCOMPARE(TConfig::marketFont, marketBefore);
    QVERIFY(!dir->exists(QStringLiteral("Config.xml")));
}

void TestOptionForm::secondChooserStartsFromFirstChoice()
{
    answerFontDialog([](QFontDialog* d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("选择行情字体"));
        d->setCurrentFont(QFont(QStringLiteral("Monospace"), 17));
        d->accept();
    });
    child<QPushButton>("btnMarketFont")->click();
    int startedAt = 0;
    answerFontDialog([&](QFontDialog* d) {
        startedAt = d->currentFont().pointSize();
        d->reject();
    });
    child<QPushButton>("btnMarketFont")->click();
    QCOMPARE(startedAt, 17);

    QSignalSpy market(config.get(), &TConfig::marketFontChange);
    child<QPushButton>("btnOK")->click();
    QCOMPARE(market.count(), 1);
    QCOMPARE(TConfig::marketFont.pointSize(), 17);
}

void TestOptionForm::cancelledChooserKeepsTheFont()
{
    const QFont before = child<QLabel>("lbUiFont")->font();
    answerFontDialog([](QFontDialog* d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("选择界面字体"));
        d->setCurrentFont(QFont(QStringLiteral("Monospace"), 25));
        d->reject();
    });
    child<QPushButton>("btnUiFont")->click();
    QCOMPARE(child<QLabel>("lbUiFont")->font(), before);
}

void TestOptionForm::spinBoxStaysInRange_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("confirmed");
    QTest::newRow("zero") << "0" << 1;
    QTest::newRow("too large") << "1000000" << 100000;
    QTest::newRow("in range") << "45" << 45;
}

void TestOptionForm::spinBoxStaysInRange()
{
    QFETCH(QString, typed);
    QFETCH(int, confirmed);
    auto* spin = child<QSpinBox>("spbTimer");
    spin->selectAll();
    QTest::keyClicks(spin, typed);
    spin->interpretText();
    QVERIFY(spin->value() >= 1 && spin->value() <= 100000);
    spin->setValue(typed.toInt());
    child<QPushButton>("btnOK")->click();
    QCOMPARE(TConfig::dataTimer, confirmed);
}

QTEST_MAIN(TestOptionForm)
#include "tst_optionform.moc"
