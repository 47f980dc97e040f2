#include "acquisition/settings/ui/FileDialogs.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

namespace zarn::ui {
namespace {

TEST(FileDialogs, HeaderFilterMatchesTheExtensionInEveryCase) {
    zarn::test::TempHome folder;
    for (const char* name : {"a.hed", "B.HED", "c.Hed", "d.hEd", "e.txt", "f.hedx", "hed"})
        folder.write(name, "x");
    // A case-sensitive listing, as on the file systems the logs come from.
    QDir dir(QString::fromStdString(folder.path().string()));
    dir.setFilter(QDir::Files | QDir::CaseSensitive);
    const QStringList found =
        dir.entryList({anyCasePattern(QStringLiteral("hed"))}, QDir::Files, QDir::Name);
    EXPECT_EQ(found, (QStringList{"B.HED", "a.hed", "c.Hed", "d.hEd"}));
    EXPECT_EQ(anyCaseFilter(QStringLiteral("ZARN File"), QStringLiteral("hed")),
              "ZARN File (*.[hH][eE][dD])");
}

} // namespace
} // namespace zarn::ui
