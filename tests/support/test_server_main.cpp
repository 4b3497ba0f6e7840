// A stand-alone web server on 127.0.0.1 that answers every request with one page, for trying the program
// against a statistics page without the real service. Prints its address, then one line per request.
#include "http_test_server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <chrono>
#include <cstdio>

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
    parser.addOptions({portOption, pageOption, lifetimeOption});
    parser.process(app);

    bool portOk = false;
    bool lifetimeOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    const int lifetime = parser.value(lifetimeOption).toInt(&lifetimeOk);
    if (!portOk || port > 65535 || !lifetimeOk || lifetime <= 0) {
        std::fprintf(stderr, "plimo_test_server: bad --port or --lifetime\n");
        return 2;
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

    QTextStream out(stdout);
    plimo::test::HttpTestServer::Options options;
    options.port = static_cast<quint16>(port);
    options.lifetime = std::chrono::seconds(lifetime);
    plimo::test::HttpTestServer server(
        [&](const plimo::test::HttpRequest& request) {
            out << request.method << ' ' << request.target << ' ' << request.body.toPercentEncoding() << Qt::endl;
            return plimo::test::HttpResponse::html(page);
        },
        options);
    if (!server.isListening()) {
        std::fprintf(stderr, "plimo_test_server: cannot listen on port %u\n", port);
        return 1;
    }
    QTimer::singleShot(options.lifetime, &app, &QCoreApplication::quit);
    out << server.url() << Qt::endl;
    return app.exec();
}
