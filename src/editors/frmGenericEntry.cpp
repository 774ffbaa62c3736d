#include "editors/frmGenericEntry.h"

#include "core/mdlFormulary.h"
#include "database/input_limits.h"
#include "editors/frmGeneric.h"
#include "platform/app_error.h"
#include "platform/ui/error_report.h"
#include "platform/ui/message_box.h"
#include "platform/ui/text_limit.h"
#include "platform/ui/twips.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

frmGenericEntry::frmGenericEntry(frmGeneric& list) : QDialog(&list), m_list(list) {
    setObjectName(QStringLiteral("frmGenericEntry"));
    setWindowTitle(QString());
    createControls();
    resize(ui::twipsToPixels(QSize(5400, 1500), this));

    connect(txtEntry, &QLineEdit::textChanged, this, ui::command([this] { txtEntry_Change(); }));
    connect(cmdSave, &QPushButton::clicked, this, ui::command([this] { cmdSave_Click(); }));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
}

void frmGenericEntry::createControls() {
    Frame1 = new QGroupBox(QStringLiteral("&Enter New Generic Name"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    txtEntry = new QLineEdit(Frame1);
    txtEntry->setObjectName(QStringLiteral("txtEntry"));
    ui::limitText(*txtEntry, database::limits::fitting(database::limits::Name));
    (new QVBoxLayout(Frame1))->addWidget(txtEntry);

    cmdSave = new QPushButton(QStringLiteral("&Save"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setDefault(true);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdClose);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Frame1, 1);
    layout->addLayout(buttons);
}

void frmGenericEntry::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ui::runCommand([this] { Form_Load(); });
}

// A rename arrives with the current name already in the box.
void frmGenericEntry::Form_Load() {
    Frame1->setTitle(Mode == NewNames ? QStringLiteral("Enter New Generic Name")
                                      : QStringLiteral("Rename Generic Name"));
    txtEntry_Change();
}

void frmGenericEntry::txtEntry_Change() {
    cmdSave->setEnabled(!txtEntry->text().trimmed().isEmpty());
}

void frmGenericEntry::cmdSave_Click() try {
    if (Mode == NewNames && GenericExists(txtEntry->text().trimmed())) {
        ui::MessageBox::show(QStringLiteral("Generic name exists."), {}, ui::Buttons::OK,
                             ui::Icon::Information);
        return;
    }
    if (!saveName()) {
        ui::MessageBox::show(QStringLiteral("The generic name was not saved."), {}, ui::Buttons::OK,
                             ui::Icon::Exclamation);
        return;
    }
    if (Mode == NewNames) {
        txtEntry->clear();
        txtEntry->setFocus();
    }
    m_list.LoadList(m_list.txtSearch->text());
    if (Mode != NewNames)
        close();
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmGenericEntry.cmdSave_Click"));
}

bool frmGenericEntry::saveName() {
    auto& generics = mdlFormulary.objFormulary->Generics;
    if (Mode == NewNames)
        return generics.NewGeneric(txtEntry->text());
    if (!generics.RenameGeneric(GenericCode, txtEntry->text()))
        return false;
    m_list.noteRenamed(GenericCode, txtEntry->text());
    return true;
}

bool frmGenericEntry::GenericExists(const QString& name) const {
    return mdlFormulary.objFormulary->Generics.GenericExists(name);
}
