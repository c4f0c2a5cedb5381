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

bool isIsoDateText(QStringView text)
{
    if (text.size() != 10)
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (i == 4 || i == 7 ? c != u'-' : c < u'0' || c > u'9')
            return false;
    }
    return true;
}

QDate isoDate(QStringView text)
{
    if (!isIsoDateText(text))
        return QDate();
    const auto number = [text](qsizetype from, qsizetype to) {
        int value = 0;
        for (; from < to; ++from)
            value = value * 10 + (text[from].unicode() - u'0');
        return value;
    };
    // QDate itself refuses a month or day the calendar lacks.
    return QDate(number(0, 4), number(5, 7), number(8, 10));
}

} // namespace appclock
