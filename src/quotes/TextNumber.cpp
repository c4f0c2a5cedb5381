#include "quotes/TextNumber.h"

#include <charconv>

double textToDouble(const QString& text)
{
    // std::from_chars is locale-free and correctly rounded, as Qt's converter
    // is, and gives the same double for text of digits, "." and "-" that it
    // reads whole. Anything else goes to QString::toDouble itself.
    char buffer[32];
    const qsizetype n = text.size();
    if (n > 0 && n < qsizetype(sizeof buffer)) {
        const QChar* chars = text.constData();
        qsizetype i = 0;
        for (; i < n; ++i) {
            const char16_t c = chars[i].unicode();
            if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u'-'))
                break;
            buffer[i] = char(c);
        }
        double value = 0;
        if (i == n) {
            const std::from_chars_result read = std::from_chars(buffer, buffer + n, value);
            if (read.ec == std::errc() && read.ptr == buffer + n)
                return value;
        }
    }
    return text.toDouble();
}
