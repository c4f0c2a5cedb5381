#include "stocks/LegacyImport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList codes = legacyStockCodes(bytes);
    for (const QString& code : codes) {
        // Empty lines carry nothing; a line never holds the separator.
        if (code.isEmpty() || code.contains(QLatin1String("\r\n")))
            __builtin_trap();
    }
    return 0;
}
