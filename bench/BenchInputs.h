#pragma once

#include <QByteArray>

// A quote reply for `count` codes as the service writes it: real-looking
// Chinese names, 32 values per entry, GB18030. Replies of another `moment`
// carry the same codes and names with every price moved, as two refreshes
// during trading do.
QByteArray makeQuoteReply(int count, int moment = 0);
