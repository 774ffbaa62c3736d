// The program on a hospital network: each operation timed against the
// server directly and through a proxy that holds every packet 0.5 ms each
// way (1 ms a round trip), with the statements it sends counted. Its limit
// is its direct time plus 1 ms a statement: one round trip per statement.
// The operations: an editor keystroke search, a Find search, opening a node
// with 500 children, Load All, and 100 generic names moved in one editor run.
// A server only: FORMULARY_BENCH_PG_URL names a database that may be emptied.

#include "bench_support.h"
#include "delaying_proxy.h"
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

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kNodes = 20000;
constexpr int kRuns = 5;
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
    qint64 generic = 0; // the generic name with the most drugs
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

qint64 firstId(db::Connection& c, const QString& sql) {
    return c.query(sql).field(0).toLongLong();
}

Setup prepare(const QString& target) {
    db::Connection c(db::Target::parse(target));
    c.open(true);
    database::upgrade(c);
    database::generateFormulary(c, kNodes);
    bench::addUser(c);
    std::vector<QVariantList> names;
    for (int i = 1; i <= kMoved; ++i) {
        const QString name =
            QStringLiteral("%1 %2").arg(kMovedName).arg(i, 3, 10, QLatin1Char('0'));
        names.push_back({name, name.toLower()});
    }
    c.copyRows(QStringLiteral("inventory.tbforgeneric"),
               {QStringLiteral("genericname"), QStringLiteral("name_folded")}, names);
    Setup s;
    s.wide = bench::addWideClassification(target, kChildren);
    const db::Recordset top =
        c.query(QStringLiteral("SELECT ClassificationID, Node_Key FROM inventory.tbFormularyNode"
                               " WHERE Node_Parent = '_0' AND node_type = '1' ORDER BY Node_Key"));
    s.classification = top.field(0).toLongLong();
    s.classificationKey = top.field(1).toString();
    s.generic =
        firstId(c, QStringLiteral("SELECT p.GenericID FROM inventory.tbFormularyNode p"
                                  " JOIN inventory.tbFormularyNode d ON d.Node_Parent = p.Node_Key"
                                  " WHERE d.node_type = '3' GROUP BY p.GenericID"
                                  " ORDER BY COUNT(*) DESC, p.GenericID"));
    return s;
}

// Statements the program has sent on both of its connections.
qint64 statementsSent() {
    return mdlFormulary.objFormulary->connection().statementCount() +
           mdlFormulary.objCurrentUser->sqlconnection().statementCount();
}

// The editor of the classification's generic names, opened on the node
// selected in the main window's tree as its command opens it, with the 100
// new names listed and ticked, as a user leaves it before pressing Add.
std::unique_ptr<frmList> editorWithMovesTicked(frmFormulary& main, const Setup& s) {
    main.treFormulary->setCurrentItem(main.treFormulary->node(s.classificationKey));
    auto window = std::make_unique<frmList>(&main);
    window->ItemID = s.classification;
    window->treList = main.treFormulary;
    window->show();
    window->txtSearch1->setText(kMovedName);
    ui::FlexGrid& grid = *window->flexMSHList1;
    for (int row = 1; row < grid.rows(); ++row) {
        grid.setRow(row);
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QApplication::sendEvent(&grid, &space);
    }
    return window;
}

void putMovesBack(db::Connection& c) {
    c.execute(QStringLiteral("DELETE FROM inventory.tbFormularyNode WHERE GenericID IN"
                             " (SELECT GenericID FROM inventory.tbforgeneric"
                             " WHERE genericname LIKE ?)"),
              {kMovedName + QLatin1Char('%')});
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

// Every operation in the program logged in at the target.
std::vector<Figures> runOperations(const QString& target, const Setup& s,
                                   const bench::DelayingProxy* proxy) {
    frmFormulary& window = bench::startProgram(target);
    db::Connection& session = mdlFormulary.objCurrentUser->sqlconnection();
    db::Connection direct(db::Target::parse(qEnvironmentVariable("FORMULARY_BENCH_PG_URL")));
    direct.open();

    frmDrugList drugs;
    drugs.GenericID = s.generic;
    drugs.show();
    std::unique_ptr<frmList> editor;
    const std::vector<Operation> operations = {
        {QStringLiteral("editor_search"), [] {},
         [&] {
             drugs.LoadDrugList(1, kEditorKey);
             drugs.flexMSHList1->viewport()->repaint();
         }},
        {QStringLiteral("find_search"), [] {},
         [&] { database::For_SearchNodeList(session, kFindKey); }},
        {QStringLiteral("open_node_500"), [&] { window.LoadTreeView(kRoot, {}, false); },
         [&] { window.treFormulary_NodeClick(window.treFormulary->node(s.wide)); }},
        {QStringLiteral("load_all"), [] {},
         [&] {
             window.LoadTreeView(kRoot, QStringLiteral("Loading Formulary Structure..."), true);
         }},
        {QStringLiteral("move_generics_100"),
         [&] {
             editor.reset();
             window.LoadTreeView(kRoot, {}, false);
             putMovesBack(direct);
             editor = editorWithMovesTicked(window, s);
         },
         [&] { editor->cmdAdd->click(); }},
    };
    std::vector<Figures> figures;
    for (const Operation& op : operations)
        figures.push_back(measure(op, proxy));
    editor.reset();
    drugs.close();
    mdlFormulary.clear();
    return figures;
}

QString throughProxy(const QString& url, int port) {
    db::Target t = db::Target::parse(url);
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(t.user).arg(port).arg(t.database);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::Application app(argc, argv);
    const QString url = qEnvironmentVariable("FORMULARY_BENCH_PG_URL");
    if (url.isEmpty()) {
        std::printf("network: skipped, FORMULARY_BENCH_PG_URL names no server database\n");
        return 0;
    }
    bench::emptyServerDatabase(url);
    const Setup s = prepare(url);
    const db::Target server = db::Target::parse(url);
    const std::vector<Figures> direct = runOperations(url, s, nullptr);
    bench::DelayingProxy proxy(server.host, server.port, 500us);
    const std::vector<Figures> delayed = runOperations(throughProxy(url, proxy.port()), s, &proxy);

    const QStringList names = {QStringLiteral("editor_search"), QStringLiteral("find_search"),
                               QStringLiteral("open_node_500"), QStringLiteral("load_all"),
                               QStringLiteral("move_generics_100")};
    std::vector<double> ratios;
    for (size_t i = 0; i < direct.size(); ++i) {
        const double limit = direct[i].ms + kMsPerStatement * double(delayed[i].statements);
        ratios.push_back(delayed[i].ms / limit);
        std::printf("network %s: direct %.1f ms, through 1 ms round trips %.1f ms; %lld statements,"
                    " %lld round trips; limit %.1f ms\n",
                    qPrintable(names[qsizetype(i)]), direct[i].ms, delayed[i].ms,
                    static_cast<long long>(delayed[i].statements),
                    static_cast<long long>(delayed[i].roundTrips), limit);
    }
    for (size_t i = 0; i < ratios.size(); ++i)
        std::printf("RATIO server_path_%s %.3f\n", qPrintable(names[qsizetype(i)]), ratios[i]);
    return 0;
}
