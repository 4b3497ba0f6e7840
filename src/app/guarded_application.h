#pragma once

#include <QApplication>

namespace plimo {

// The application whose event dispatch is the last guard: an exception that some handler let through shows the
// standard error box, as the handlers' own guard does, instead of ending the program inside Qt's event loop.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace plimo
