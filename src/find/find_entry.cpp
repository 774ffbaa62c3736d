#include "find/find_entry.h"

#include "core/mdlFormulary.h"
#include "database/procedures.h"
#include "find/frmFind.h"
#include "platform/app_error.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

namespace {

// One find window for the run, so that FindNode outlives each opening.
frmFind& findWindow(frmFormulary& window) {
    if (auto* existing = window.findChild<frmFind*>(QString(), Qt::FindDirectChildrenOnly))
        return *existing;
    return *new frmFind(&window); // owned by the main window
}

} // namespace

void mnuFindEntry_Click(frmFormulary& window) {
    frmFind& find = findWindow(window);
    find.Form_Load();
    ui::showModal(find);
    if (find.FindNode)
        OpenTracedPath(window);
}

void OpenTracedPath(frmFormulary& window) try {
    ui::KeyedTree& tree = *window.treFormulary;
    for (const QString& key : database::TracedPath(mdlFormulary.objCurrentUser->sqlconnection())) {
        QTreeWidgetItem* node = tree.node(key);
        if (!node)
            continue; // not in the tree: nothing to open
        tree.setCurrentItem(node);
        if (node->isExpanded())
            continue;
        if (node->childCount() == 0)
            window.treFormulary_NodeClick(node);
        node->setExpanded(true);
    }
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.OpenTracedPath"));
}
