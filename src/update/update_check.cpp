#include "update/update_check.h"

#include "platform/module_path.h"
#include "platform/profile.h"
#include "update/version_text.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <system_error>
#include <thread>

namespace plimo {
namespace {

// An answer whose only fault is its HTTP status (404, 400, 500 ...) still brings a body, which is saved like any
// other; a connection, proxy or protocol failure is no download.
bool IsTransferFailure(QNetworkReply* reply) {
    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::NoError) {
        return false;
    }
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() < 400) {
        return true;
    }
    // The codes Qt gives for a status of 400 or more.
    const bool statusOnly = (error > 200 && error < 300) || (error > 400 && error < 500) ||
                            error == QNetworkReply::ProtocolInvalidOperationError ||
                            error == QNetworkReply::ProxyAuthenticationRequiredError;
    return !statusOnly;
}

// Runs on a thread of its own with its own event loop, so that the UI thread only waits and dispatches nothing.
bool DownloadOnThisThread(const std::string& address, const std::filesystem::path& file,
                          std::chrono::milliseconds timeLimit) {
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(QString::fromLocal8Bit(address.data(), static_cast<qsizetype>(address.size()))));
    const std::string agent = ModulePath().filename().string();
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QString::fromLocal8Bit(agent.data(), static_cast<qsizetype>(agent.size())));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);

    QFile target(QString::fromStdU16String(file.u16string()));
    bool writeFailed = false;
    auto save = [&](QNetworkReply* reply) {
        if (!target.isOpen() && !target.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            writeFailed = true;
        }
        const QByteArray bytes = reply->readAll();
        if (!writeFailed && target.write(bytes) != bytes.size()) {
            writeFailed = true;
        }
    };

    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] { save(reply); });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(static_cast<int>(timeLimit.count()));
    if (!reply->isFinished()) {
        loop.exec();
    }

    const bool transferFailed = IsTransferFailure(reply);
    if (!timedOut && !transferFailed) {
        save(reply);
    }
    delete reply;
    const bool flushed = target.isOpen() && target.flush();
    target.close();
    return !timedOut && !transferFailed && !writeFailed && flushed;
}

}  // namespace

bool DownloadFile(const std::string& address, const std::filesystem::path& file, std::chrono::milliseconds timeLimit) {
    bool result = false;
    try {
        std::thread worker([&] {
            try {
                result = DownloadOnThisThread(address, file, timeLimit);
            } catch (...) {
                result = false;
            }
        });
        worker.join();
    } catch (const std::system_error&) {
        return false;  // no thread to download on
    }
    return result;
}

bool CheckNewVersion(const std::string& address, const std::filesystem::path& localCopy,
                     std::chrono::milliseconds timeLimit) {
    std::error_code ignored;
    std::filesystem::remove(localCopy, ignored);
    if (!DownloadFile(address, localCopy, timeLimit)) {
        return false;
    }
    std::string version;
    try {
        version = ProfileFile(localCopy).read("VER_INFO", "current_version", "");
    } catch (...) {
        return false;
    }
    return IsNewerVersion(version);
}

}  // namespace plimo
