#include "quotes/TextNumber.h"

namespace {
// 10^0 to 10^15, each exactly a double.
constexpr double POWERS_OF_TEN[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr int MAX_DIGITS = 15; // any 15 digits make an integer below 2^53
} // namespace

double textToDouble(const QString& text)
{
    // A price or a volume as the service sends it: at most 15 digits, a "."
    // and a leading "-". Its digits read as a whole number are exactly a
    // double, and so is the power of ten it is divided by, so the one
    // division rounds correctly, as QString::toDouble does: the same double.
    // Anything else goes to QString::toDouble itself.
    const QChar* chars = text.constData();
    const qsizetype n = text.size();
    qsizetype i = n > 0 && chars[0] == u'-' ? 1 : 0;
    const bool negative = i == 1;
    qint64 digits = 0;
    int count = 0;
    int decimals = -1; // digits after the ".", -1 without one
    for (; i < n; ++i) {
        const char16_t c = chars[i].unicode();
        if (c >= u'0' && c <= u'9') {
            if (++count > MAX_DIGITS)
                break;
            digits = digits * 10 + (c - u'0');
            if (decimals >= 0)
                ++decimals;
        } else if (c == u'.' && decimals < 0) {
            decimals = 0;
        } else {
            break;
        }
    }
    if (i < n || count == 0)
        return text.toDouble();
    const double value = double(digits) / POWERS_OF_TEN[decimals > 0 ? decimals : 0];
    return negative ? -value : value;
}
