#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

class QIODevice;

// The one place where GB18030 bytes meet text. Qt converts GB18030 through
// ICU; a Qt without ICU would need Core5Compat's QTextCodec here and nowhere
// else.
namespace gb18030 {

// False when the platform cannot convert GB18030 (no ICU): nothing Chinese
// would read or write correctly then.
bool isAvailable();

// Decodes all of `bytes`; invalid sequences become replacement characters.
QString decode(QByteArrayView bytes);

// Decodes the bytes before the first NUL, the way a C string would be read.
QString decodeUntilNul(QByteArrayView bytes);

QByteArray encode(QStringView text);

} // namespace gb18030
