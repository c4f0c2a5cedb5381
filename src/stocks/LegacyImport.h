#pragma once

#include <QByteArray>
#include <QStringList>

// Stock files of versions 1.x and 2.x: GB18030 text ended by the first NUL,
// one code per CR LF line. Lines are taken whole (no trimming, no checks);
// empty lines carry nothing. LF alone is not a line end there.
QStringList legacyStockCodes(const QByteArray& bytes);
