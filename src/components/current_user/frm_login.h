#pragma once

#include "components/current_user/current_user.h"

#include <QDialog>
#include <QEventLoop>

class QLabel;
class QLineEdit;
class QPushButton;

namespace current_user {

// The log-in window: user name and password, "OK" logs in, "Cancel" gives up.
class frmLogin : public QDialog {
    Q_OBJECT

public:
    explicit frmLogin(QWidget* parent = nullptr);

    // Shows the window modally with the text of the previous failure; the
    // name and password entered, or nullopt when the user cancels. After an
    // answer the window stays on screen, disabled, while the log-in is checked.
    std::optional<Credentials> ask(const QString& message);

    QLabel* lblMessage;
    QLineEdit* txtUserName;
    QLineEdit* txtPassword;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

protected:
    // An answer ends the wait of ask without hiding the window: it stays put
    // between attempts instead of flickering.
    void done(int result) override;

private:
    void showMessage(const QString& message);

    QEventLoop* m_waiting = nullptr;
};

} // namespace current_user
