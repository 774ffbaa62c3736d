#pragma once

#include "components/current_user/current_user.h"

#include <QDialog>

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

private:
    void showMessage(const QString& message);
};

} // namespace current_user
