#include "core/Clock.h"

namespace {
QDateTime& fixedNow()
{
    static QDateTime instant;
    return instant;
}
} // namespace

namespace appclock {

QDateTime now()
{
    const QDateTime& fixed = fixedNow();
    return fixed.isValid() ? fixed : QDateTime::currentDateTimeUtc();
}

void setNow(const QDateTime& instant)
{
    fixedNow() = instant;
}

QDate isoDate(QStringView text)
{
    if (text.size() != 10)
        return QDate();
    int parts[3] = {0, 0, 0};
    int part = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (i == 4 || i == 7) {
            if (c != u'-')
                return QDate();
            ++part;
        } else if (c >= u'0' && c <= u'9') {
            parts[part] = parts[part] * 10 + (c - u'0');
        } else {
            return QDate();
        }
    }
    // QDate itself refuses a month or day the calendar lacks.
    return QDate(parts[0], parts[1], parts[2]);
}

} // namespace appclock
