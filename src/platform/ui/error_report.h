#pragma once

#include <QApplication>
#include <exception>
#include <functional>

class AppError;

namespace ui {

// The exit code of a run that the general error report ended.
constexpr int ErrorExitCode = 1;

// The general error report: shows an error that no handler trapped (number,
// description, source) and ends the program. Every change to the database is
// a transaction, so ending here loses nothing stored.
void reportError(const AppError& error);
void reportError(const std::exception& error);

// Runs a command handler; an error escaping it goes to the error report,
// except a change refused for want of a right or for another workstation's
// change, which is only shown (nothing was changed). False when either happened.
bool runCommand(const std::function<void()>& handler);

// A slot for connect() that runs the handler through runCommand.
template <typename Handler> auto command(Handler handler) {
    return [handler = std::move(handler)]() { runCommand(handler); };
}

// The application of the program and of the window tests: no exception
// crosses the event loop; one that reaches it goes to the error report.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace ui
