#include "admin.h"

#include "components/current_user/current_user.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    current_user::setApplicationIdentity();
    QTextStream out(stdout);
    QTextStream err(stderr);
    admin::AdminIo io{out, err, admin::askPasswordOnTerminal, admin::progressOnTerminal()};
    return admin::runAdmin(app.arguments().mid(1), io);
}
