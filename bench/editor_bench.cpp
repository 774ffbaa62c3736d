// The catalogue editors on a generated formulary of 100,000 nodes: one search
// keystroke in each list of the generic names list and the two assignment
// editors, timed as the window reloads the list (the component call, filling
// the grid, clearing its ticks and drawing it), against a plain SELECT of the
// same rows. The embedded database always; a server database when
// FORMULARY_BENCH_PG_URL names one that may be emptied.

#include "bench_support.h"
#include "core/mdlFormulary.h"
#include "database/generate.h"
#include "database/schema.h"
#include "editors/frmDrugList.h"
#include "editors/frmGeneric.h"
#include "editors/frmList.h"
#include "platform/db/transaction.h"
#include "platform/ui/error_report.h"
#include "platform/ui/flex_grid.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kNodes = 100000;
constexpr int kRuns = 7;
// The search text after the keystroke: the third letter typed of a name.
const QString kKey = QStringLiteral("AMB");

// Lists this short are read in a few microseconds; their time beside the
// plain SELECT says nothing.
constexpr int kRowsToCompare = 500;

struct Result {
    QString list;
    int rows = 0;
    double reloadMs = 0;
    double componentMs = 0;
    double plainMs = 0;
};

// The grid's rows copied into a table of their own, to time reading the same
// rows without the search; the plain SELECT's time.
double plainSelectMs(db::Connection& c, const ui::FlexGrid& grid, int firstColumn, int fields) {
    QStringList columns;
    for (int f = 0; f < fields; ++f)
        columns << QStringLiteral("f%1 TEXT").arg(f);
    c.execute(QStringLiteral("CREATE TABLE inventory.bench_rows (%1)")
                  .arg(columns.join(QStringLiteral(", "))));
    const QString row = u'(' + QStringList(fields, QStringLiteral("?")).join(u',') + u')';
    constexpr int RowsPerStatement = 200;
    {
        db::Transaction t(c);
        QVariantList values;
        int pending = 0;
        const auto flush = [&] {
            if (pending > 0)
                c.execute(QStringLiteral("INSERT INTO inventory.bench_rows VALUES ") +
                              QStringList(pending, row).join(u','),
                          values);
            values.clear();
            pending = 0;
        };
        for (int r = 1; r < grid.rows(); ++r) {
            for (int f = 0; f < fields; ++f)
                values << grid.textMatrix(r, firstColumn + f);
            if (++pending == RowsPerStatement)
                flush();
        }
        flush();
        t.commit();
    }
    const double ms = bench::medianMs(
        [&] { c.query(QStringLiteral("SELECT * FROM inventory.bench_rows")); }, kRuns);
    c.execute(QStringLiteral("DROP TABLE inventory.bench_rows"));
    return ms;
}

// The reload as the window makes it for a keystroke, and the component's
// call alone.
Result timeList(db::Connection& c, const QString& list, ui::FlexGrid& grid, int firstColumn,
                const std::function<void()>& reload, const std::function<void()>& call) {
    Result r{list, 0, 0, 0, 0};
    r.reloadMs = bench::medianMs(
        [&] {
            reload();
            grid.viewport()->repaint();
        },
        kRuns);
    r.componentMs = bench::medianMs(call, kRuns);
    r.rows = grid.rows() - 1;
    r.plainMs = plainSelectMs(c, grid, firstColumn, grid.cols() == 2 ? 2 : 5);
    return r;
}

std::vector<Result> run(const QString& engine, const QString& target) {
    db::Connection c(db::Target::parse(target));
    c.open(true);
    database::upgrade(c);
    const database::GeneratedFormulary generated = database::generateFormulary(c, kNodes);
    std::printf("%s: %d nodes (%d classifications, %d generic names, %d drugs)\n",
                qPrintable(engine), generated.nodes(), generated.classifications,
                generated.generics, generated.drugs);
    mdlFormulary.objFormulary = std::make_unique<formulary_data::Formulary>();
    if (!mdlFormulary.objFormulary->Connect(target))
        throw std::runtime_error("the formulary component could not connect");

    const qint64 classification = bench::busiestClassification(c);
    const qint64 generic = bench::busiestGeneric(c);

    std::vector<Result> results;
    frmGeneric names;
    names.show();
    auto& component = *mdlFormulary.objFormulary;
    results.push_back(timeList(
        c, QStringLiteral("generic_names"), *names.flexMSHList, 0, [&] { names.LoadList(kKey); },
        [&] { component.Generics.ListGeneric(kKey); }));
    names.close();

    frmList generics;
    generics.ItemID = classification;
    generics.show();
    results.push_back(timeList(
        c, QStringLiteral("generics_available"), *generics.flexMSHList1, 1,
        [&] { generics.LoadGrid(1, kKey); },
        [&] { component.Classifications.OtherGenerics(classification, 1, kKey); }));
    results.push_back(timeList(
        c, QStringLiteral("generics_assigned"), *generics.flexMSHList2, 1,
        [&] { generics.LoadGrid(2, kKey); },
        [&] { component.Classifications.LoadGenerics(classification, 1, kKey); }));
    generics.close();

    frmDrugList drugs;
    drugs.GenericID = generic;
    drugs.show();
    results.push_back(timeList(
        c, QStringLiteral("drugs_available"), *drugs.flexMSHList1, 1,
        [&] { drugs.LoadDrugList(1, kKey); },
        [&] { component.Generics.OtherDrugs(generic, 1, kKey, formulary_data::FilterAll); }));
    // The drugs under one generic name carry its name: its first letter finds them all.
    const QString first = c.query(QStringLiteral("SELECT genericname FROM inventory.tbforgeneric"
                                                 " WHERE GenericID = ?"),
                                  {generic})
                              .field(0)
                              .toString()
                              .left(1)
                              .toUpper();
    {
        const QSignalBlocker quiet(drugs.txtSearch2);
        drugs.txtSearch2->setText(first);
    }
    results.push_back(timeList(
        c, QStringLiteral("drugs_assigned"), *drugs.flexMSHList2, 1,
        [&] { drugs.LoadDrugList(2, first); },
        [&] { component.Generics.LoadDrugs(generic, 3, first); }));
    drugs.close();
    mdlFormulary.clear();

    for (Result& r : results)
        r.list += QLatin1Char('_') + engine;
    return results;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::Application app(argc, argv);
    QTemporaryDir folder;
    std::vector<std::pair<Result, double>> all;
    for (const bench::Engine& e : bench::engines(folder, QStringLiteral("postgresql")))
        for (const Result& r : run(e.name, e.target)) {
            const double limitMs = e.server ? 100 : 50;
            std::printf("%s: %d rows, reload %.1f ms (limit %.0f ms), of which the component's "
                        "call %.1f ms; plain SELECT of the same rows %.1f ms\n",
                        qPrintable(r.list), r.rows, r.reloadMs, limitMs, r.componentMs, r.plainMs);
            all.emplace_back(r, limitMs);
        }
    for (const auto& [r, limitMs] : all) {
        std::printf("RATIO editor_%s %.3f\n", qPrintable(r.list), r.reloadMs / limitMs);
        if (r.rows >= kRowsToCompare)
            std::printf("RATIO editor_%s_vs_plain_select %.3f\n", qPrintable(r.list),
                        r.reloadMs / r.plainMs);
    }
    return 0;
}
