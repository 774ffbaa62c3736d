#include "reports/definition_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

} // namespace

// A definition beside the program wins; an installed program finds it in
// share/formulary/reports beside its bin folder.
TEST(ReportDefinitionFile, BesideTheProgramFirstThenTheInstalledDataFolder) {
    const struct {
        const char* name;
        bool beside;
        bool installed;
        const char* expected; // relative to the temporary root
    } cases[] = {
        {"beside only", true, false, "bin/X.rpt"},
        {"installed only", false, true, "share/formulary/reports/X.rpt"},
        {"both", true, true, "bin/X.rpt"},
        {"neither", false, false, "bin/X.rpt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        const QDir top(root.path());
        QDir().mkpath(top.filePath(QStringLiteral("bin")));
        if (c.beside)
            touch(top.filePath(QStringLiteral("bin/X.rpt")));
        if (c.installed)
            touch(top.filePath(QStringLiteral("share/formulary/reports/X.rpt")));
        EXPECT_EQ(
            reports::definitionFile(QStringLiteral("X.rpt"), top.filePath(QStringLiteral("bin"))),
            top.filePath(QLatin1String(c.expected)));
    }
}
