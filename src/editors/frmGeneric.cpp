#include "editors/frmGeneric.h"

#include "core/LoadUserSettings.h"
#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "database/procedures.h"
#include "editors/editor_support.h"
#include "editors/frmGenericEntry.h"
#include "platform/app_error.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/flex_grid.h"
#include "platform/ui/keyed_tree.h"
#include "platform/ui/message_box.h"
#include "platform/ui/twips.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <cmath>

frmGeneric::frmGeneric(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmGeneric"));
    setWindowTitle(QStringLiteral("Build Generic Name"));
    createControls();
    resize(ui::twipsToPixels(QSize(6300, 6600), this));

    connect(txtSearch, &QLineEdit::textChanged, this,
            ui::command([this] { LoadList(txtSearch->text()); }));
    connect(flexMSHList, &ui::FlexGrid::enterCell, this,
            ui::command([this] { HighlightRow(*flexMSHList, true); }));
    connect(flexMSHList, &ui::FlexGrid::leaveCell, this,
            ui::command([this] { HighlightRow(*flexMSHList, false); }));
    connect(cmdNew, &QPushButton::clicked, this, ui::command([this] { cmdNew_Click(); }));
    connect(cmdRename, &QPushButton::clicked, this, ui::command([this] { cmdRename_Click(); }));
    connect(cmdDelete, &QPushButton::clicked, this, ui::command([this] { cmdDelete_Click(); }));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    editors::whenResized(*flexMSHList->viewport(), [this] { sizeColumns(); });
}

void frmGeneric::createControls() {
    Frame1 = new QGroupBox(QStringLiteral("&Search"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    txtSearch = new QLineEdit(Frame1);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    editors::upperCaseTyping(*txtSearch);
    (new QVBoxLayout(Frame1))->addWidget(txtSearch);

    Frame2 = new QGroupBox(QStringLiteral("&Generic Name List"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    flexMSHList = new ui::FlexGrid(Frame2);
    flexMSHList->setObjectName(QStringLiteral("flexMSHList"));
    (new QVBoxLayout(Frame2))->addWidget(flexMSHList);

    cmdNew = editors::button(QStringLiteral("&New"), QStringLiteral("cmdNew"), this);
    cmdRename = editors::button(QStringLiteral("&Rename"), QStringLiteral("cmdRename"), this);
    cmdDelete = editors::button(QStringLiteral("&Delete"), QStringLiteral("cmdDelete"), this);
    cmdClose = editors::button(QStringLiteral("&Close"), QStringLiteral("cmdClose"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdNew);
    buttons->addWidget(cmdRename);
    buttons->addWidget(cmdDelete);
    buttons->addStretch();
    buttons->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2, 1);
    layout->addLayout(buttons);
}

void frmGeneric::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ui::runCommand([this] { Form_Load(); });
}

void frmGeneric::Form_Load() {
    m_update = false;
    LoadList(txtSearch->text());
}

// The unload: the list's rows go with the window.
void frmGeneric::done(int result) {
    flexMSHList->clearCells();
    QDialog::done(result);
}

void frmGeneric::LoadList(const QString& strSearch) try {
    flexMSHList->setRedraw(false);
    flexMSHList->clearCells();
    flexMSHList->setCols(2);
    flexMSHList->setRows(2);
    db::Recordset rows = mdlFormulary.objFormulary->Generics.ListGeneric(strSearch);
    if (rows.recordCount() >= 1)
        flexMSHList->bind(std::move(rows));
    flexMSHList->setFormatString(QStringLiteral("<Code |<Generic Name"));
    sizeColumns();
    flexMSHList->setRedraw(true);
    HighlightRow(*flexMSHList, true);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmGeneric.LoadList"));
}

// The grid's width takes in its scroll bar, which the 300 twips leave room for.
void frmGeneric::sizeColumns() {
    const int code = int(std::lround(ui::pixelsToTwipsX(flexMSHList->width(), this) / 6.0));
    flexMSHList->setColWidth(0, code);
    flexMSHList->setColWidth(1, 5 * code - 300);
}

bool frmGeneric::hasCurrentRow() const {
    return !currentCode().isEmpty();
}

QString frmGeneric::currentCode() const {
    return flexMSHList->row() < 1 ? QString() : flexMSHList->textMatrix(flexMSHList->row(), 0);
}

QString frmGeneric::currentName() const {
    return flexMSHList->row() < 1 ? QString() : flexMSHList->textMatrix(flexMSHList->row(), 1);
}

void frmGeneric::cmdNew_Click() {
    if (!Authorized(mdlFormulary.isGeneric))
        return;
    frmGenericEntry entry(*this);
    entry.Mode = frmGenericEntry::NewNames;
    ui::showModal(entry);
    m_update = true;
}

void frmGeneric::cmdRename_Click() {
    if (!Authorized(mdlFormulary.isGeneric) || !hasCurrentRow())
        return;
    frmGenericEntry entry(*this);
    entry.Mode = frmGenericEntry::RenameName;
    entry.txtEntry->setText(currentName());
    entry.GenericCode = currentCode().toLongLong();
    ui::showModal(entry);
    m_update = true;
    LoadList(txtSearch->text());
}

void frmGeneric::cmdDelete_Click() try {
    if (!Authorized(mdlFormulary.isGeneric) || !hasCurrentRow())
        return;
    const QString name = currentName();
    if (ui::MessageBox::show(QStringLiteral("Are you sure to delete this generic?"), {},
                             ui::Buttons::YesNo, ui::Icon::Question) == ui::Answer::Yes) {
        const db::Recordset answer = database::Delete_Generic(
            mdlFormulary.objCurrentUser->sqlconnection(), currentCode().toLongLong());
        m_update = true;
        tellDeleteRefused(answer.field(QStringLiteral("result")).toInt(), name.trimmed());
    }
    LoadList(txtSearch->text());
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmGeneric.cmdDelete_Click"));
}

// A generic name still in the tree would leave a node pointing at nothing.
void frmGeneric::tellDeleteRefused(int result, const QString& name) {
    QString why;
    switch (database::DeleteGenericResult(result)) {
    case database::DeleteGenericResult::Deleted:
        return;
    case database::DeleteGenericResult::UnderClassification:
        why = QStringLiteral("You can't delete %1 because it is under a classification.");
        break;
    case database::DeleteGenericResult::HasDrugs:
        why = QStringLiteral("You can't delete %1 because drugs are already assigned to it.");
        break;
    case database::DeleteGenericResult::NotFound:
        why = QStringLiteral("%1 has already been deleted.");
        break;
    }
    ui::MessageBox::show(why.arg(name), {}, ui::Buttons::OK, ui::Icon::Information);
}

void frmGeneric::noteRenamed(qint64 genericCode, const QString& newName) {
    m_renamed.insert(genericCode, newName);
}

void frmGeneric::RelabelTree(ui::KeyedTree& tree) const try {
    auto& generics = mdlFormulary.objFormulary->Generics;
    for (auto it = m_renamed.cbegin(); it != m_renamed.cend(); ++it)
        if (generics.SearchGeneric(it.key()))
            if (QTreeWidgetItem* node = tree.node(generics.NodeKey()))
                node->setText(0, it.value());
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmGeneric.RelabelTree"));
}
