#include "app/guarded_application.h"

#include "ui/handler_guard.h"

namespace plimo {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    Guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

}  // namespace plimo
