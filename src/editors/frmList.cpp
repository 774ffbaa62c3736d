#include "editors/frmList.h"

#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "editors/editor_support.h"
#include "editors/frmGeneric.h"
#include "platform/app_error.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/flex_grid.h"
#include "platform/ui/keyed_tree.h"
#include "platform/ui/message_box.h"
#include "platform/ui/twips.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const QString NoClassification = QStringLiteral("no classification");
const QString ListFormat = QStringLiteral("|<Generic Name||||<Classification|");

} // namespace

frmList::frmList(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmList"));
    setWindowTitle(QStringLiteral("Generic Classification"));
    createControls();
    resize(ui::twipsToPixels(QSize(11000, 7200), this));
    connectSide(1);
    connectSide(2);
    connect(cmdAdd, &QPushButton::clicked, this, ui::command([this] { cmdAdd_Click(); }));
    connect(cmdRemove, &QPushButton::clicked, this, ui::command([this] { cmdRemove_Click(); }));
    connect(Command1, &QPushButton::clicked, this, ui::command([this] { Command1_Click(); }));
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
}

void frmList::createControls() {
    fraSearch1 = editors::frame(QStringLiteral("&1. Search"), QStringLiteral("fraSearch1"), this);
    txtSearch1 = new QLineEdit(fraSearch1);
    txtSearch1->setObjectName(QStringLiteral("txtSearch1"));
    (new QVBoxLayout(fraSearch1))->addWidget(txtSearch1);
    fraSearch2 = editors::frame(QStringLiteral("&3. Search"), QStringLiteral("fraSearch2"), this);
    txtSearch2 = new QLineEdit(fraSearch2);
    txtSearch2->setObjectName(QStringLiteral("txtSearch2"));
    (new QVBoxLayout(fraSearch2))->addWidget(txtSearch2);

    fraGeneric1 = editors::frame(QStringLiteral("&2. Available Generic Names"),
                                 QStringLiteral("fraGeneric1"), this);
    fraGeneric2 = editors::frame(QStringLiteral("&4. Generic names under [Classification]"),
                                 QStringLiteral("fraGeneric2"), this);
    flexMSHList1 = new ui::FlexGrid(fraGeneric1);
    flexMSHList1->setObjectName(QStringLiteral("flexMSHList1"));
    flexMSHList2 = new ui::FlexGrid(fraGeneric2);
    flexMSHList2->setObjectName(QStringLiteral("flexMSHList2"));
    cmdClear1 =
        editors::button(QStringLiteral("Clear Selec&tion"), QStringLiteral("cmdClear1"), this);
    cmdClear2 =
        editors::button(QStringLiteral("C&lear Selection"), QStringLiteral("cmdClear2"), this);
    chkWithdrawn =
        editors::showWithdrawnBox(fraGeneric1, [this] { reloadList(1, txtSearch1->text()); });
    for (const auto& [list, grid, clear] : {std::tuple{fraGeneric1, flexMSHList1, cmdClear1},
                                            std::tuple{fraGeneric2, flexMSHList2, cmdClear2}}) {
        editors::setCheckColumn(*grid);
        auto* under = new QHBoxLayout;
        if (grid == flexMSHList1)
            under->addWidget(chkWithdrawn);
        under->addStretch();
        under->addWidget(clear);
        auto* inside = new QVBoxLayout(list);
        inside->addWidget(grid, 1);
        inside->addLayout(under);
    }

    cmdAdd = editors::button(QStringLiteral("&Add >>"), QStringLiteral("cmdAdd"), this);
    cmdRemove = editors::button(QStringLiteral("<< &Remove"), QStringLiteral("cmdRemove"), this);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(cmdAdd);
    middle->addWidget(cmdRemove);
    middle->addStretch();

    Command1 = editors::button(QStringLiteral("&Build Generics"), QStringLiteral("Command1"), this);
    cmdCancel = editors::button(QStringLiteral("&Close"), QStringLiteral("cmdCancel"), this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Command1);
    bottom->addStretch();
    bottom->addWidget(cmdCancel);

    auto* layout = new QGridLayout(this);
    layout->addWidget(fraSearch1, 0, 0);
    layout->addWidget(fraSearch2, 0, 2);
    layout->addWidget(fraGeneric1, 1, 0);
    layout->addLayout(middle, 1, 1);
    layout->addWidget(fraGeneric2, 1, 2);
    layout->addLayout(bottom, 2, 0, 1, 3);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(2, 1);
}

frmList::Side frmList::side(int intWhichGrid) const {
    if (intWhichGrid == 1)
        return {flexMSHList1, cmdClear1, cmdAdd, fraSearch1, txtSearch1};
    return {flexMSHList2, cmdClear2, cmdRemove, fraSearch2, txtSearch2};
}

void frmList::connectSide(int n) {
    const Side s = side(n);
    connect(s.text, &QLineEdit::textChanged, this,
            ui::command([this, n] { reloadList(n, side(n).text->text()); }));
    connect(s.grid, &ui::FlexGrid::gridClicked, this, ui::command([this, n] { listClick(n); }));
    connect(s.grid, &ui::FlexGrid::gridKeyDown, this,
            [this, n](int key) { ui::runCommand([this, n, key] { listKeyDown(n, key); }); });
    connect(s.grid, &ui::FlexGrid::enterCell, this,
            ui::command([grid = s.grid] { HighlightRow(*grid, true); }));
    connect(s.grid, &ui::FlexGrid::leaveCell, this,
            ui::command([grid = s.grid] { HighlightRow(*grid, false); }));
    connect(s.clear, &QPushButton::clicked, this, ui::command([this, n] { cmdClear_Click(n); }));
    editors::whenResized(*s.grid->viewport(), [this, grid = s.grid] { sizeColumns(*grid); });
}

void frmList::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ui::runCommand([this] { Form_Load(); });
}

void frmList::Form_Load() {
    reloadList(1, QString());
    reloadList(2, QString());
    for (QPushButton* b : {cmdAdd, cmdRemove, cmdClear1, cmdClear2})
        b->setEnabled(false);
    fraGeneric2->setTitle(QStringLiteral("Generic Names under [") +
                          editors::captionText(ClassificationName) + QLatin1Char(']'));
}

void frmList::done(int result) {
    if (editors::processTicksFirst(*flexMSHList1, *flexMSHList2))
        return;
    flexMSHList1->clearCells();
    flexMSHList2->clearCells();
    QDialog::done(result);
}

int frmList::LoadGrid(int intWhichGrid, const QString& strSearchKey) try {
    ui::FlexGrid& grid = *side(intWhichGrid).grid;
    grid.setRedraw(false);
    grid.clearCells();
    auto& classifications = mdlFormulary.objFormulary->Classifications;
    db::Recordset rows =
        intWhichGrid == 1
            ? classifications.OtherGenerics(ItemID, formulary_data::MatchName, strSearchKey,
                                            chkWithdrawn->isChecked())
            : classifications.LoadGenerics(ItemID, formulary_data::MatchName, strSearchKey);
    const int count = rows.recordCount();
    if (count < 1)
        grid.setRows(2);
    else
        grid.bind(std::move(rows), 1);
    grid.setCols(7);
    grid.setFormatString(ListFormat);
    sizeColumns(grid);
    grid.setRedraw(true);
    ClearChecks(grid, 0, 1, true);
    return count;
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmList.LoadGrid"));
}

// An empty list cannot be ticked.
void frmList::reloadList(int intWhichGrid, const QString& strSearchKey) {
    side(intWhichGrid).grid->setEnabled(LoadGrid(intWhichGrid, strSearchKey) > 0);
}

void frmList::sizeColumns(ui::FlexGrid& grid) {
    grid.setColWidth(0, 250);
    grid.setColWidth(1, grid.widthTwips() - grid.colWidth(0));
    for (const int hidden : {2, 3, 4})
        grid.setColWidth(hidden, 0);
    grid.setColWidth(5, grid.colWidth(1));
    grid.setColWidth(TickColumn, 0);
}

void frmList::listClick(int intWhichGrid) {
    ui::FlexGrid& grid = *side(intWhichGrid).grid;
    if (grid.mouseCol() != 0 && !KeyToggle)
        return;
    editors::toggleTick(grid);
    showTicks(intWhichGrid);
    KeyToggle = false;
}

void frmList::listKeyDown(int intWhichGrid, int key) {
    KeyToggle = key == Qt::Key_Space;
    if (KeyToggle)
        listClick(intWhichGrid);
}

// While rows are ticked on a side, its search cannot be used.
void frmList::showTicks(int intWhichGrid) {
    const Side s = side(intWhichGrid);
    const bool ticked = HasCheckedRows(*s.grid);
    s.clear->setEnabled(ticked);
    s.action->setEnabled(ticked);
    s.search->setEnabled(!ticked);
}

void frmList::cmdClear_Click(int intWhichGrid) {
    ClearChecks(*side(intWhichGrid).grid, 0, 1, true);
    showTicks(intWhichGrid);
}

int frmList::IsKeyPosition(const QString& strNodeKey) const {
    const QString key = strNodeKey.trimmed();
    return key.isEmpty() ? 0 : treList->indexOf(key);
}

bool frmList::CanAdd(qint64 genericCode) const {
    return mdlFormulary.objFormulary->Generics.HasDrugs(genericCode);
}

void frmList::cmdAdd_Click() try {
    QTreeWidgetItem* parent = treList->currentItem();
    if (!parent)
        return;
    QStringList unchanged;
    bool processed = false;
    for (int row = 1; row < flexMSHList1->rows(); ++row)
        if (flexMSHList1->textMatrix(row, TickColumn) == TickMark)
            processed = addGeneric(row, *parent, unchanged) || processed;
    if (processed)
        afterChange(1);
    editors::reportUnchanged(QStringLiteral("These generic names could not be added:"), unchanged);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmList.cmdAdd_Click"));
}

// One ticked row of the left list; true when it was added. A row the
// database refused, or whose step failed, leaves the tree as it was.
bool frmList::addGeneric(int row, QTreeWidgetItem& parent, QStringList& unchanged) {
    const QString name = flexMSHList1->textMatrix(row, 1);
    return editors::rowStep(name.trimmed(), unchanged, [&] {
        auto& generics = mdlFormulary.objFormulary->Generics;
        const qint64 code = flexMSHList1->textMatrix(row, 3).trimmed().toLongLong();
        const QString oldKey = generics.SearchGeneric(code) ? generics.NodeKey() : QString();
        if (CanAdd(code)) {
            ui::MessageBox::show(QStringLiteral("You can't move ") + name.trimmed() +
                                     QStringLiteral(" because drugs are already assigned to it."),
                                 {}, ui::Buttons::OK, ui::Icon::Information);
            return false;
        }
        const QString where = flexMSHList1->textMatrix(row, 5);
        if (where.trimmed() != NoClassification &&
            ui::MessageBox::show(name.trimmed() +
                                     QStringLiteral(" is already under the classification ") +
                                     where + QStringLiteral(". Do you wish to proceed?"),
                                 QStringLiteral("Message"), ui::Buttons::YesNo,
                                 ui::Icon::Information) != ui::Answer::Yes)
            return false;
        const QString parentKey = ui::KeyedTree::keyOf(&parent);
        QString newKey = NewNodeKey(parentKey, parent.childCount());
        const database::NodeIdentity classification{parentKey, database::NodeKind::Classification,
                                                    ItemID};
        if (!generics.AddGeneric(classification, newKey, name, code)) {
            unchanged << name.trimmed();
            return false;
        }
        ui::KeyedTree::setTag(
            treList->addNode(parentKey, newKey, name, NodeImageKey(QStringLiteral("2"))),
            QString::number(code));
        parent.setExpanded(true);
        RemoveTreeNode(oldKey);
        return true;
    });
}

void frmList::cmdRemove_Click() try {
    QStringList unchanged;
    bool processed = false;
    for (int row = 1; row < flexMSHList2->rows(); ++row)
        if (flexMSHList2->textMatrix(row, TickColumn) == TickMark)
            processed = removeGeneric(row, unchanged) || processed;
    if (processed)
        afterChange(2);
    editors::reportUnchanged(QStringLiteral("These generic names could not be removed:"),
                             unchanged);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmList.cmdRemove_Click"));
}

bool frmList::removeGeneric(int row, QStringList& unchanged) {
    const QString name = flexMSHList2->textMatrix(row, 1);
    return editors::rowStep(name.trimmed(), unchanged, [&] {
        auto& generics = mdlFormulary.objFormulary->Generics;
        const qint64 code = flexMSHList2->textMatrix(row, 3).trimmed().toLongLong();
        const QString oldKey = generics.SearchGeneric(code) ? generics.NodeKey() : QString();
        if (CanAdd(code)) {
            ui::MessageBox::show(QStringLiteral("You can't remove ") + name.trimmed() +
                                     QStringLiteral(" because drugs are already assigned to it."),
                                 {}, ui::Buttons::OK, ui::Icon::Information);
            return false;
        }
        if (!generics.DeleteGeneric(code)) {
            unchanged << name.trimmed();
            return false;
        }
        RemoveTreeNode(oldKey);
        return true;
    });
}

void frmList::RemoveTreeNode(const QString& key) {
    editors::removeLoadedNode(*treList, key);
}

// The changed side's search emptied and both lists reloaded, so nothing is
// left to act on.
void frmList::afterChange(int intWhichGrid) {
    const Side changed = side(intWhichGrid);
    {
        const QSignalBlocker quiet(changed.text);
        changed.text->clear();
    }
    reloadLists();
}

// Both lists as their boxes search them, nothing ticked.
void frmList::reloadLists() {
    reloadList(1, txtSearch1->text());
    reloadList(2, txtSearch2->text());
    showTicks(1);
    showTicks(2);
}

void frmList::Command1_Click() {
    frmGeneric generic(this);
    ui::showModal(generic);
    if (!generic.Update())
        return;
    generic.RelabelTree(*treList);
    reloadLists();
}
