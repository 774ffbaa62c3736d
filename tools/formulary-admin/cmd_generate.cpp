#include "commands.h"

#include "database/generate.h"
#include "database/setup.h"

#include <QElapsedTimer>

namespace admin {

namespace {

constexpr int MaxNodes = 10'000'000;
constexpr int GenerateTimeoutSeconds = 3600;

int runGenerate(const Arguments& args, AdminIo& io) {
    bool ok = false;
    const int nodes = args.at(0).toInt(&ok);
    if (!ok || nodes < 1 || nodes > MaxNodes)
        throw UsageError{QStringLiteral("N is a whole number from 1 to %1, not \"%2\".")
                             .arg(MaxNodes)
                             .arg(args.at(0))};
    const auto c = database::openCreating(args.at(1));
    // Each of its few statements writes up to millions of rows: far longer
    // than a workstation's statement may take.
    c->setCommandTimeout(GenerateTimeoutSeconds);
    QElapsedTimer timer;
    timer.start();
    const database::GeneratedFormulary g =
        database::generateFormulary(*c, nodes, progressOf(args, io));
    io.out << QStringLiteral("Generated %1 nodes in %2 s into %3:\n")
                  .arg(g.nodes())
                  .arg(double(timer.elapsed()) / 1000.0, 0, 'f', 1)
                  .arg(c->target().display())
           << QStringLiteral(
                  "  %1 classifications, %2 generic names (and %3 under no classification),\n")
                  .arg(g.classifications)
                  .arg(g.generics)
                  .arg(g.unassignedGenerics)
           << QStringLiteral(
                  "  %1 drugs (and %2 stock items under no generic name), %3 other details.\n")
                  .arg(g.drugs)
                  .arg(g.unplacedItems)
                  .arg(g.otherDetails);
    return Success;
}

} // namespace

Command generateCommand() {
    return {
        QStringLiteral("generate"),
        QStringLiteral("N TARGET"),
        2,
        QStringLiteral(
            "Creates a database (when missing) holding a synthetic formulary of about N nodes."),
        QStringLiteral(
            "For benchmarks: nested classifications (about 3%), generic names (about 20%)\n"
            "and drugs (the rest), some generic names and stock items left unplaced. The\n"
            "same N always gives the same formulary. Users come from \"init\" before, if\n"
            "needed; a database that holds a formulary already is refused."),
        {quietOption()},
        runGenerate};
}

} // namespace admin
