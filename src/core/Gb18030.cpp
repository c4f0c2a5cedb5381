#include "core/Gb18030.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
// Opening an ICU converter is far dearer than a small conversion, so each
// thread keeps one of each and resets it between uses.
QStringDecoder& decoder()
{
    thread_local QStringDecoder instance("GB18030");
    instance.resetState();
    return instance;
}

QStringEncoder& encoder()
{
    thread_local QStringEncoder instance("GB18030");
    instance.resetState();
    return instance;
}
} // namespace

namespace gb18030 {

bool isAvailable()
{
    return decoder().isValid() && encoder().isValid();
}

QString decode(QByteArrayView bytes)
{
    return decoder().decode(bytes);
}

QString decodeUntilNul(QByteArrayView bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    return decode(nul < 0 ? bytes : bytes.first(nul));
}

QByteArray encode(QStringView text)
{
    return encoder().encode(text);
}

} // namespace gb18030
