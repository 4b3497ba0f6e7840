#pragma once

#include <QList>
#include <QNetworkProxy>

namespace plimo {

// The proxies the system's settings give for a request (on Linux the http_proxy family), asked anew each time. Every
// request of the program finds its proxy this way, on a thread other than the UI thread: the answer can take long
// (a PAC script, automatic detection).
QList<QNetworkProxy> SystemProxies(const QNetworkProxyQuery& query);

// A manager's factory that asks SystemProxies on the thread that sends the request, for a manager that lives on a
// worker thread; nothing process-wide is set.
class SystemProxyFactory : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override { return SystemProxies(query); }
};

}  // namespace plimo
