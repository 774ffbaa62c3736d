#pragma once

#include "admin.h"

#include <QHash>
#include <vector>

namespace admin {

// A wrong command line: the message and the command whose help would tell more.
struct UsageError {
    QString message;
};

struct Option {
    QString name;      // without the leading "--"
    QString valueName; // empty for a flag
    QString help;
};

class Arguments;

// One command: what it takes, its help, and what it does.
struct Command {
    QString name;      // "init", "user add"
    QString arguments; // "TARGET", shown in the usage line
    int positional = 0;
    QString summary;
    QString details;
    std::vector<Option> options;
    std::function<int(const Arguments&, AdminIo&)> run;
};

// A parsed command line: positional arguments, option values and flags.
class Arguments {
public:
    Arguments(const Command& command, const QStringList& args);

    bool helpAsked() const { return m_help; }
    const QString& commandName() const { return m_command.name; }
    const QString& at(int index) const { return m_positional.at(index); }
    bool has(const QString& option) const { return m_values.contains(option); }
    QString value(const QString& option, const QString& fallback = {}) const {
        return m_values.value(option, fallback);
    }
    // The value of an option the command cannot do without.
    QString required(const QString& option) const;

private:
    const Command& m_command;
    QStringList m_positional;
    QHash<QString, QString> m_values;
    bool m_help = false;
};

QString helpText(const Command& command);

} // namespace admin
