#include "admin.h"

#include "command_line.h"
#include "commands.h"
#include "platform/app_error.h"

#include <QCoreApplication>

namespace admin {

namespace {

const std::vector<Command>& commands() {
    static const std::vector<Command> all = [] {
        std::vector<Command> list = {initCommand(), upgradeCommand(), demoCommand()};
        for (Command& c : userCommands())
            list.push_back(std::move(c));
        list.push_back(importItemsCommand());
        list.push_back(generateCommand());
        list.push_back(locationCommand());
        list.push_back(auditCommand());
        return list;
    }();
    return all;
}

QString overview(const QString& group = {}) {
    QString text =
        group.isEmpty()
            ? QStringLiteral("Usage: formulary-admin COMMAND [arguments] [options]\n"
                             "       formulary-admin --version\n\n"
                             "Administration of the formulary database.\n\nCommands:\n")
            : QStringLiteral(
                  "Usage: formulary-admin %1 COMMAND [arguments] [options]\n\nCommands:\n")
                  .arg(group);
    for (const Command& c : commands())
        if (group.isEmpty() || c.name.startsWith(group + QLatin1Char(' ')))
            text += QStringLiteral("  %1  %2\n")
                        .arg(c.name + QLatin1Char(' ') + c.arguments, -28)
                        .arg(c.summary);
    text += QStringLiteral(
        "\n\"formulary-admin COMMAND --help\" tells more. Exit codes: 0 done, 1 failed, "
        "2 wrong command line.\n");
    return text;
}

bool isHelp(const QString& arg) {
    return arg == QLatin1String("--help") || arg == QLatin1String("-h") ||
           arg == QLatin1String("help");
}

// The command named by the first one or two words, and how many words name it.
std::pair<const Command*, int> findCommand(const QStringList& args) {
    for (const Command& c : commands()) {
        const QStringList words = c.name.split(QLatin1Char(' '));
        if (args.mid(0, words.size()) == words)
            return {&c, int(words.size())};
    }
    return {nullptr, 0};
}

int dispatch(const QStringList& args, AdminIo& io) {
    if (args.isEmpty())
        throw UsageError{QStringLiteral("no command given.")};
    if (isHelp(args.first())) {
        io.out << overview();
        return Success;
    }
    if (args.first() == QLatin1String("--version")) {
        io.out << QStringLiteral("formulary-admin ") << QCoreApplication::applicationVersion()
               << QLatin1Char('\n');
        return Success;
    }
    const auto [command, words] = findCommand(args);
    if (!command) {
        const bool isGroup =
            std::any_of(commands().begin(), commands().end(), [&](const Command& c) {
                return c.name.startsWith(args.first() + QLatin1Char(' '));
            });
        if (isGroup && (args.size() == 1 || isHelp(args.at(1)))) {
            (args.size() == 1 ? io.err : io.out) << overview(args.first());
            return args.size() == 1 ? UsageFault : Success;
        }
        throw UsageError{isGroup ? QStringLiteral("unknown command \"%1\".")
                                       .arg(args.mid(0, 2).join(QLatin1Char(' ')))
                                 : QStringLiteral("unknown command \"%1\".").arg(args.first())};
    }
    const Arguments parsed(*command, args.mid(words));
    if (parsed.helpAsked()) {
        io.out << helpText(*command);
        return Success;
    }
    return command->run(parsed, io);
}

} // namespace

int runAdmin(const QStringList& args, AdminIo& io) {
    try {
        return dispatch(args, io);
    } catch (const UsageError& e) {
        const auto [command, words] = findCommand(args);
        io.err << QStringLiteral("formulary-admin: ") << e.message << QLatin1Char('\n')
               << QStringLiteral("Try \"formulary-admin %1--help\".\n")
                      .arg(command ? command->name + QLatin1Char(' ') : QString());
        return UsageFault;
    } catch (const AppError& e) {
        io.err << QStringLiteral("formulary-admin: ") << e.description() << QLatin1Char('\n');
        return Failed;
    } catch (const std::exception& e) {
        io.err << QStringLiteral("formulary-admin: ") << QString::fromLocal8Bit(e.what())
               << QLatin1Char('\n');
        return Failed;
    }
}

} // namespace admin
