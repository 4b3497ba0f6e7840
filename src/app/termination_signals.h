#pragma once

#include <QWidget>

namespace plimo {

// Termination requests from the system (SIGTERM, SIGHUP, SIGINT where they exist) close the panel the normal
// way, so that the settings are saved.
void CloseOnTerminationSignals(QWidget* panel);

}  // namespace plimo
