#include "admin.h"

#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace admin {

namespace {

// Echo off for as long as it lives, then the terminal as it was.
class EchoOff {
public:
    EchoOff() {
        m_ok = tcgetattr(STDIN_FILENO, &m_saved) == 0;
        if (!m_ok)
            return;
        termios quiet = m_saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    ~EchoOff() {
        if (m_ok)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios m_saved{};
    bool m_ok = false;
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
    return QString::fromStdString(line);
}

} // namespace admin
