// Find entry on a generated formulary of 100,000 nodes: For_SearchNodeList
// with a two-letter key, on each engine, against a plain SELECT of the same
// rows; and opening the traced path of a drug whose branches are not loaded
// (the trace, reading it back, loading and expanding every branch on the way).
// The embedded database always; a server database when
// FORMULARY_BENCH_PG_URL names one that may be emptied.

#include "bench_support.h"
#include "components/current_user/current_user.h"
#include "components/current_user/user_store.h"
#include "core/mdlFormulary.h"
#include "database/generate.h"
#include "database/procedures.h"
#include "database/schema.h"
#include "database/session.h"
#include "find/find_entry.h"
#include "platform/db/transaction.h"
#include "platform/ui/error_report.h"
#include "platform/ui/keyed_tree.h"
#include "program_start.h"
#include "tree/frmFormulary.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kNodes = 100000;
constexpr int kRuns = 7;
constexpr int kPaths = 5;
const QString kKey = QStringLiteral("am");

struct Limits {
    double searchMs;
    double openPathMs;
};

struct Result {
    QString engine;
    int hits = 0;
    double searchMs = 0;
    double plainMs = 0;
    double openPathMs = 0;
    Limits limits{};
};

// The hits copied into a table of their own, to time reading the same rows
// without the search.
void copyHits(db::Connection& c, db::Recordset& hits) {
    c.execute(QStringLiteral("CREATE TABLE inventory.bench_hits"
                             " (ItemName TEXT, ParentName TEXT, Node_Key TEXT)"));
    db::Transaction t(c);
    for (hits.moveFirst(); !hits.eof(); hits.moveNext())
        c.execute(QStringLiteral("INSERT INTO inventory.bench_hits VALUES (?, ?, ?)"),
                  {hits.field(0), hits.field(1), hits.field(2)});
    t.commit();
}

void timeSearch(db::Connection& c, Result& r) {
    db::Recordset hits = database::For_SearchNodeList(c, kKey);
    r.hits = hits.recordCount();
    r.searchMs = bench::medianMs([&] { database::For_SearchNodeList(c, kKey); }, kRuns);
    copyHits(c, hits);
    r.plainMs = bench::medianMs(
        [&] {
            c.query(
                QStringLiteral("SELECT ItemName, ParentName, Node_Key FROM inventory.bench_hits"));
        },
        kRuns);
    c.execute(QStringLiteral("DROP TABLE inventory.bench_hits"));
}

// Drugs each under a different top-level classification, as deep as they go,
// so that no path shares a loaded branch with another.
QStringList deepDrugs(db::Connection& c) {
    db::Recordset rs = c.query(QStringLiteral(
        "SELECT Node_Key, Node_Level FROM inventory.tbFormularyNode WHERE node_type = '3'"
        " ORDER BY Node_Level DESC, Node_Key"));
    QStringList drugs;
    QStringList tops;
    for (; !rs.eof() && drugs.size() < kPaths; rs.moveNext()) {
        const QString key = rs.text(QStringLiteral("Node_Key"));
        const QString top = key.section(QLatin1Char('.'), 0, 0);
        if (!tops.contains(top)) {
            tops << top;
            drugs << key;
        }
    }
    return drugs;
}

// Logs in as the program does and opens each drug's path from a tree that
// shows only its first level.
void timeOpenPath(const QString& target, db::Connection& c, Result& r) {
    bench::addUser(c);
    frmFormulary& window = bench::startProgram(target);
    db::Connection& session = mdlFormulary.objCurrentUser->sqlconnection();
    std::vector<double> times;
    for (const QString& drug : deepDrugs(c)) {
        mdlFormulary.FindInProgress = true; // as after a search
        QElapsedTimer timer;
        timer.start();
        database::For_TraceParent(session, drug);
        OpenTracedPath(window);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        const QTreeWidgetItem* selected = window.treFormulary->currentItem();
        if (!selected || ui::KeyedTree::keyOf(selected) != drug)
            std::fprintf(stderr, "the path to %s was not opened\n", qPrintable(drug));
    }
    std::sort(times.begin(), times.end());
    r.openPathMs = times.empty() ? 0 : times[times.size() / 2];
    mdlFormulary.clear();
}

Result run(const QString& engine, const QString& target, Limits limits) {
    Result r{engine, 0, 0, 0, 0, limits};
    db::Connection c(db::Target::parse(target));
    c.open(true);
    database::upgrade(c);
    const database::GeneratedFormulary generated = database::generateFormulary(c, kNodes);
    database::beginSession(c, QStringLiteral("BENCH"));
    std::printf("%s: %d nodes (%d classifications, %d generic names, %d drugs)\n",
                qPrintable(engine), generated.nodes(), generated.classifications,
                generated.generics, generated.drugs);
    timeSearch(c, r);
    timeOpenPath(target, c, r);
    std::printf("%s: search \"%s\" %d hits in %.1f ms (limit %.0f ms), plain SELECT of the "
                "same rows %.1f ms; opening a drug's unloaded path %.1f ms (limit %.0f ms)\n",
                qPrintable(engine), qPrintable(kKey), r.hits, r.searchMs, limits.searchMs,
                r.plainMs, r.openPathMs, limits.openPathMs);
    return r;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    current_user::setApplicationIdentity();
    ui::Application app(argc, argv);
    std::vector<Result> results;
    QTemporaryDir folder;
    for (const bench::Engine& e : bench::engines(folder, QStringLiteral("postgresql")))
        results.push_back(run(e.name, e.target, {e.server ? 100.0 : 50.0, 200}));
    for (const Result& r : results) {
        std::printf("RATIO find_search_%s %.3f\n", qPrintable(r.engine),
                    r.searchMs / r.limits.searchMs);
        std::printf("RATIO find_search_vs_plain_select_%s %.3f\n", qPrintable(r.engine),
                    r.searchMs / r.plainMs);
        std::printf("RATIO find_open_path_%s %.3f\n", qPrintable(r.engine),
                    r.openPathMs / r.limits.openPathMs);
    }
    return 0;
}
