#include "command_line.h"

namespace admin {

namespace {

const Option* findOption(const Command& command, const QString& name) {
    for (const Option& option : command.options)
        if (option.name == name)
            return &option;
    return nullptr;
}

} // namespace

Arguments::Arguments(const Command& command, const QStringList& args) : m_command(command) {
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        // After "--" everything is an argument, even a user named "-x".
        if (optionsEnded || arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-'))) {
            m_positional << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            m_help = true;
            return;
        }
        if (!arg.startsWith(QLatin1String("--")))
            throw UsageError{QStringLiteral("%1 has no option %2.").arg(command.name, arg)};
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        const QString name = arg.mid(2, equals < 0 ? -1 : equals - 2);
        const Option* option = findOption(command, name);
        if (!option)
            throw UsageError{QStringLiteral("%1 has no option --%2.").arg(command.name, name)};
        if (option->valueName.isEmpty()) {
            if (equals >= 0)
                throw UsageError{QStringLiteral("--%1 takes no value.").arg(name)};
            m_values.insert(name, QStringLiteral("yes"));
        } else if (equals >= 0) {
            m_values.insert(name, arg.mid(equals + 1));
        } else if (i + 1 < args.size()) {
            m_values.insert(name, args.at(++i));
        } else {
            throw UsageError{
                QStringLiteral("--%1 needs a value (%2).").arg(name, option->valueName)};
        }
    }
    if (m_positional.size() < command.positional)
        throw UsageError{QStringLiteral("%1 needs %2.").arg(command.name, command.arguments)};
    if (m_positional.size() > command.positional)
        throw UsageError{
            QStringLiteral("%1 takes %2, not \"%3\".")
                .arg(command.name,
                     command.positional ? command.arguments : QStringLiteral("no arguments"),
                     m_positional.mid(command.positional).join(QLatin1Char(' ')))};
}

QString Arguments::required(const QString& option) const {
    if (!has(option) || value(option).trimmed().isEmpty())
        throw UsageError{QStringLiteral("%1 needs --%2.").arg(m_command.name, option)};
    return value(option).trimmed();
}

QString helpText(const Command& command) {
    QString text =
        QStringLiteral("Usage: formulary-admin %1%2%3\n\n%4\n")
            .arg(command.name,
                 command.arguments.isEmpty() ? QString() : QLatin1Char(' ') + command.arguments,
                 command.options.empty() ? QString() : QStringLiteral(" [options]"),
                 command.summary);
    if (!command.details.isEmpty())
        text += QLatin1Char('\n') + command.details + QLatin1Char('\n');
    text += QStringLiteral("\nOptions:\n");
    for (const Option& option : command.options) {
        const QString left =
            QStringLiteral("--") + option.name +
            (option.valueName.isEmpty() ? QString() : QLatin1Char(' ') + option.valueName);
        text += QStringLiteral("  %1  %2\n").arg(left, -24).arg(option.help);
    }
    text += QStringLiteral("  %1  %2\n")
                .arg(QStringLiteral("--help"), -24)
                .arg(QStringLiteral("Show this help."));
    return text;
}

} // namespace admin
