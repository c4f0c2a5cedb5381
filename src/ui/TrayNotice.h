#pragma once

#include <QList>
#include <QString>

class QSystemTrayIcon;

// A notice from the tray icon, where the desktop shows them; without a tray
// or its notices the state still shows in the tooltips.
void showTrayNotice(QSystemTrayIcon* icon, const QString& title, const QString& text);

// Test seam: every notice asked for, shown or not (a test's desktop has no
// tray), most recent last. Only the latest 64 are kept.
struct TrayNoticeRecord
{
    QString title;
    QString text;
};
QList<TrayNoticeRecord> askedTrayNotices();
void clearAskedTrayNotices();
