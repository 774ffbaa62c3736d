#include "reports/report_commands.h"

#include "components/current_user/user_store.h"
#include "core/mdlFormulary.h"
#include "database/audit.h"
#include "database/procedures.h"
#include "platform/app_error.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/panel_status_bar.h"
#include "platform/ui/wait_cursor.h"
#include "reports/frmAuditRange.h"
#include "reports/frmView.h"
#include "tree/frmFormulary.h"

#include <QLabel>

namespace {

// The text is painted at once: the procedures that follow block the window.
void showStatus(frmFormulary& window, const QString& text) {
    QLabel& panel = window.staFormulary->Panels(1);
    panel.setText(text);
    panel.repaint();
}

void showReport(frmFormulary& window, int whatReport,
                std::shared_ptr<const report::Content> rows = {}, const QString& subtitle = {}) {
    frmView viewer(&window);
    viewer.WhatReport = whatReport;
    viewer.Rows = std::move(rows);
    viewer.Subtitle = subtitle;
    viewer.Form_Load();
    ui::showModal(viewer);
}

// Runs the two preparation procedures, then shows the report. An error keeps
// the status text of the step that failed and names the command as its source.
void showPreparedReport(frmFormulary& window, int whatReport, const QString& source) {
    try {
        {
            ui::WaitCursor wait;
            db::Connection& connection = mdlFormulary.objCurrentUser->sqlconnection();
            showStatus(window, QStringLiteral("Gathering Report Information..."));
            database::Formulary_NodeLevel(connection);
            showStatus(window, QStringLiteral("Generating Report..."));
            database::Formulary_Generate(connection);
            showStatus(window, QString());
        }
        showReport(window, whatReport);
    } catch (const AppError& error) {
        throw error.raisedFrom(source);
    }
}

// The Audit Trail's rows, in the fields its definition names.
std::shared_ptr<const report::Content> trailRows(const std::vector<database::audit::Line>& lines) {
    QStringList fields = {QStringLiteral("ChangedAt"),   QStringLiteral("Who"),
                          QStringLiteral("Workstation"), QStringLiteral("Action"),
                          QStringLiteral("EntryKind"),   QStringLiteral("EntryName"),
                          QStringLiteral("Before"),      QStringLiteral("After")};
    std::vector<QVariant> values;
    values.reserve(lines.size() * std::size_t(fields.size()));
    for (const database::audit::Line& line : lines)
        for (const QString& value :
             {database::audit::timeText(line.when), line.who, line.workstation, line.action,
              line.kind, line.name, line.before, line.after})
            values.emplace_back(value);
    return std::make_shared<const report::Content>(
        db::Recordset(std::move(fields), std::move(values)));
}

QStringList userNames(db::Connection& connection) {
    QStringList names;
    for (const current_user::UserRecord& user : current_user::listUsers(connection))
        names << user.username;
    return names;
}

} // namespace

void mnuFormularyReport_Click(frmFormulary& window) {
    showPreparedReport(window, 1, QStringLiteral("frmFormulary.mnuFormularyReport_Click_Err"));
}

void mnuDrugsWOGeneric_Click(frmFormulary& window) {
    showReport(window, 2);
}

void mnuDrugsWODetails_Click(frmFormulary& window) {
    showPreparedReport(window, 3, QStringLiteral("frmFormulary.mnuDrugsWODetails_Click_Err"));
}

void mnuAuditTrail_Click(frmFormulary& window) try {
    db::Connection& connection = mdlFormulary.objCurrentUser->sqlconnection();
    frmAuditRange range(&window);
    range.Form_Load(userNames(connection));
    if (ui::showModal(range) != QDialog::Accepted)
        return;
    std::shared_ptr<const report::Content> rows;
    {
        ui::WaitCursor wait;
        rows = trailRows(
            database::audit::trail(connection, range.since(), range.until(), range.user()));
    }
    showReport(window, 4, std::move(rows), range.rangeText());
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.mnuAuditTrail_Click"));
}
