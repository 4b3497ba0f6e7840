#pragma once

#include <QNetworkReply>

namespace plimo {

// True when a reply's failure only reflects the HTTP status of an answer from the server asked (404, 500 ...): such
// an answer has a body of its own, which a browser shows and a download keeps. A proxy's refusal (407 included) is
// no answer of that server, and neither is a connection, TLS or protocol failure.
bool IsStatusOnlyFailure(QNetworkReply::NetworkError error, int status);

}  // namespace plimo
