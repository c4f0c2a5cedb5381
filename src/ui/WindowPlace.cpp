#include "ui/WindowPlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {
// The part of a window the user grabs it by: enough of its top edge must be
// on a screen for the window to count as there.
constexpr int GRIP_HEIGHT = 20;
constexpr int GRIP_WIDTH = 40;
} // namespace

std::optional<QRect> placeOnScreens(const TWindowPlace& place, const QList<QRect>& screens)
{
    if (place.isEmpty())
        return std::nullopt;
    const QRect frame(place.pos, place.size);
    const QRect grip(frame.topLeft(), QSize(frame.width(), GRIP_HEIGHT));
    for (const QRect& screen : screens) {
        const QRect shown = grip.intersected(screen);
        if (shown.width() < std::min(GRIP_WIDTH, frame.width()) ||
            shown.height() < std::min(GRIP_HEIGHT, frame.height()))
            continue;
        QRect fitted(frame.topLeft(), frame.size().boundedTo(screen.size()));
        // Brought back inside the screen where it was cut off.
        if (fitted.right() > screen.right())
            fitted.moveRight(screen.right());
        if (fitted.bottom() > screen.bottom())
            fitted.moveBottom(screen.bottom());
        if (fitted.left() < screen.left())
            fitted.moveLeft(screen.left());
        if (fitted.top() < screen.top())
            fitted.moveTop(screen.top());
        return fitted;
    }
    return std::nullopt;
}

TWindowPlace windowPlace(const QWidget* window)
{
    // The normal place of a maximised window, so that it comes back as the
    // user left it before maximising.
    const QRect normal =
        window->normalGeometry().isValid() ? window->normalGeometry() : window->geometry();
    const QPoint frameOffset = window->geometry().topLeft() - window->frameGeometry().topLeft();
    return {normal.topLeft() - frameOffset, normal.size()};
}

bool restoreWindowPlace(QWidget* window, const TWindowPlace& place)
{
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    const std::optional<QRect> frame = placeOnScreens(place, screens);
    if (!frame)
        return false;
    window->resize(frame->size().expandedTo(window->minimumSizeHint()));
    window->move(frame->topLeft());
    return true;
}
