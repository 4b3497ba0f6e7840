#include "app/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace plimo {

QTranslator* InstallQtRussian(QCoreApplication& application, const QString& programFolder) {
    auto translator = std::make_unique<QTranslator>(&application);
    const QString name = QStringLiteral("qtbase_ru");
    for (const QString& folder : {QString(programFolder + QStringLiteral("/translations")),
                                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
        if (translator->load(name, folder) && QCoreApplication::installTranslator(translator.get())) {
            return translator.release();
        }
    }
    return nullptr;
}

}  // namespace plimo
