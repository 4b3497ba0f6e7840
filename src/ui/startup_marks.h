#pragma once

// A timeline of start-up for measurements. Off by default; Qt's logging rules switch it on
// (QT_LOGGING_RULES="plimo.startup.debug=true"), and each mark then prints the milliseconds since the first.
namespace plimo {

void StartupMark(const char* what);

}  // namespace plimo
