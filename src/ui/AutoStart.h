#pragma once

#include <QString>

// The program in the desktop's list of programs started with the session:
// an XDG autostart entry on Linux, a value of the user's Run key on Windows.
// Only the program's own entry is ever read, written or removed.
namespace autostart {

// True when the program's entry is there and not turned off, whoever put it
// there; the user may have removed or changed it by other means.
bool isEnabled();
// Writes the entry for the program running now, or removes it. False when
// the change could not be made.
bool setEnabled(bool enabled);

// Linux: where the entry lives and what it holds.
QString desktopEntryPath();
QString desktopEntry(const QString& program);

} // namespace autostart
