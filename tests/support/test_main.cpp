#include "platform/ui/error_report.h"
#include "platform/ui/script.h"
#include "support/test_database.h"

#include <QStandardPaths>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// After the summary too, where a reader of ctest's output looks last.
class PostgresSkippedWarning : public testing::EmptyTestEventListener {
    void OnTestProgramEnd(const testing::UnitTest&) override {
        test_support::warnIfPostgresSkipped();
    }
};

bool runByCi() {
    const QString ci = qEnvironmentVariable("CI").toLower();
    return ci == QLatin1String("true") || ci == QLatin1String("1");
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QStandardPaths::setTestModeEnabled(true);
    // The program's application, with its last net for errors in the event loop.
    ui::Application app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    // A dialog that a test did not script fails that test and is declined, so
    // that the executable's other tests still run.
    ui::Script::setDefaultUnscriptedHandler([](const QString& what) {
        ADD_FAILURE() << "Unscripted " << what.toStdString() << ": script it with ui::Script";
    });
    testing::UnitTest::GetInstance()->listeners().Append(new PostgresSkippedWarning);
    const int result = RUN_ALL_TESTS();
    if (runByCi() && test_support::postgresSkipped()) {
        std::fputs("*** FAILED: CI runs every test on PostgreSQL too; start a server with "
                   "scripts/test ***\n",
                   stderr);
        return 1;
    }
    return result;
}
