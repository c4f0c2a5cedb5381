#pragma once

#include <QIcon>
#include <QList>
#include <QString>

#include <utility>

// An icon of PNG files, one per square side, decoded only at the size a
// window system or tray asks for: an icon given files decodes all of them at
// once, which costs start-up time and keeps pictures in memory where
// (offscreen, without a tray) nothing ever asks for one. A size between two
// files is scaled down from the next larger one; past the largest, the
// largest is given as it is.
QIcon lazyPngIcon(QList<std::pair<int, QString>> filesBySide);
