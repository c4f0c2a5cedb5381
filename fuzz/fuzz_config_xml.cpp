#include "settings/Config.h"

#include "FuzzApp.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

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
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    config.writeXml(&out);
    return 0;
}
