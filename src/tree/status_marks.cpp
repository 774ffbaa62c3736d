#include "tree/status_marks.h"

#include "core/artwork.h"
#include "platform/ui/keyed_tree.h"

namespace status_marks {

using database::formulary_status::Status;

namespace {

// The marks follow the statuses one for one.
artwork::TreeMark markOf(Status status) {
    return artwork::TreeMark(quint8(status));
}

} // namespace

void setUp(ui::KeyedTree& tree) {
    for (Status status :
         {Status::Restricted, Status::NonFormulary, Status::UnderReview, Status::Withdrawn})
        tree.setMarkedImageList(quint8(status), artwork::markedTreeImages(markOf(status)));
}

bool passesToDrugs(Status status) {
    return status == Status::NonFormulary || status == Status::Withdrawn;
}

void show(QTreeWidgetItem* node, Status status, const QString& restriction, bool fromGenericName) {
    ui::KeyedTree::setMark(node, quint8(status));
    if (status == Status::Formulary) {
        if (!node->toolTip(0).isEmpty())
            node->setToolTip(0, {});
        return;
    }
    QString tip = database::formulary_status::statusText(status, restriction);
    if (fromGenericName)
        tip += QStringLiteral(" (generic name)");
    node->setToolTip(0, tip);
}

Status shown(const QTreeWidgetItem* node) {
    return Status(ui::KeyedTree::markOf(node));
}

void showDrug(QTreeWidgetItem* drug, const QTreeWidgetItem* genericName, Status status,
              const QString& restriction) {
    if (genericName && passesToDrugs(shown(genericName)))
        show(drug, shown(genericName), {}, true);
    else
        show(drug, status, restriction);
}

} // namespace status_marks
