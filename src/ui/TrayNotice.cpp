#include "ui/TrayNotice.h"

#include <QSystemTrayIcon>

namespace {
QList<TrayNoticeRecord>& asked()
{
    static QList<TrayNoticeRecord> notices;
    return notices;
}
} // namespace

void showTrayNotice(QSystemTrayIcon* icon, const QString& title, const QString& text)
{
    if (!icon)
        return;
    asked().append({title, text});
    if (asked().size() > 64)
        asked().removeFirst();
    if (QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages())
        icon->showMessage(title, text, QSystemTrayIcon::Information, 15000);
}

QList<TrayNoticeRecord> askedTrayNotices()
{
    return asked();
}

void clearAskedTrayNotices()
{
    asked().clear();
}
