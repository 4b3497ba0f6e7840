#pragma once

#include <QString>

class QCoreApplication;
class QTranslator;

namespace plimo {

// Installs Qt's own Russian texts (edit menus, the colour picker, the buttons of message boxes): every text of the
// program is Russian, whatever the system's locale. The copy shipped in the program's folder ("translations")
// comes first, then Qt's. Returns the installed translator, owned by the application, or null when none was found.
QTranslator* InstallQtRussian(QCoreApplication& application, const QString& programFolder);

}  // namespace plimo
