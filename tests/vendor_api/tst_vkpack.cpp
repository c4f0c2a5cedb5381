#include "UrlCatcher.h"
#include "vendor_api/VkPack.h"

#include <QApplication>
#include <QDesktopServices>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

class TestVkPack : public QObject
{
    Q_OBJECT
private slots:
    void init() { vk::clearAskedMessageBoxes(); }
    void seamAnswersOnceAndRecords_data();
    void seamAnswersOnceAndRecords();
    void realBoxIsDriven_data();
    void realBoxIsDriven();
    void moveCenter_data();
    void moveCenter();
    void openUrlGoesToTheDesktop();

private:
    // Answers the next real box by clicking the button with this text, or
    // else by pressing `key`, or else by closing it. Records what it showed.
    void driveNextBox(const QString& button, int key = 0);
    QString shownTitle, shownText;
};

void TestVkPack::driveNextBox(const QString& button, int key)
{
    shownTitle.clear();
    shownText.clear();
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll, button, key] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll->deleteLater();
        poll->stop();
        shownTitle = box->windowTitle();
        shownText = box->text();
        if (button.isEmpty()) {
            if (key != 0)
                QTest::keyClick(box, Qt::Key(key));
            else
                box->close();
            return;
        }
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == button)
                b->click();
        }
    });
    poll->start(10);
}

void TestVkPack::seamAnswersOnceAndRecords_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("first button") << true;
    QTest::newRow("second button") << false;
}

void TestVkPack::seamAnswersOnceAndRecords()
{
    QFETCH(bool, answer);
    vk::setNextMessageBoxAnswer(answer);
    QCOMPARE(vk::messageBox(QMessageBox::Warning, QStringLiteral("警告"), QStringLiteral("删除？"),
                            QStringLiteral("是"), QStringLiteral("否"), nullptr),
             answer);
    const QList<vk::MessageBoxRecord> asked = vk::askedMessageBoxes();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.at(0).icon, QMessageBox::Warning);
    QCOMPARE(asked.at(0).title, QStringLiteral("警告"));
    QCOMPARE(asked.at(0).text, QStringLiteral("删除？"));
    QCOMPARE(asked.at(0).button1, QStringLiteral("是"));
    QCOMPARE(asked.at(0).button2, QStringLiteral("否"));

    // One-shot: the next question shows a real box again.
    driveNextBox(answer ? QStringLiteral("否") : QStringLiteral("是"));
    QCOMPARE(vk::messageBox(QMessageBox::Warning, QStringLiteral("警告"), QStringLiteral("再删？"),
                            QStringLiteral("是"), QStringLiteral("否"), nullptr),
             !answer);
    QCOMPARE(shownText, QStringLiteral("再删？"));
    QCOMPARE(vk::askedMessageBoxes().size(), 2);
}

void TestVkPack::realBoxIsDriven_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("expected");
    QTest::newRow("确定") << QStringLiteral("确定") << 0 << true;
    QTest::newRow("取消") << QStringLiteral("取消") << 0 << false;
    QTest::newRow("closed") << QString() << 0 << false;
    QTest::newRow("Enter") << QString() << int(Qt::Key_Return) << true;
    QTest::newRow("Esc") << QString() << int(Qt::Key_Escape) << false;
}

void TestVkPack::realBoxIsDriven()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(bool, expected);
    QWidget parent;
    parent.show();
    driveNextBox(button, key);
    QCOMPARE(vk::messageBox(QMessageBox::Information, QStringLiteral("提示"),
                            QStringLiteral("有新版本是否查看？"), QStringLiteral("确定"),
                            QStringLiteral("取消"), &parent),
             expected);
    QCOMPARE(shownTitle, QStringLiteral("提示"));
    QCOMPARE(shownText, QStringLiteral("有新版本是否查看？"));
    QCOMPARE(vk::askedMessageBoxes().size(), 1);
}

void TestVkPack::moveCenter_data()
{
    QTest::addColumn<int>("reference"); // 0 the desktop, 1 a window, 2 a child widget
    QTest::newRow("desktop") << 0;
    QTest::newRow("window") << 1;
    QTest::newRow("child widget") << 2;
}

void TestVkPack::moveCenter()
{
    QFETCH(int, reference);
    QWidget window;
    window.setGeometry(120, 90, 500, 300);
    auto* child = new QWidget(&window);
    child->setGeometry(300, 200, 100, 60);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QWidget widget;
    widget.resize(151, 77);
    widget.show();
    QWidget* target = reference == 0 ? nullptr : reference == 1 ? &window : child;
    vk::moveCenter(&widget, target);

    QPoint expected;
    if (reference == 0)
        expected = widget.screen()->availableGeometry().center();
    else if (reference == 1)
        expected = window.frameGeometry().center();
    else
        expected = QRect(child->mapToGlobal(QPoint(0, 0)), child->size()).center();
    QTRY_COMPARE(widget.frameGeometry().center(), expected);
}

void TestVkPack::openUrlGoesToTheDesktop()
{
    UrlCatcher catcher;
    vk::openUrl(QStringLiteral("http://stockpage.10jqka.com.cn/600000"));
    QCOMPARE(catcher.urls,
             QList<QUrl>{QUrl(QStringLiteral("http://stockpage.10jqka.com.cn/600000"))});
}

QTEST_MAIN(TestVkPack)
#include "tst_vkpack.moc"
