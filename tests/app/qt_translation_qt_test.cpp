#include "app/qt_translation.h"
#include "temp_dir.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

namespace plimo {
namespace {

// The texts of an edit's context menu, without their accelerator marks.
QStringList ContextMenuTexts() {
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            texts << action->text().remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0);
        }
    }
    return texts;
}

TEST(QtTranslation, AnEditsContextMenuReadsInRussianWhateverTheLocale) {
#ifdef _WIN32
    GTEST_SKIP() << "the Qt for Windows built here has no translations of its own; plimo.exe reads the copy beside it";
#endif
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(ContextMenuTexts().contains(QStringLiteral("Paste")));
    test::TempDir folder;  // no copy of its own: Qt's is used
    QTranslator* translator =
        InstallQtRussian(*QCoreApplication::instance(), QString::fromStdU16String(folder.path().u16string()));
    ASSERT_NE(translator, nullptr) << "qtbase_ru.qm is missing (Debian's qt6-translations-l10n)";
    const QStringList texts = ContextMenuTexts();
    QCoreApplication::removeTranslator(translator);
    delete translator;
    QLocale::setDefault(QLocale::system());
    EXPECT_TRUE(texts.contains(QStringLiteral("Вставить"))) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(texts.contains(QStringLiteral("Paste")));
    EXPECT_FALSE(texts.contains(QStringLiteral("Undo")));
}

}  // namespace
}  // namespace plimo
