#include "editors/editor_commands.h"

#include "core/LoadUserSettings.h"
#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "editors/editor_support.h"
#include "editors/frmDrugList.h"
#include "editors/frmGeneric.h"
#include "editors/frmList.h"
#include "platform/app_error.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/keyed_tree.h"
#include "platform/ui/panel_status_bar.h"
#include "tree/frmFormulary.h"

#include <QLabel>

namespace {

// True when the stored tree has the selected node as a node of that type;
// the component's node lookup then describes it.
bool selectedNodeIs(frmFormulary& main, const QString& nodeType) {
    QTreeWidgetItem* selected = main.treFormulary->currentItem();
    return selected && ui::KeyedTree::keyOf(selected) != RootKey && main.stillShown(selected) &&
           mdlFormulary.objFormulary->NodeFormulary.node_type() == nodeType;
}

// The editor shown while the status line says what it loads; the selected
// node opened afterwards when it now has children.
void showEditor(frmFormulary& main, QDialog& editor, const QString& status) {
    main.staFormulary->Panels(1).setText(status);
    ui::showModal(editor);
    main.staFormulary->Panels(1).setText(QString());
    if (QTreeWidgetItem* selected = main.treFormulary->currentItem();
        selected && selected->childCount() > 0)
        selected->setExpanded(true);
}

} // namespace

void mnuGenericFiles_Click(frmFormulary& main) try {
    frmGeneric window(&main);
    ui::showModal(window);
    if (window.Update())
        window.RelabelTree(*main.treFormulary);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.mnuGenericFiles_Click"));
}

void mnuNewGeneric_Click(frmFormulary& main) try {
    if (!Authorized(mdlFormulary.isGeneric) || !selectedNodeIs(main, QStringLiteral("1")))
        return;
    const auto& node = mdlFormulary.objFormulary->NodeFormulary;
    frmList window(&main);
    window.ItemID = node.Node_ID();
    window.ClassificationName = node.NameOfNode().trimmed();
    window.treList = main.treFormulary;
    showEditor(main, window, QStringLiteral("Loading Generic Names List..."));
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.mnuNewGeneric_Click"));
}

void mnuNewDrug_Click(frmFormulary& main) try {
    if (!Authorized(mdlFormulary.isDrug) || !selectedNodeIs(main, QStringLiteral("2")))
        return;
    const auto& node = mdlFormulary.objFormulary->NodeFormulary;
    frmDrugList window(&main);
    window.GenericID = node.Node_ID();
    window.GenericName = node.NameOfNode().trimmed();
    window.treList = main.treFormulary;
    showEditor(main, window, QStringLiteral("Loading Drug List..."));
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.mnuNewDrug_Click"));
}
