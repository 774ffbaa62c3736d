#include "admin.h"

#include <csignal>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace admin {

namespace {

termios savedTerminal{};

// Ctrl-C while the password is typed must not leave the terminal without echo.
extern "C" void restoreAndStop(int signal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Echo off for as long as it lives, then the terminal as it was.
class EchoOff {
public:
    EchoOff() {
        m_ok = tcgetattr(STDIN_FILENO, &savedTerminal) == 0;
        if (!m_ok)
            return;
        m_previousInt = std::signal(SIGINT, restoreAndStop);
        m_previousTerm = std::signal(SIGTERM, restoreAndStop);
        termios quiet = savedTerminal;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    ~EchoOff() {
        if (!m_ok)
            return;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
        std::signal(SIGINT, m_previousInt);
        std::signal(SIGTERM, m_previousTerm);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    bool m_ok = false;
    void (*m_previousInt)(int) = SIG_DFL;
    void (*m_previousTerm)(int) = SIG_DFL;
};

} // namespace

std::optional<QString> askPasswordOnTerminal(const QString& prompt) {
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    std::cerr << prompt.toStdString() << std::flush;
    std::string line;
    {
        EchoOff quiet;
        if (!std::getline(std::cin, line))
            line.clear();
    }
    std::cerr << std::endl;
    return QString::fromUtf8(line.data(), qsizetype(line.size()));
}

std::function<void(const QString& text)> progressOnTerminal() {
    if (!isatty(STDERR_FILENO))
        return {};
    return [](const QString& text) {
        // Back to the line's start, the old text erased.
        std::cerr << "\r\033[K" << text.toStdString() << std::flush;
    };
}

} // namespace admin
