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

} // namespace appclock
