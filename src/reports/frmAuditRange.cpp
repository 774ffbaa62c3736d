#include "reports/frmAuditRange.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString AllUsers = QStringLiteral("(all users)");
const QString DateFormat = QStringLiteral("yyyy-MM-dd");
// The days offered at first: today and the 29 before it.
constexpr int DaysShown = 30;

QDateEdit* dateBox(const QString& name, QWidget* parent) {
    auto* box = new QDateEdit(parent);
    box->setObjectName(name);
    box->setCalendarPopup(true);
    box->setDisplayFormat(DateFormat);
    return box;
}

} // namespace

frmAuditRange::frmAuditRange(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAuditRange"));
    setWindowTitle(QStringLiteral("Audit Trail"));
    dtpFrom = dateBox(QStringLiteral("dtpFrom"), this);
    dtpTo = dateBox(QStringLiteral("dtpTo"), this);
    cboUser = new QComboBox(this);
    cboUser->setObjectName(QStringLiteral("cboUser"));
    // A name no longer among the users (or the system account) can be typed.
    cboUser->setEditable(true);
    cboUser->setInsertPolicy(QComboBox::NoInsert);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&From:"), dtpFrom);
    fields->addRow(QStringLiteral("&To:"), dtpTo);
    fields->addRow(QStringLiteral("&User:"), cboUser);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    cmdOK = buttons->button(QDialogButtonBox::Ok);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = buttons->button(QDialogButtonBox::Cancel);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The last day never comes before the first.
    connect(dtpFrom, &QDateEdit::dateChanged, dtpTo, &QDateEdit::setMinimumDate);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(buttons);
}

void frmAuditRange::Form_Load(const QStringList& userNames) {
    const QDate today = QDate::currentDate();
    dtpTo->setDate(today);
    dtpFrom->setDate(today.addDays(1 - DaysShown));
    cboUser->clear();
    cboUser->addItem(AllUsers);
    cboUser->addItems(userNames);
}

QDateTime frmAuditRange::since() const {
    return dtpFrom->date().startOfDay();
}

QDateTime frmAuditRange::until() const {
    return dtpTo->date().addDays(1).startOfDay();
}

QString frmAuditRange::user() const {
    const QString typed = cboUser->currentText().trimmed();
    return typed == AllUsers ? QString() : typed;
}

QString frmAuditRange::rangeText() const {
    const QString days =
        QStringLiteral("%1 to %2")
            .arg(dtpFrom->date().toString(DateFormat), dtpTo->date().toString(DateFormat));
    const QString who = user();
    return days + QStringLiteral(" \u00b7 ") +
           (who.isEmpty() ? QStringLiteral("all users") : QStringLiteral("user ") + who);
}
