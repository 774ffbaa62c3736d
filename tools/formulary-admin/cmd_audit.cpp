#include "commands.h"

#include "components/current_user/user_rows.h"
#include "database/audit.h"
#include "database/csv.h"
#include "table.h"

namespace admin {

namespace {

using database::audit::Line;

const QString kStdout = QStringLiteral("-");

// --since and --until: a day (local time) or an ISO 8601 date and time. A day
// given to --until is taken whole, up to the start of the day after.
QDateTime momentOf(const Arguments& args, const QString& option, int daysLater) {
    if (!args.has(option))
        return {};
    const QString text = args.value(option).trimmed();
    const QDate day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (day.isValid())
        return day.addDays(daysLater).startOfDay();
    const QDateTime moment = QDateTime::fromString(text, Qt::ISODate);
    if (!moment.isValid())
        throw UsageError{QStringLiteral("--%1 takes a date YYYY-MM-DD or a date and time "
                                        "YYYY-MM-DDTHH:MM[:SS], not \"%2\".")
                             .arg(option, args.value(option))};
    return moment;
}

QString entryOf(const Line& line) {
    return line.entryId.isEmpty() ? line.name
                                  : QStringLiteral("%1 %2").arg(line.entryId, line.name);
}

void printLines(const std::vector<Line>& lines, AdminIo& io) {
    if (lines.empty()) {
        io.out << QStringLiteral("No changes recorded.\n");
        return;
    }
    std::vector<QStringList> rows;
    for (const Line& l : lines)
        rows.push_back({database::audit::timeText(l.when), l.who, l.workstation, l.action, l.kind,
                        entryOf(l), l.before, l.after});
    printTable(io.out,
               {{QStringLiteral("WHEN")},
                {QStringLiteral("WHO"), 24},
                {QStringLiteral("WORKSTATION"), 24},
                {QStringLiteral("WHAT")},
                {QStringLiteral("KIND")},
                {QStringLiteral("ENTRY"), 28},
                {QStringLiteral("BEFORE"), 30},
                {QStringLiteral("AFTER"), 30}},
               rows);
}

QString csvText(const std::vector<Line>& lines) {
    using database::csvRecord;
    QString text = csvRecord({"when", "who", "workstation", "action", "entry_kind", "entry_id",
                              "node_key", "entry_name", "before", "after"});
    for (const Line& l : lines)
        text += csvRecord({l.when.toOffsetFromUtc(l.when.offsetFromUtc()).toString(Qt::ISODate),
                           l.who, l.workstation, l.action, l.kind, l.entryId, l.nodeKey, l.name,
                           l.before, l.after});
    return text;
}

void writeCsv(const QString& path, const std::vector<Line>& lines, AdminIo& io) {
    if (path == kStdout) {
        io.out << csvText(lines);
        return;
    }
    database::writeCsvFile(path, csvText(lines));
    io.out << QStringLiteral("Wrote %1 audit %2 to %3.\n")
                  .arg(lines.size())
                  .arg(lines.size() == 1 ? QStringLiteral("line") : QStringLiteral("lines"), path);
}

int runAudit(const Arguments& args, AdminIo& io) {
    const QDateTime since = momentOf(args, QStringLiteral("since"), 0);
    const QDateTime until = momentOf(args, QStringLiteral("until"), 1);
    if (since.isValid() && until.isValid() && since >= until)
        throw UsageError{QStringLiteral("--until must be later than --since.")};
    const QString user = current_user::foldedUserName(args.value(QStringLiteral("user")));
    const auto c = openExisting(args);
    const std::vector<Line> lines = database::audit::trail(*c, since, until, user);
    if (args.has(QStringLiteral("csv")))
        writeCsv(args.value(QStringLiteral("csv")), lines, io);
    else
        printLines(lines, io);
    return Success;
}

} // namespace

Command auditCommand() {
    return {QStringLiteral("audit"),
            {},
            0,
            QStringLiteral("Lists the changes recorded in the audit history."),
            QStringLiteral(
                "Lists who changed what, when, from which workstation, and the values before\n"
                "and after, oldest first. DATE is a day, YYYY-MM-DD, in local time, or a date and\n"
                "time, YYYY-MM-DDTHH:MM[:SS]; --until takes a day whole, a time up to (not\n"
                "including) it. On a database server, the server decides which lines each user\n"
                "may read.\n\n"
                "The CSV is UTF-8 with a header row, times in ISO 8601 with their offset, and\n"
                "fields quoted as spreadsheets read them. Its values are exact, as recorded, also\n"
                "those beginning with =, +, - or @, which a spreadsheet may take for formulas:\n"
                "import the file with its columns as text rather than opening it directly."),
            {{QStringLiteral("since"), QStringLiteral("DATE"),
              QStringLiteral("Only changes from DATE on.")},
             {QStringLiteral("until"), QStringLiteral("DATE"),
              QStringLiteral("Only changes up to DATE.")},
             {QStringLiteral("user"), QStringLiteral("NAME"),
              QStringLiteral("Only the changes of this user.")},
             {QStringLiteral("csv"), QStringLiteral("FILE"),
              QStringLiteral("Write CSV to FILE (\"-\": standard output) instead of a table.")},
             databaseOption()},
            runAudit};
}

} // namespace admin
