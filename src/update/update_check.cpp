#include "update/update_check.h"

#include "browser/reply_failure.h"
#include "browser/system_proxy.h"
#include "platform/atomic_file.h"
#include "platform/module_path.h"
#include "platform/profile.h"
#include "update/version_text.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
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
    return error != QNetworkReply::NoError &&
           !IsStatusOnlyFailure(error, reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
}

using Clock = std::chrono::steady_clock;

// Runs on a thread of its own with its own event loop, so that the UI thread only waits and dispatches nothing.
// The body stays in memory (it is at most the size limit): a refused download leaves nothing behind.
std::optional<std::string> DownloadOnThisThread(const std::string& address, Clock::time_point deadline) {
    QEventLoop loop;
    QTimer timeLimit;
    timeLimit.setSingleShot(true);
    bool timedOut = false;
    // Started before anything else, so that the name lookup and the connection count too; ended a moment before
    // the deadline, so that the waiting thread has the result by then.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - kWorkerGrace - Clock::now());
    if (left.count() <= 0) {
        return std::nullopt;
    }
    timeLimit.start(left);

    QNetworkAccessManager manager;
    // Looked up here, on the worker thread, as the browser engine looks its proxies up off the UI thread.
    manager.setProxyFactory(new SystemProxyFactory);
    QNetworkRequest request(QUrl(QString::fromLocal8Bit(address.data(), static_cast<qsizetype>(address.size()))));
    const std::string agent = ModulePath().filename().string();
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QString::fromLocal8Bit(agent.data(), static_cast<qsizetype>(agent.size())));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // Qt inflates a compressed answer ahead of the reads to count it; past the size limit it stops there.
    request.setDecompressedSafetyCheckThreshold(kDownloadSizeLimit);

    QByteArray body;
    bool tooLarge = false;
    QNetworkReply* reply = manager.get(request);
    auto take = [&] {
        body += reply->read(kDownloadSizeLimit + 1 - body.size());
        if (body.size() > kDownloadSizeLimit) {
            tooLarge = true;
            reply->abort();
        }
    };

    QObject::connect(&timeLimit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        while (!tooLarge && reply->bytesAvailable() > 0) {
            take();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) {
        loop.exec();
    }

    const bool transferFailed = IsTransferFailure(reply);
    if (!timedOut && !transferFailed && !tooLarge) {
        do {
            take();
        } while (!tooLarge && reply->bytesAvailable() > 0);
    }
    delete reply;
    if (timedOut || transferFailed || tooLarge) {
        return std::nullopt;
    }
    return body.toStdString();
}

// What the worker and the waiting thread share; it outlives whichever of them ends last.
struct DownloadJob {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::optional<std::string> result;
};

std::optional<std::string> DownloadUntil(const std::string& address, Clock::time_point deadline) {
    auto job = std::make_shared<DownloadJob>();
    try {
        std::thread worker([job, address, deadline] {
            std::optional<std::string> result;
            try {
                result = DownloadOnThisThread(address, deadline);
            } catch (...) {
                result.reset();
            }
            const std::lock_guard lock(job->mutex);
            job->done = true;
            job->result = std::move(result);
            job->finished.notify_all();
        });
        std::unique_lock lock(job->mutex);
        // The worker ends itself at the deadline; should anything in it block past that, the UI does not wait for
        // it: it is left to finish on its own, and what it brings is dropped.
        if (!job->finished.wait_until(lock, deadline, [&] { return job->done; })) {
            lock.unlock();
            worker.detach();
            return std::nullopt;
        }
        lock.unlock();
        worker.join();
        return std::move(job->result);
    } catch (const std::system_error&) {
        return std::nullopt;  // no thread to download on
    }
}

// The file is written only once the whole body has come and been accepted, and then at once: never a part of it.
bool DownloadUntil(const std::string& address, const std::filesystem::path& file, Clock::time_point deadline) {
    const std::optional<std::string> body = DownloadUntil(address, deadline);
    return body && ReplaceFileContents(file, *body, NewFileReaders::Everyone);
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
