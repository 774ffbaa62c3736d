// "&Load All" on a generated formulary of 100,000 nodes: the main window's
// LoadTreeView for the whole tree, progress window included, against the
// limit measured in the same run: the component's one SELECT of the same
// rows plus as many plain items put into a QTreeWidget. Also opening one
// node with 500 children, and the peak memory of the program with the whole
// tree loaded (in a process of its own). The embedded database always; a
// server database when FORMULARY_BENCH_PG_URL names one that may be emptied.

#include "bench_support.h"
#include "components/current_user/user_store.h"
#include "core/mdlFormulary.h"
#include "database/generate.h"
#include "database/schema.h"
#include "platform/ui/error_report.h"
#include "platform/ui/keyed_tree.h"
#include "program_start.h"
#include "tree/frmFormulary.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kNodes = 100000;
constexpr int kRuns = 5;
constexpr int kChildren = 500;
constexpr double kOpenNodeTargetMs = 100;
constexpr double kMemoryLimitMb = 250;
const QString kRoot = QStringLiteral("_0");

// A generated formulary, a user with all rights, and one classification with
// 500 classifications under it; the key of that classification.
QString prepare(const QString& engine, const QString& target) {
    db::Connection c(db::Target::parse(target));
    c.open(true);
    database::upgrade(c);
    const database::GeneratedFormulary generated = database::generateFormulary(c, kNodes);
    std::printf("%s: %d nodes (%d classifications, %d generic names, %d drugs)\n",
                qPrintable(engine), generated.nodes(), generated.classifications,
                generated.generics, generated.drugs);
    bench::addUser(c);

    return bench::addWideClassification(target, kChildren);
}

struct Figures {
    double loadAllMs = 0;
    double selectMs = 0;
    double plainTreeMs = 0;
    double ratio = 0;
    int rows = 0;
    double openNodeMs = 0;
};

// The limit's second part: as many plain items into a shown tree, in place
// of the last ones, as Load All replaces the tree.
void fillPlainTree(QTreeWidget& plain, const db::Recordset& rows) {
    plain.clear();
    const int name[] = {rows.fieldIndex(QStringLiteral("ClassificationName")),
                        rows.fieldIndex(QStringLiteral("GenericName")),
                        rows.fieldIndex(QStringLiteral("DrugName"))};
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.recordCount());
    for (int row = 0; row < rows.recordCount(); ++row) {
        QString text;
        for (int column : name)
            if (text.isEmpty())
                text = rows.value(row, column).toString();
        items << new QTreeWidgetItem(QStringList{text});
    }
    plain.addTopLevelItems(items);
}

// Load All and its limit, the same SELECT and as many plain items into a
// shown tree, are measured by turns, so that a slow spell of a shared machine
// falls on both; the ratio is the median of the rounds' ratios. The first
// round warms up.
Figures measure(const QString& target, const QString& wide) {
    Figures f;
    frmFormulary& window = bench::startProgram(target);
    auto& classifications = mdlFormulary.objFormulary->Classifications;
    QTreeWidget plain;
    plain.resize(window.treFormulary->size());
    plain.show();
    std::vector<double> loadAll, select, plainTree, ratios;
    for (int round = 0; round <= kRuns; ++round) {
        const double loadAllMs = bench::msOf([&] {
            window.LoadTreeView(kRoot, QStringLiteral("Loading Formulary Structure..."), true);
        });
        db::Recordset rows;
        const double selectMs =
            bench::msOf([&] { rows = classifications.LoadClassifications(kRoot, true); });
        const double plainTreeMs = bench::msOf([&] { fillPlainTree(plain, rows); });
        if (round == 0)
            continue;
        loadAll.push_back(loadAllMs);
        select.push_back(selectMs);
        plainTree.push_back(plainTreeMs);
        ratios.push_back(loadAllMs / (selectMs + plainTreeMs));
    }
    plain.clear();
    f.rows = window.treFormulary->nodeCount() - 1;
    f.loadAllMs = bench::median(loadAll);
    f.selectMs = bench::median(select);
    f.plainTreeMs = bench::median(plainTree);
    f.ratio = bench::median(ratios);

    // A node opened for the first time, as a click opens it.
    f.openNodeMs =
        bench::medianMs([&] { window.treFormulary_NodeClick(window.treFormulary->node(wide)); },
                        kRuns, [&] { window.LoadTreeView(kRoot, {}, false); });
    mdlFormulary.clear();
    return f;
}

// The child process: the program with the whole tree loaded; its peak memory.
int reportPeakMemory(const QString& target) {
    frmFormulary& window = bench::startProgram(target);
    window.LoadTreeView(kRoot, QStringLiteral("Loading Formulary Structure..."), true);
    std::printf("peak_mb %.1f nodes %d\n", bench::peakMemoryMb(), window.treFormulary->nodeCount());
    mdlFormulary.clear();
    return 0;
}

double peakMemoryOfProgramMb(const QString& target) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--peak-memory"), target});
    child.waitForFinished(-1);
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    const qsizetype at = out.indexOf(QStringLiteral("peak_mb "));
    return at < 0 ? -1 : out.mid(at + 8).section(QLatin1Char(' '), 0, 0).toDouble();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::Application app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--peak-memory")
        return reportPeakMemory(QString::fromLocal8Bit(argv[2]));

    QTemporaryDir folder;
    // Printed last: the load-all ratios after the others.
    std::vector<std::pair<QString, double>> others;
    std::vector<std::pair<QString, double>> loadAll;
    for (const bench::Engine& e : bench::engines(folder, QStringLiteral("postgres"))) {
        const double limit = e.server ? 1.2 : 1.5;
        const QString wide = prepare(e.name, e.target);
        const Figures f = measure(e.target, wide);
        std::printf("%s: load all %d rows %.0f ms (median of %d rounds); limit: one SELECT "
                    "%.0f ms + %d plain tree items %.0f ms; ratio %.2f (median of the rounds' "
                    "ratios; at most %.1f)\n",
                    qPrintable(e.name), f.rows, f.loadAllMs, kRuns, f.selectMs, f.rows,
                    f.plainTreeMs, f.ratio, limit);
        std::printf("%s: opening a node with %d children %.1f ms (target %.0f ms)\n",
                    qPrintable(e.name), kChildren, f.openNodeMs, kOpenNodeTargetMs);
        const double peakMb = peakMemoryOfProgramMb(e.target);
        std::printf("%s: peak memory of the program with the whole tree loaded %.0f MB "
                    "(limit %.0f MB)\n",
                    qPrintable(e.name), peakMb, kMemoryLimitMb);
        others.emplace_back(QStringLiteral("open_node_%1_%2").arg(kChildren).arg(e.name),
                            f.openNodeMs / kOpenNodeTargetMs);
        others.emplace_back(QStringLiteral("memory_load_all_%1").arg(e.name),
                            peakMb / kMemoryLimitMb);
        loadAll.emplace_back(QStringLiteral("load_all_%1").arg(e.name), f.ratio);
    }
    for (const auto& list : {others, loadAll})
        for (const auto& [name, ratio] : list)
            std::printf("RATIO %s %.3f\n", qPrintable(name), ratio);
    return 0;
}
