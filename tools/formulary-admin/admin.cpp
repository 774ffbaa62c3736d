#include "admin.h"

#include "command_line.h"
#include "commands.h"
#include "platform/app_error.h"
#include "platform/db/target.h"
#include "platform/it_log.h"

#include <QCoreApplication>

namespace admin {

namespace {

const std::vector<Command>& commands() {
    static const std::vector<Command> all = [] {
        std::vector<Command> list = {initCommand(), upgradeCommand(), demoCommand()};
        for (Command& c : userCommands())
            list.push_back(std::move(c));
        list.push_back(importItemsCommand());
        for (Command& c : formularyFileCommands())
            list.push_back(std::move(c));
        list.push_back(generateCommand());
        list.push_back(locationCommand());
        list.push_back(auditCommand());
        for (std::vector<Command> group :
             {hospitalCommands(), restrictionCommands(), backupCommands()})
            for (Command& c : group)
                list.push_back(std::move(c));
        list.push_back(checkCommand());
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
    text += QStringLiteral("\nOptions:\n  %1  %2\n")
                .arg(QStringLiteral("--help"), -28)
                .arg(QStringLiteral("Show this help."));
    if (group.isEmpty())
        text += QStringLiteral("  %1  %2\n")
                    .arg(QStringLiteral("--version"), -28)
                    .arg(QStringLiteral("Show the version."));
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

// A failure in the words of the tool, without any password it was given, on
// standard error and in the log for IT.
int failed(AdminIo& io, const QString& why) {
    const QString shown = db::Target::masked(why);
    io.err << QStringLiteral("formulary-admin: ") << shown << QLatin1Char('\n');
    it_log::write(shown);
    return Failed;
}

// Clears the progress line when the command ends, before its result or error.
class ProgressLine {
public:
    explicit ProgressLine(AdminIo& io) : m_io(io) {}
    ~ProgressLine() {
        if (m_io.progress)
            m_io.progress(QString());
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    AdminIo& m_io;
};

} // namespace

int runAdmin(const QStringList& args, AdminIo& io) {
    try {
        const ProgressLine line(io);
        return dispatch(args, io);
    } catch (const UsageError& e) {
        const auto [command, words] = findCommand(args);
        io.err << QStringLiteral("formulary-admin: ") << db::Target::masked(e.message)
               << QLatin1Char('\n')
               << QStringLiteral("Try \"formulary-admin %1--help\".\n")
                      .arg(command ? command->name + QLatin1Char(' ') : QString());
        return UsageFault;
    } catch (const AppError& e) {
        return failed(io, e.description());
    } catch (const std::exception& e) {
        return failed(io, QString::fromLocal8Bit(e.what()));
    }
}

} // namespace admin
