#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <stdexcept>

namespace plimo {

// Raised when the page source is asked for before any navigation has produced a document.
class NoDocumentError : public std::runtime_error {
public:
    NoDocumentError() : std::runtime_error("The browser holds no document yet") {}
};

// How the navigation whose document is current ended, as the engine itself knows it: the refresh cycle decides
// what the panel tells from this and the page, never by reading the engine's error page back.
struct NavigationResult {
    // True when no answer came (no such name, refused, TLS, time-out, cut, too large, a refused redirection, the
    // proxy): the document is then the engine's own error page.
    bool failed = false;
    // The answer's HTTP status, whatever it is (404 brings the server's own page as the document); 0 when none.
    int httpStatus = 0;
    // For a failure: why, in Russian, as a user reads it after "Нет связи с сервером статистики: ".
    QString failureReason;
};

// What the refresh cycle needs of a browser: post a body to an address, say when a navigation has produced a
// document, and hand over that document's source and how its navigation ended.
class BrowserEngine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~BrowserEngine() override = default;

    // Starts a navigation that posts the body to the address, and returns at once. A navigation still under way
    // is cancelled and reports nothing.
    virtual void navigate(const QString& address, const QByteArray& postBody) = 0;

    // The current document's source as UTF-8 bytes; throws NoDocumentError when there is none yet.
    virtual QByteArray documentSource() const = 0;

    // How the navigation of the current document ended; an empty result while there is no document.
    virtual NavigationResult documentResult() const = 0;

signals:
    // Sent on the UI thread each time a navigation has produced a document.
    void navigateComplete(const QString& url);
};

}  // namespace plimo
