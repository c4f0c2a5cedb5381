#pragma once

#include <QNetworkRequest>

class QNetworkReply;

// What every request of the program shares, whichever service it goes to.
namespace web {

// A hung service must not keep requests open, and piling up, for ever: a
// request that transfers nothing for this long ends with an error.
constexpr int TRANSFER_TIMEOUT_MS = 15000;

// Sets the transfer time-out and a redirect policy that never leads from
// https to http.
void prepareRequest(QNetworkRequest& request, int timeoutMs = TRANSFER_TIMEOUT_MS);

// Aborts `reply` once it announces or delivers more than `maxBytes`, so that
// a wrong answer cannot fill the memory.
void limitSize(QNetworkReply* reply, qint64 maxBytes);

} // namespace web
