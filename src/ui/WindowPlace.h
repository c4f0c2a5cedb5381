#pragma once

#include "settings/Settings.h"

#include <QList>
#include <QRect>

#include <optional>

class QWidget;

// Where a window left at `place` comes back, given the screens' free areas:
// its frame, or nothing when the place was never stored or is on no screen
// any longer (the window is then centred as on a first start). A window
// larger than the screen it is on is made to fit it.
std::optional<QRect> placeOnScreens(const TWindowPlace& place, const QList<QRect>& screens);

// The place of a top-level window now, as it is stored.
TWindowPlace windowPlace(const QWidget* window);
// Moves the window to its stored place on today's screens; false when it has
// none there, and the window is left where it is.
bool restoreWindowPlace(QWidget* window, const TWindowPlace& place);
