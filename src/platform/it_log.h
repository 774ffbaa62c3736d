#pragma once

#include <QString>

// A log for the hospital's IT staff: what went wrong and why, beside what
// the window told the user. One file per user, in the XDG state folder
// ($XDG_STATE_HOME, else ~/.local/state), formulary/formulary.log; when it
// passes 1 MiB it becomes formulary.log.1 and a new one starts. Passwords
// in addresses are masked; the files are the user's alone.
namespace it_log {

QString path();

// Appends one line, stamped with the time and the program. Never throws:
// a log that cannot be written must not stop the program.
void write(const QString& message);

// Tells standard error (as the program "formulary") and the log.
void report(const QString& message);

} // namespace it_log
