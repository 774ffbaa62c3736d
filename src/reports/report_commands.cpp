#include "reports/report_commands.h"

#include "core/mdlFormulary.h"
#include "database/procedures.h"
#include "platform/app_error.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/panel_status_bar.h"
#include "platform/ui/wait_cursor.h"
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

void showReport(frmFormulary& window, int whatReport) {
    frmView viewer(&window);
    viewer.WhatReport = whatReport;
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
