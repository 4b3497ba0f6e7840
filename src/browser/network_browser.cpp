#include "browser/network_browser.h"

#include "browser/page_charset.h"
#include "browser/reply_failure.h"
#include "browser/system_proxy.h"
#include "platform/shell_address.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QThreadPool>

#include <algorithm>
#include <mutex>
#include <utility>

namespace plimo {

namespace {

// Enough of a browser's identity for services that look at it; the rest is the program's name.
constexpr char kUserAgent[] = "Mozilla/5.0 (compatible; Plimo)";
constexpr char kAccept[] = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
// Bounds what Qt keeps for us between reads, so an oversized answer is never held whole.
constexpr qint64 kReadBufferBytes = 1024 * 1024;

// "10 секунд", "1 секунду", "2 секунды": read after "нет данных от сервера" and "за".
QString durationText(std::chrono::milliseconds duration) {
    const auto ms = duration.count();
    if (ms % 1000 != 0)
        return QString::number(ms) + u" мс";
    const auto seconds = ms / 1000;
    const auto lastTwo = seconds % 100;
    const auto last = seconds % 10;
    if (last == 1 && lastTwo != 11)
        return QString::number(seconds) + u" секунду";
    if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        return QString::number(seconds) + u" секунды";
    return QString::number(seconds) + u" секунд";
}

QString sizeText(qint64 bytes) {
    constexpr qint64 kMiB = 1024 * 1024;
    if (bytes % kMiB == 0)
        return QString::number(bytes / kMiB) + u" МиБ";
    return QString::number(bytes) + u" байт";
}

QString tooLarge(qint64 limit) {
    return u"страница больше " + sizeText(limit);
}

QByteArray errorPage(const QString& address, const QString& reason) {
    const QString shownAddress = address.isEmpty() ? QStringLiteral("(не задан)") : address;
    const QString page =
        u"<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>Страница не загружена</title>"
        u"</head>\n<body><h1>Страница не загружена</h1>\n<p>Нет связи с сервером: " +
        reason.toHtmlEscaped() + u".</p>\n<p>Адрес: " + shownAddress.toHtmlEscaped() + u"</p>\n</body></html>\n";
    return page.toUtf8();
}

// "www.liveinternet.ru." names the same host as "www.liveinternet.ru": compared, upgraded and asked for without
// the dot, so that it neither escapes the upgrade below nor counts as another origin.
QUrl withoutTrailingDot(QUrl url) {
    QString host = url.host();
    while (host.endsWith(u'.'))
        host.chop(1);
    if (host.size() != url.host().size())
        url.setHost(host);
    return url;
}

// The statistics service takes the password: like a browser with the service on its HSTS preload list, never
// ask it anything over plain http, whatever an old config.ini or a redirection says.
QUrl upgradedForService(QUrl url) {
    url = withoutTrailingDot(std::move(url));
    const QString host = url.host().toLower();
    if (url.scheme().compare(u"http", Qt::CaseInsensitive) == 0 &&
        (host == u"liveinternet.ru" || host.endsWith(u".liveinternet.ru"))) {
        url.setScheme(QStringLiteral("https"));
        if (url.port() == 80)
            url.setPort(-1);
    }
    return url;
}

// Same scheme, host and port: where a browser may send a form's body again.
bool isSameOrigin(const QUrl& a, const QUrl& b) {
    const auto port = [](const QUrl& url) {
        return url.port(url.scheme().compare(u"https", Qt::CaseInsensitive) == 0 ? 443 : 80);
    };
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && port(a) == port(b);
}

// What a browser makes of a typed address: without a scheme it is a web address; only http and https are
// fetched (a file: or other scheme would hand local data to the caller as a page).
std::optional<QUrl> webAddress(const QString& text, QString& problem) {
    if (text.isEmpty()) {
        problem = QStringLiteral("адрес не задан");
        return std::nullopt;
    }
    const QString withScheme = QString::fromStdString(WithWebScheme(text.toStdString()));
    const QUrl url = withoutTrailingDot(QUrl(withScheme, QUrl::TolerantMode));
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && scheme != u"http" && scheme != u"https") {
        problem = QStringLiteral("открываются только адреса http и https");
        return std::nullopt;
    }
    if (!url.isValid() || url.host().isEmpty()) {
        problem = QStringLiteral("неверный адрес");
        return std::nullopt;
    }
    return upgradedForService(url);
}

// The target of a redirection that a browser follows, resolved against the address that answered.
std::optional<QUrl> redirectTarget(QNetworkReply* reply, int status) {
    if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308)
        return std::nullopt;
    const QByteArray location = reply->rawHeader("Location").trimmed();
    if (location.isEmpty())
        return std::nullopt;  // nowhere to go: the answer itself is the page
    return upgradedForService(reply->url().resolved(QUrl(QString::fromUtf8(location), QUrl::TolerantMode)));
}

const QString kClosedEarly = QStringLiteral("соединение прервано");

// Qt's refusal to inflate an answer further, in the words of its own translation. Qt counts an answer by inflating
// it ahead of the reads; when that count passes the threshold the request set (the document limit), or meets data
// that does not inflate, it names no reason: either may be the cause.
bool isUnpackingRefused(QNetworkReply* reply) {
    static const QString refusal = QCoreApplication::translate("QHttp", "Decompression failed: %1").arg(QString());
    return reply->error() == QNetworkReply::UnknownContentError && reply->errorString().startsWith(refusal);
}

// Qt ends an answer as complete when the server has already closed the connection by the time the body is read,
// whatever its Content-Length said; an uncompressed body shorter than announced is a cut connection.
bool isShorterThanAnnounced(QNetworkReply* reply, qint64 received) {
    if (!reply->rawHeader("Content-Encoding").isEmpty())
        return false;  // the length counts compressed bytes
    bool known = false;
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    return known && received < announced;
}

// Certificate failures that mean nobody the system trusts vouches for the server (self-signed, an unknown issuer,
// a distrusted one), as against a certificate that is expired or made out to another name.
bool isUntrusted(const QList<QSslError>& errors) {
    return std::any_of(errors.begin(), errors.end(), [](const QSslError& error) {
        switch (error.error()) {
            case QSslError::UnableToGetIssuerCertificate:
            case QSslError::UnableToGetLocalIssuerCertificate:
            case QSslError::UnableToVerifyFirstCertificate:
            case QSslError::SelfSignedCertificate:
            case QSslError::SelfSignedCertificateInChain:
            case QSslError::CertificateUntrusted:
            case QSslError::CertificateRejected:
            case QSslError::InvalidCaCertificate:
                return true;
            default:
                return false;
        }
    });
}

QString describe(QNetworkReply::NetworkError error, bool untrustedCertificate) {
    switch (error) {
        case QNetworkReply::HostNotFoundError:
            return QStringLiteral("сервер не найден");
        case QNetworkReply::ConnectionRefusedError:
            return QStringLiteral("сервер отклонил соединение");
        case QNetworkReply::RemoteHostClosedError:
            return kClosedEarly;
        case QNetworkReply::TimeoutError:
            return QStringLiteral("сервер не ответил вовремя");
        case QNetworkReply::SslHandshakeFailedError:
            return untrustedCertificate ? QStringLiteral("сертификат сервера не заслуживает доверия")
                                        : QStringLiteral("не удалось установить защищённое соединение");
        case QNetworkReply::TemporaryNetworkFailureError:
        case QNetworkReply::NetworkSessionFailedError:
            return QStringLiteral("сеть недоступна");
        case QNetworkReply::ProxyAuthenticationRequiredError:
            return QStringLiteral("прокси-сервер требует имя и пароль");
        case QNetworkReply::ProxyConnectionRefusedError:
            return QStringLiteral("прокси-сервер отклонил соединение");
        case QNetworkReply::ProxyConnectionClosedError:
            return QStringLiteral("прокси-сервер прервал соединение");
        case QNetworkReply::ProxyNotFoundError:
            return QStringLiteral("прокси-сервер не найден");
        case QNetworkReply::ProxyTimeoutError:
            return QStringLiteral("прокси-сервер не ответил вовремя");
        case QNetworkReply::UnknownProxyError:
            return QStringLiteral("ошибка прокси-сервера");
        case QNetworkReply::ProtocolFailure:
        case QNetworkReply::ProtocolUnknownError:
            return QStringLiteral("сервер ответил не по протоколу HTTP");
        default:
            return u"ошибка сети (код " + QString::number(static_cast<int>(error)) + u')';
    }
}

}  // namespace

// The engine as a lookup still running may find it: nobody once the engine is gone.
struct NetworkBrowser::LookupGuard {
    std::mutex mutex;
    NetworkBrowser* browser = nullptr;
};

// Proxies as SystemProxies gives them. Qt asks on the UI thread as it sends a request; the engine has looked the
// answer up beforehand, off that thread, and leaves it here.
class NetworkBrowser::PreparedProxyFactory : public QNetworkProxyFactory {
public:
    explicit PreparedProxyFactory(ProxyLookup lookup) : m_lookup(std::move(lookup)) {}

    ProxyLookup lookup() const {
        std::lock_guard lock(m_mutex);
        return m_lookup;
    }
    void setLookup(ProxyLookup lookup) {
        std::lock_guard lock(m_mutex);
        m_lookup = std::move(lookup);
    }
    void prepare(const QUrl& url, QList<QNetworkProxy> proxies) {
        std::lock_guard lock(m_mutex);
        m_url = url;
        m_proxies = std::move(proxies);
    }

    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        std::unique_lock lock(m_mutex);
        if (m_url.isValid() && query.url() == m_url)
            return m_proxies;
        const ProxyLookup lookup = m_lookup;
        lock.unlock();
        return lookup(query);  // not prepared: still the system's answer
    }

private:
    mutable std::mutex m_mutex;
    ProxyLookup m_lookup;
    QUrl m_url;
    QList<QNetworkProxy> m_proxies;
};

NetworkBrowser::NetworkBrowser(QObject* parent) : NetworkBrowser(nullptr, Limits{}, parent) {}

NetworkBrowser::NetworkBrowser(QNetworkAccessManager* manager, Limits limits, QObject* parent)
    : BrowserEngine(parent), m_manager(manager), m_lookupGuard(std::make_shared<LookupGuard>()), m_limits(limits) {
    m_lookupGuard->browser = this;
    if (!m_manager) {
        m_manager = new QNetworkAccessManager(this);
        m_proxyFactory = new PreparedProxyFactory(SystemProxies);
        m_manager->setProxyFactory(m_proxyFactory);
        m_manager->setCookieJar(new QNetworkCookieJar(m_manager));
        m_manager->setStrictTransportSecurityEnabled(true);
    }
    m_stallTimer.setSingleShot(true);
    connect(&m_stallTimer, &QTimer::timeout, this, &NetworkBrowser::onStalled);
    m_deadlineTimer.setSingleShot(true);
    connect(&m_deadlineTimer, &QTimer::timeout, this, &NetworkBrowser::onDeadline);
}

NetworkBrowser::~NetworkBrowser() {
    {
        std::lock_guard lock(m_lookupGuard->mutex);
        m_lookupGuard->browser = nullptr;
    }
    cancelCurrent();
}

void NetworkBrowser::setProxyLookup(ProxyLookup lookup) {
    if (m_proxyFactory)
        m_proxyFactory->setLookup(std::move(lookup));
}

void NetworkBrowser::navigate(const QString& address, const QByteArray& postBody) {
    cancelCurrent();
    ++m_navigation;  // drops a report of the previous navigation that is still queued
    m_deadlineTimer.stop();
    m_underWay = false;
    const QString text = address.trimmed();
    QString problem;
    const std::optional<QUrl> url = webAddress(text, problem);
    if (!url) {
        deliver(errorPage(text, problem), text, {true, 0, problem});
        return;
    }
    m_post = true;
    m_postBody = postBody;
    m_redirects = 0;
    m_underWay = true;
    // Counted, as the stall time, from when the event loop gets to the navigation.
    QMetaObject::invokeMethod(
        this,
        [this, navigation = m_navigation] {
            if (navigation == m_navigation && m_underWay)
                m_deadlineTimer.start(m_limits.deadline);
        },
        Qt::QueuedConnection);
    startRequest(*url);
}

// Redirections are followed here rather than by Qt: that keeps to one request at a time, so a loop costs
// exactly the allowed number of requests, and the method and body change exactly as a browser changes them.
void NetworkBrowser::startRequest(const QUrl& url) {
    m_url = url;
    m_received.clear();
    ++m_request;
    // Counted from when the event loop gets to the request, as nothing is looked up or sent before: a UI thread
    // held up in the meantime (the first activation waits for the update check) is no silence of the server. The
    // proxy lookup counts, so a stuck one ends in the error page too.
    QMetaObject::invokeMethod(
        this,
        [this, request = m_request] {
            if (request == m_request)
                m_stallTimer.start(m_limits.stallTimeout);
        },
        Qt::QueuedConnection);
    if (m_proxyFactory)
        lookUpProxies(url);
    else
        sendRequest(url);
}

void NetworkBrowser::lookUpProxies(const QUrl& url) {
    const quint64 request = m_request;
    QThreadPool::globalInstance()->start([guard = m_lookupGuard, lookup = m_proxyFactory->lookup(), url, request] {
        QList<QNetworkProxy> proxies;
        try {
            proxies = lookup(QNetworkProxyQuery(url));
        } catch (...) {
            proxies = {QNetworkProxy(QNetworkProxy::NoProxy)};
        }
        std::lock_guard lock(guard->mutex);
        NetworkBrowser* browser = guard->browser;
        if (!browser)
            return;
        // Queued to the engine's thread; Qt drops it should the engine be destroyed before it runs.
        QMetaObject::invokeMethod(
            browser,
            [browser, url, request, proxies = std::move(proxies)]() mutable {
                if (request != browser->m_request)
                    return;  // cancelled or replaced meanwhile
                browser->m_proxyFactory->prepare(url, std::move(proxies));
                browser->sendRequest(url);
            },
            Qt::QueuedConnection);
    });
}

void NetworkBrowser::sendRequest(const QUrl& url) {
    QNetworkRequest request(url);
    if (m_post)
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
    request.setRawHeader("Accept", kAccept);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // Qt inflates a compressed answer ahead of our reads, on this thread, to count it: past the document limit
    // its check stops it there, so a small answer that inflates to gigabytes costs no more than a page at the limit
    // (below the limit Qt checks nothing, so well-compressed pages are kept).
    request.setDecompressedSafetyCheckThreshold(m_limits.maxDocumentBytes);

    QNetworkReply* reply = m_post ? m_manager->post(request, m_postBody) : m_manager->get(request);
    reply->setReadBufferSize(kReadBufferBytes);
    m_reply = reply;
    m_untrustedCertificate = false;
    const auto progress = [this] { m_stallTimer.start(m_limits.stallTimeout); };
    connect(reply, &QNetworkReply::readyRead, this, &NetworkBrowser::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &NetworkBrowser::onFinished);
    connect(reply, &QNetworkReply::uploadProgress, this, progress);
    connect(reply, &QNetworkReply::downloadProgress, this, progress);
    connect(reply, &QNetworkReply::metaDataChanged, this, progress);
    // Qt names what it found wrong with the certificate only here; the failure that follows says no more than
    // "handshake failed".
    connect(reply, &QNetworkReply::sslErrors, this,
            [this](const QList<QSslError>& errors) { m_untrustedCertificate = isUntrusted(errors); });
}

QByteArray NetworkBrowser::documentSource() const {
    if (!m_document)
        throw NoDocumentError();
    return *m_document;
}

void NetworkBrowser::onReadyRead() {
    if (!takeBytes())
        failCurrent(tooLarge(m_limits.maxDocumentBytes));
}

// Moves what has arrived into the page; false once the page has outgrown the limit.
bool NetworkBrowser::takeBytes() {
    while (m_reply && m_reply->bytesAvailable() > 0) {
        // Only what has arrived: asked for more, Qt reserves the whole amount before it copies.
        const qint64 room = m_limits.maxDocumentBytes + 1 - m_received.size();
        m_received += m_reply->read(std::min(m_reply->bytesAvailable(), room));
        if (m_received.size() > m_limits.maxDocumentBytes)
            return false;
    }
    return true;
}

void NetworkBrowser::onFinished() {
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    if (!takeBytes()) {
        failCurrent(tooLarge(m_limits.maxDocumentBytes));
        return;
    }
    if (isUnpackingRefused(reply)) {
        failCurrent(tooLarge(m_limits.maxDocumentBytes) + u" в распакованном виде или её сжатые данные повреждены");
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError && !IsStatusOnlyFailure(reply->error(), status)) {
        failCurrent(describe(reply->error(), m_untrustedCertificate));
        return;
    }
    if (reply->error() == QNetworkReply::NoError && isShorterThanAnnounced(reply, m_received.size())) {
        failCurrent(kClosedEarly);
        return;
    }
    if (reply->error() == QNetworkReply::NoError) {
        if (const std::optional<QUrl> target = redirectTarget(reply, status)) {
            followRedirect(*target, status);
            return;
        }
    }
    QByteArray body = std::exchange(m_received, {});
    const QByteArray contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    if (DetectPageCharset(contentType, body) == PageCharset::Windows1251)
        body = Windows1251ToUtf8(body);
    const QString finalUrl = reply->url().toString();
    cancelCurrent();
    deliver(std::move(body), finalUrl, {false, status, {}});
}

void NetworkBrowser::followRedirect(const QUrl& target, int status) {
    const QString scheme = target.scheme().toLower();
    if (m_redirects == m_limits.maxRedirects) {
        failCurrent(u"слишком много перенаправлений (больше " + QString::number(m_limits.maxRedirects) + u')');
        return;
    }
    if (!target.isValid() || (scheme != u"http" && scheme != u"https")) {
        failCurrent(QStringLiteral("сервер перенаправил на адрес, который нельзя открыть"));
        return;
    }
    if (m_url.scheme().compare(u"https", Qt::CaseInsensitive) == 0 && scheme == u"http") {
        failCurrent(QStringLiteral("перенаправление с https на http отклонено"));
        return;
    }
    cancelCurrent();
    ++m_redirects;
    // 307 and 308 keep the method and body, but only where they came from: the sign-in's password must not
    // follow a redirection to another server, or to the same one without TLS.
    if (status == 301 || status == 302 || status == 303 || !isSameOrigin(target, m_url)) {
        m_post = false;
        m_postBody.clear();
    }
    startRequest(target);
}

void NetworkBrowser::onStalled() {
    failCurrent(u"нет данных от сервера " + durationText(m_limits.stallTimeout));
}

void NetworkBrowser::onDeadline() {
    if (m_underWay)
        failCurrent(u"страница не пришла за " + durationText(m_limits.deadline));
}

void NetworkBrowser::failCurrent(const QString& reason) {
    const QString address = m_url.toString();
    cancelCurrent();
    deliver(errorPage(address, reason), address, {true, 0, reason});
}

void NetworkBrowser::cancelCurrent() {
    ++m_request;
    m_stallTimer.stop();
    m_received.clear();
    if (QNetworkReply* reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void NetworkBrowser::deliver(QByteArray document, QString url, NavigationResult result) {
    m_deadlineTimer.stop();
    m_underWay = false;
    const quint64 navigation = m_navigation;
    QMetaObject::invokeMethod(
        this,
        [this, navigation, document = std::move(document), url = std::move(url), result = std::move(result)]() mutable {
            if (navigation != m_navigation)
                return;
            m_document = std::move(document);
            m_result = std::move(result);
            emit navigateComplete(url);
        },
        Qt::QueuedConnection);
}

}  // namespace plimo
