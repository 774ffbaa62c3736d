// The searches of the editors' lists and of Find on generated formularies of
// 100,000 and 1,000,000 nodes (or the sizes given as arguments): each with a
// key of three letters, one of two letters and keys with few letters, timed
// as the component or procedure answers it, against a plain SELECT of the
// same rows. The embedded database always; a server database when
// FORMULARY_BENCH_PG_URL names one that may be emptied.
//
// Generating a million nodes takes minutes: FORMULARY_BENCH_DATA names a
// folder where the embedded databases are kept between runs, and a server
// database that already holds a formulary of the size is used as it is.

#include "bench_support.h"
#include "components/formulary_data/formulary.h"
#include "database/generate.h"
#include "database/procedures.h"
#include "database/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kRuns = 7;

// The third letter typed of the generated generic names "Ambro...".
const QString kKey = QStringLiteral("amb");
// As typed on: a name and the start of its number, far fewer rows.
const QString kLongKey = QStringLiteral("ambroprolol 1");
const QString kShortKey = QStringLiteral("am");
// Keys that no trigram index narrows much: digits and punctuation.
const QStringList kFewLetterKeys = {QStringLiteral("0.9%"), QStringLiteral("d-r")};

struct Timed {
    QString name; // search_<list>_<engine>_<size>, and a suffix for the key
    int rows = 0;
    double searchMs = 0;
    double plainMs = 0;
    double limitMs = 0; // for the short keys: the keystroke's limit
};

int storedNodes(db::Connection& c) {
    if (database::schemaVersion(c) == 0)
        return 0;
    return c
        .query(QStringLiteral("SELECT COUNT(*) FROM inventory.tbFormularyNode"
                              " WHERE node_type <> '0'"))
        .field(0)
        .toInt();
}

// Brings the database to a current formulary of the size, generating it only
// when it holds another.
void prepare(const QString& engine, const QString& target, bool server, int size) {
    auto c = std::make_unique<db::Connection>(db::Target::parse(target));
    c->open(true);
    if (storedNodes(*c) != size) {
        if (server) {
            database::dropFormulary(*c);
        } else {
            c.reset();
            QDir(target).removeRecursively();
            QDir().mkpath(target);
            c = std::make_unique<db::Connection>(db::Target::parse(target));
            c->open(true);
        }
        database::upgrade(*c);
        c->setCommandTimeout(3600); // as formulary-admin generate
        bench::resetPeakMemory();
        const double ms = bench::msOf([&] { database::generateFormulary(*c, size); });
        std::printf("%s: generated %d nodes in %.1f s, peak memory %.0f MB\n", qPrintable(engine),
                    size, ms / 1000, bench::peakMemoryMb());
        return;
    }
    const double ms = bench::msOf([&] { database::upgrade(*c); });
    std::printf("%s: %d nodes kept from an earlier run (upgrade %.1f s)\n", qPrintable(engine),
                size, ms / 1000);
}

// The rows copied into a table of their own, read back: the plain SELECT.
double plainSelectMs(db::Connection& c, const db::Recordset& rows) {
    QStringList columns;
    QStringList names;
    for (int f = 0; f < rows.fieldCount(); ++f) {
        columns << QStringLiteral("f%1 TEXT").arg(f);
        names << QStringLiteral("f%1").arg(f);
    }
    c.execute(QStringLiteral("CREATE TABLE inventory.bench_rows (%1)")
                  .arg(columns.join(QStringLiteral(", "))));
    std::vector<QVariantList> values;
    for (int r = 0; r < rows.recordCount(); ++r) {
        QVariantList row;
        for (int f = 0; f < rows.fieldCount(); ++f)
            row << rows.value(r, f).toString();
        values.push_back(row);
    }
    c.copyRows(QStringLiteral("inventory.bench_rows"), names, values);
    const double ms = bench::medianMs(
        [&] { c.query(QStringLiteral("SELECT * FROM inventory.bench_rows")); }, kRuns);
    c.execute(QStringLiteral("DROP TABLE inventory.bench_rows"));
    return ms;
}

using Search = std::function<db::Recordset(const QString& key)>;

std::vector<Timed> timeList(db::Connection& c, const QString& name, const Search& search,
                            bool server, bool withShortKeys) {
    const auto timed = [&](const QString& suffix, const QString& key, double limitMs) {
        Timed t{name + suffix, 0, 0, 0, limitMs};
        const db::Recordset rows = search(key);
        t.rows = rows.recordCount();
        t.searchMs = bench::medianMs([&] { search(key); }, kRuns);
        t.plainMs = plainSelectMs(c, rows);
        std::printf("%s: \"%s\" %d rows in %.1f ms, plain SELECT of the same rows %.1f ms\n",
                    qPrintable(t.name), qPrintable(key), t.rows, t.searchMs, t.plainMs);
        return t;
    };
    std::vector<Timed> results{timed({}, kKey, 0), timed(QStringLiteral("_longkey"), kLongKey, 0)};
    const double limitMs = server ? 100 : 50;
    if (withShortKeys)
        results.push_back(timed(QStringLiteral("_2char"), kShortKey, limitMs));
    for (int i = 0; i < kFewLetterKeys.size(); ++i)
        results.push_back(timed(QStringLiteral("_fewletters%1").arg(i + 1), kFewLetterKeys[i],
                                withShortKeys ? limitMs : 0));
    return results;
}

std::vector<Timed> run(const QString& engine, const QString& target, bool server, int size) {
    prepare(engine, target, server, size);
    formulary_data::Formulary formulary;
    if (!formulary.Connect(target))
        throw std::runtime_error("the formulary component could not connect");
    db::Connection& c = formulary.connection();
    const qint64 classification = bench::busiestClassification(c);
    const qint64 generic = bench::busiestGeneric(c);
    const QString suffix = QStringLiteral("_%1_%2").arg(engine).arg(size);
    const bool shortKeys = size <= 100000;
    const struct {
        const char* list;
        Search search;
    } lists[] = {
        {"generic_names", [&](const QString& k) { return formulary.Generics.ListGeneric(k); }},
        {"generics_available",
         [&](const QString& k) {
             return formulary.Classifications.OtherGenerics(classification, 1, k);
         }},
        {"drugs_available",
         [&](const QString& k) {
             return formulary.Generics.OtherDrugs(generic, 1, k, formulary_data::FilterAll);
         }},
        {"find", [&](const QString& k) { return database::For_SearchNodeList(c, k); }},
    };
    std::vector<Timed> results;
    for (const auto& l : lists)
        for (const Timed& t :
             timeList(c, QStringLiteral("search_") + QLatin1String(l.list) + suffix, l.search,
                      server, shortKeys))
            results.push_back(t);
    return results;
}

std::vector<int> sizes(const QStringList& arguments) {
    std::vector<int> list;
    for (const QString& a : arguments.mid(1))
        list.push_back(a.toInt());
    if (list.empty())
        list = {100000, 1000000};
    return list;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString kept = qEnvironmentVariable("FORMULARY_BENCH_DATA");
    const QDir data(kept.isEmpty() ? scratch.path() : kept);
    const QString server = qEnvironmentVariable("FORMULARY_BENCH_PG_URL");
    std::vector<Timed> all;
    for (int size : sizes(app.arguments())) {
        const QString folder = data.filePath(QStringLiteral("search-%1").arg(size));
        for (const Timed& t : run(QStringLiteral("sqlite"), folder, false, size))
            all.push_back(t);
        if (!server.isEmpty())
            for (const Timed& t : run(QStringLiteral("postgresql"), server, true, size))
                all.push_back(t);
    }
    // A key of three letters: within three times the plain SELECT; shorter
    // ones at the smaller size: within the keystroke's limit. A longer key's
    // few rows are read in about the time a statement takes at all: its
    // figures say more than a ratio would.
    for (const Timed& t : all) {
        if (t.limitMs > 0)
            std::printf("RATIO %s %.3f\n", qPrintable(t.name), t.searchMs / t.limitMs);
        else if (!t.name.contains(QLatin1String("_fewletters")) &&
                 !t.name.contains(QLatin1String("_longkey")))
            std::printf("RATIO %s %.3f\n", qPrintable(t.name), t.searchMs / (3 * t.plainMs));
    }
    return 0;
}
