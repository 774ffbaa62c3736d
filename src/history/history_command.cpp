#include "history/history_command.h"

#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "history/frmHistory.h"
#include "platform/app_error.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

namespace {

// The audit follows the entry a node shows, not the node.
database::Entry entryOf(database::NodeKind kind) {
    switch (kind) {
    case database::NodeKind::Classification:
        return database::Entry::Classification;
    case database::NodeKind::Generic:
        return database::Entry::GenericName;
    default:
        return database::Entry::Drug;
    }
}

} // namespace

void mnuHistory_Click(frmFormulary& window) try {
    QTreeWidgetItem* selected = window.treFormulary->currentItem();
    if (!selected || ui::KeyedTree::keyOf(selected) == RootKey || !window.stillShown(selected))
        return;
    // stillShown looked the node up: this is the entry it names now.
    const database::NodeIdentity shown = mdlFormulary.objFormulary->NodeFormulary.Identity();
    frmHistory history(&window);
    history.Form_Load(entryOf(shown.type), shown.id, selected->text(0));
    ui::showModal(history);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.mnuHistory_Click"));
}
