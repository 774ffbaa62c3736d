#include "components/current_user/frm_login.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace current_user {

frmLogin::frmLogin(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Tarnvel - Log in"));

    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setWordWrap(true);
    txtUserName = new QLineEdit(this);
    txtUserName->setObjectName(QStringLiteral("txtUserName"));
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);

    auto* buttons = new QDialogButtonBox(this);
    cmdOK = buttons->addButton(QDialogButtonBox::Ok);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = buttons->addButton(QDialogButtonBox::Cancel);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setText(QStringLiteral("&Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&User name:"), txtUserName);
    fields->addRow(QStringLiteral("&Password:"), txtPassword);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(lblMessage);
    layout->addWidget(buttons);
    setTabOrder(txtUserName, txtPassword);
    setTabOrder(txtPassword, cmdOK);
    showMessage(QString());
}

std::optional<Credentials> frmLogin::ask(const QString& message) {
    setEnabled(true);
    showMessage(message);
    txtPassword->clear();
    setWindowModality(Qt::ApplicationModal);
    show();
    activateWindow();
    // A retry keeps the name, so the password is what is typed next.
    (txtUserName->text().isEmpty() ? txtUserName : txtPassword)->setFocus();
    QEventLoop waiting;
    m_waiting = &waiting;
    const int answer = waiting.exec(QEventLoop::DialogExec);
    m_waiting = nullptr;
    if (answer != QDialog::Accepted) {
        hide();
        return std::nullopt;
    }
    Credentials credentials{txtUserName->text(), txtPassword->text()};
    txtPassword->clear();
    showMessage(QStringLiteral("Checking..."));
    setEnabled(false);
    show();
    return credentials;
}

void frmLogin::done(int result) {
    setResult(result);
    if (m_waiting)
        m_waiting->exit(result);
    else
        QDialog::done(result);
}

void frmLogin::showMessage(const QString& message) {
    lblMessage->setText(message);
    lblMessage->setVisible(!message.isEmpty());
}

} // namespace current_user
