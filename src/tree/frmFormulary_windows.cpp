// The commands that open the other windows of the program.
#include "tree/frmFormulary.h"

#include "admin/user_settings_command.h"
#include "details/details_commands.h"
#include "editors/editor_commands.h"
#include "find/find_entry.h"
#include "help/help_commands.h"
#include "history/history_command.h"
#include "platform/ui/error_report.h"
#include "reports/report_commands.h"

#include <QAction>

void frmFormulary::connectCommandWindows() {
    const std::pair<QAction*, void (*)(frmFormulary&)> commands[] = {
        {mnuNewGeneric, &mnuNewGeneric_Click},
        {mnuNewDrug, &mnuNewDrug_Click},
        {mnuOther, &mnuOther_Click},
        {mnuGenericFiles, &mnuGenericFiles_Click},
        {mnuFindEntry, &mnuFindEntry_Click},
        {mnuUserSettings, &mnuUserSettings_Click},
        {mnuFormularyReport, &mnuFormularyReport_Click},
        {mnuDrugsWOGeneric, &mnuDrugsWOGeneric_Click},
        {mnuDrugsWODetails, &mnuDrugsWODetails_Click},
        {mnuHistory, &mnuHistory_Click},
        {mnuStatus, &mnuStatus_Click},
        {mnuAuditTrail, &mnuAuditTrail_Click},
        {mnuAbout, &mnuAbout_Click},
    };
    for (const auto& [item, command] : commands)
        connect(item, &QAction::triggered, this, ui::command([this, command] { command(*this); }));
    connect(this, &frmFormulary::nodeDoubleClicked, this,
            ui::command([this] { treFormulary_DblClick(*this); }));
}
