#include "platform/app_error.h"
#include "platform/db/db_error.h"
#include "support/formulary_fixture.h"
#include "support/test_database.h"

#include <QDateTime>
#include <chrono>
#include <random>
#include <thread>

// Several workstations change the formulary at once through the change
// functions, each working from a view of the tree that it reads only now and
// then (so that its keys go stale). Afterwards every reported result is
// replayed against what the database holds: no change hit an entry other than
// the one it named, none that was reported done is missing, and none ended
// a workstation.
namespace {

using database::NodeIdentity;
using database::NodeKind;
using Clock = std::chrono::steady_clock;

// What one workstation reported of one change.
struct Report {
    enum Kind {
        AddClassification,
        Rename,
        Delete,
        PlaceGeneric,
        UnplaceGeneric,
        PlaceDrug,
        UnplaceDrug
    } kind;
    explicit Report(Kind what) : kind(what) {}

    bool done = false;
    qint64 classification = 0; // added, renamed or deleted; the parent of a generic name
    QString name;              // given to the classification
    qint64 generic = 0;        // placed or unplaced; the parent of a drug
    QString item;              // placed or unplaced
};

struct Tally {
    std::vector<Report> reports;
    int refusals = 0;  // the rules said no (an entry gone, a name taken, ...)
    int conflicts = 0; // refused after meeting another workstation's change
    QStringList fatal; // errors that would have ended the program
};

struct Node {
    NodeIdentity identity;
    QString parent;
};

class Workstation {
public:
    Workstation(int number, const QString& target, unsigned seed)
        : m_number(number), m_random(seed), m_target(target) {}

    void run(Clock::time_point until, Tally& tally) {
        if (!m_formulary.Connect(m_target)) {
            tally.fatal << QStringLiteral("workstation %1 did not connect").arg(m_number);
            return;
        }
        for (int step = 0; Clock::now() < until; ++step) {
            if (step % 6 == 0)
                readTree();
            try {
                tally.reports.push_back(change(step));
                if (!tally.reports.back().done)
                    ++tally.refusals;
            } catch (const AppError& e) {
                if (e.number() == AppError::ChangeConflict)
                    ++tally.conflicts;
                else
                    tally.fatal << e.description();
            } catch (const std::exception& e) {
                tally.fatal << QString::fromLocal8Bit(e.what());
            }
        }
    }

private:
    void readTree() {
        m_nodes.clear();
        const db::Recordset rs = m_formulary.connection().query(QStringLiteral(
            "SELECT Node_Key, Node_Parent, node_type, ClassificationID, GenericID, itemid"
            " FROM inventory.tbFormularyNode WHERE node_type <> '0'"));
        for (int row = 0; row < rs.recordCount(); ++row) {
            const auto kind = NodeKind(rs.value(row, 2).toString().toInt() - 1);
            const QVariant id = kind == NodeKind::Classification ? rs.value(row, 3)
                                : kind == NodeKind::Generic      ? rs.value(row, 4)
                                                                 : rs.value(row, 5);
            m_nodes.push_back(
                {{rs.value(row, 0).toString(), kind, id}, rs.value(row, 1).toString()});
        }
    }

    std::optional<Node> pick(NodeKind kind) {
        std::vector<const Node*> of;
        for (const Node& n : m_nodes)
            if (n.identity.type == kind)
                of.push_back(&n);
        if (of.empty())
            return std::nullopt;
        return *of[std::uniform_int_distribution<std::size_t>(0, of.size() - 1)(m_random)];
    }

    // A key for a new child as the workstation would choose it: the first
    // free number it knows of.
    QString freeKey(const QString& parentKey) {
        const QSet<qint64> taken = m_formulary.NodeFormulary.ChildNumbers(parentKey);
        qint64 number = 1;
        while (taken.contains(number))
            ++number;
        return (parentKey == QLatin1String("_0") ? QStringLiteral("_") : parentKey + '.') +
               QString::number(number);
    }

    Report change(int step) {
        const QString tag = QStringLiteral("%1-%2").arg(m_number).arg(step);
        switch (std::uniform_int_distribution<int>(0, 6)(m_random)) {
        case 0: {
            const bool underRoot = std::bernoulli_distribution(0.4)(m_random);
            const auto parent = underRoot ? std::nullopt : pick(NodeKind::Classification);
            const NodeIdentity where =
                parent ? parent->identity
                       : NodeIdentity{QStringLiteral("_0"), NodeKind::Root, qint64(0)};
            Report r(Report::AddClassification);
            r.name = QStringLiteral("A-%1-%2").arg(where.id.toLongLong()).arg(tag);
            QString key = freeKey(where.key);
            r.done = m_formulary.Classifications.AddClassification(where, key, r.name, 0, {});
            // Its id, unless another workstation changed it at once (then 0: not checked).
            if (const auto added = m_formulary.NodeFormulary.IdentityOf(key);
                r.done && added && m_formulary.NodeFormulary.NameOfNode() == r.name)
                r.classification = added->id.toLongLong();
            return r;
        }
        case 1: {
            Report r(Report::Rename);
            const auto node = pick(NodeKind::Classification);
            if (!node)
                return r;
            r.classification = node->identity.id.toLongLong();
            r.name = QStringLiteral("R-%1-%2").arg(r.classification).arg(tag);
            r.done = m_formulary.Classifications.RenameClassification(node->identity, r.name);
            return r;
        }
        case 2: {
            Report r(Report::Delete);
            const auto node = pick(NodeKind::Classification);
            if (!node)
                return r;
            r.classification = node->identity.id.toLongLong();
            r.done = m_formulary.Classifications.DeleteClassification(node->identity);
            return r;
        }
        case 3: {
            Report r(Report::PlaceGeneric);
            const auto parent = pick(NodeKind::Classification);
            const auto generic = pick(NodeKind::Generic);
            if (!parent || !generic)
                return r;
            r.classification = parent->identity.id.toLongLong();
            r.generic = generic->identity.id.toLongLong();
            QString key = freeKey(parent->identity.key);
            r.done = m_formulary.Generics.AddGeneric(parent->identity, key, {}, r.generic);
            return r;
        }
        case 4: {
            Report r(Report::UnplaceGeneric);
            const auto generic = pick(NodeKind::Generic);
            if (!generic)
                return r;
            r.generic = generic->identity.id.toLongLong();
            r.done = m_formulary.Generics.DeleteGeneric(r.generic);
            return r;
        }
        case 5: {
            Report r(Report::PlaceDrug);
            const auto parent = pick(NodeKind::Generic);
            const auto drug = pick(NodeKind::Drug);
            if (!parent || !drug)
                return r;
            r.generic = parent->identity.id.toLongLong();
            r.item = drug->identity.id.toString();
            QString key = freeKey(parent->identity.key);
            r.done = m_formulary.Drugs.AddDrug(parent->identity, key, {}, r.item);
            return r;
        }
        default: {
            Report r(Report::UnplaceDrug);
            const auto drug = pick(NodeKind::Drug);
            if (!drug)
                return r;
            r.item = drug->identity.id.toString();
            r.done = m_formulary.Drugs.DeleteDrug(r.item);
            return r;
        }
        }
    }

    int m_number;
    std::mt19937 m_random;
    QString m_target;
    formulary_data::Formulary m_formulary;
    std::vector<Node> m_nodes;
};

class Stress : public test_support::FormularyTest {
protected:
    QHash<qint64, QString> classificationNames() {
        QHash<qint64, QString> names;
        const db::Recordset rs =
            conn->query(QStringLiteral("SELECT ClassificationID, ClassificationName FROM "
                                       "inventory.tbForClassification"));
        for (int row = 0; row < rs.recordCount(); ++row)
            names.insert(rs.value(row, 0).toLongLong(), rs.value(row, 1).toString());
        return names;
    }

    // Where each generic name or item sits: the id of the entry above it.
    QHash<QString, qint64> placements(const QString& column, const QString& parentColumn) {
        QHash<QString, qint64> where;
        const db::Recordset rs =
            conn->query(QStringLiteral("SELECT n.%1, p.%2 FROM inventory.tbFormularyNode n"
                                       " JOIN inventory.tbFormularyNode p"
                                       " ON p.Node_Key = n.Node_Parent WHERE n.%1 IS NOT NULL")
                            .arg(column, parentColumn));
        for (int row = 0; row < rs.recordCount(); ++row)
            where.insert(rs.value(row, 0).toString(), rs.value(row, 1).toLongLong());
        return where;
    }

    // The tree's own rules: each node under a parent of the right type, named
    // as its entry, with a key made from its parent's.
    void expectSoundTree() {
        const auto count = [&](const char* sql) {
            return conn->query(QLatin1String(sql)).field(0).toInt();
        };
        EXPECT_EQ(count("SELECT COUNT(*) FROM inventory.tbFormularyNode n"
                        " JOIN inventory.tbFormularyNode p ON p.Node_Key = n.Node_Parent"
                        " WHERE NOT ((n.node_type = '1' AND p.node_type IN ('0', '1'))"
                        "  OR (n.node_type = '2' AND p.node_type = '1')"
                        "  OR (n.node_type = '3' AND p.node_type = '2'))"),
                  0)
            << "nodes under a parent of the wrong type";
        EXPECT_EQ(count("SELECT COUNT(*) FROM inventory.tbFormularyNode n"
                        " JOIN inventory.tbForClassification c"
                        " ON c.ClassificationID = n.ClassificationID"
                        " WHERE n.NodeName <> c.ClassificationName"),
                  0)
            << "nodes that show another name than their classification's";
        EXPECT_EQ(count("SELECT COUNT(*) FROM inventory.tbFormularyNode n"
                        " WHERE n.node_type <> '0' AND NOT (n.Node_Key LIKE n.Node_Parent || '.%'"
                        " OR (n.Node_Parent = '_0' AND n.Node_Key LIKE '\\_%' ESCAPE '\\'))"),
                  0)
            << "keys not made from their parent's";
    }

    void run(int workstations, std::chrono::seconds duration) {
        for (int i = 0; i < 6; ++i)
            addClassification(QStringLiteral("Start %1").arg(i));
        const auto namesBefore = classificationNames();
        const auto genericsBefore =
            placements(QStringLiteral("GenericID"), QStringLiteral("ClassificationID"));
        const auto drugsBefore = placements(QStringLiteral("itemid"), QStringLiteral("GenericID"));
        unsigned seed = unsigned(qEnvironmentVariableIntValue("FORMULARY_STRESS_SEED"));
        if (seed == 0)
            seed = unsigned(QDateTime::currentMSecsSinceEpoch() % 100000) + 1;
        std::printf("stress: %d workstations, seed %u (FORMULARY_STRESS_SEED replays it)\n",
                    workstations, seed);

        std::vector<Tally> tallies(workstations);
        std::vector<std::thread> threads;
        const auto until = Clock::now() + duration;
        for (int w = 0; w < workstations; ++w)
            threads.emplace_back([&, w] {
                Workstation(w, database->target(), seed + unsigned(w)).run(until, tallies[w]);
            });
        for (std::thread& t : threads)
            t.join();

        Tally all;
        for (const Tally& t : tallies) {
            all.reports.insert(all.reports.end(), t.reports.begin(), t.reports.end());
            all.refusals += t.refusals;
            all.conflicts += t.conflicts;
            all.fatal << t.fatal;
        }
        replay(all, namesBefore, genericsBefore, drugsBefore);
    }

    void replay(const Tally& all, const QHash<qint64, QString>& namesBefore,
                const QHash<QString, qint64>& genericsBefore,
                const QHash<QString, qint64>& drugsBefore) {
        QSet<qint64> added, deleted;
        QHash<qint64, QSet<QString>> namesGiven;
        QHash<QString, QSet<qint64>> genericPlaced, drugPlaced;
        QSet<QString> genericUnplaced, drugUnplaced;
        int done = 0;
        for (const Report& r : all.reports) {
            if (!r.done)
                continue;
            ++done;
            switch (r.kind) {
            case Report::AddClassification:
                added << r.classification;
                namesGiven[r.classification] << r.name;
                break;
            case Report::Rename:
                namesGiven[r.classification] << r.name;
                break;
            case Report::Delete:
                deleted << r.classification;
                break;
            case Report::PlaceGeneric:
                genericPlaced[QString::number(r.generic)] << r.classification;
                break;
            case Report::UnplaceGeneric:
                genericUnplaced << QString::number(r.generic);
                break;
            case Report::PlaceDrug:
                drugPlaced[r.item] << r.generic;
                break;
            case Report::UnplaceDrug:
                drugUnplaced << r.item;
                break;
            }
        }
        const auto names = classificationNames();
        int wrong = 0, lost = 0;
        // Every classification that went was deleted by a reported delete of
        // it, and every reported one is gone: no delete hit another entry.
        for (auto it = namesBefore.begin(); it != namesBefore.end(); ++it)
            if (!names.contains(it.key()) && !deleted.contains(it.key()))
                ++wrong;
        for (qint64 id : added)
            if (id != 0 && !names.contains(id) && !deleted.contains(id))
                ++lost;
        for (qint64 id : deleted)
            if (names.contains(id))
                ++lost;
        // A name is its first, or one that a reported change gave it; a name
        // that names another id, or a parent it is not under, is a wrong entry.
        for (auto it = names.begin(); it != names.end(); ++it) {
            const QString& name = it.value();
            if (name != namesBefore.value(it.key()) && !namesGiven[it.key()].contains(name))
                ++wrong;
            if (name.startsWith(QLatin1String("R-")) &&
                name.section(u'-', 1, 1).toLongLong() != it.key())
                ++wrong;
        }
        const auto parentIdOf =
            placements(QStringLiteral("ClassificationID"), QStringLiteral("ClassificationID"));
        for (auto it = names.begin(); it != names.end(); ++it)
            if (it.value().startsWith(QLatin1String("A-")) &&
                it.value().section(u'-', 1, 1).toLongLong() !=
                    parentIdOf.value(QString::number(it.key()), 0))
                ++wrong;
        // Generic names and drugs sit where they were, or where a reported
        // placement put them; one that left was moved or removed by a report.
        const auto checkPlacements =
            [&](const QHash<QString, qint64>& before, const QHash<QString, qint64>& after,
                QHash<QString, QSet<qint64>>& placed, const QSet<QString>& unplaced) {
                for (auto it = after.begin(); it != after.end(); ++it)
                    if (before.value(it.key(), -1) != it.value() &&
                        !placed[it.key()].contains(it.value()))
                        ++wrong;
                for (auto it = before.begin(); it != before.end(); ++it)
                    if (!after.contains(it.key()) && !unplaced.contains(it.key()) &&
                        !placed.contains(it.key()))
                        ++wrong;
            };
        checkPlacements(genericsBefore,
                        placements(QStringLiteral("GenericID"), QStringLiteral("ClassificationID")),
                        genericPlaced, genericUnplaced);
        checkPlacements(drugsBefore,
                        placements(QStringLiteral("itemid"), QStringLiteral("GenericID")),
                        drugPlaced, drugUnplaced);

        std::printf("stress: %zu changes, %d done, %d refused by the rules, %d refused after a "
                    "conflict; %d wrong-entry, %d lost, %lld ending errors\n",
                    all.reports.size() + std::size_t(all.conflicts), done, all.refusals,
                    all.conflicts, wrong, lost, qlonglong(all.fatal.size()));
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(lost, 0);
        EXPECT_TRUE(all.fatal.isEmpty()) << all.fatal.join(u'\n').toStdString();
        EXPECT_GT(done, 50) << "too little work to tell anything";
        expectSoundTree();
    }

    void addClassification(const QString& name) {
        auto& f = fixture->formulary;
        const QSet<qint64> taken = f.NodeFormulary.ChildNumbers(QStringLiteral("_0"));
        qint64 number = 1;
        while (taken.contains(number))
            ++number;
        QString key = QStringLiteral("_%1").arg(number);
        ASSERT_TRUE(
            f.Classifications.AddClassification(f.NodeFormulary.RootIdentity(), key, name, 0, {}));
    }
};

} // namespace

// Eight workstations on a server, four on one embedded database.
TEST_P(Stress, WorkstationsChangingAtOnceNeverHitAnotherEntry) {
    const bool server = GetParam() == db::Engine::PostgreSQL;
    run(server ? 8 : 4, std::chrono::seconds(server ? 8 : 6));
}

FORMULARY_ENGINE_TESTS(Stress);
