#pragma once

#include <QStringList>
#include <QTextStream>
#include <functional>
#include <optional>

namespace admin {

// Exit codes of formulary-admin.
enum ExitCode { Success = 0, Failed = 1, UsageFault = 2 };

// Where a command writes and how it asks for a password.
struct AdminIo {
    QTextStream& out;
    QTextStream& err;
    // Asks for a password without showing it; nullopt when there is no
    // terminal to ask on.
    std::function<std::optional<QString>(const QString& prompt)> askPassword;
    // Shows how far long work has come, on one line that the next call
    // replaces (an empty text clears it); empty when nobody watches.
    std::function<void(const QString& text)> progress = {};
};

// Runs one formulary-admin command line (without the program name) and
// answers its exit code.
int runAdmin(const QStringList& args, AdminIo& io);

// Asks on the terminal with echo off; nullopt when standard input is not a terminal.
std::optional<QString> askPasswordOnTerminal(const QString& prompt);

// Progress on standard error when it is a terminal; empty otherwise.
std::function<void(const QString& text)> progressOnTerminal();

} // namespace admin
