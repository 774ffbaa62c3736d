// The program on a hospital network: each operation timed against the
// server directly and through a proxy that holds every packet 0.5 ms each
// way (1 ms a round trip), with the statements it sends counted. Its limit
// is its direct time plus 1 ms a statement: one round trip per statement.
// The operations: an editor keystroke search, a Find search, opening a node
// with 500 children, Load All, and 100 generic names moved in one editor run.
// A server only: FORMULARY_BENCH_PG_URL names a database that may be emptied.

#include "bench_support.h"
#include "delaying_proxy.h"
#include "generic_editor.h"
#include "program_start.h"

#include "core/mdlFormulary.h"
#include "database/generate.h"
#include "database/procedures.h"
#include "database/schema.h"
#include "editors/frmDrugList.h"
#include "editors/frmList.h"
#include "platform/ui/error_report.h"
#include "platform/ui/flex_grid.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

#include <QPushButton>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kNodes = 20000;
constexpr int kRuns = 9;
constexpr int kChildren = 500;
constexpr int kMoved = 100;
constexpr double kMsPerStatement = 1.0;
const QString kRoot = QStringLiteral("_0");
const QString kEditorKey = QStringLiteral("AMB");
const QString kFindKey = QStringLiteral("am");
const QString kMovedName = QStringLiteral("ZZMOVED");

// What the operations work on.
struct Setup {
    QString wide;              // a classification with 500 classifications under it
    qint64 classification = 0; // where the 100 generic names are moved
    QString classificationKey;
    qint64 generic = 0;        // the generic name with the most drugs
    std::vector<qint64> moved; // generic names under no classification, to be moved
};

struct Figures {
    double ms = 0;
    qint64 statements = 0;
    qint64 roundTrips = 0;
};

struct Operation {
    QString name;
    std::function<void()> before; // untimed, ahead of each run
    std::function<void()> work;
};

Setup prepare(const QString& target) {
    db::Connection c(db::Target::parse(target));
    c.open(true);
    database::upgrade(c);
    const database::GeneratedFormulary generated = database::generateFormulary(c, kNodes);
    std::printf("postgres: %d nodes (%d classifications, %d generic names, %d drugs)\n",
                generated.nodes(), generated.classifications, generated.generics, generated.drugs);
    bench::addUser(c);
    Setup s;
    s.wide = bench::addWideClassification(target, kChildren);
    s.moved = bench::addUnplacedGenerics(target, kMovedName, kMoved);
    // Settled statistics, and no autovacuum of the new rows while the direct
    // runs are timed.
    c.execute(QStringLiteral("VACUUM ANALYZE"));
    const db::Recordset top =
        c.query(QStringLiteral("SELECT ClassificationID, Node_Key FROM inventory.tbFormularyNode"
                               " WHERE Node_Parent = '_0' AND node_type = '1' ORDER BY Node_Key"));
    s.classification = top.field(0).toLongLong();
    s.classificationKey = top.field(1).toString();
    s.generic =
        c.query(QStringLiteral("SELECT p.GenericID FROM inventory.tbFormularyNode p"
                               " JOIN inventory.tbFormularyNode d ON d.Node_Parent = p.Node_Key"
                               " WHERE d.node_type = '3' GROUP BY p.GenericID"
                               " ORDER BY COUNT(*) DESC, p.GenericID"))
            .field(0)
            .toLongLong();
    return s;
}

// Statements the program has sent on both of its connections: the
// component's, and the user's that Find searches on.
qint64 statementsSent() {
    return mdlFormulary.objFormulary->connection().statementCount() +
           mdlFormulary.objCurrentUser->sqlconnection().statementCount();
}

// Takes the moved generic names out of the classification again.
void putMovesBack(const Setup& s) {
    auto& generics = mdlFormulary.objFormulary->Generics;
    for (const qint64 code : s.moved)
        if (generics.SearchGeneric(code) && !generics.DeleteGeneric(code))
            throw std::runtime_error("a moved generic name could not be put back");
}

Figures measure(const Operation& op, const bench::DelayingProxy* proxy) {
    Figures f;
    f.ms = bench::medianMs(op.work, kRuns, op.before);
    op.before();
    const qint64 statements = statementsSent();
    const qint64 trips = proxy ? proxy->roundTrips() : 0;
    op.work();
    f.statements = statementsSent() - statements;
    f.roundTrips = proxy ? proxy->roundTrips() - trips : 0;
    return f;
}

const QStringList kOperations = {QStringLiteral("editor_search"), QStringLiteral("find_search"),
                                 QStringLiteral("open_node_500"), QStringLiteral("load_all"),
                                 QStringLiteral("move_generics_100")};

// Every operation, in the order of kOperations, in the program logged in at
// the target.
std::vector<Figures> runOperations(const QString& target, const Setup& s,
                                   const bench::DelayingProxy* proxy) {
    frmFormulary& window = bench::startProgram(target);
    db::Connection& session = mdlFormulary.objCurrentUser->sqlconnection();
    frmDrugList drugs;
    drugs.GenericID = s.generic;
    drugs.show();
    std::unique_ptr<frmList> editor;
    const std::vector<Operation> operations = {
        {kOperations[0], [] {},
         [&] {
             drugs.LoadDrugList(1, kEditorKey);
             drugs.flexMSHList1->viewport()->repaint();
         }},
        {kOperations[1], [] {}, [&] { database::For_SearchNodeList(session, kFindKey); }},
        {kOperations[2], [&] { window.LoadTreeView(kRoot, {}, false); },
         [&] { window.treFormulary_NodeClick(window.treFormulary->node(s.wide)); }},
        {kOperations[3], [] {},
         [&] {
             window.LoadTreeView(kRoot, QStringLiteral("Loading Formulary Structure..."), true);
         }},
        {kOperations[4],
         [&] {
             editor.reset();
             putMovesBack(s);
             window.LoadTreeView(kRoot, {}, false);
             editor = bench::editorWithTicked(window, s.classificationKey, s.classification,
                                              kMovedName, kMoved);
         },
         [&] { editor->cmdAdd->click(); }},
    };
    std::vector<Figures> figures;
    for (const Operation& op : operations)
        figures.push_back(measure(op, proxy));
    editor.reset();
    putMovesBack(s);
    drugs.close();
    mdlFormulary.clear();
    return figures;
}

QString throughProxy(const QString& url, int port) {
    db::Target t = db::Target::parse(url);
    t.host = QStringLiteral("127.0.0.1");
    t.port = port;
    return t.url();
}

void report(const std::vector<Figures>& direct, const std::vector<Figures>& delayed) {
    std::vector<double> ratios;
    for (size_t i = 0; i < direct.size(); ++i) {
        const double limit = direct[i].ms + kMsPerStatement * double(delayed[i].statements);
        ratios.push_back(delayed[i].ms / limit);
        std::printf("server path %s: direct %.1f ms, through 1 ms round trips %.1f ms; "
                    "%lld statements, %lld round trips; limit %.1f ms\n",
                    qPrintable(kOperations[qsizetype(i)]), direct[i].ms, delayed[i].ms,
                    static_cast<long long>(delayed[i].statements),
                    static_cast<long long>(delayed[i].roundTrips), limit);
    }
    for (size_t i = 0; i < ratios.size(); ++i)
        std::printf("RATIO server_path_%s %.3f\n", qPrintable(kOperations[qsizetype(i)]),
                    ratios[i]);
}

} // namespace

int main(int argc, char** argv) {
    const QString url = qEnvironmentVariable("FORMULARY_BENCH_PG_URL");
    if (url.isEmpty()) {
        std::printf("server path: skipped, FORMULARY_BENCH_PG_URL names no server database\n");
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::Application app(argc, argv);
    bench::emptyServerDatabase(url);
    const Setup s = prepare(url);
    const std::vector<Figures> direct = runOperations(url, s, nullptr);
    const db::Target server = db::Target::parse(url);
    bench::DelayingProxy proxy(server.host, server.port, 500us);
    const std::vector<Figures> delayed = runOperations(throughProxy(url, proxy.port()), s, &proxy);
    report(direct, delayed);
    return 0;
}
