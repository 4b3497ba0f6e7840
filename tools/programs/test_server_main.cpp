// A stand-alone web server on 127.0.0.1 that answers every request with one page, or with a statistics page
// whose values move on every request, for trying the program without the real service, or with a hostile one: a
// page that inflates to gigabytes, or one that trickles in without end. It can also answer as the service does when
// things go wrong: the sign-in form for a refused password, an error status, a redirection elsewhere, or going away
// after some pages. Prints its address, then one line per request: method, target and the body, percent-encoded;
// and, when the client drops the trickle, "closed", its target and the seconds it lasted. As a proxy it refuses
// tunnels, or, given a certificate, opens every tunnel to itself and answers inside it over TLS.
#include "http_test_server.h"
#include "statistics_page.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTextStream>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

namespace {

enum class Trend { Rising, Falling, Alternating };

// "12,345": the page writes its counts with digit-group commas.
std::string Grouped(long value) {
    std::string digits = std::to_string(value);
    for (auto at = static_cast<long>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

// The values of the n-th answer (from 1): the day's counts grow; both changes are positive while rising and
// negative while falling, and alternating switches between the two on every answer.
plimo::test::StatisticsValues MovingValues(long n, Trend trend) {
    const bool rising = trend == Trend::Rising || (trend == Trend::Alternating && n % 2 == 1);
    const std::string sign = rising ? "+" : "-";
    return {Grouped(12'345 + 37 * n), Grouped(2'345 + 5 * n), sign + std::to_string(150 + n % 40),
            sign + std::to_string(20 + n % 9)};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Serves one page on 127.0.0.1 for a limited time."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port (0: any free one)."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption pageOption(QStringLiteral("page"), QStringLiteral("File with the page to serve."),
                                        QStringLiteral("file"));
    const QCommandLineOption lifetimeOption(QStringLiteral("lifetime"), QStringLiteral("Seconds before it stops."),
                                            QStringLiteral("seconds"), QStringLiteral("120"));
    const QCommandLineOption statisticsOption(
        QStringLiteral("statistics"),
        QStringLiteral("Serve a statistics page whose values change on every request; the changes are rising, "
                       "falling or alternating."),
        QStringLiteral("trend"));
    const QCommandLineOption serveOption(
        QStringLiteral("serve"), QStringLiteral("Answer requests for the path, on any host, with the file's bytes."),
        QStringLiteral("path=file"));
    const QCommandLineOption tunnelCertificateOption(
        QStringLiteral("tunnel-certificate"),
        QStringLiteral("Open CONNECT tunnels and speak TLS inside them with this certificate (PEM)."),
        QStringLiteral("file"));
    const QCommandLineOption tunnelKeyOption(QStringLiteral("tunnel-key"),
                                             QStringLiteral("The tunnel certificate's private key (PEM)."),
                                             QStringLiteral("file"));
    const QCommandLineOption bombOption(
        QStringLiteral("gzip-bomb"),
        QStringLiteral("Answer every request for the page with a gzip body of about a thousandth of the size that it "
                       "inflates to, in mebibytes."),
        QStringLiteral("mebibytes"));
    const QCommandLineOption trickleOption(
        QStringLiteral("trickle"),
        QStringLiteral("Answer the first request for the page with a body that never ends, one byte every so many "
                       "seconds; later requests as usual."),
        QStringLiteral("seconds"));
    const QCommandLineOption signInFormOption(
        QStringLiteral("sign-in-form"),
        QStringLiteral("Answer the page requests with the service's sign-in form, as for a wrong password."));
    const QCommandLineOption statusOption(
        QStringLiteral("status"), QStringLiteral("Answer the page requests with this HTTP status and a small page."),
        QStringLiteral("code"));
    const QCommandLineOption goneAfterOption(
        QStringLiteral("gone-after"),
        QStringLiteral("After this many answers to page requests, stop listening and close every connection."),
        QStringLiteral("answers"));
    const QCommandLineOption redirectOption(
        QStringLiteral("redirect"),
        QStringLiteral("Answer the page requests with a redirection (302) to this address."),
        QStringLiteral("address"));
    parser.addOptions({portOption, pageOption, lifetimeOption, statisticsOption, serveOption, tunnelCertificateOption,
                       tunnelKeyOption, bombOption, trickleOption, signInFormOption, statusOption, goneAfterOption,
                       redirectOption});
    parser.process(app);

    bool portOk = false;
    bool lifetimeOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    const int lifetime = parser.value(lifetimeOption).toInt(&lifetimeOk);
    if (!portOk || port > 65535 || !lifetimeOk || lifetime <= 0) {
        std::fprintf(stderr, "plimo_test_server: bad --port or --lifetime\n");
        return 2;
    }
    qint64 bombMebibytes = 0;
    if (parser.isSet(bombOption)) {
        bool ok = false;
        bombMebibytes = parser.value(bombOption).toLongLong(&ok);
        if (!ok || bombMebibytes <= 0 || bombMebibytes > 1024 * 1024) {
            std::fprintf(stderr, "plimo_test_server: --gzip-bomb takes mebibytes, 1 to 1048576\n");
            return 2;
        }
    }
    int trickleSeconds = 0;
    if (parser.isSet(trickleOption)) {
        bool ok = false;
        trickleSeconds = parser.value(trickleOption).toInt(&ok);
        if (!ok || trickleSeconds <= 0 || trickleSeconds > 3600) {
            std::fprintf(stderr, "plimo_test_server: --trickle takes seconds, 1 to 3600\n");
            return 2;
        }
    }
    int status = 0;
    if (parser.isSet(statusOption)) {
        bool ok = false;
        status = parser.value(statusOption).toInt(&ok);
        if (!ok || status < 200 || status > 599) {
            std::fprintf(stderr, "plimo_test_server: --status takes an HTTP status, 200 to 599\n");
            return 2;
        }
    }
    long goneAfter = 0;
    if (parser.isSet(goneAfterOption)) {
        bool ok = false;
        goneAfter = parser.value(goneAfterOption).toLong(&ok);
        if (!ok || goneAfter <= 0) {
            std::fprintf(stderr, "plimo_test_server: --gone-after takes a number of answers, 1 or more\n");
            return 2;
        }
    }
    const bool signInForm = parser.isSet(signInFormOption);
    const QByteArray redirect = parser.value(redirectOption).toUtf8();
    std::optional<Trend> trend;
    if (parser.isSet(statisticsOption)) {
        const QString name = parser.value(statisticsOption);
        if (name == QStringLiteral("rising")) {
            trend = Trend::Rising;
        } else if (name == QStringLiteral("falling")) {
            trend = Trend::Falling;
        } else if (name == QStringLiteral("alternating")) {
            trend = Trend::Alternating;
        } else {
            std::fprintf(stderr, "plimo_test_server: --statistics takes rising, falling or alternating\n");
            return 2;
        }
    }
    QByteArray page = "<html><body>plimo_test_server</body></html>";
    if (parser.isSet(pageOption)) {
        QFile file(parser.value(pageOption));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "plimo_test_server: cannot read %s\n", qPrintable(file.fileName()));
            return 2;
        }
        page = file.readAll();
    }

    const auto readFile = [](const QString& name) -> std::optional<QByteArray> {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "plimo_test_server: cannot read %s\n", qPrintable(name));
            return std::nullopt;
        }
        return file.readAll();
    };
    QHash<QByteArray, QByteArray> served;
    for (const QString& pair : parser.values(serveOption)) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals <= 0) {
            std::fprintf(stderr, "plimo_test_server: --serve takes path=file\n");
            return 2;
        }
        const std::optional<QByteArray> bytes = readFile(pair.mid(equals + 1));
        if (!bytes) {
            return 2;
        }
        served.insert(pair.left(equals).toUtf8(), *bytes);
    }

    QTextStream out(stdout);
    plimo::test::HttpTestServer::Options options;
    if (parser.isSet(tunnelCertificateOption) != parser.isSet(tunnelKeyOption)) {
        std::fprintf(stderr, "plimo_test_server: --tunnel-certificate and --tunnel-key go together\n");
        return 2;
    }
    if (parser.isSet(tunnelCertificateOption)) {
        const std::optional<QByteArray> certificate = readFile(parser.value(tunnelCertificateOption));
        const std::optional<QByteArray> key = readFile(parser.value(tunnelKeyOption));
        if (!certificate || !key) {
            return 2;
        }
        options.tunnelCertificate = QSslCertificate(*certificate);
        options.tunnelKey = QSslKey(*key, QSsl::Ec);
        if (options.tunnelKey.isNull()) {
            options.tunnelKey = QSslKey(*key, QSsl::Rsa);
        }
        if (options.tunnelCertificate.isNull() || options.tunnelKey.isNull()) {
            std::fprintf(stderr, "plimo_test_server: the tunnel certificate or key is not PEM\n");
            return 2;
        }
    }
    const bool tunnels = !options.tunnelCertificate.isNull();
    options.port = static_cast<quint16>(port);
    options.lifetime = std::chrono::seconds(lifetime);
    long answered = 0;  // statistics pages, whose values move with each
    long pageAnswers = 0;
    int trickled = 0;  // the connection of the trickling answer, once there is one
    QByteArray trickleTarget;
    QElapsedTimer trickleClock;
    plimo::test::HttpTestServer server(
        [&](const plimo::test::HttpRequest& request) {
            out << request.method << ' ' << request.target << ' ' << request.body.toPercentEncoding() << Qt::endl;
            if (request.method == "CONNECT") {
                // Without a certificate it opens no tunnels: https through it is refused at once, not left hanging.
                plimo::test::HttpResponse answer = plimo::test::HttpResponse::html("no tunnels");
                answer.status = 403;
                answer.tunnel = tunnels;
                return answer;
            }
            if (const auto file = served.constFind(request.path()); file != served.cend()) {
                return plimo::test::HttpResponse::html(*file, "text/plain");
            }
            if (bombMebibytes > 0) {
                return plimo::test::HttpResponse::bomb(bombMebibytes * 1024 * 1024);
            }
            if (trickleSeconds > 0 && !trickled) {
                trickled = request.connection;
                trickleTarget = request.target;
                trickleClock.start();
                return plimo::test::HttpResponse::trickle(std::chrono::seconds(trickleSeconds));
            }
            plimo::test::HttpResponse answer;
            if (!redirect.isEmpty()) {
                answer = plimo::test::HttpResponse::redirect(302, redirect);
            } else if (status != 0) {
                const QByteArray code = QByteArray::number(status);
                answer = plimo::test::HttpResponse::html("<html><head><meta charset=\"utf-8\"><title>" + code +
                                                         "</title></head><body><h1>" + code + "</h1></body></html>");
                answer.status = status;
            } else if (signInForm) {
                answer = plimo::test::HttpResponse::html(QByteArray::fromStdString(plimo::test::SignInPage()));
            } else if (trend) {
                const std::string moving = plimo::test::StatisticsPage(MovingValues(++answered, *trend));
                answer = plimo::test::HttpResponse::html(QByteArray::fromStdString(moving));
            } else {
                answer = plimo::test::HttpResponse::html(page);
            }
            // The next navigation finds nobody listening: refused, as when the service has gone away.
            answer.stopServer = goneAfter > 0 && ++pageAnswers >= goneAfter;
            return answer;
        },
        options);
    // When the client gives up on the trickle, the line says after how long: "closed", the target and the seconds.
    QObject::connect(&server, &plimo::test::HttpTestServer::connectionClosed, &app, [&](int connection) {
        if (trickled != 0 && connection == trickled) {
            out << "closed " << trickleTarget << ' ' << QString::number(trickleClock.elapsed() / 1000.0, 'f', 1)
                << Qt::endl;
        }
    });
    if (!server.isListening()) {
        std::fprintf(stderr, "plimo_test_server: cannot listen on port %u\n", port);
        return 1;
    }
    QTimer::singleShot(options.lifetime, &app, &QCoreApplication::quit);
    out << server.url() << Qt::endl;
    return app.exec();
}
