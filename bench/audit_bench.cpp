// What the audit history costs. 1,000 classification adds, 100 generic names
// moved in one run of the generic-name assignment editor and 10,000 new stock
// items imported, each timed with the audit and without it (target: at most
// 1.2 times as long with it); and opening the History window of a generic
// name on a formulary of 100,000 nodes with 1,000,000 audit lines (target
// 100 ms). The program has no switch for the audit: without it, the audit
// tables are replaced by views that drop what is inserted, so that the change
// code runs unchanged. The embedded database always; a server database when
// FORMULARY_BENCH_PG_URL names one that may be emptied.

#include "bench_support.h"
#include "generic_editor.h"
#include "program_start.h"

#include "components/formulary_data/formulary.h"
#include "components/formulary_data/node_store.h"
#include "core/mdlFormulary.h"
#include "database/audit.h"
#include "database/generate.h"
#include "database/item_import.h"
#include "database/schema.h"
#include "editors/frmList.h"
#include "history/history_command.h"
#include "platform/db/transaction.h"
#include "platform/ui/error_report.h"
#include "platform/ui/keyed_tree.h"
#include "platform/ui/script.h"
#include "tree/frmFormulary.h"

#include <QDateTime>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kNodes = 100000;
constexpr int kAdds = 1000;
constexpr int kMoved = 100;
constexpr int kItems = 10000;
constexpr int kAuditLines = 1000000;
constexpr double kAuditLimit = 1.2;
constexpr double kHistoryTargetMs = 100;
constexpr int kHistoryRuns = 9;
const QString kRoot = QStringLiteral("_0");
const QString kMovedName = QStringLiteral("ZZAUDIT");
// Each run imports stock codes of its own, from here on.
constexpr int kFirstItem = 5000000;

// The audit tables, or in their place views that drop every line inserted.
void keepAudit(db::Connection& owner, bool on) {
    const bool server = owner.engine() == db::Engine::PostgreSQL;
    db::Transaction t(owner);
    for (const char* name : {"inventory", "patient_data"}) {
        const QString s = QLatin1String(name);
        if (on) {
            owner.execute(QStringLiteral("DROP VIEW %1.tbAudit").arg(s));
            owner.execute(QStringLiteral("ALTER TABLE %1.tbAudit_kept RENAME TO tbAudit").arg(s));
            continue;
        }
        owner.execute(QStringLiteral("ALTER TABLE %1.tbAudit RENAME TO tbAudit_kept").arg(s));
        owner.execute(
            QStringLiteral("CREATE VIEW %1.tbAudit AS SELECT * FROM %1.tbAudit_kept WHERE false")
                .arg(s));
        if (!server) {
            owner.execute(QStringLiteral("CREATE TRIGGER %1.tbAudit_discard INSTEAD OF INSERT ON"
                                         " tbAudit BEGIN SELECT 1; END")
                              .arg(s));
            continue;
        }
        owner.execute(QStringLiteral("CREATE RULE tbaudit_discard AS ON INSERT TO %1.tbAudit"
                                     " DO INSTEAD NOTHING")
                          .arg(s));
        // The change functions insert as the writer role.
        owner.execute(QStringLiteral("DO $grant$ BEGIN EXECUTE format('GRANT INSERT ON"
                                     " %1.tbAudit TO %I', current_database() || '_changes');"
                                     " END $grant$")
                          .arg(s));
    }
    t.commit();
}

// Each run starts alike: the write-ahead log written out, and on a server
// no plan of the program's sessions made for the other mode (a plan that an
// INSTEAD NOTHING rule emptied depends on no table, so dropping the view
// would not renew it).
void settle(db::Connection& owner) {
    if (owner.engine() != db::Engine::PostgreSQL) {
        for (const char* schema : {"inventory", "patient_data"})
            owner.query(
                QStringLiteral("PRAGMA %1.wal_checkpoint(TRUNCATE)").arg(QLatin1String(schema)));
        return;
    }
    owner.execute(QStringLiteral("CHECKPOINT"));
    for (db::Connection* c : {&owner, &mdlFormulary.objFormulary->connection(),
                              &mdlFormulary.objCurrentUser->sqlconnection()})
        c->execute(QStringLiteral("DISCARD PLANS"));
}

qint64 count(db::Connection& c, const QString& sql, const QVariantList& values = {}) {
    return c.query(sql, values).field(0).toLongLong();
}

qint64 auditLines(db::Connection& c) {
    return count(c, QStringLiteral("SELECT (SELECT COUNT(*) FROM inventory.tbAudit) +"
                                   " (SELECT COUNT(*) FROM patient_data.tbAudit)"));
}

// One workload, run by turns with the audit and without it, so that both
// meet the same growing data.
struct Workload {
    QString name;
    QString what;
    int runs = 0;                     // timed runs of each, after one that warms up
    qint64 lines = 0;                 // audit lines a run writes
    std::function<void(int)> before;  // untimed, ahead of each run
    std::function<void()> work;       // timed
    std::function<void(int)> checked; // untimed: throws unless the work was done
};

struct Timing {
    double withMs = 0;
    double withoutMs = 0;
};

Timing timeBothWays(db::Connection& owner, const Workload& w) {
    std::vector<double> with;
    std::vector<double> without;
    // The audit is on as the runs begin, and again after them.
    for (int run = 0; run < 2 * (w.runs + 1); ++run) {
        const bool on = run % 2 == 0;
        if (run > 0)
            keepAudit(owner, on);
        w.before(run);
        settle(owner);
        const qint64 lines = auditLines(owner);
        QElapsedTimer timer;
        timer.start();
        w.work();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        w.checked(run);
        if (auditLines(owner) - lines != (on ? w.lines : 0))
            throw std::runtime_error(on ? "the audit lines were not written"
                                        : "lines were written with the audit off");
        if (run >= 2)
            (on ? with : without).push_back(ms);
    }
    keepAudit(owner, true);
    settle(owner);
    return {bench::median(with), bench::median(without)};
}

struct Result {
    QString name;
    double ratio = 0;
};

// A top-level classification made through the program's component; its key and id.
std::pair<QString, qint64> addEmptyClassification(formulary_data::Formulary& formulary) {
    const QString key = bench::addWideClassification(formulary, 0);
    return {key, formulary.NodeFormulary.IdentityOf(key).value().id.toLongLong()};
}

std::vector<Workload> workloads(const QString& target, db::Connection& owner, frmFormulary& window,
                                ui::Script& script, const QTemporaryDir& folder) {
    auto& formulary = *mdlFormulary.objFormulary;
    std::vector<Workload> list;

    // (a) Classifications added one by one, as the tree adds them.
    auto added = std::make_shared<QString>();
    list.push_back(
        {QStringLiteral("classification_adds_1000"),
         QStringLiteral("%1 classification adds").arg(kAdds), 7, kAdds, [](int) {},
         [added, &formulary] { *added = bench::addWideClassification(formulary, kAdds - 1); },
         [added, &owner](int) {
             if (count(owner,
                       QStringLiteral("SELECT COUNT(*) FROM inventory.tbFormularyNode"
                                      " WHERE Node_Parent = ?"),
                       {*added}) != kAdds - 1)
                 throw std::runtime_error("the classifications were not all added");
         }});

    // (b) Generic names moved between two classifications, back and forth.
    const auto from = addEmptyClassification(formulary);
    const auto to = addEmptyClassification(formulary);
    const std::vector<qint64> codes = bench::addUnplacedGenerics(target, kMovedName, kMoved);
    const database::NodeIdentity first = formulary.NodeFormulary.IdentityOf(from.first).value();
    for (int i = 0; i < kMoved; ++i) {
        QString key = formulary_data::node_store::childKey(from.first, i + 1);
        if (!formulary.Generics.AddGeneric(first, key, {}, codes[std::size_t(i)]))
            throw std::runtime_error("a generic name to move could not be placed");
    }
    auto editor = std::make_shared<std::unique_ptr<frmList>>();
    const auto destination = [from, to](int run) { return run % 2 == 0 ? to : from; };
    list.push_back(
        {QStringLiteral("generic_moves_100"),
         QStringLiteral("%1 generic names moved in one editor run").arg(kMoved), 7, kMoved,
         [=, &window, &script](int run) {
             editor->reset();
             window.LoadTreeView(kRoot, {}, false);
             // Each name sits under the other classification: the editor asks first.
             for (int i = 0; i < kMoved; ++i)
                 script.answerNext(ui::Answer::Yes);
             *editor = bench::editorWithTicked(window, destination(run).first,
                                               destination(run).second, kMovedName, kMoved);
         },
         [editor] { (*editor)->cmdAdd->click(); },
         [=, &owner](int run) {
             editor->reset();
             if (count(owner,
                       QStringLiteral("SELECT COUNT(*) FROM inventory.tbFormularyNode"
                                      " WHERE Node_Parent = ? AND node_type = '2'"),
                       {destination(run).first}) != kMoved)
                 throw std::runtime_error("the generic names were not all moved");
         }});

    // (c) New stock items imported, as "formulary-admin import-items" does.
    const QString items = folder.filePath(QStringLiteral("audit_items.csv"));
    auto summary = std::make_shared<database::ImportSummary>();
    list.push_back(
        {QStringLiteral("import_items_10k"),
         QStringLiteral("%1 new stock items imported").arg(kItems), 5, kItems,
         [items](int run) { bench::writeItemsFile(items, kItems, kFirstItem + run * kItems); },
         [items, summary, &owner] { *summary = database::importItems(owner, items); },
         [summary](int) {
             if (summary->added != kItems)
                 throw std::runtime_error("the stock items were not all imported");
         }});
    return list;
}

// A million lines spread over the generated entries and over a year, in one
// statement: each entry gets about ten.
double fillAudit(db::Connection& owner) {
    const qint64 yearMs = 365LL * 24 * 3600 * 1000;
    const qint64 start = QDateTime::currentMSecsSinceEpoch() - yearMs;
    QElapsedTimer timer;
    timer.start();
    owner.execute(
        QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT CAST(0 AS BIGINT) UNION ALL"
            " SELECT i + 1 FROM n WHERE i < %1 - 1),"
            " e AS (SELECT ROW_NUMBER() OVER (ORDER BY Node_Key) - 1 AS r, node_type, Node_Key,"
            " NodeName, COALESCE(CAST(ClassificationID AS TEXT), CAST(GenericID AS TEXT),"
            " itemid) AS entry_id FROM inventory.tbFormularyNode WHERE node_type <> '0'),"
            " k AS (SELECT COUNT(*) AS entries FROM e)"
            " INSERT INTO inventory.tbAudit (changed_at, login_name, workstation, action,"
            " entry_kind, entry_id, node_key, entry_name, before_value, after_value)"
            " SELECT CAST(? AS BIGINT) + n.i * CAST(? AS BIGINT), 'bench', 'bench-workstation',"
            " CASE n.i % 3 WHEN 0 THEN 'rename' WHEN 1 THEN 'move' ELSE 'assign' END,"
            " CASE e.node_type WHEN '1' THEN 'classification' WHEN '2' THEN 'generic name'"
            " ELSE 'drug' END, e.entry_id, e.Node_Key, e.NodeName, 'Old ' || e.NodeName,"
            " e.NodeName FROM n CROSS JOIN k JOIN e ON e.r = n.i % k.entries")
            .arg(kAuditLines),
        {start, yearMs / kAuditLines});
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    // A server's statistics as autovacuum would leave them.
    if (owner.engine() == db::Engine::PostgreSQL)
        owner.execute(QStringLiteral("VACUUM ANALYZE inventory.tbAudit"));
    return seconds;
}

// The tree opened down to the node, as clicks open it.
void openDownTo(db::Connection& owner, frmFormulary& window, const QString& key) {
    QStringList path;
    for (QString at = key; at != kRoot;)
        path.prepend(at =
                         owner
                             .query(QStringLiteral("SELECT Node_Parent FROM"
                                                   " inventory.tbFormularyNode WHERE Node_Key = ?"),
                                    {at})
                             .field(0)
                             .toString());
    for (const QString& at : path)
        if (at != kRoot)
            window.treFormulary_NodeClick(window.treFormulary->node(at));
    window.treFormulary->setCurrentItem(window.treFormulary->node(key));
}

struct HistoryFigures {
    qint64 lines = 0;
    int rows = 0;
    double openMs = 0;
    double queryMs = 0;
};

// "&History" on a generic name of the tree, as its command opens the window,
// to its first painting.
HistoryFigures timeHistory(db::Connection& owner, frmFormulary& window, ui::Script& script) {
    const db::Recordset generic =
        owner.query(QStringLiteral("SELECT Node_Key, GenericID FROM inventory.tbFormularyNode"
                                   " WHERE node_type = '2' ORDER BY Node_Key"));
    const QString key = generic.field(0).toString();
    const qint64 id = generic.field(1).toLongLong();
    HistoryFigures f;
    f.lines = count(owner,
                    QStringLiteral("SELECT COUNT(*) FROM inventory.tbAudit WHERE entry_kind IN"
                                   " ('generic name', 'other details') AND entry_id = ?"),
                    {QString::number(id)});
    window.LoadTreeView(kRoot, {}, false);
    openDownTo(owner, window, key);
    f.openMs =
        bench::medianMs([&] { mnuHistory_Click(window); }, kHistoryRuns,
                        [&] {
                            script.onModal(QStringLiteral("frmHistory"), [&f](QDialog& dialog) {
                                auto* grid =
                                    dialog.findChild<QTableView*>(QStringLiteral("grdHistory"));
                                grid->viewport()->repaint();
                                f.rows = grid->model()->rowCount();
                            });
                        });
    if (f.rows != f.lines)
        throw std::runtime_error("the History window did not list the entry's lines");
    db::Connection& session = mdlFormulary.objCurrentUser->sqlconnection();
    f.queryMs = bench::medianMs(
        [&] { database::audit::history(session, database::Entry::GenericName, id); }, kHistoryRuns);
    return f;
}

std::vector<Result> run(const bench::Engine& engine, const QTemporaryDir& folder) {
    db::Connection owner(db::Target::parse(engine.target));
    owner.open(true);
    owner.setCommandTimeout(600);
    database::upgrade(owner);
    const database::GeneratedFormulary generated = database::generateFormulary(owner, kNodes);
    std::printf("%s: %d nodes (%d classifications, %d generic names, %d drugs)\n",
                qPrintable(engine.name), generated.nodes(), generated.classifications,
                generated.generics, generated.drugs);
    bench::addUser(owner);
    if (engine.server)
        owner.execute(QStringLiteral("VACUUM ANALYZE"));

    frmFormulary& window = bench::startProgram(engine.target);
    ui::Script script;
    std::vector<Result> results;
    for (const Workload& w : workloads(engine.target, owner, window, script, folder)) {
        const Timing t = timeBothWays(owner, w);
        const double ratio = t.withMs / t.withoutMs;
        std::printf("%s: %s: with the audit %.0f ms (%lld lines a run), without %.0f ms;"
                    " %.2f times (at most %.1f); medians of %d runs each\n",
                    qPrintable(engine.name), qPrintable(w.what), t.withMs,
                    static_cast<long long>(w.lines), t.withoutMs, ratio, kAuditLimit, w.runs);
        results.push_back(
            {QStringLiteral("audit_%1_%2").arg(w.name, engine.name), ratio / kAuditLimit});
    }

    const double fillSeconds = fillAudit(owner);
    std::printf("%s: %d audit lines written in one statement in %.1f s; %lld lines in all\n",
                qPrintable(engine.name), kAuditLines, fillSeconds,
                static_cast<long long>(auditLines(owner)));
    const HistoryFigures h = timeHistory(owner, window, script);
    std::printf("%s: History of a generic name with %lld lines: the window opened %.1f ms"
                " (target %.0f ms), of which reading the lines %.1f ms; medians of %d\n",
                qPrintable(engine.name), static_cast<long long>(h.lines), h.openMs,
                kHistoryTargetMs, h.queryMs, kHistoryRuns);
    results.push_back(
        {QStringLiteral("history_open_%1").arg(engine.name), h.openMs / kHistoryTargetMs});
    mdlFormulary.clear();
    return results;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::Application app(argc, argv);
    QTemporaryDir folder;
    std::vector<Result> all;
    for (const bench::Engine& e : bench::engines(folder, QStringLiteral("postgres")))
        for (const Result& r : run(e, folder))
            all.push_back(r);
    for (const Result& r : all)
        std::printf("RATIO %s %.3f\n", qPrintable(r.name), r.ratio);
    return 0;
}
