// The main window's load and the tree loader.

#include "tree/frmFormulary.h"

#include "core/LoadUserSettings.h"
#include "core/frmLoad.h"
#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "database/hospital.h"
#include "database/procedures.h"
#include "platform/app_error.h"
#include "platform/ui/keyed_tree.h"
#include "platform/ui/panel_status_bar.h"
#include "platform/ui/wait_cursor.h"
#include "tree/status_marks.h"

#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QToolBar>

namespace {

// Where the fields of a tree row are, looked up once per load.
struct TreeColumns {
    TreeColumns(const db::Recordset& rs, const QString& ParentNode)
        : loadedParent(ParentNode.trimmed()), type(rs.fieldIndex(QStringLiteral("node_type"))),
          key(rs.fieldIndex(QStringLiteral("Node_Key"))),
          parent(rs.fieldIndex(QStringLiteral("Node_Parent"))),
          classification(rs.fieldIndex(QStringLiteral("ClassificationName"))),
          generic(rs.fieldIndex(QStringLiteral("GenericName"))),
          drug(rs.fieldIndex(QStringLiteral("DrugName"))),
          itemId(rs.fieldIndex(QStringLiteral("ItemID"))),
          entryId(rs.fieldIndex(QStringLiteral("EntryID"))),
          status(rs.fieldIndex(QStringLiteral("FormularyStatus"))) {}

    // The column holding the node's text for its type; -1 for an unknown type.
    int nameFor(const QString& nodeType) const {
        if (nodeType == QLatin1String("1"))
            return classification;
        if (nodeType == QLatin1String("2"))
            return generic;
        if (nodeType == QLatin1String("3"))
            return drug;
        return -1;
    }

    QString loadedParent;
    int type, key, parent, classification, generic, drug, itemId, entryId, status;
};

// Adds handed to the view per parent when the load ends, also when it fails.
class TreeBatch {
public:
    TreeBatch(ui::KeyedTree& tree, int expected) : m_tree(tree) { m_tree.beginBatch(expected); }
    ~TreeBatch() { m_tree.endBatch(); }
    TreeBatch(const TreeBatch&) = delete;
    TreeBatch& operator=(const TreeBatch&) = delete;

private:
    ui::KeyedTree& m_tree;
};

QString progressTitle(const QString& ParentNode, const QString& Title) {
    if (ParentNode != RootKey)
        return QStringLiteral("Loading ") + Title;
    return Title.isEmpty() ? QStringLiteral("Loading All Classifications...") : Title;
}

// Shown for an entry stored without a name, so that it can still be renamed
// or deleted.
const QString NoNamePlaceholder = QStringLiteral("(no name)");

using database::formulary_status::Status;

// A row's stored status; most rows have none and are on the formulary.
Status statusOf(const QVariant& stored, QString& restriction) {
    return stored.isNull()
               ? Status::Formulary
               : database::formulary_status::statusOfText(stored.toString(), restriction);
}

// The generic names of a load whose status their drugs show: those among
// its rows, and the node it loads below. Most loads have none, and then a
// drug's row costs nothing more.
class PassingGenerics {
public:
    PassingGenerics(const ui::KeyedTree& tree, const QString& loadedParent) {
        const QTreeWidgetItem* parent = tree.node(loadedParent);
        if (parent && status_marks::passesToDrugs(status_marks::shown(parent)))
            m_keys.insert(loadedParent);
    }

    void note(const QString& key, Status status) {
        if (status_marks::passesToDrugs(status))
            m_keys.insert(key);
    }

    // The drug's generic name when it passes its status on; null otherwise.
    const QTreeWidgetItem* of(const ui::KeyedTree& tree, const QString& parent) const {
        return m_keys.isEmpty() || !m_keys.contains(parent) ? nullptr : tree.node(parent);
    }

private:
    QSet<QString> m_keys;
};

// One row's node: added under its parent when its type is known and its
// parent is known on the server; a failed add (no such parent in the tree, a
// key already there) adds nothing.
void addRow(ui::KeyedTree& tree, const db::Recordset& rs, int row, const TreeColumns& columns,
            bool parentNodeFound, PassingGenerics& passing) {
    const QString type = rs.value(row, columns.type).toString();
    const int nameColumn = columns.nameFor(type);
    if (nameColumn < 0)
        return;
    QString name = rs.value(row, nameColumn).toString();
    if (name.trimmed().isEmpty())
        name = NoNamePlaceholder;
    const QString parent = rs.value(row, columns.parent).toString();
    if (!parentNodeFound && parent.trimmed() == columns.loadedParent)
        return;
    QString restriction;
    const Status status = statusOf(rs.value(row, columns.status), restriction);
    const QString key = rs.value(row, columns.key).toString();
    if (type == QLatin1String("2"))
        passing.note(key, status);
    QTreeWidgetItem* node = nullptr;
    try {
        node = tree.addNode(parent, key, name, NodeImageKey(type));
    } catch (const AppError&) {
        return;
    }
    // The tag names the entry, so that a command can tell whether the key
    // still names it.
    if (type == QLatin1String("3")) {
        const QString itemId = rs.value(row, columns.itemId).toString();
        if (!itemId.trimmed().isEmpty())
            ui::KeyedTree::setTag(node, itemId);
        const QTreeWidgetItem* generic = passing.of(tree, parent);
        if (status != Status::Formulary || generic)
            status_marks::showDrug(node, generic, status, restriction);
        return;
    }
    ui::KeyedTree::setTag(node, rs.value(row, columns.entryId).toString());
    if (status != Status::Formulary)
        status_marks::show(node, status, restriction);
    if (type == QLatin1String("1"))
        tree.setExpandedImage(node, QStringLiteral("bookopen"));
}

} // namespace

void frmFormulary::Form_Load() try {
    readHospital();
    move(0, 0);
    setMinimumSize(size());
    LoadTreeView(RootKey, {}, false);
    staFormulary->Panels(2).setText(mdlFormulary.objCurrentUser->Initial());
    applyStates(rootStates(Set::Kept));
    if (MayOnlyLook()) {
        tbFormulary->setEnabled(false);
        mnuNew->menuAction()->setEnabled(false);
        mnuDelete->setEnabled(false);
        mnuRename->setEnabled(false);
        mnuBuildFile->menuAction()->setEnabled(false);
    }
    LoadUserSettings();
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.Form_Load"));
}

// The hospital's record, first row only; empty texts when there is none.
void frmFormulary::readHospital() {
    const database::HospitalRecord hospital =
        database::readHospital(mdlFormulary.objCurrentUser->sqlconnection())
            .value_or(database::HospitalRecord{});
    mdlFormulary.strCompany = hospital.company;
    mdlFormulary.strAddress1 = hospital.address;
}

int frmFormulary::LoadTreeView(const QString& ParentNode, const QString& Title, bool LoadAll) try {
    const ui::WaitCursor wait;
    if (ParentNode == RootKey) {
        treFormulary->clearNodes();
        treFormulary->addNode({}, RootKey, QStringLiteral("All Classification"),
                              QStringLiteral("smile"));
    }
    db::Recordset rs =
        mdlFormulary.objFormulary->Classifications.LoadClassifications(ParentNode, LoadAll);
    const int count = rs.recordCount();
    if (count > 0)
        addRows(rs, ParentNode, Title);
    mdlFormulary.FindInProgress = false;
    rs.close();
    if (ParentNode == RootKey)
        treFormulary->node(RootKey)->setExpanded(true);
    return count;
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.LoadTreeView"));
}

// Adds the rows' nodes in the order of the rows while the progress window
// counts them; it is shown unless a find is in progress.
//
// A row adds a node only when its parent is on the server. The rows are the
// children of ParentNode, or everything below it, so a row's parent is either
// ParentNode or another row, read from the server in the same statement:
// NodeFound is asked once, about ParentNode, for the whole load.
void frmFormulary::addRows(db::Recordset& rs, const QString& ParentNode, const QString& Title) {
    const int count = rs.recordCount();
    frmLoad progress(this);
    progress.lblTitle->setText(progressTitle(ParentNode, Title));
    progress.pb->setMaximum(count);
    if (!mdlFormulary.FindInProgress)
        progress.showNow();
    const bool parentNodeFound = ParentNode == RootKey || NodeFound(ParentNode.trimmed());
    const TreeColumns columns(rs, ParentNode);
    // The bar moves by a thousandth at a time: finer steps would not show.
    const int step = std::max(1, count / 1000);
    const TreeBatch batch(*treFormulary, count);
    PassingGenerics passing(*treFormulary, ParentNode);
    for (int row = 0; row < count; ++row) {
        addRow(*treFormulary, rs, row, columns, parentNodeFound, passing);
        if ((row + 1) % step == 0 || row + 1 == count)
            progress.pb->setValue(row + 1);
    }
}

bool frmFormulary::NodeFound(const QString& strNodeKey) {
    try {
        return database::For_FoundNode(mdlFormulary.objCurrentUser->sqlconnection(), strNodeKey)
                   .recordCount() > 0;
    } catch (const AppError& error) {
        throw error.raisedFrom(QStringLiteral("frmFormulary.NodeFound"));
    }
}
