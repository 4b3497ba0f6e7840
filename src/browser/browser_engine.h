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

// What the refresh cycle needs of a browser: post a body to an address, say when a navigation has produced a
// document, and hand over that document's source.
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

signals:
    // Sent on the UI thread each time a navigation has produced a document.
    void navigateComplete(const QString& url);
};

}  // namespace plimo
