#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QString>
#include <QTcpServer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <utility>

namespace plimo::test {

using HeaderList = QList<std::pair<QByteArray, QByteArray>>;

// One request as the server received it.
struct HttpRequest {
    QByteArray method;
    QByteArray target;  // path and query, exactly as on the request line
    QByteArray version;
    HeaderList headers;  // in the order received
    QByteArray body;     // exactly the bytes received (chunked bodies joined)
    int connection = 0;  // serial number of the connection it came on, from 1

    // The first value of a header (name without regard to case); a null array when absent.
    QByteArray header(QByteArrayView name) const;
    bool hasHeader(QByteArrayView name) const;
    QByteArray path() const;  // target without the query
};

// What the server answers, and how.
struct HttpResponse {
    int status = 200;
    HeaderList headers;  // sent as given; Content-Length is added unless present here or chunked is set
    QByteArray body;
    int bodyRepeat = 1;  // the body is sent this many times over, so large answers need not be held

    std::chrono::milliseconds delay{0};  // wait before the status line
    bool neverAnswer = false;            // read the request, then stay silent with the connection open
    bool gzip = false;                   // compress the body and say so in Content-Encoding
    // When set, the body is this many zero bytes, gzip-compressed as it is sent: about a thousandth of that goes
    // on the wire, and no copy of the whole is made on either form. body, bodyRepeat and gzip do not apply.
    qint64 gzipBomb = 0;
    bool chunked = false;                          // chunked transfer instead of Content-Length
    qint64 cutAfter = -1;                          // close the connection after this many body bytes on the wire
    qint64 trickleBytes = 0;                       // when set, send the body this many bytes at a time ...
    std::chrono::milliseconds trickleInterval{0};  // ... with this pause between the pieces
    bool closeConnection = false;                  // answer with Connection: close and close afterwards
    // The server's last answer: from now on no connection is accepted, and once this answer has gone out whole,
    // every connection closes (this one as closeConnection does), as when a service goes away.
    bool stopServer = false;
    // The answer to a CONNECT: "200" alone, after which the connection speaks TLS as the server with the tunnel
    // certificate (Options), as if the proxy had reached the host. The other fields do not apply.
    bool tunnel = false;

    HttpResponse& header(QByteArray name, QByteArray value);

    static HttpResponse html(QByteArray body, QByteArray contentType = "text/html; charset=utf-8");
    static HttpResponse redirect(int status, QByteArray location);
    static HttpResponse silence();
    // A gzip body of the given size when inflated, and small on the wire.
    static HttpResponse bomb(qint64 inflatedBytes, QByteArray contentType = "text/html; charset=utf-8");
    // The body's bytes one at a time with the pause between them, without end (chunked, with no length announced).
    static HttpResponse trickle(std::chrono::milliseconds interval);
};

// An HTTP/1.1 server on 127.0.0.1 for tests: each request goes to the handler, whose answer is sent back with
// the behaviour it asks for. Keeps a record of every request. Stops itself after its lifetime, so that a test
// that forgets it cannot leave it running.
class HttpTestServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;
    struct Options {
        bool tls = false;  // https with the certificate of testCertificate()
        std::chrono::milliseconds lifetime = std::chrono::seconds(120);
        quint16 port = 0;  // 0 lets the system choose
        // What a tunnel (HttpResponse::tunnel) presents, a certificate for the host the client asked for; without
        // one, no tunnel is opened.
        QSslCertificate tunnelCertificate{};
        QSslKey tunnelKey{};
    };

    explicit HttpTestServer(Handler handler = {}, QObject* parent = nullptr);
    HttpTestServer(Handler handler, Options options, QObject* parent = nullptr);
    ~HttpTestServer() override;

    bool isListening() const { return m_listener->isListening(); }
    quint16 port() const { return m_listener->serverPort(); }
    // "http://127.0.0.1:<port>" (or https) followed by the path.
    QString url(QStringView pathAndQuery = u"/") const;

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    const QList<HttpRequest>& requests() const { return m_requests; }
    int connectionCount() const { return m_connectionCount; }
    int openConnections() const { return m_openConnections; }

    // Closes the listener and every connection.
    void stop();

    // A self-signed certificate for 127.0.0.1 and localhost, and its key.
    static QSslCertificate testCertificate();
    static QSslKey testKey();

signals:
    void requestReceived();
    void connectionClosed(int connection);  // its serial number, as in HttpRequest::connection

private:
    class Listener;
    class Connection;
    friend class Connection;

    HttpResponse answer(const HttpRequest& request);
    // Stops as stop() does, but for the connection given, which closes by itself once its answer is out.
    void stopAllBut(const Connection* last);

    Handler m_handler;
    Options m_options;
    QTcpServer* m_listener;  // a Listener
    QTimer m_lifetime;
    QList<HttpRequest> m_requests;
    int m_connectionCount = 0;
    int m_openConnections = 0;
};

// Makes the test certificate trusted for TLS connections made while it lives.
class TrustTestCertificate {
public:
    TrustTestCertificate();
    ~TrustTestCertificate();
    TrustTestCertificate(const TrustTestCertificate&) = delete;
    TrustTestCertificate& operator=(const TrustTestCertificate&) = delete;

private:
    QSslConfiguration m_previous;
};

}  // namespace plimo::test
