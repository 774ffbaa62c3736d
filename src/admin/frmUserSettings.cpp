#include "admin/frmUserSettings.h"

#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "database/procedures.h"
#include "database/user_rights.h"
#include "platform/app_error.h"
#include "platform/ui/error_report.h"
#include "platform/ui/flex_grid.h"
#include "platform/ui/twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cmath>

frmUserSettings::frmUserSettings(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmUserSettings"));
    setWindowTitle(QStringLiteral("Form1"));
    createControls();
    setFixedSize(ui::twipsToPixels(QSize(8400, 4800), this));
}

void frmUserSettings::createControls() {
    auto* fraUsers = new QGroupBox(QStringLiteral("&User List"), this);
    auto* search = new QLabel(QStringLiteral("Type Lastname to Search"), fraUsers);
    txtSearch = new QLineEdit(fraUsers);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    search->setBuddy(txtSearch);
    flexMSH = new ui::FlexGrid(fraUsers);
    flexMSH->setObjectName(QStringLiteral("flexMSH"));

    auto* fraRights = new QGroupBox(QStringLiteral("Add/Edit/Delete"), fraUsers);
    auto* boxes = new QVBoxLayout(fraRights);
    chkClassification = addRight(QStringLiteral("chkClassification"),
                                 QStringLiteral("Classification"), database::Right::Classification);
    chkGeneric =
        addRight(QStringLiteral("chkGeneric"), QStringLiteral("Generic"), database::Right::Generic);
    chkDrug = addRight(QStringLiteral("chkDrug"), QStringLiteral("Drug"), database::Right::Drug);
    chkOtherDetails = addRight(QStringLiteral("chkOtherDetails"), QStringLiteral("Other Details"),
                               database::Right::OtherDetails);
    for (QCheckBox* box : {chkClassification, chkGeneric, chkDrug, chkOtherDetails})
        boxes->addWidget(box);
    boxes->addStretch(1);

    auto* lists = new QHBoxLayout;
    lists->addWidget(flexMSH, 1);
    lists->addWidget(fraRights);
    auto* inside = new QVBoxLayout(fraUsers);
    inside->addWidget(search);
    inside->addWidget(txtSearch);
    inside->addLayout(lists, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraUsers);

    connect(txtSearch, &QLineEdit::returnPressed, this, ui::command([this] { LoadUserList(); }));
    connect(flexMSH, &ui::FlexGrid::enterCell, this, ui::command([this] { flexMSH_Click(); }));
    connect(flexMSH, &ui::FlexGrid::gridClicked, this, ui::command([this] { flexMSH_Click(); }));
}

QCheckBox* frmUserSettings::addRight(const QString& objectName, const QString& caption,
                                     database::Right right) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(objectName);
    // Only the user's clicks are stored, not the boxes being set to show a user.
    connect(box, &QCheckBox::clicked, this,
            ui::command([this, box, right] { chk_Click(*box, right); }));
    return box;
}

void frmUserSettings::Form_Load() {
    txtSearch->clear();
    LoadUserList();
}

void frmUserSettings::InitializeGrid() {
    flexMSH->bind(db::Recordset());
    flexMSH->setCols(2);
    flexMSH->setRows(2);
    flexMSH->setFormatString(QStringLiteral("<Employee # |<Name"));
    sizeColumns();
}

// A fifth of the grid's width for the employee number, the rest for the name.
void frmUserSettings::sizeColumns() {
    const int first = int(std::lround(flexMSH->widthTwips() / 5.0));
    flexMSH->setColWidth(0, first);
    flexMSH->setColWidth(1, 4 * first);
}

// The grid has its width only once the window is laid out for showing.
void frmUserSettings::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    sizeColumns();
}

void frmUserSettings::LoadUserList() try {
    db::Recordset users = database::sp_Inv_ListUser(mdlFormulary.objCurrentUser->sqlconnection(),
                                                    txtSearch->text().trimmed());
    InitializeGrid();
    if (users.recordCount() > 0) {
        flexMSH->bind(std::move(users));
        flexMSH_Click();
    }
    flexMSH->setRow(1);
    HighlightRow(*flexMSH, true);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmUserSettings.LoadUserList"));
}

// An empty row (a search without hits) leaves the boxes as they were.
void frmUserSettings::flexMSH_Click() {
    HighlightRow(*flexMSH, true);
    const QString userId = selectedUser();
    if (!userId.isEmpty())
        ShowUserRights(userId);
}

QString frmUserSettings::selectedUser() const {
    return flexMSH->textMatrix(flexMSH->row(), 0);
}

void frmUserSettings::ShowUserRights(const QString& userId) try {
    const database::UserRights rights =
        database::ReadUserRights(mdlFormulary.objCurrentUser->sqlconnection(), userId);
    chkClassification->setChecked(rights.isClassification);
    chkDrug->setChecked(rights.isDrug);
    chkGeneric->setChecked(rights.isGeneric);
    chkOtherDetails->setChecked(rights.isOtherDetails);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmUserSettings.ShowUserRights"));
}

void frmUserSettings::chk_Click(QCheckBox& box, database::Right right) {
    if (selectedUser().isEmpty()) {
        // No user listed: there is nobody to give the right to.
        box.setChecked(!box.isChecked());
        return;
    }
    SaveUserRight(right, box.isChecked());
}

// A right the database refused is shown as stored.
void frmUserSettings::SaveUserRight(database::Right right, bool value) try {
    const QString userId = selectedUser();
    if (!database::SaveUserRight(mdlFormulary.objCurrentUser->sqlconnection(), userId, right,
                                 value))
        ShowUserRights(userId);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmUserSettings.SaveUserRight"));
}
