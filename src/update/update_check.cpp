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

    // An error status still brings a body, which is saved like any other; a failed transfer is no download.
    const int error = reply->error();
    const bool transferFailed = error != QNetworkReply::NoError && (error < 200 || (error >= 300 && error < 400));
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
    std::thread worker([&] {
        try {
            result = DownloadOnThisThread(address, file, timeLimit);
        } catch (...) {
            result = false;
        }
    });
    worker.join();
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
