#pragma once

#include <QByteArray>

// A quote reply for `count` codes as the service writes it: real-looking
// Chinese names, 32 values per entry, GB18030. Replies of another `moment`
// carry the same codes and names with every price moved, as two refreshes
// during trading do.
QByteArray makeQuoteReply(int count, int moment = 0);

// The same moment of the same codes as the second quote service writes it:
// 50 fields per entry separated by "~", volume in lots, amount in units of
// 10,000 yuan.
QByteArray makeBackupReply(int count, int moment = 0);
