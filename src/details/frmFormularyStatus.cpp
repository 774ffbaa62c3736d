#include "details/frmFormularyStatus.h"

#include "core/mdlFormulary.h"
#include "platform/ui/error_report.h"
#include "platform/ui/message_box.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using database::formulary_status::Status;

// A date box whose lowest date stands for "none", shown blank.
const QDate NoDate(2000, 1, 1);

QDateEdit* dateBox(const QString& name, QWidget* parent) {
    auto* box = new QDateEdit(parent);
    box->setObjectName(name);
    box->setCalendarPopup(true);
    box->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    box->setMinimumDate(NoDate);
    box->setSpecialValueText(QStringLiteral(" "));
    box->setDate(NoDate);
    return box;
}

QDate dateOf(const QDateEdit* box) {
    return box->date() == NoDate ? QDate() : box->date();
}

void setDate(QDateEdit* box, const QDate& date) {
    box->setDate(date.isValid() ? date : NoDate);
}

} // namespace

frmFormularyStatus::frmFormularyStatus(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFormularyStatus"));
    setWindowTitle(QStringLiteral("Formulary Status"));
    createControls();
}

void frmFormularyStatus::createControls() {
    lblEntry = new QLabel(this);
    lblEntry->setObjectName(QStringLiteral("lblEntry"));
    QFont bold = lblEntry->font();
    bold.setBold(true);
    lblEntry->setFont(bold);
    lblInherited = new QLabel(this);
    lblInherited->setObjectName(QStringLiteral("lblInherited"));
    lblInherited->setWordWrap(true);
    lblInherited->hide();

    cboStatus = new QComboBox(this);
    cboStatus->setObjectName(QStringLiteral("cboStatus"));
    for (Status s : database::formulary_status::AllStatuses)
        cboStatus->addItem(database::formulary_status::statusWord(s));
    cboRestriction = new QComboBox(this);
    cboRestriction->setObjectName(QStringLiteral("cboRestriction"));
    dtpReviewBy = dateBox(QStringLiteral("dtpReviewBy"), this);
    dtpDecidedOn = dateBox(QStringLiteral("dtpDecidedOn"), this);
    txtReference = new QLineEdit(this);
    txtReference->setObjectName(QStringLiteral("txtReference"));
    txtReference->setPlaceholderText(QStringLiteral("the committee's minute"));
    txtNote = new QPlainTextEdit(this);
    txtNote->setObjectName(QStringLiteral("txtNote"));
    txtNote->setTabChangesFocus(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Status:"), cboStatus);
    form->addRow(QStringLiteral("R&estriction:"), cboRestriction);
    form->addRow(QStringLiteral("Re&view by:"), dtpReviewBy);
    form->addRow(QStringLiteral("&Decided on:"), dtpDecidedOn);
    form->addRow(QStringLiteral("&Reference:"), txtReference);
    form->addRow(QStringLiteral("&Note:"), txtNote);

    auto* buttons = new QDialogButtonBox(this);
    cmdOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblEntry);
    layout->addWidget(lblInherited);
    layout->addLayout(form, 1);
    layout->addWidget(buttons);
    resize(460, 380);

    connect(cboStatus, &QComboBox::currentIndexChanged, this, [this] { cboStatus_Change(); });
    connect(cmdOK, &QPushButton::clicked, this, ui::command([this] { cmdOK_Click(); }));
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmFormularyStatus::Form_Load(const database::NodeIdentity& node, const QString& name,
                                   bool mayChange, const QString& inheritedFrom) {
    m_node = node;
    m_mayChange = mayChange;
    const bool generic = node.type == database::NodeKind::Generic;
    setWindowTitle(QStringLiteral("Formulary Status - ") + name);
    lblEntry->setText((generic ? QStringLiteral("Generic name: ") : QStringLiteral("Drug: ")) +
                      name);
    lblInherited->setVisible(!inheritedFrom.isEmpty());
    lblInherited->setText(
        QStringLiteral("Its generic name is %1: the drug shows that in the tree whatever its "
                       "own status.")
            .arg(inheritedFrom));
    db::Connection& c = mdlFormulary.objCurrentUser->sqlconnection();
    cboRestriction->clear();
    cboRestriction->addItem(QString());
    cboRestriction->addItems(database::formulary_status::restrictions(c));
    showDecision(database::formulary_status::read(
        c, generic ? database::Entry::GenericName : database::Entry::Drug, node.id));
    for (QWidget* field : std::initializer_list<QWidget*>{cboStatus, dtpDecidedOn, txtReference})
        field->setEnabled(mayChange);
    txtNote->setReadOnly(!mayChange);
    cmdOK->setEnabled(mayChange);
    cboStatus_Change();
}

void frmFormularyStatus::showDecision(const database::formulary_status::Decision& d) {
    cboStatus->setCurrentIndex(int(d.status));
    const int category = cboRestriction->findText(d.restriction);
    cboRestriction->setCurrentIndex(std::max(0, category));
    setDate(dtpReviewBy, d.reviewBy);
    setDate(dtpDecidedOn, d.decidedOn);
    txtReference->setText(d.reference);
    txtNote->setPlainText(d.note);
}

database::formulary_status::Decision frmFormularyStatus::decision() const {
    return {Status(cboStatus->currentIndex()),
            cboRestriction->currentText(),
            dateOf(dtpReviewBy),
            dateOf(dtpDecidedOn),
            txtNote->toPlainText(),
            txtReference->text()};
}

// The restriction and the review-by date belong to their statuses only.
void frmFormularyStatus::cboStatus_Change() {
    const auto status = Status(cboStatus->currentIndex());
    cboRestriction->setEnabled(m_mayChange && status == Status::Restricted);
    dtpReviewBy->setEnabled(m_mayChange && status == Status::UnderReview);
}

void frmFormularyStatus::cmdOK_Click() {
    const database::formulary_status::Decision d = decision();
    if (const QString problem = database::formulary_status::problem(d); !problem.isEmpty()) {
        ui::MessageBox::show(problem, QStringLiteral("Formulary Status"), ui::Buttons::OK,
                             ui::Icon::Exclamation);
        return;
    }
    if (!database::formulary_status::save(mdlFormulary.objCurrentUser->sqlconnection(), m_node,
                                          d)) {
        ui::MessageBox::show(QStringLiteral("The status could not be saved: the entry or the "
                                            "restriction category has been changed on another "
                                            "workstation. Please refresh the tree."),
                             QStringLiteral("Formulary Status"), ui::Buttons::OK,
                             ui::Icon::Exclamation);
        return;
    }
    accept();
}
