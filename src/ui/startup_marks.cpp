#include "ui/startup_marks.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

namespace plimo {
namespace {

Q_LOGGING_CATEGORY(lcStartup, "plimo.startup", QtWarningMsg)

}  // namespace

void StartupMark(const char* what) {
    static QElapsedTimer clock;
    if (!clock.isValid()) {
        clock.start();
    }
    qCDebug(lcStartup, "%8.2f ms  %s", static_cast<double>(clock.nsecsElapsed()) / 1e6, what);
}

}  // namespace plimo
