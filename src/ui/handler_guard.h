#pragma once

#include "ui/dialogs.h"

#include <QObject>

#include <exception>
#include <utility>

namespace plimo {

// Runs one event handler; an exception it raises ends it and is shown in the standard error box, so that none
// reaches Qt's event loop.
template <typename Handler>
void Guarded(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& error) {
        ShowErrorBox(error.what());
    } catch (...) {
        ShowErrorBox("Unknown error");
    }
}

// Connects the signal to a handler of the receiver that runs through Guarded.
template <typename Sender, typename Signal, typename Receiver>
QMetaObject::Connection ConnectGuarded(Sender* sender, Signal signal, Receiver* receiver, void (Receiver::*handler)()) {
    return QObject::connect(sender, signal, receiver,
                            [receiver, handler] { Guarded([&] { (receiver->*handler)(); }); });
}

}  // namespace plimo
