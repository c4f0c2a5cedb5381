#include "settings/Config.h"

#include "FuzzApp.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {
// The five properties Config.xml keeps of a font. A font without a family
// (the platform's default may have none) is written with an empty one, and an
// empty family reads as 宋体.
bool sameStored(const QFont& read, const QFont& written)
{
    const QString family = written.family().isEmpty() ? QStringLiteral("宋体") : written.family();
    return read.family() == family && read.pointSize() == written.pointSize() &&
           read.style() == written.style() && read.strikeOut() == written.strikeOut() &&
           read.underline() == written.underline();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureFuzzApp();
    static TConfig config;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    config.readXml(&buffer);
    // The interval is multiplied into milliseconds by the main window.
    if (TConfig::dataTimer < 1 || TConfig::dataTimer > 100000)
        __builtin_trap();

    // What was read is saved and comes back the same at the next start.
    const QFont uiFont = TConfig::uiFont;
    const QFont marketFont = TConfig::marketFont;
    const int windowStyle = TConfig::windowStyle;
    const int dataTimer = TConfig::dataTimer;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    if (!config.writeXml(&out))
        __builtin_trap();
    out.close();
    out.open(QIODevice::ReadOnly);
    config.readXml(&out);
    if (!sameStored(TConfig::uiFont, uiFont) || !sameStored(TConfig::marketFont, marketFont) ||
        TConfig::windowStyle != windowStyle || TConfig::dataTimer != dataTimer)
        __builtin_trap();
    return 0;
}
