#pragma once

#include <QString>

// QString::toDouble, quicker for the plain decimal text the quote service
// sends and the change column holds: every text converts to the very double
// that QString::toDouble gives it (0 for text that is no number).
double textToDouble(const QString& text);
