#pragma once

namespace plimo {

// Off Windows there is no system code page: the program's is Windows-1251, the one its page markers are written
// in. Tests choose Windows-1252 to run as on a Western Windows. False, and no change, for any other code page.
bool ChooseAnsiCodePage(unsigned codePage);

}  // namespace plimo
