#pragma once

#include "browser/browser_engine.h"

#include <QByteArray>
#include <QString>

#include <string>
#include <utility>
#include <vector>

namespace plimo::test {

// A browser whose navigations a test completes by hand, so that the order of reports and ticks is exact.
class FakeBrowser : public BrowserEngine {
    Q_OBJECT
public:
    void navigate(const QString& address, const QByteArray& postBody) override {
        navigations.emplace_back(address, postBody);
    }
    QByteArray documentSource() const override {
        if (!m_hasDocument) {
            throw NoDocumentError();
        }
        return m_document;
    }
    // The pending navigation produced this page: it becomes the document, and the report is sent.
    void complete(const std::string& page) {
        m_document = QByteArray(page.data(), static_cast<qsizetype>(page.size()));
        m_hasDocument = true;
        emit navigateComplete(QString());
    }

    std::vector<std::pair<QString, QByteArray>> navigations;

private:
    QByteArray m_document;
    bool m_hasDocument = false;
};

}  // namespace plimo::test
