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

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace plimo {
namespace {

// How long before the deadline the worker stops, so that it can report in time.
constexpr std::chrono::milliseconds kWorkerGrace{100};

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

using Clock = std::chrono::steady_clock;

// Runs on a thread of its own with its own event loop, so that the UI thread only waits and dispatches nothing.
bool DownloadOnThisThread(const std::string& address, const std::filesystem::path& file, Clock::time_point deadline) {
    QEventLoop loop;
    QTimer timeLimit;
    timeLimit.setSingleShot(true);
    bool timedOut = false;
    // Started before anything else, so that the name lookup and the connection count too; ended a moment before
    // the deadline, so that the waiting thread has the result by then.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - kWorkerGrace - Clock::now());
    if (left.count() <= 0) {
        return false;
    }
    timeLimit.start(left);

    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(QString::fromLocal8Bit(address.data(), static_cast<qsizetype>(address.size()))));
    const std::string agent = ModulePath().filename().string();
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QString::fromLocal8Bit(agent.data(), static_cast<qsizetype>(agent.size())));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);

    QFile target(QString::fromStdU16String(file.u16string()));
    bool writeFailed = false;
    bool tooLarge = false;
    qint64 written = 0;
    QNetworkReply* reply = manager.get(request);
    auto save = [&] {
        if (!target.isOpen() && !target.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            writeFailed = true;
        }
        const QByteArray bytes = reply->read(kDownloadSizeLimit + 1 - written);
        if (written + bytes.size() > kDownloadSizeLimit) {
            tooLarge = true;
            reply->abort();
            return;
        }
        if (!writeFailed && target.write(bytes) != bytes.size()) {
            writeFailed = true;
        }
        written += bytes.size();
    };

    QObject::connect(&timeLimit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        while (!tooLarge && reply->bytesAvailable() > 0) {
            save();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) {
        loop.exec();
    }

    const bool transferFailed = IsTransferFailure(reply);
    if (!timedOut && !transferFailed && !tooLarge) {
        do {
            save();
        } while (!tooLarge && reply->bytesAvailable() > 0);
    }
    delete reply;
    const bool flushed = target.isOpen() && target.flush();
    target.close();
    return !timedOut && !transferFailed && !tooLarge && !writeFailed && flushed;
}

// What the worker and the waiting thread share; it outlives whichever of them ends last.
struct DownloadJob {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool result = false;
};

bool DownloadUntil(const std::string& address, const std::filesystem::path& file, Clock::time_point deadline) {
    auto job = std::make_shared<DownloadJob>();
    try {
        std::thread worker([job, address, file, deadline] {
            bool result = false;
            try {
                result = DownloadOnThisThread(address, file, deadline);
            } catch (...) {
                result = false;
            }
            const std::lock_guard lock(job->mutex);
            job->done = true;
            job->result = result;
            job->finished.notify_all();
        });
        std::unique_lock lock(job->mutex);
        // The worker ends itself at the deadline; should anything in it block past that, the UI does not wait for
        // it: it is left to finish on its own.
        if (!job->finished.wait_until(lock, deadline, [&] { return job->done; })) {
            lock.unlock();
            worker.detach();
            return false;
        }
        lock.unlock();
        worker.join();
        return job->result;
    } catch (const std::system_error&) {
        return false;  // no thread to download on
    }
}

}  // namespace

bool DownloadFile(const std::string& address, const std::filesystem::path& file, std::chrono::milliseconds timeLimit) {
    return DownloadUntil(address, file, Clock::now() + timeLimit);
}

bool CheckNewVersion(const std::string& address, const std::filesystem::path& localCopy,
                     std::chrono::milliseconds timeLimit) {
    const Clock::time_point deadline = Clock::now() + timeLimit;
    std::error_code ignored;
    std::filesystem::remove(localCopy, ignored);
    if (!DownloadUntil(address, localCopy, deadline)) {
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
