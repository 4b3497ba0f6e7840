#include "browser/system_proxy.h"

namespace plimo {

QList<QNetworkProxy> SystemProxies(const QNetworkProxyQuery& query) {
    return QNetworkProxyFactory::systemProxyForQuery(query);
}

}  // namespace plimo
