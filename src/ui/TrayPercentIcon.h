#pragma once

#include <QIcon>
#include <QString>

// The tray icon as a number: the change in percent of the list's first
// stock, drawn at whatever size the tray asks for. Red for a rise or none,
// dark green for a fall, as in the quote table; grey while quotes fail.
QIcon trayPercentIcon(double percent, bool failing);

// The program's own 32 x 32 tray picture, shown while the tray shows no number.
QIcon trayPlainIcon();

// The digits that fit an icon `pixels` wide: at most three below 22 pixels,
// the colour carrying the sign ("+1.2" becomes "1.2"); a sign above.
QString trayPercentText(double percent, int pixels);
