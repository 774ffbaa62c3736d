#include "editors/frmDrugList.h"

#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "editors/editor_support.h"
#include "platform/app_error.h"
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
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const QString Unclassified = QStringLiteral("Unclassified");
const QString ListFormat = QStringLiteral("|<Drug Name |<Description |<Generic Name");

QLineEdit* searchBox(QGroupBox& frame, const QString& name) {
    auto* box = new QLineEdit(&frame);
    box->setObjectName(name);
    editors::upperCaseTyping(*box);
    (new QVBoxLayout(&frame))->addWidget(box);
    return box;
}

ui::FlexGrid* list(const QString& name, QWidget* parent) {
    auto* grid = new ui::FlexGrid(parent);
    grid->setObjectName(name);
    editors::setCheckColumn(*grid);
    return grid;
}

} // namespace

frmDrugList::frmDrugList(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDrugList"));
    setWindowTitle(QStringLiteral("Drug Classification"));
    createControls();
    resize(ui::twipsToPixels(QSize(13000, 7200), this));
    connectLists();
    for (QRadioButton* option : {optAll, optClassified, optUnClassified})
        connect(option, &QRadioButton::toggled, this, [this](bool chosen) {
            if (chosen)
                ui::runCommand([this] { LoadDrugList(1, txtSearch1->text()); });
        });
    connect(cmdClear1, &QPushButton::clicked, this, ui::command([this] { cmdClear1_Click(); }));
    connect(cmdClear2, &QPushButton::clicked, this, ui::command([this] { cmdClear2_Click(); }));
    connect(cmdAdd, &QPushButton::clicked, this, ui::command([this] { cmdAdd_Click(); }));
    connect(cmdRemove, &QPushButton::clicked, this, ui::command([this] { cmdRemove_Click(); }));
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
}

void frmDrugList::createControls() {
    fraSearch1 = editors::frame(QStringLiteral("&1. Search"), QStringLiteral("fraSearch1"), this);
    txtSearch1 = searchBox(*fraSearch1, QStringLiteral("txtSearch1"));
    fraSearch2 = editors::frame(QStringLiteral("&3. Search"), QStringLiteral("fraSearch2"), this);
    txtSearch2 = searchBox(*fraSearch2, QStringLiteral("txtSearch2"));

    fraDrug1 =
        editors::frame(QStringLiteral("&2. Available Drugs"), QStringLiteral("fraDrug1"), this);
    flexMSHList1 = list(QStringLiteral("flexMSHList1"), fraDrug1);
    cmdClear1 =
        editors::button(QStringLiteral("Clear Selec&tion"), QStringLiteral("cmdClear1"), fraDrug1);
    createFilter();
    chkWithdrawn =
        editors::showWithdrawnBox(fraDrug1, [this] { LoadDrugList(1, txtSearch1->text()); });
    auto* under1 = new QHBoxLayout;
    under1->addWidget(Picture1);
    under1->addWidget(chkWithdrawn);
    under1->addStretch();
    under1->addWidget(cmdClear1);
    auto* inside1 = new QVBoxLayout(fraDrug1);
    inside1->addWidget(flexMSHList1, 1);
    inside1->addLayout(under1);

    fraDrug2 = editors::frame(QStringLiteral("&4. Drugs under [GenericName]"),
                              QStringLiteral("fraDrug2"), this);
    flexMSHList2 = list(QStringLiteral("flexMSHList2"), fraDrug2);
    cmdClear2 =
        editors::button(QStringLiteral("Cl&ear Selection"), QStringLiteral("cmdClear2"), fraDrug2);
    auto* inside2 = new QVBoxLayout(fraDrug2);
    inside2->addWidget(flexMSHList2, 1);
    inside2->addWidget(cmdClear2, 0, Qt::AlignRight);

    cmdAdd = editors::button(QStringLiteral("&Add >>"), QStringLiteral("cmdAdd"), this);
    cmdRemove = editors::button(QStringLiteral("<< &Remove"), QStringLiteral("cmdRemove"), this);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(cmdAdd);
    middle->addWidget(cmdRemove);
    middle->addStretch();
    cmdCancel = editors::button(QStringLiteral("&Close"), QStringLiteral("cmdCancel"), this);

    auto* layout = new QGridLayout(this);
    layout->addWidget(fraSearch1, 0, 0);
    layout->addWidget(fraSearch2, 0, 2);
    layout->addWidget(fraDrug1, 1, 0);
    layout->addLayout(middle, 1, 1);
    layout->addWidget(fraDrug2, 1, 2);
    layout->addWidget(cmdCancel, 2, 2, Qt::AlignRight);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(2, 2);
}

void frmDrugList::createFilter() {
    Picture1 = new QWidget(fraDrug1);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    optAll = new QRadioButton(QStringLiteral("A&LL"), Picture1);
    optAll->setObjectName(QStringLiteral("optAll"));
    optClassified = new QRadioButton(QStringLiteral("Classi&fied"), Picture1);
    optClassified->setObjectName(QStringLiteral("optClassified"));
    optUnClassified = new QRadioButton(QStringLiteral("&Unclassified"), Picture1);
    optUnClassified->setObjectName(QStringLiteral("optUnClassified"));
    auto* row = new QHBoxLayout(Picture1);
    row->setContentsMargins(0, 0, 0, 0);
    for (QRadioButton* option : {optAll, optClassified, optUnClassified})
        row->addWidget(option);
}

void frmDrugList::connectLists() {
    connect(txtSearch1, &QLineEdit::textChanged, this,
            ui::command([this] { LoadDrugList(1, txtSearch1->text()); }));
    connect(txtSearch2, &QLineEdit::textChanged, this,
            ui::command([this] { LoadDrugList(2, txtSearch2->text()); }));
    for (const int n : {1, 2}) {
        ui::FlexGrid* g = &grid(n);
        connect(g, &ui::FlexGrid::gridClicked, this, ui::command([this, n] { listClick(n); }));
        connect(g, &ui::FlexGrid::gridKeyDown, this,
                [this, n](int key) { ui::runCommand([this, n, key] { listKeyDown(n, key); }); });
        connect(g, &ui::FlexGrid::enterCell, this, ui::command([g] { HighlightRow(*g, true); }));
        connect(g, &ui::FlexGrid::leaveCell, this, ui::command([g] { HighlightRow(*g, false); }));
        editors::whenResized(*g->viewport(), [this, g] { sizeColumns(*g); });
    }
}

void frmDrugList::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ui::runCommand([this] { Form_Load(); });
}

void frmDrugList::Form_Load() {
    fraDrug2->setTitle(QStringLiteral("&4. Drugs under [") + editors::captionText(GenericName) +
                       QLatin1Char(']'));
    optAll->setChecked(true);
    for (QPushButton* b : {cmdClear1, cmdClear2, cmdAdd, cmdRemove})
        b->setEnabled(false);
    LoadDrugList(2, QString());
}

void frmDrugList::done(int result) {
    if (editors::processTicksFirst(*flexMSHList1, *flexMSHList2))
        return;
    flexMSHList1->clearCells();
    flexMSHList2->clearCells();
    QDialog::done(result);
}

ui::FlexGrid& frmDrugList::grid(int intWhichGrid) const {
    return intWhichGrid == 1 ? *flexMSHList1 : *flexMSHList2;
}

int frmDrugList::CheckClassify() const {
    if (optAll->isChecked())
        return formulary_data::FilterAll;
    if (optUnClassified->isChecked())
        return formulary_data::FilterUnclassified;
    if (optClassified->isChecked())
        return formulary_data::FilterClassified;
    return formulary_data::FilterNone;
}

void frmDrugList::LoadDrugList(int intWhichGrid, const QString& strSearchKey) try {
    ui::FlexGrid& g = grid(intWhichGrid);
    g.setRedraw(false);
    g.clearCells();
    auto& generics = mdlFormulary.objFormulary->Generics;
    db::Recordset rows =
        intWhichGrid == 1 ? generics.OtherDrugs(GenericID, formulary_data::MatchName, strSearchKey,
                                                CheckClassify(), chkWithdrawn->isChecked())
                          : generics.LoadDrugs(GenericID, formulary_data::MatchNameOrDescription,
                                               txtSearch2->text());
    // An empty list cannot be ticked.
    g.setEnabled(rows.recordCount() >= 1);
    if (g.isEnabled())
        g.bind(std::move(rows), 1);
    else
        g.setRows(2);
    g.setCols(7);
    g.setFormatString(ListFormat);
    sizeColumns(g);
    ClearChecks(g, 0, 1, false);
    g.setRedraw(true);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmDrugList.LoadDrugList"));
}

void frmDrugList::sizeColumns(ui::FlexGrid& g) {
    g.setColWidth(0, 250);
    g.setColWidth(1, g.widthTwips() / 2);
    g.setColWidth(2, g.colWidth(1));
    g.setColWidth(3, g.colWidth(1));
    for (const int hidden : {4, TickColumn, 5})
        g.setColWidth(hidden, 0);
}

void frmDrugList::listClick(int intWhichGrid) {
    ui::FlexGrid& g = grid(intWhichGrid);
    if (g.mouseCol() == 0 || KeyToggle)
        editors::toggleTick(g);
    showTicks();
    KeyToggle = false;
}

void frmDrugList::listKeyDown(int intWhichGrid, int key) {
    KeyToggle = key == Qt::Key_Space;
    if (KeyToggle)
        listClick(intWhichGrid);
}

// Each side's Clear Selection and action follow its ticks.
void frmDrugList::showTicks() {
    const bool left = HasCheckedRows(*flexMSHList1);
    cmdClear1->setEnabled(left);
    cmdAdd->setEnabled(left);
    const bool right = HasCheckedRows(*flexMSHList2);
    cmdClear2->setEnabled(right);
    cmdRemove->setEnabled(right);
}

void frmDrugList::cmdClear1_Click() {
    ClearChecks(*flexMSHList1, 0, 1, true);
    showTicks();
    txtSearch1->setFocus();
}

void frmDrugList::cmdClear2_Click() {
    ClearChecks(*flexMSHList2, 0, 1, true);
    showTicks();
}

void frmDrugList::cmdAdd_Click() try {
    QTreeWidgetItem* parent = treList->currentItem();
    if (!parent)
        return;
    QStringList unchanged;
    for (int row = 1; row < flexMSHList1->rows(); ++row)
        if (flexMSHList1->textMatrix(row, TickColumn) == TickMark)
            addDrug(row, *parent, unchanged);
    afterChange();
    txtSearch1->setFocus();
    editors::reportUnchanged(QStringLiteral("These drugs could not be added:"), unchanged);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmDrugList.cmdAdd_Click"));
}

// One ticked row of the left list. A row the database refused, or whose
// step failed, leaves the tree as it was.
void frmDrugList::addDrug(int row, QTreeWidgetItem& parent, QStringList& unchanged) {
    const QString text = flexMSHList1->textMatrix(row, 1).trimmed() + QLatin1Char(' ') +
                         flexMSHList1->textMatrix(row, 2).trimmed();
    editors::rowStep(text, unchanged, [&] {
        const QString owner = flexMSHList1->textMatrix(row, 3);
        if (!owner.trimmed().isEmpty() && owner.trimmed() != Unclassified &&
            ui::MessageBox::show(flexMSHList1->textMatrix(row, 1).trimmed() +
                                     QStringLiteral(" already belongs to ") + owner +
                                     QStringLiteral(". Do you wish to continue?"),
                                 {}, ui::Buttons::YesNo, ui::Icon::Question) != ui::Answer::Yes)
            return false;
        auto& drugs = mdlFormulary.objFormulary->Drugs;
        const QString itemId = flexMSHList1->textMatrix(row, 4);
        const QString oldKey = drugs.SearchDrug(itemId) ? drugs.NodeKey() : QString();
        const QString parentKey = ui::KeyedTree::keyOf(&parent);
        QString newKey = NewNodeKey(parentKey, parent.childCount());
        const database::NodeIdentity generic{parentKey, database::NodeKind::Generic, GenericID};
        if (!drugs.AddDrug(generic, newKey, QString(), itemId)) {
            unchanged << text;
            return false;
        }
        QTreeWidgetItem* node =
            treList->addNode(parentKey, newKey, text, NodeImageKey(QStringLiteral("3")));
        ui::KeyedTree::setTag(node, itemId);
        parent.setExpanded(true);
        RemoveTreeNode(oldKey);
        return true;
    });
}

void frmDrugList::cmdRemove_Click() try {
    QStringList unchanged;
    for (int row = 1; row < flexMSHList2->rows(); ++row)
        if (flexMSHList2->textMatrix(row, TickColumn) == TickMark)
            removeDrug(row, unchanged);
    afterChange();
    txtSearch2->setFocus();
    editors::reportUnchanged(QStringLiteral("These drugs could not be removed:"), unchanged);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmDrugList.cmdRemove_Click"));
}

void frmDrugList::removeDrug(int row, QStringList& unchanged) {
    const QString text = flexMSHList2->textMatrix(row, 1).trimmed() + QLatin1Char(' ') +
                         flexMSHList2->textMatrix(row, 2).trimmed();
    editors::rowStep(text, unchanged, [&] {
        auto& drugs = mdlFormulary.objFormulary->Drugs;
        const QString itemId = flexMSHList2->textMatrix(row, 4);
        const QString oldKey = drugs.SearchDrug(itemId) ? drugs.NodeKey() : QString();
        if (!drugs.DeleteDrug(itemId)) {
            unchanged << text;
            return false;
        }
        RemoveTreeNode(oldKey);
        return true;
    });
}

void frmDrugList::RemoveTreeNode(const QString& key) {
    editors::removeLoadedNode(*treList, key);
}

// Both searches emptied and both lists reloaded, so nothing is ticked and
// nothing left to act on.
void frmDrugList::afterChange() {
    for (QLineEdit* box : {txtSearch1, txtSearch2}) {
        const QSignalBlocker quiet(box);
        box->clear();
    }
    LoadDrugList(1, QString());
    LoadDrugList(2, QString());
    showTicks();
}
