#include "stress/stress_run.h"

#include "components/formulary_data/formulary.h"
#include "database/change.h"
#include "platform/app_error.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <random>
#include <thread>

namespace stress {

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

// What the database holds, as the replay compares it.
class Observed {
public:
    explicit Observed(db::Connection& c) : m_c(c) {}

    QHash<qint64, QString> classificationNames() {
        QHash<qint64, QString> names;
        const db::Recordset rs =
            m_c.query(QStringLiteral("SELECT ClassificationID, ClassificationName FROM "
                                     "inventory.tbForClassification"));
        for (int row = 0; row < rs.recordCount(); ++row)
            names.insert(rs.value(row, 0).toLongLong(), rs.value(row, 1).toString());
        return names;
    }

    // Where each entry of the column sits: the id of the entry above it.
    QHash<QString, qint64> placements(const QString& column, const QString& parentColumn) {
        QHash<QString, qint64> where;
        const db::Recordset rs =
            m_c.query(QStringLiteral("SELECT n.%1, p.%2 FROM inventory.tbFormularyNode n"
                                     " JOIN inventory.tbFormularyNode p"
                                     " ON p.Node_Key = n.Node_Parent WHERE n.%1 IS NOT NULL")
                          .arg(column, parentColumn));
        for (int row = 0; row < rs.recordCount(); ++row)
            where.insert(rs.value(row, 0).toString(), rs.value(row, 1).toLongLong());
        return where;
    }
    QHash<QString, qint64> genericPlacements() {
        return placements(QStringLiteral("GenericID"), QStringLiteral("ClassificationID"));
    }
    QHash<QString, qint64> drugPlacements() {
        return placements(QStringLiteral("itemid"), QStringLiteral("GenericID"));
    }

    // Nodes that break the tree's own rules: under a parent of the wrong
    // type, named otherwise than their classification, or with a key not
    // made from their parent's.
    qint64 unsoundNodes() {
        qint64 count = 0;
        for (const char* sql :
             {"SELECT COUNT(*) FROM inventory.tbFormularyNode n"
              " JOIN inventory.tbFormularyNode p ON p.Node_Key = n.Node_Parent"
              " WHERE NOT ((n.node_type = '1' AND p.node_type IN ('0', '1'))"
              "  OR (n.node_type = '2' AND p.node_type = '1')"
              "  OR (n.node_type = '3' AND p.node_type = '2'))",
              "SELECT COUNT(*) FROM inventory.tbFormularyNode n"
              " JOIN inventory.tbForClassification c ON c.ClassificationID = n.ClassificationID"
              " WHERE n.NodeName <> c.ClassificationName",
              "SELECT COUNT(*) FROM inventory.tbFormularyNode n"
              " WHERE n.node_type <> '0' AND NOT (n.Node_Key LIKE n.Node_Parent || '.%'"
              " OR (n.Node_Parent = '_0' AND n.Node_Key LIKE '\\_%' ESCAPE '\\'))"})
            count += m_c.query(QLatin1String(sql)).field(0).toLongLong();
        return count;
    }

private:
    db::Connection& m_c;
};

// What the reports say was done, gathered for the replay.
struct Claims {
    QSet<qint64> added, deleted;
    QHash<qint64, QSet<QString>> namesGiven;
    QHash<QString, QSet<qint64>> genericPlaced, drugPlaced;
    QSet<QString> genericUnplaced, drugUnplaced;

    explicit Claims(const std::vector<Report>& reports) {
        for (const Report& r : reports) {
            if (!r.done)
                continue;
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
    }
};

// Entries sit where they were, or where a reported placement put them; one
// that left was moved or removed by a report. The count of those that break it.
qint64 misplaced(const QHash<QString, qint64>& before, const QHash<QString, qint64>& after,
                 const QHash<QString, QSet<qint64>>& placed, const QSet<QString>& unplaced) {
    qint64 wrong = 0;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (before.value(it.key(), -1) != it.value() &&
            !placed.value(it.key()).contains(it.value()))
            ++wrong;
    for (auto it = before.begin(); it != before.end(); ++it)
        if (!after.contains(it.key()) && !unplaced.contains(it.key()) && !placed.contains(it.key()))
            ++wrong;
    return wrong;
}

struct Before {
    QHash<qint64, QString> names;
    QHash<QString, qint64> generics, drugs;
};

void replay(const Claims& claims, const Before& before, Observed& now, Figures& figures) {
    const auto names = now.classificationNames();
    // Every classification that went was deleted by a reported delete of it,
    // and every reported one is gone: no delete hit another entry.
    for (auto it = before.names.begin(); it != before.names.end(); ++it)
        if (!names.contains(it.key()) && !claims.deleted.contains(it.key()))
            ++figures.wrongEntry;
    for (qint64 id : claims.added)
        if (id != 0 && !names.contains(id) && !claims.deleted.contains(id))
            ++figures.lost;
    for (qint64 id : claims.deleted)
        if (names.contains(id))
            ++figures.lost;
    // A name is its first, or one that a reported change gave it; a renamed
    // one names its own id, an added one the parent it is under.
    const auto parents =
        now.placements(QStringLiteral("ClassificationID"), QStringLiteral("ClassificationID"));
    for (auto it = names.begin(); it != names.end(); ++it) {
        const QString& name = it.value();
        const qint64 named = name.section(u'-', 1, 1).toLongLong();
        if (name != before.names.value(it.key()) &&
            !claims.namesGiven.value(it.key()).contains(name))
            ++figures.wrongEntry;
        if (name.startsWith(QLatin1String("R-")) && named != it.key())
            ++figures.wrongEntry;
        if (name.startsWith(QLatin1String("A-")) &&
            named != parents.value(QString::number(it.key()), 0))
            ++figures.wrongEntry;
    }
    figures.wrongEntry += misplaced(before.generics, now.genericPlacements(), claims.genericPlaced,
                                    claims.genericUnplaced);
    figures.wrongEntry +=
        misplaced(before.drugs, now.drugPlacements(), claims.drugPlaced, claims.drugUnplaced);
    figures.unsound = now.unsoundNodes();
}

void addStartClassifications(formulary_data::Formulary& f) {
    for (int i = 0; i < 6; ++i) {
        const QSet<qint64> taken = f.NodeFormulary.ChildNumbers(QStringLiteral("_0"));
        qint64 number = 1;
        while (taken.contains(number))
            ++number;
        QString key = QStringLiteral("_%1").arg(number);
        f.Classifications.AddClassification(f.NodeFormulary.RootIdentity(), key,
                                            QStringLiteral("Start %1").arg(i), 0, {});
    }
}

} // namespace

Figures run(const QString& target, int workstations, std::chrono::seconds duration, unsigned seed) {
    Figures figures;
    figures.seed =
        seed != 0 ? seed : unsigned(qEnvironmentVariableIntValue("FORMULARY_STRESS_SEED"));
    if (figures.seed == 0)
        figures.seed = unsigned(QDateTime::currentMSecsSinceEpoch() % 100000) + 1;
    formulary_data::Formulary observer;
    if (!observer.Connect(target)) {
        figures.fatal << QStringLiteral("the database cannot be opened");
        return figures;
    }
    addStartClassifications(observer);
    Observed now(observer.connection());
    const Before before{now.classificationNames(), now.genericPlacements(), now.drugPlacements()};

    const qint64 retriesBefore = database::changeRetries();
    std::vector<Tally> tallies(static_cast<std::size_t>(workstations));
    std::vector<std::thread> threads;
    const auto until = Clock::now() + duration;
    for (int w = 0; w < workstations; ++w)
        threads.emplace_back([&, w] {
            Workstation(w, target, figures.seed + unsigned(w)).run(until, tallies[std::size_t(w)]);
        });
    for (std::thread& t : threads)
        t.join();

    std::vector<Report> reports;
    for (const Tally& t : tallies) {
        reports.insert(reports.end(), t.reports.begin(), t.reports.end());
        figures.refusals += t.refusals;
        figures.conflicts += t.conflicts;
        figures.fatal << t.fatal;
    }
    figures.retries = database::changeRetries() - retriesBefore;
    figures.changes = qint64(reports.size()) + figures.conflicts + figures.fatal.size();
    figures.done =
        std::count_if(reports.begin(), reports.end(), [](const Report& r) { return r.done; });
    replay(Claims(reports), before, now, figures);
    return figures;
}

QString describe(const Figures& f, int workstations) {
    return QStringLiteral("%1 workstations, seed %2: %3 changes, %4 done, %5 refused by the rules, "
                          "%6 retried after a conflict, %7 refused after a second; %8 wrong-entry, "
                          "%9 lost, %10 unsound nodes, %11 ending errors")
        .arg(workstations)
        .arg(f.seed)
        .arg(f.changes)
        .arg(f.done)
        .arg(f.refusals)
        .arg(f.retries)
        .arg(f.conflicts)
        .arg(f.wrongEntry)
        .arg(f.lost)
        .arg(f.unsound)
        .arg(f.fatal.size());
}

} // namespace stress
