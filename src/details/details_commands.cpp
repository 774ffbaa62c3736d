#include "details/details_commands.h"

#include "core/LoadUserSettings.h"
#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "details/frmDrugInformation.h"
#include "details/frmMedDetails.h"
#include "platform/app_error.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

#include <optional>

namespace {

// The generic name that the other details of the selected node belong to: the
// node itself, or for a drug the generic name it is under, as shown and
// still stored so (a node whose key now names another entry is refused).
std::optional<qint64> genericOfSelectedNode(frmFormulary& window) {
    QTreeWidgetItem* selected = window.treFormulary->currentItem();
    if (!selected || ui::KeyedTree::keyOf(selected) == RootKey || !window.stillShown(selected))
        return std::nullopt;
    formulary_data::NodeFormularyObject& node = mdlFormulary.objFormulary->NodeFormulary;
    if (node.node_type() == QLatin1String("3")) {
        selected = selected->parent();
        if (!selected || !window.stillShown(selected))
            return std::nullopt;
    }
    if (node.node_type() != QLatin1String("2"))
        return std::nullopt;
    return node.Node_ID();
}

} // namespace

void mnuOther_Click(frmFormulary& window) try {
    if (!Authorized(mdlFormulary.isOtherDetails))
        return;
    const std::optional<qint64> generic = genericOfSelectedNode(window);
    if (!generic)
        return;
    frmDrugInformation details(&window);
    details.setGenericID(QString::number(*generic));
    details.Form_Load();
    ui::showModal(details);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.mnuOther_Click"));
}

void treFormulary_DblClick(frmFormulary& window) try {
    const QTreeWidgetItem* selected = window.treFormulary->currentItem();
    if (!selected || selected->childCount() > 0)
        return;
    frmMedDetails details(&window);
    details.ItemName = selected->text(0);
    details.ItemCode = ui::KeyedTree::tagOf(selected);
    details.Form_Load();
    ui::showModal(details);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.treFormulary_DblClick"));
}
