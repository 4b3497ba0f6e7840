#pragma once

#include <QFontDatabase>
#include <QString>

namespace plimo::test {

// Tests that measure or look at drawn text were made with DejaVu Sans standing in for the program's fonts
// (Debian's fonts-dejavu-core, which tools/setup installs). Without it they skip, saying why:
//     if (!test::StandInFontInstalled()) GTEST_SKIP() << test::kNoStandInFont;
inline bool StandInFontInstalled() {
    return QFontDatabase::families().contains(QStringLiteral("DejaVu Sans"));
}

inline constexpr const char* kNoStandInFont =
    "needs the font DejaVu Sans (fonts-dejavu-core), which stands in for the program's fonts in these measures";

}  // namespace plimo::test
