#include "app/termination_signals.h"

namespace plimo {

// Windows ends a session through the session manager, which the application already follows.
void CloseOnTerminationSignals(QWidget*) {}

}  // namespace plimo
