#pragma once

#include "browser/browser_engine.h"

#include <QList>
#include <QNetworkProxy>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace plimo {

// The browser engine on Qt Network. It posts like a browser (form content type, cookies kept for the run,
// redirections followed, never from https to http, a body re-sent only to the same origin; the statistics
// service always over https), and turns every failed navigation into a short error page, so that a report always
// follows a navigation that was not cancelled, within the deadline at the latest. With each document it keeps how
// its navigation ended: the answer's status, or the failure and its reason.
class NetworkBrowser : public BrowserEngine {
    Q_OBJECT
public:
    struct Limits {
        // Without any progress; well below the shortest refresh period (30 s), so that a tick never finds the
        // first navigation on a silent network still without a document.
        std::chrono::milliseconds stallTimeout = std::chrono::seconds(10);
        // For the whole navigation, redirections included: a server that trickles a byte now and then, never
        // silent long enough for the stall time-out, still ends in the error page, and before the shortest
        // refresh period too, so that the first tick finds a document even then.
        std::chrono::milliseconds deadline = std::chrono::seconds(25);
        // Of the page as handed over; a compressed answer is inflated no further than this.
        qint64 maxDocumentBytes = 16 * 1024 * 1024;
        int maxRedirects = 20;
    };

    // With a network access manager of its own: system proxy settings, an in-memory cookie jar.
    explicit NetworkBrowser(QObject* parent = nullptr);
    // With the given manager (not owned; it must outlive the engine), used with its own settings and cookie jar.
    NetworkBrowser(QNetworkAccessManager* manager, Limits limits, QObject* parent = nullptr);
    ~NetworkBrowser() override;

    void navigate(const QString& address, const QByteArray& postBody) override;
    QByteArray documentSource() const override;
    NavigationResult documentResult() const override { return m_result; }

    // The proxies for a request. With a manager of its own the engine asks before each request, off the UI thread:
    // the system's answer can take long (a PAC script, automatic detection). Tests replace the system's lookup.
    using ProxyLookup = std::function<QList<QNetworkProxy>(const QNetworkProxyQuery&)>;
    void setProxyLookup(ProxyLookup lookup);

private:
    struct LookupGuard;
    class PreparedProxyFactory;

    void startRequest(const QUrl& url);
    void lookUpProxies(const QUrl& url);
    void sendRequest(const QUrl& url);
    void followRedirect(const QUrl& target, int status);
    void onReadyRead();
    void onFinished();
    void onStalled();
    void onDeadline();
    void cancelCurrent();
    bool takeBytes();
    // Ends the navigation in the error page; the reason reads after "Нет связи с сервером статистики: ".
    void failCurrent(const QString& reason);
    // Makes the document and its result current and sends the report from the event loop, unless a newer
    // navigation began.
    void deliver(QByteArray document, QString url, NavigationResult result);

    QNetworkAccessManager* m_manager;
    PreparedProxyFactory* m_proxyFactory = nullptr;  // owned by the manager; none with a manager given
    std::shared_ptr<LookupGuard> m_lookupGuard;
    quint64 m_request = 0;  // a lookup's answer counts only for the request that asked
    Limits m_limits;
    QPointer<QNetworkReply> m_reply;
    QUrl m_url;  // of the request under way
    bool m_post = true;
    QByteArray m_postBody;
    int m_redirects = 0;
    QByteArray m_received;
    bool m_untrustedCertificate = false;  // of the request under way
    QTimer m_stallTimer;
    QTimer m_deadlineTimer;
    quint64 m_navigation = 0;
    bool m_underWay = false;  // a navigation has started and not yet been delivered
    std::optional<QByteArray> m_document;
    NavigationResult m_result;
};

}  // namespace plimo
