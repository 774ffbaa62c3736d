#include "details/details_commands.h"

#include "core/LoadUserSettings.h"
#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "details/frmDrugInformation.h"
#include "details/frmFormularyStatus.h"
#include "details/frmMedDetails.h"
#include "platform/app_error.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"
#include "tree/status_marks.h"

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

using database::formulary_status::Status;

// The drugs under a generic name show its status or their own.
void showDrugsOf(QTreeWidgetItem* genericName, db::Connection& c) {
    for (int i = 0; i < genericName->childCount(); ++i) {
        QTreeWidgetItem* drug = genericName->child(i);
        const database::formulary_status::Decision own =
            database::formulary_status::read(c, database::Entry::Drug, ui::KeyedTree::tagOf(drug));
        status_marks::showDrug(drug, genericName, own.status, own.restriction);
    }
}

// The generic name's status the drug shows instead of its own, if any.
QString inheritedStatus(const QTreeWidgetItem* drug) {
    const QTreeWidgetItem* generic = drug->parent();
    if (!generic || !status_marks::passesToDrugs(status_marks::shown(generic)))
        return {};
    return database::formulary_status::statusWord(status_marks::shown(generic));
}

} // namespace

void mnuStatus_Click(frmFormulary& window) try {
    QTreeWidgetItem* selected = window.treFormulary->currentItem();
    if (!selected || ui::KeyedTree::keyOf(selected) == RootKey || !window.stillShown(selected))
        return;
    const database::NodeIdentity shown = mdlFormulary.objFormulary->NodeFormulary.Identity();
    const bool generic = shown.type == database::NodeKind::Generic;
    if (!generic && shown.type != database::NodeKind::Drug)
        return;
    const bool mayChange =
        !MayOnlyLook() && (generic ? mdlFormulary.isGeneric : mdlFormulary.isDrug);
    frmFormularyStatus status(&window);
    status.Form_Load(shown, selected->text(0), mayChange,
                     generic ? QString() : inheritedStatus(selected));
    if (ui::showModal(status) != QDialog::Accepted)
        return;
    const database::formulary_status::Decision saved = status.decision();
    if (generic) {
        status_marks::show(selected, saved.status, saved.restriction);
        showDrugsOf(selected, mdlFormulary.objCurrentUser->sqlconnection());
    } else {
        status_marks::showDrug(selected, selected->parent(), saved.status, saved.restriction);
    }
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.mnuStatus_Click"));
}

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
