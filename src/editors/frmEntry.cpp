#include "editors/frmEntry.h"

#include "core/mdlFormulary.h"
#include "database/input_limits.h"
#include "platform/app_error.h"
#include "platform/ui/error_report.h"
#include "platform/ui/message_box.h"
#include "platform/ui/text_limit.h"
#include "platform/ui/twips.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

const QString DefaultCaption = QStringLiteral("Classification Entry");
const QString ClassificationPrompt = QStringLiteral("&1. Type New Classification");

QGroupBox* framed(const QString& caption, QWidget* content, const QString& name) {
    auto* frame = new QGroupBox(caption);
    frame->setObjectName(name);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(content);
    return frame;
}

} // namespace

frmEntry::frmEntry(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmEntry"));
    setWindowTitle(DefaultCaption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    txtNewClassification = new QLineEdit;
    txtNewClassification->setObjectName(QStringLiteral("txtNewClassification"));
    ui::limitText(*txtNewClassification, database::limits::fitting(database::limits::Name));
    fraEntry = framed(ClassificationPrompt, txtNewClassification, QStringLiteral("fraEntry"));

    txtDescription = new QPlainTextEdit;
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    txtDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtDescription->setTabChangesFocus(true);
    ui::limitText(*txtDescription, database::limits::fitting(database::limits::Description));
    fraEntry2 =
        framed(QStringLiteral("&2. Type Description"), txtDescription, QStringLiteral("fraEntry2"));

    cmdOK = new QPushButton(QStringLiteral("&Save"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdClose = new QPushButton(QStringLiteral("&Close"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraEntry);
    layout->addWidget(fraEntry2, 1);
    layout->addLayout(buttons);
    setFixedSize(ui::twipsToPixels(QSize(5400, 3600), this));

    connect(txtNewClassification, &QLineEdit::textChanged, this,
            ui::command([this] { txtNewClassification_Change(); }));
    connect(cmdOK, &QPushButton::clicked, this, ui::command([this] { cmdOK_Click(); }));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
}

void frmEntry::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        Form_Load();
    QDialog::showEvent(event);
}

// Each opening starts afresh; only classtype is kept.
void frmEntry::Form_Load() {
    m_classEntry.clear();
    m_descriptionEntry.clear();
    txtNewClassification->clear();
    txtDescription->clear();
    cmdOK->setEnabled(false);
    if (classtype == QLatin1String("1"))
        setWindowTitle(QStringLiteral("Drug Classification Entry"));
    else if (classtype == QLatin1String("2"))
        setWindowTitle(QStringLiteral("Generic Name Entry"));
    else
        setWindowTitle(DefaultCaption);
    fraEntry->setTitle(classtype == QLatin1String("2") ? QStringLiteral("&1. Type New Generic Name")
                                                       : ClassificationPrompt);
    txtNewClassification->setFocus();
}

void frmEntry::txtNewClassification_Change() {
    cmdOK->setEnabled(!txtNewClassification->text().trimmed().isEmpty());
}

void frmEntry::cmdOK_Click() try {
    if (ClassificationExists(txtNewClassification->text().trimmed())) {
        ui::MessageBox::show(QStringLiteral("Classification name exists."), {}, ui::Buttons::OK,
                             ui::Icon::Information);
        return;
    }
    m_classEntry = txtNewClassification->text();
    m_descriptionEntry = txtDescription->toPlainText();
    accept();
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmEntry.cmdOK_Click"));
}

bool frmEntry::ClassificationExists(const QString& name) {
    return mdlFormulary.objFormulary->Classifications.ClassificationExists(name);
}
