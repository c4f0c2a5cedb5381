#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QUrl>

class QLabel;
class QNetworkReply;
class QTimer;
class QWidget;

// The service library the program calls: our own small implementation of the
// maker's VkPack. Everything here runs on the GUI thread. The two wire
// formats below are ours (README: "Service wire formats"). The network
// objects share one QNetworkAccessManager; requests time out after 15 s
// without progress and follow at most five redirects, never https to http.

namespace vk {

// Shows a modal question with two buttons; true when the first is chosen.
// Closing the box (Esc, the window's close button) counts as the second.
// Without a second button's text the box is a notice with one button.
bool messageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                const QString& button1, const QString& button2, QWidget* parent);

// Moves `widget` so that its frame is centred on `reference`'s frame. A null
// reference means the desktop: the available area of the screen the widget
// is on.
void moveCenter(QWidget* widget, QWidget* reference);

// Hands the address to the desktop (the web browser); does not wait.
void openUrl(const QString& url);

// Test seam: the next
// messageBox() call returns `firstButton` without showing anything. One-shot.
void setNextMessageBoxAnswer(bool firstButton);

// Every messageBox() call, answered by the seam or shown, most recent last.
// Only the latest 64 are kept.
struct MessageBoxRecord
{
    QMessageBox::Icon icon;
    QString title;
    QString text;
    QString button1;
    QString button2;
};
QList<MessageBoxRecord> askedMessageBoxes();
void clearAskedMessageBoxes();

} // namespace vk

// Asks the maker's site whether a newer release than the running one exists.
// Reply format: plain UTF-8 text of key=value lines (such as version=V3.1.0);
// the first line that reads date=YYYY-MM-DD gives the latest release date.
// No such line, a date that does not exist, or a reply over 64 KiB: no update.
class VkCheckUpdate : public QObject
{
    Q_OBJECT
public:
    explicit VkCheckUpdate(QObject* parent = nullptr);
    ~VkCheckUpdate() override;

    // One HTTP GET of `url` with the query items id=`productId` and
    // date=`date` (the running build's date, YYYY-MM-DD). Every call ends in
    // exactly one update() signal: true only when the reply names a later
    // release date; false for an older or equal date, an unreadable reply or
    // any network or HTTP error.
    void exec(const QString& url, const QString& productId, const QString& date);

signals:
    void update(bool update);
};

// Drives the advertising panel: fetches the configuration at `url`, shows the
// first ad whose image loads on the panel and turns to the next loadable ad
// every `interval` milliseconds. Without a loadable ad the panel stays as the
// caller left it (hidden) and click() does nothing.
// Configuration format: plain UTF-8 text (at most 64 KiB), one ad per line:
// "<image URL> <target URL>" separated by whitespace, further fields ignored.
// Blank lines and lines starting with '#' are skipped. Both addresses may be
// relative to the configuration's address; each must come out as http or
// https, or the line is skipped. The first 16 ads are used. Images are any
// format QImage reads, at most 4 MiB each.
class VkAdHelper : public QObject
{
    Q_OBJECT
public:
    explicit VkAdHelper(QObject* parent = nullptr);
    ~VkAdHelper() override;

    // The panel: the image is shown on a label that fills it and lets mouse
    // presses through to the panel.
    void setWidget(QWidget* widget);
    // Starts (or restarts) with the current `url` and `interval`.
    void exec();
    // Opens the target of the ad on show, if any.
    void click();

    QString url;
    // Milliseconds between ads; 0 or less keeps the first ad.
    int interval = 5000;

signals:
    // Not used by the program: the configuration and every image request of
    // the latest exec() have ended, whether they worked or not.
    void settled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Ad
    {
        QUrl image;
        QUrl target;
        QPixmap pixmap; // null until the image has loaded
    };

    void configFinished(QNetworkReply* reply);
    void imageFinished(QNetworkReply* reply, int index);
    void requestEnded();
    void showAd(int index);
    void showNext();

    QTimer* timer;
    QPointer<QWidget> panel;
    QPointer<QLabel> label;
    QList<Ad> ads;
    QList<QPointer<QNetworkReply>> pending;
    int current = -1;
};
