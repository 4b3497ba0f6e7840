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
    NavigationResult documentResult() const override { return m_result; }
    // The pending navigation produced this page (an answer with the status, or the engine's error page for a
    // failed result): it becomes the document, and the report is sent.
    void complete(const std::string& page, NavigationResult result = {false, 200, {}}) {
        m_document = QByteArray(page.data(), static_cast<qsizetype>(page.size()));
        m_hasDocument = true;
        m_result = std::move(result);
        emit navigateComplete(QString());
    }

    std::vector<std::pair<QString, QByteArray>> navigations;

private:
    QByteArray m_document;
    bool m_hasDocument = false;
    NavigationResult m_result;
};

}  // namespace plimo::test
