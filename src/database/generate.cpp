#include "database/generate.h"

#include "components/formulary_data/node_store.h"
#include "database/audit.h"
#include "database/node_names.h"
#include "database/setup.h"
#include "platform/app_error.h"
#include "platform/db/text_match.h"
#include "platform/db/transaction.h"

#include <QHash>
#include <algorithm>

namespace database {

namespace {

using formulary_data::node_store::childKey;
using formulary_data::node_store::RootKey;

constexpr int MaxClassificationDepth = 4;
constexpr int MaxTopClassifications = 40;
const QString kNodes = QStringLiteral("inventory.tbFormularyNode");

QStringList nodeColumns(const QString& idColumn) {
    return {QStringLiteral("Node_Key"), QStringLiteral("Node_Parent"), QStringLiteral("Node_Level"),
            QStringLiteral("node_type"), idColumn};
}

// A fixed linear congruential sequence: the same formulary on every machine
// and standard library.
class Sequence {
public:
    int below(int n) {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return int((m_state >> 33) % quint64(n));
    }

private:
    quint64 m_state = 0x2545F4914F6CDD1DULL;
};

QString pick(const QStringList& words, int n) {
    return words.at(n % words.size());
}

QString classificationName(int n) {
    static const QStringList areas = {
        QStringLiteral("Cardiovascular"),   QStringLiteral("Respiratory"),
        QStringLiteral("Gastrointestinal"), QStringLiteral("Renal"),
        QStringLiteral("Dermatological"),   QStringLiteral("Ophthalmic"),
        QStringLiteral("Anti-infective"),   QStringLiteral("Antineoplastic"),
        QStringLiteral("Endocrine"),        QStringLiteral("Neurological"),
        QStringLiteral("Psychiatric"),      QStringLiteral("Haematological"),
        QStringLiteral("Musculoskeletal"),  QStringLiteral("Obstetric"),
        QStringLiteral("Anaesthetic"),      QStringLiteral("Nutritional"),
        QStringLiteral("Immunological"),    QStringLiteral("Palliative"),
    };
    static const QStringList kinds = {QStringLiteral("medicines"), QStringLiteral("agents"),
                                      QStringLiteral("preparations"), QStringLiteral("therapy")};
    return QStringLiteral("%1 %2 %3")
        .arg(pick(areas, n), pick(kinds, n / int(areas.size())))
        .arg(n + 1);
}

QString genericName(int n) {
    static const QStringList stems = {
        QStringLiteral("Ambro"), QStringLiteral("Beta"),  QStringLiteral("Cefu"),
        QStringLiteral("Dexa"),  QStringLiteral("Eno"),   QStringLiteral("Flu"),
        QStringLiteral("Glu"),   QStringLiteral("Hydro"), QStringLiteral("Iso"),
        QStringLiteral("Keto"),  QStringLiteral("Levo"),  QStringLiteral("Meto"),
        QStringLiteral("Nor"),   QStringLiteral("Oxa"),   QStringLiteral("Pra"),
        QStringLiteral("Rani"),  QStringLiteral("Sulfa"), QStringLiteral("Tri"),
        QStringLiteral("Vala"),  QStringLiteral("Zolo"),
    };
    static const QStringList endings = {
        QStringLiteral("prolol"),   QStringLiteral("pril"),    QStringLiteral("sartan"),
        QStringLiteral("statin"),   QStringLiteral("mycin"),   QStringLiteral("cillin"),
        QStringLiteral("conazole"), QStringLiteral("prazole"), QStringLiteral("dipine"),
        QStringLiteral("parin"),    QStringLiteral("tidine"),  QStringLiteral("setron"),
        QStringLiteral("floxacin"), QStringLiteral("vir"),     QStringLiteral("dronate"),
        QStringLiteral("tinib"),
    };
    return QStringLiteral("%1%2 %3")
        .arg(pick(stems, n), pick(endings, n / int(stems.size())))
        .arg(n + 1);
}

QString strengthAndForm(int n) {
    static const QStringList strengths = {QStringLiteral("5 mg"),   QStringLiteral("10 mg"),
                                          QStringLiteral("20 mg"),  QStringLiteral("50 mg"),
                                          QStringLiteral("100 mg"), QStringLiteral("250 mg"),
                                          QStringLiteral("500 mg"), QStringLiteral("1 g")};
    static const QStringList forms = {QStringLiteral("tablet"),
                                      QStringLiteral("capsule"),
                                      QStringLiteral("oral suspension 100 mL"),
                                      QStringLiteral("injection 1 mL ampoule"),
                                      QStringLiteral("injection 10 mL vial"),
                                      QStringLiteral("suppository"),
                                      QStringLiteral("modified-release tablet")};
    return pick(strengths, n) + QLatin1Char(' ') + pick(forms, n / int(strengths.size()));
}

QString sundryName(int n) {
    static const QStringList sundries = {
        QStringLiteral("Sodium chloride 0.9% flush"), QStringLiteral("Gauze swab"),
        QStringLiteral("Syringe 10 mL"), QStringLiteral("Alcohol wipe"),
        QStringLiteral("Water for injections")};
    return QStringLiteral("%1 %2").arg(pick(sundries, n)).arg(n + 1);
}

QString itemId(int n) {
    return QStringLiteral("GEN%1").arg(n + 1, 7, 10, QLatin1Char('0'));
}

struct Placed {
    QString key;
    int level = 0;
    int parent = -1; // index among the classifications, -1 for the root
    QString name;
};

class Builder {
public:
    explicit Builder(db::Connection& c) : m_c(c) {}

    void addClassifications(int count) {
        const int top = std::clamp(count / 4, 1, MaxTopClassifications);
        QStringList names;
        for (int i = 0; i < count; ++i)
            names << classificationName(i);
        const QHash<QString, qint64> ids =
            insertNamed(QStringLiteral("tbForClassification"), QStringLiteral("ClassificationID"),
                        QStringLiteral("ClassificationName"), names);
        std::vector<QVariantList> nodes;
        for (int i = 0; i < count; ++i) {
            const int parent = i < top ? -1 : nestUnder(m_random.below(i));
            const QString parentKey = parent < 0 ? RootKey : m_classes[parent].key;
            const int level = parent < 0 ? 1 : m_classes[parent].level + 1;
            m_classes.push_back({nextKey(parentKey), level, parent, names[i]});
            nodes.push_back(
                {m_classes.back().key, parentKey, level, QStringLiteral("1"), ids.value(names[i])});
        }
        m_c.copyRows(kNodes, nodeColumns(QStringLiteral("ClassificationID")), nodes);
    }

    // Returns the number of other details written.
    int addGenerics(int placed, int unassigned) {
        QStringList names;
        for (int i = 0; i < placed + unassigned; ++i)
            names << genericName(i);
        const QHash<QString, qint64> ids =
            insertNamed(QStringLiteral("tbforgeneric"), QStringLiteral("GenericID"),
                        QStringLiteral("genericname"), names);
        std::vector<QVariantList> nodes;
        std::vector<QVariantList> details;
        for (int i = 0; i < placed; ++i) {
            const Placed& parent = m_classes[std::size_t(m_random.below(int(m_classes.size())))];
            m_generics.push_back({nextKey(parent.key), parent.level + 1, -1, names[i]});
            const qint64 id = ids.value(names[i]);
            nodes.push_back(
                {m_generics.back().key, parent.key, parent.level + 1, QStringLiteral("2"), id});
            if (i % 10 == 0)
                details.push_back(
                    {id, QStringLiteral("Formulary note for %1: restricted to specialist use.")
                             .arg(names[i])});
        }
        m_c.copyRows(kNodes, nodeColumns(QStringLiteral("GenericID")), nodes);
        m_c.copyRows(QStringLiteral("inventory.tbFormularyOtherDetails"),
                     {QStringLiteral("GenericID"), QStringLiteral("OtherDetails")}, details);
        return int(details.size());
    }

    // Written a batch at a time, so that a formulary of millions of nodes
    // never holds all its rows in memory.
    void addItems(int placed, int unplaced) {
        for (int first = 0; first < placed + unplaced; first += ItemsPerBatch)
            addItems(first, std::min(first + ItemsPerBatch, placed + unplaced), placed);
    }

private:
    static constexpr int ItemsPerBatch = 50000;

    // The items numbered from first up to end; those below placed are drugs.
    void addItems(int first, int end, int placed) {
        std::vector<QVariantList> items;
        std::vector<QVariantList> drugNodes;
        for (int i = first; i < end; ++i) {
            const bool isDrug = i < placed;
            const Placed* parent =
                isDrug ? &m_generics[std::size_t(m_random.below(int(m_generics.size())))] : nullptr;
            const QString name = isDrug ? parent->name : sundryName(i - placed);
            const QString description = strengthAndForm(i);
            items.push_back({itemId(i), name, description,
                             QStringLiteral("As directed by the prescriber."),
                             QStringLiteral("See the product information."),
                             QStringLiteral("Oral or as labelled."), QVariant(), db::foldText(name),
                             db::foldText(description)});
            if (isDrug)
                drugNodes.push_back({nextKey(parent->key), parent->key, parent->level + 1,
                                     QStringLiteral("3"), itemId(i)});
        }
        m_c.copyRows(QStringLiteral("inventory.tbinvmaster"),
                     {QStringLiteral("itemid"), QStringLiteral("itemname"),
                      QStringLiteral("description"), QStringLiteral("Indication"),
                      QStringLiteral("Dosage"), QStringLiteral("Administration"),
                      QStringLiteral("Preparation"), QStringLiteral("name_folded"),
                      QStringLiteral("description_folded")},
                     items);
        m_c.copyRows(kNodes, nodeColumns(QStringLiteral("itemid")), drugNodes);
    }

    QString nextKey(const QString& parentKey) {
        return childKey(parentKey, ++m_childCount[parentKey]);
    }

    // A classification at most MaxClassificationDepth deep: the candidate, or
    // the nearest of its ancestors that is not yet that deep.
    int nestUnder(int candidate) const {
        while (m_classes[std::size_t(candidate)].level >= MaxClassificationDepth)
            candidate = m_classes[std::size_t(candidate)].parent;
        return candidate;
    }

    // Inserts the named rows into the empty table and answers each name's new id.
    QHash<QString, qint64> insertNamed(const QString& table, const QString& idColumn,
                                       const QString& nameColumn, const QStringList& names) {
        std::vector<QVariantList> rows;
        rows.reserve(std::size_t(names.size()));
        for (const QString& name : names)
            rows.push_back({name, db::foldText(name)});
        m_c.copyRows(QStringLiteral("inventory.") + table,
                     {nameColumn, QStringLiteral("name_folded")}, rows);
        const db::Recordset rs = m_c.query(
            QStringLiteral("SELECT %1, %2 FROM inventory.%3").arg(idColumn, nameColumn, table));
        QHash<QString, qint64> ids;
        for (int row = 0; row < rs.recordCount(); ++row)
            ids.insert(rs.value(row, 1).toString(), rs.value(row, 0).toLongLong());
        return ids;
    }

    db::Connection& m_c;
    Sequence m_random;
    QHash<QString, qint64> m_childCount;
    std::vector<Placed> m_classes;
    std::vector<Placed> m_generics;
};

// Every entry of the tree as added, one line each, and the generic names
// kept apart from it.
void noteGenerated(db::Connection& c) {
    audit::noteRows(
        c,
        QStringLiteral(
            "SELECT 'add', CASE n.node_type WHEN '1' THEN 'classification'"
            " WHEN '2' THEN 'generic name' ELSE 'drug' END,"
            " COALESCE(CAST(n.ClassificationID AS TEXT), CAST(n.GenericID AS TEXT), n.itemid),"
            " n.Node_Key, n.NodeName, NULL, n.NodeName"
            " FROM inventory.tbFormularyNode n WHERE n.node_type <> '0'"
            " UNION ALL SELECT 'add', 'generic name', CAST(g.GenericID AS TEXT), NULL,"
            " g.genericname, NULL, g.genericname FROM inventory.tbforgeneric g"
            " WHERE NOT EXISTS (SELECT 1 FROM inventory.tbFormularyNode n"
            " WHERE n.GenericID = g.GenericID)"),
        {}, audit::systemAccount());
}

} // namespace

GeneratedFormulary generateFormulary(db::Connection& c, int nodes, const Progress& progress) {
    if (nodes < 1)
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("A generated formulary needs at least one node."));
    GeneratedFormulary shape;
    shape.classifications = std::max(1, int(qint64(nodes) * 3 / 100));
    shape.generics = std::max(1, nodes / 5);
    shape.drugs = std::max(0, nodes - shape.classifications - shape.generics);
    shape.unassignedGenerics = shape.generics / 50;
    shape.unplacedItems = shape.drugs / 30;

    constexpr int kSteps = 6;
    db::Transaction t(c);
    requireEmptyFormulary(c);
    Builder builder(c);
    tell(progress, 1, kSteps, QStringLiteral("classifications"));
    builder.addClassifications(shape.classifications);
    tell(progress, 2, kSteps, QStringLiteral("generic names"));
    shape.otherDetails = builder.addGenerics(shape.generics, shape.unassignedGenerics);
    tell(progress, 3, kSteps, QStringLiteral("drugs"));
    builder.addItems(shape.drugs, shape.unplacedItems);
    tell(progress, 4, kSteps, QStringLiteral("names in the tree"));
    syncAllNodeNames(c);
    tell(progress, 5, kSteps, QStringLiteral("audit history"));
    noteGenerated(c);
    tell(progress, 6, kSteps, QStringLiteral("saving"));
    t.commit();
    return shape;
}

} // namespace database
