#include "platform/ui/error_report.h"

#include "platform/app_error.h"
#include "platform/db/connection.h"
#include "platform/it_log.h"
#include "platform/ui/empty_captions.h"
#include "platform/ui/message_box.h"
#include "platform/ui/script.h"

#include <QThread>

namespace ui {

namespace {

// The number of an error that is not one of the program's own.
constexpr long InternalError = 51;

void endProgram() {
    if (Script* script = Script::current())
        script->endProgram(ErrorExitCode);
    else
        QCoreApplication::exit(ErrorExitCode);
}

// A change that the server's rules or another workstation's change refused
// was rolled back whole: say why, and go on.
bool isRefusal(const AppError& error) {
    return error.number() == AppError::PermissionDenied ||
           error.number() == AppError::ChangeConflict;
}

void reportRefusal(const AppError& error) {
    const QString text =
        error.number() == AppError::PermissionDenied
            ? QStringLiteral("The database server refused this change:\n\n%1\n\nNothing was "
                             "changed.")
                  .arg(error.description())
            : error.description();
    MessageBox::show(text, {}, Buttons::OK, Icon::Exclamation);
}

} // namespace

void reportError(const AppError& error) {
    const QString source =
        error.source().isEmpty() ? QCoreApplication::applicationName() : error.source();
    it_log::write(
        QStringLiteral("Error %1 in %2: %3").arg(error.number()).arg(source, error.description()));
    MessageBox::show(QStringLiteral("Error %1\n\n%2\n\nSource: %3")
                         .arg(error.number())
                         .arg(error.description(), source),
                     {}, Buttons::OK, Icon::Critical);
    endProgram();
}

void reportError(const std::exception& error) {
    reportError(AppError(InternalError, QString::fromLocal8Bit(error.what())));
}

bool runCommand(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const AppError& error) {
        if (isRefusal(error))
            reportRefusal(error);
        else
            reportError(error);
    } catch (const std::exception& error) {
        reportError(error);
    }
    return false;
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    installEventFilter(new EmptyCaptions(this));
    // Waiting for another workstation's lock on the embedded database.
    db::Connection::setWaitNotifier([](bool waiting) {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            return;
        if (waiting)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

bool Application::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    runCommand([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace ui
