#include "stocks/LegacyImport.h"

#include "core/Gb18030.h"

QStringList legacyStockCodes(const QByteArray& bytes)
{
    QStringList codes = gb18030::decodeUntilNul(bytes).split(QStringLiteral("\r\n"));
    codes.removeAll(QString());
    return codes;
}
