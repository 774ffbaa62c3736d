#include "reports/report_window_fixture.h"

#include "core/mdlFormulary.h"
#include "platform/report/report.h"
#include "platform/ui/panel_status_bar.h"
#include "reports/frmView.h"
#include "tree/frmFormulary.h"

#include <QDialog>
#include <QLabel>

namespace report_window_test {

ScopedEnvironment::ScopedEnvironment(const char* name, const QString& value) : m_name(name) {
    if (qEnvironmentVariableIsSet(name))
        m_previous = qgetenv(name);
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value.toUtf8());
}

ScopedEnvironment::~ScopedEnvironment() {
    if (m_previous)
        qputenv(m_name, *m_previous);
    else
        qunsetenv(m_name);
}

void ReportWindowTest::SetUp() {
    LoggedInRunTest::SetUp();
    ASSERT_TRUE(files.isValid());
    m_profile = std::make_unique<ScopedEnvironment>("USERPROFILE", profile());
    formulary = std::make_unique<test_support::FormularyFixture>(database->target());
    Main();
    ASSERT_TRUE(mdlFormulary.objMainWindow);
}

void ReportWindowTest::TearDown() {
    formulary.reset();
    LoggedInRunTest::TearDown();
    m_profile.reset();
}

frmFormulary& ReportWindowTest::window() const {
    return *mdlFormulary.objMainWindow;
}

QLabel& ReportWindowTest::status() const {
    return window().staFormulary->Panels(1);
}

bool ReportWindowTest::openViewer(void (*command)(frmFormulary&),
                                  const std::function<void(frmView&)>& drive) {
    bool opened = false;
    script.onModal(QStringLiteral("frmView"), [&](QDialog& dialog) {
        opened = true;
        drive(static_cast<frmView&>(dialog));
    });
    command(window());
    return opened;
}

QString ReportWindowTest::cellsOf(report::Report& report) {
    const report::Content& content = *report.document()->content;
    QStringList cells;
    for (int row = 0; row < content.rowCount(); ++row)
        for (int field = 0; field < content.fieldCount(); ++field)
            cells << content.cell(row, field);
    return cells.join(QLatin1Char('\n'));
}

qint64 ReportWindowTest::preparedRows(const QString& table) {
    return conn
        ->query(QStringLiteral("SELECT COUNT(*) AS n FROM inventory.%1 WHERE session_id = ?")
                    .arg(table),
                {mdlFormulary.objCurrentUser->sqlconnection().sessionId()})
        .field(QStringLiteral("n"))
        .toLongLong();
}

} // namespace report_window_test
