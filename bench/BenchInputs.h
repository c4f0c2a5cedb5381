#pragma once

#include <QByteArray>

// A quote reply for `count` codes as the service writes it: real-looking
// Chinese names, 32 values per entry, GB18030.
QByteArray makeQuoteReply(int count);
