#include "find/find_entry.h"

#include "core/mdlFormulary.h"
#include "find/frmFind.h"
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

QStringList TracedPath(db::Connection& connection) {
    // Keys sort byte by byte on both engines, and a key begins with its
    // parent's key, so every ancestor comes before its descendants.
    db::Recordset rs = connection.query(
        QStringLiteral("SELECT Node_Key FROM inventory.tbForTraceParent WHERE session_id = ?"
                       " ORDER BY Node_Key"),
        {connection.sessionId()});
    QStringList keys;
    for (; !rs.eof(); rs.moveNext())
        keys << rs.text(QStringLiteral("Node_Key"));
    return keys;
}

void OpenTracedPath(frmFormulary& window) {
    ui::KeyedTree& tree = *window.treFormulary;
    for (const QString& key : TracedPath(mdlFormulary.objCurrentUser->sqlconnection())) {
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
}
