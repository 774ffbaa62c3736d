#pragma once

#include "core/logged_in_run.h"
#include "support/formulary_fixture.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class frmFormulary;
class frmView;

namespace report {
class Report;
}

namespace report_window_test {

// Sets an environment variable, or removes it for a null value, and puts back
// what was there before.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QString& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_previous;
};

// A logged-in run on the small formulary, with the main window open, and
// USERPROFILE pointing into the test's own folder.
class ReportWindowTest : public test_support::LoggedInRunTest {
protected:
    void SetUp() override;
    void TearDown() override;

    frmFormulary& window() const;
    QLabel& status() const;

    // Runs a report command; the viewer, when it opens, is handed to drive.
    // The export question is answered as queued on the script beforehand.
    // False when the viewer never opened.
    bool openViewer(void (*command)(frmFormulary&), const std::function<void(frmView&)>& drive);

    // Every cell the report read, one a line.
    static QString cellsOf(report::Report& report);

    // Rows the report preparation wrote for the run's session.
    qint64 preparedRows(const QString& table);

    QString path(const QString& name) const { return files.filePath(name); }
    // What USERPROFILE names during the test.
    QString profile() const { return path(QStringLiteral("profile")); }

    std::unique_ptr<test_support::FormularyFixture> formulary;
    QTemporaryDir files;

private:
    std::unique_ptr<ScopedEnvironment> m_profile;
};

} // namespace report_window_test
