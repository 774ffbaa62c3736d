#include "database/formulary_transfer.h"

#include "components/formulary_data/node_store.h"
#include "database/audit.h"
#include "database/change.h"
#include "database/csv.h"
#include "database/input_limits.h"
#include "database/node_names.h"
#include "database/server_changes.h"
#include "platform/app_error.h"
#include "platform/db/text_match.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace database {

namespace {

using formulary_data::node_store::childKey;
using formulary_data::node_store::childNumber;
using formulary_data::node_store::RootKey;

const QString kNodes = QStringLiteral("inventory.tbFormularyNode");
const QString kNotes = QStringLiteral("formulary_import_notes");
const QString kPathSeparator = QStringLiteral(" > ");

// ---- What is stored ----

struct Node {
    QString key;
    QString parent;
    int level = 0;
    QString type;
    qint64 id = 0; // the classification's or generic name's
    QString itemid;
    QString name; // the classification's or generic name's
    QString folded;
};

struct Stored {
    std::vector<Node> nodes; // parents before children, the root left out
    QHash<qint64, QString> genericNames;
    QHash<QString, qint64> genericIds; // by folded name
    QHash<qint64, QString> details;
    QHash<QString, StockItem> items;
};

QString textAt(const db::Recordset& rs, int row, int column) {
    return rs.value(row, column).toString();
}

Stored readStored(db::Connection& c) {
    Stored s;
    db::Recordset rs = c.query(QStringLiteral(
        "SELECT n.Node_Key, n.Node_Parent, n.Node_Level, n.node_type,"
        " COALESCE(n.ClassificationID, n.GenericID), n.itemid,"
        " COALESCE(k.ClassificationName, g.genericname), COALESCE(k.name_folded, g.name_folded)"
        " FROM inventory.tbFormularyNode n"
        " LEFT JOIN inventory.tbForClassification k ON k.ClassificationID = n.ClassificationID"
        " LEFT JOIN inventory.tbforgeneric g ON g.GenericID = n.GenericID"
        " WHERE n.node_type <> '0' ORDER BY n.Node_Level, n.Node_Key"));
    for (int r = 0; r < rs.recordCount(); ++r)
        s.nodes.push_back({textAt(rs, r, 0), textAt(rs, r, 1), rs.value(r, 2).toInt(),
                           textAt(rs, r, 3), rs.value(r, 4).toLongLong(), textAt(rs, r, 5),
                           textAt(rs, r, 6), textAt(rs, r, 7)});
    rs = c.query(
        QStringLiteral("SELECT GenericID, genericname, name_folded FROM inventory.tbforgeneric"
                       " ORDER BY GenericID"));
    for (int r = 0; r < rs.recordCount(); ++r) {
        s.genericNames.insert(rs.value(r, 0).toLongLong(), textAt(rs, r, 1));
        s.genericIds.insert(textAt(rs, r, 2), rs.value(r, 0).toLongLong());
    }
    rs = c.query(QStringLiteral("SELECT GenericID, OtherDetails FROM"
                                " inventory.tbFormularyOtherDetails WHERE OtherDetails <> ''"));
    for (int r = 0; r < rs.recordCount(); ++r)
        s.details.insert(rs.value(r, 0).toLongLong(), textAt(rs, r, 1));
    rs = c.query(QStringLiteral("SELECT itemid, itemname, description, Indication, Dosage,"
                                " Administration, Preparation FROM inventory.tbinvmaster"));
    for (int r = 0; r < rs.recordCount(); ++r)
        s.items.insert(textAt(rs, r, 0),
                       {textAt(rs, r, 0), textAt(rs, r, 1), textAt(rs, r, 2), textAt(rs, r, 3),
                        textAt(rs, r, 4), textAt(rs, r, 5), textAt(rs, r, 6)});
    return s;
}

// ---- The file's rows ----

struct Row {
    int line = 0;
    QStringList classes{}; // from the top level down
    QString generic{};
    StockItem item{};
    QString details{};
};

QStringList classColumns(int depth) {
    QStringList columns;
    for (int level = 1; level <= depth; ++level)
        columns << QStringLiteral("class%1").arg(level);
    return columns;
}

QStringList fieldsOf(const Row& row, int depth) {
    QStringList fields = row.classes;
    while (fields.size() < depth)
        fields << QString();
    const StockItem& i = row.item;
    return fields + QStringList{row.generic,      i.itemid,      i.name,
                                i.description,    i.indication,  i.dosage,
                                i.administration, i.preparation, row.details};
}

// ---- Export ----

// The rows of the stored formulary, and the deepest classification's level.
std::pair<std::vector<Row>, int> exportRows(const Stored& s, FormularyExport& summary) {
    QHash<QString, QStringList> classPath;
    QHash<QString, std::vector<const Node*>> children;
    QSet<QString> placedItems;
    QSet<qint64> placedGenerics;
    for (const Node& n : s.nodes) {
        children[n.parent].push_back(&n);
        if (n.type == QLatin1String("1"))
            classPath.insert(n.key, classPath.value(n.parent) << n.name);
        else if (n.type == QLatin1String("2"))
            placedGenerics.insert(n.id);
        else
            placedItems.insert(n.itemid);
    }
    std::vector<Row> rows;
    int depth = 1;
    for (const Node& n : s.nodes) {
        const bool empty = !children.contains(n.key);
        if (n.type == QLatin1String("1")) {
            ++summary.classifications;
            depth = std::max(depth, int(classPath.value(n.key).size()));
            if (empty)
                rows.push_back({0, classPath.value(n.key), {}, {}, {}});
        } else if (n.type == QLatin1String("2")) {
            ++summary.generics;
            const Row row{0, classPath.value(n.parent), n.name, {}, s.details.value(n.id)};
            if (empty)
                rows.push_back(row);
            for (const Node* drug : children.value(n.key)) {
                rows.push_back(row);
                rows.back().item = s.items.value(drug->itemid);
                ++summary.drugs;
            }
        }
    }
    for (auto g = s.genericNames.cbegin(); g != s.genericNames.cend(); ++g)
        if (!placedGenerics.contains(g.key()))
            rows.push_back({0, {}, g.value(), {}, s.details.value(g.key())});
    for (const StockItem& item : s.items)
        if (!placedItems.contains(item.itemid)) {
            rows.push_back({0, {}, {}, item, {}});
            ++summary.unplacedItems;
        }
    return {rows, depth};
}

// ---- Reading a file ----

// The class columns the header names: class1 up to the highest level named.
int headerDepth(const CsvRecord& header) {
    static const QRegularExpression classColumn(QStringLiteral("^class([1-9][0-9]{0,2})$"),
                                                QRegularExpression::CaseInsensitiveOption);
    int depth = 1;
    for (const QString& name : header.fields)
        if (const auto m = classColumn.match(name.trimmed()); m.hasMatch())
            depth = std::max(depth, m.captured(1).toInt());
    return depth;
}

void requireName(const QString& name, const QString& column, const QString& file, int line) {
    if (const QString why = limits::problem(name, limits::Name); !why.isEmpty())
        rejectLine(file, line, QStringLiteral("the %1 %2.").arg(column, why));
}

// The classifications of a row, checked: given from the top down, without gaps.
QStringList classesOf(const QStringList& fields, const QString& file, int line) {
    QStringList classes = fields;
    while (!classes.isEmpty() && classes.last().isEmpty())
        classes.removeLast();
    for (qsizetype level = 0; level < classes.size(); ++level) {
        if (classes.at(level).isEmpty())
            rejectLine(file, line,
                       QStringLiteral("class%1 is empty while class%2 holds \"%3\"; a"
                                      " classification's path is given from the top level down.")
                           .arg(level + 1)
                           .arg(classes.size())
                           .arg(classes.last()));
        requireName(classes.at(level), QStringLiteral("class%1").arg(level + 1), file, line);
    }
    return classes;
}

// What one row may hold: a classification's path; a generic name, with or
// without a path; a drug (path, generic name, stock item); a stock item alone.
void requireShape(const Row& row, bool itemTexts, const QString& file) {
    const auto reject = [&](const QString& why) { rejectLine(file, row.line, why); };
    if (row.item.itemid.isEmpty() && itemTexts)
        reject(QStringLiteral("the row gives a stock item's texts but no itemid."));
    if (!row.item.itemid.isEmpty() && row.item.name.isEmpty() && itemTexts)
        reject(QStringLiteral("the name of the stock item %1 is empty.").arg(row.item.itemid));
    if (row.generic.isEmpty() && !row.details.isEmpty())
        reject(QStringLiteral("the row gives other details but no genericname."));
    if (row.generic.isEmpty() && !row.item.itemid.isEmpty() && !row.classes.isEmpty())
        reject(QStringLiteral("the stock item %1 is placed under classifications but no generic"
                              " name; a drug sits under a generic name.")
                   .arg(row.item.itemid));
    if (!row.generic.isEmpty() && !row.item.itemid.isEmpty() && row.classes.isEmpty())
        reject(QStringLiteral("the stock item %1 is placed under the generic name \"%2\", which"
                              " needs its classifications on the line too.")
                   .arg(row.item.itemid, row.generic));
    if (row.classes.isEmpty() && row.generic.isEmpty() && row.item.itemid.isEmpty())
        reject(QStringLiteral("the row names no classification, generic name or stock item."));
}

struct FileRows {
    std::vector<Row> rows;
    ItemFile items; // the stock items given with their texts
};

FileRows readRows(const QByteArray& csv, const QString& file) {
    CsvReader reader(csv, file);
    CsvRecord header;
    if (!reader.next(header))
        rejectLine(file, 1, QStringLiteral("the file is empty; it needs a header row."));
    const int depth = headerDepth(header);
    FileRows result;
    const std::vector<qsizetype> at = columnPositions(
        header, file, classColumns(depth) + FormularyColumns,
        {QStringLiteral("class1"), QStringLiteral("genericname"), QStringLiteral("itemid")},
        QStringLiteral("a formulary"), result.items.warnings);
    CsvRecord record;
    while (reader.next(record)) {
        const QStringList fields = knownFields(record, header, at, file);
        Row row{.line = record.line,
                .classes = classesOf(fields.mid(0, depth), file, record.line),
                .generic = fields.at(depth)};
        const QStringList item = fields.mid(depth + 1, ItemColumns.size());
        row.item = itemFrom(item);
        row.details = fields.last();
        requireName(row.generic, QStringLiteral("genericname"), file, row.line);
        requireShape(row, !item.mid(1).join(QString()).isEmpty(), file);
        if (!row.item.name.isEmpty()) {
            requireItemLimits(row.item, file, row.line);
            result.items.items.push_back(row.item);
            result.items.lines.push_back(row.line);
        }
        result.rows.push_back(std::move(row));
    }
    return result;
}

// ---- The plan of an import ----

enum class Action { Added, Placed, Moved, Left, InPlace };

void tally(PlacementCounts& counts, Action action) {
    switch (action) {
    case Action::Added:
        ++counts.added;
        break;
    case Action::Placed:
        ++counts.placed;
        break;
    case Action::Moved:
        ++counts.moved;
        break;
    case Action::Left:
        ++counts.left;
        break;
    case Action::InPlace:
        ++counts.inPlace;
        break;
    }
}

struct NewNode {
    QString key;
    QString parent;
    int level = 0;
};

struct PlannedClass {
    NewNode node;
    QString name;
    QString path;
    qint64 id = 0;
};

struct PlannedGeneric {
    int line = 0;
    QString name{};
    QString classKey{}; // empty: under no classification
    qint64 id = 0;      // 0: new
    QString storedKey{};
    QString storedPath{};
    QString path{};
    Action action = Action::InPlace;
    NewNode node{}; // its new node, when it gets one
    QString details{};
    int detailsLine = 0;
};

struct PlannedDrug {
    QString itemid{};
    QString name{};
    QString genericName{};
    QString storedKey{};
    QString storedGeneric{};
    Action action = Action::InPlace;
    NewNode node{};
};

class Plan {
public:
    Plan(const Stored& stored, const QString& file, bool move)
        : m_stored(stored), m_file(file), m_move(move) {
        m_levels.insert(RootKey, 0);
        for (const Node& n : stored.nodes) {
            m_levels.insert(n.key, n.level);
            m_nodeAt.insert(n.key, &n);
            if (const auto number = childNumber(n.parent, n.key))
                m_lastChild[n.parent] = std::max(m_lastChild.value(n.parent), *number);
            if (n.type == QLatin1String("1")) {
                const QString at = siblingKey(n.parent, n.folded);
                if (!m_classAt.contains(at))
                    m_classAt.insert(at, n.key);
                m_paths.insert(n.key, pathOf(n.parent) << n.name);
            } else if (n.type == QLatin1String("2")) {
                m_genericNode.insert(n.id, &n);
            } else {
                m_drugNode.insert(n.itemid, &n);
                m_drugsUnder[n.parent].push_back(&n);
            }
        }
    }

    void add(const Row& row) {
        const QString classKey = classKeyOf(row);
        if (!row.generic.isEmpty())
            addGeneric(row, classKey);
        if (!row.item.itemid.isEmpty())
            addItem(row);
    }

    // The drugs under generic names that move go along, with new keys.
    void carryDrugs() {
        for (const PlannedGeneric& g : m_generics) {
            if (g.action != Action::Moved)
                continue;
            for (const Node* drug : m_drugsUnder.value(g.storedKey)) {
                if (m_movedItems.contains(drug->itemid))
                    continue;
                m_carried.push_back({drug->itemid, m_stored.items.value(drug->itemid).name, g.name,
                                     drug->key, g.name, Action::InPlace, newNode(g.node.key)});
            }
        }
    }

    FormularyImport counts() const {
        FormularyImport result;
        result.classifications.added = int(m_classes.size());
        result.classifications.inPlace = int(m_storedClassesUsed.size());
        for (const PlannedGeneric& g : m_generics)
            tally(result.generics, g.action);
        for (const PlannedDrug& d : m_drugs)
            tally(result.drugs, d.action);
        result.otherDetails = int(detailsToSave().size());
        result.elsewhere = m_elsewhere;
        return result;
    }

    // The generic names whose other details differ from the stored ones.
    std::vector<const PlannedGeneric*> detailsToSave() const {
        std::vector<const PlannedGeneric*> list;
        for (const PlannedGeneric& g : m_generics)
            if (!g.details.isEmpty() && g.details != m_stored.details.value(g.id))
                list.push_back(&g);
        return list;
    }

    std::vector<PlannedClass>& classes() { return m_classes; }
    std::vector<PlannedGeneric>& generics() { return m_generics; }
    const std::vector<PlannedDrug>& drugs() const { return m_drugs; }
    const std::vector<PlannedDrug>& carried() const { return m_carried; }

private:
    static QString siblingKey(const QString& parent, const QString& folded) {
        return parent + QLatin1Char('\n') + folded;
    }

    QStringList pathOf(const QString& key) const { return m_paths.value(key); }

    NewNode newNode(const QString& parent) {
        const NewNode node{childKey(parent, ++m_lastChild[parent]), parent,
                           m_levels.value(parent) + 1};
        m_levels.insert(node.key, node.level);
        return node;
    }

    // The classification the row's path names, made where missing; empty for none.
    QString classKeyOf(const Row& row) {
        QString key = RootKey;
        for (const QString& name : row.classes) {
            const QString at = siblingKey(key, db::foldText(name));
            if (const auto found = m_classAt.constFind(at); found != m_classAt.cend()) {
                key = found.value();
                if (!m_newClassKeys.contains(key))
                    m_storedClassesUsed.insert(key);
                continue;
            }
            const NewNode node = newNode(key);
            m_paths.insert(node.key, pathOf(key) << name);
            m_classAt.insert(at, node.key);
            m_newClassKeys.insert(node.key);
            m_classes.push_back({node, name, pathOf(node.key).join(kPathSeparator)});
            key = node.key;
        }
        return row.classes.isEmpty() ? QString() : key;
    }

    QString placeText(const QString& classKey) const {
        return classKey.isEmpty() ? QStringLiteral("no classification")
                                  : pathOf(classKey).join(kPathSeparator);
    }

    void addGeneric(const Row& row, const QString& classKey) {
        const QString folded = db::foldText(row.generic);
        if (const auto seen = m_genericAt.constFind(folded); seen != m_genericAt.cend()) {
            PlannedGeneric& g = m_generics[seen.value()];
            if (g.classKey != classKey)
                rejectLine(m_file, row.line,
                           QStringLiteral("the generic name \"%1\" is placed under %2 here and"
                                          " under %3 on line %4; a generic name has one place.")
                               .arg(row.generic, placeText(classKey), placeText(g.classKey))
                               .arg(g.line));
            takeDetails(g, row);
            return;
        }
        PlannedGeneric g{.line = row.line,
                         .name = row.generic,
                         .classKey = classKey,
                         .id = m_stored.genericIds.value(folded)};
        g.path = placeText(classKey);
        if (g.id)
            g.name = m_stored.genericNames.value(g.id);
        if (const Node* stored = g.id ? m_genericNode.value(g.id) : nullptr) {
            g.storedKey = stored->key;
            g.storedPath = placeText(stored->parent);
            if (stored->parent == classKey)
                g.action = Action::InPlace;
            else
                g.action = m_move && !classKey.isEmpty() ? Action::Moved : Action::Left;
        } else if (!classKey.isEmpty()) {
            g.action = g.id ? Action::Placed : Action::Added;
        } else {
            g.action = g.id ? Action::InPlace : Action::Added;
        }
        if (g.action == Action::Added || g.action == Action::Placed || g.action == Action::Moved)
            g.node = classKey.isEmpty() ? NewNode{} : newNode(classKey);
        if (g.action == Action::Moved || g.action == Action::Left)
            noteElsewhere(g.action, QStringLiteral("generic name"), g.name, g.storedPath, g.path,
                          row.line);
        takeDetails(g, row);
        m_genericAt.insert(folded, qsizetype(m_generics.size()));
        m_generics.push_back(std::move(g));
    }

    void takeDetails(PlannedGeneric& g, const Row& row) {
        if (row.details.isEmpty() || row.details == g.details)
            return;
        if (!g.details.isEmpty())
            rejectLine(m_file, row.line,
                       QStringLiteral("the other details of the generic name \"%1\" differ from"
                                      " those on line %2.")
                           .arg(row.generic)
                           .arg(g.detailsLine));
        g.details = row.details;
        g.detailsLine = row.line;
    }

    void addItem(const Row& row) {
        const QString& itemid = row.item.itemid;
        if (const auto first = m_itemLines.constFind(itemid); first != m_itemLines.cend())
            rejectLine(m_file, row.line,
                       QStringLiteral("the itemid %1 is given twice (first on line %2).")
                           .arg(itemid)
                           .arg(first.value()));
        m_itemLines.insert(itemid, row.line);
        const bool stored = m_stored.items.contains(itemid);
        if (!stored && row.item.name.isEmpty())
            rejectLine(m_file, row.line,
                       QStringLiteral("the stock item %1 is not stored and the row gives no name"
                                      " for it: give its item columns, or import the items with"
                                      " \"formulary-admin import-items\" first.")
                           .arg(itemid));
        if (row.generic.isEmpty())
            return;
        const PlannedGeneric& g = m_generics[m_genericAt.value(db::foldText(row.generic))];
        PlannedDrug d{.itemid = itemid,
                      .name = row.item.name.isEmpty() ? m_stored.items.value(itemid).name
                                                      : row.item.name,
                      .genericName = g.name};
        const QString target = g.node.key.isEmpty() ? g.storedKey : g.node.key;
        if (const Node* node = m_drugNode.value(itemid)) {
            d.storedKey = node->key;
            const Node* storedGeneric = m_nodeAt.value(node->parent);
            d.storedGeneric = storedGeneric ? storedGeneric->name : QString();
            if (node->parent == g.storedKey)
                d.action = Action::InPlace;
            else
                d.action = m_move ? Action::Moved : Action::Left;
        } else {
            d.action = stored ? Action::Placed : Action::Added;
        }
        if (d.action == Action::Moved)
            m_movedItems.insert(itemid);
        if (d.action == Action::Added || d.action == Action::Placed || d.action == Action::Moved)
            d.node = newNode(target);
        if (d.action == Action::Moved || d.action == Action::Left)
            noteElsewhere(d.action, QStringLiteral("drug"),
                          QStringLiteral("%1 (%2)").arg(d.name, itemid), d.storedGeneric, g.name,
                          row.line);
        m_drugs.push_back(std::move(d));
    }

    void noteElsewhere(Action action, const QString& kind, const QString& name, const QString& from,
                       const QString& to, int line) {
        m_elsewhere << (action == Action::Moved
                            ? QStringLiteral("line %1: the %2 \"%3\" moves from %4 to %5.")
                            : QStringLiteral("line %1: the %2 \"%3\" stays under %4; the file"
                                             " places it under %5 (--move moves it)."))
                           .arg(line)
                           .arg(kind, name, from, to);
    }

    const Stored& m_stored;
    QString m_file;
    bool m_move;
    QHash<QString, int> m_levels;
    QHash<QString, const Node*> m_nodeAt;
    QHash<QString, qint64> m_lastChild;
    QHash<QString, QString> m_classAt; // by parent and folded name
    QHash<QString, QStringList> m_paths;
    QHash<qint64, const Node*> m_genericNode;
    QHash<QString, const Node*> m_drugNode;
    QHash<QString, std::vector<const Node*>> m_drugsUnder;
    QSet<QString> m_newClassKeys;
    QSet<QString> m_storedClassesUsed;
    QHash<QString, qsizetype> m_genericAt; // by folded name
    QHash<QString, int> m_itemLines;
    QSet<QString> m_movedItems;
    std::vector<PlannedClass> m_classes;
    std::vector<PlannedGeneric> m_generics;
    std::vector<PlannedDrug> m_drugs;
    std::vector<PlannedDrug> m_carried;
    QStringList m_elsewhere;
};

// ---- Writing a plan ----

QVariantList nodeRow(const NewNode& node, const QString& type, const QVariant& classId,
                     const QVariant& genericId, const QVariant& itemid) {
    return {node.key, node.parent, node.level, type, classId, genericId, itemid};
}

const QStringList kNodeColumns = {
    QStringLiteral("Node_Key"),  QStringLiteral("Node_Parent"),      QStringLiteral("Node_Level"),
    QStringLiteral("node_type"), QStringLiteral("ClassificationID"), QStringLiteral("GenericID"),
    QStringLiteral("itemid")};

// Audit lines: action, kind, id, node key, name, before, after.
using Notes = std::vector<QVariantList>;

void addClasses(db::Connection& c, std::vector<PlannedClass>& classes,
                std::vector<QVariantList>& nodes, Notes& notes) {
    const QString kind = audit::kindWord(Entry::Classification);
    for (PlannedClass& p : classes) {
        p.id = c.query(QStringLiteral("INSERT INTO inventory.tbForClassification"
                                      " (ClassificationName, name_folded) VALUES (?, ?)"
                                      " RETURNING ClassificationID"),
                       {p.name, db::foldText(p.name)})
                   .field(0)
                   .toLongLong();
        nodes.push_back(nodeRow(p.node, QStringLiteral("1"), p.id, {}, {}));
        notes.push_back({QStringLiteral("add"), kind, QString::number(p.id), p.node.key, p.name,
                         QVariant(), p.path});
    }
}

// Stores the new generic names at once; the id of each folded name.
QHash<QString, qint64> insertGenerics(db::Connection& c,
                                      const std::vector<PlannedGeneric>& generics) {
    std::vector<QVariantList> rows;
    for (const PlannedGeneric& g : generics)
        if (g.action == Action::Added)
            rows.push_back({g.name, db::foldText(g.name)});
    QHash<QString, qint64> ids;
    if (rows.empty())
        return ids;
    c.copyRows(QStringLiteral("inventory.tbforgeneric"),
               {QStringLiteral("genericname"), QStringLiteral("name_folded")}, rows);
    const db::Recordset rs =
        c.query(QStringLiteral("SELECT GenericID, name_folded FROM inventory.tbforgeneric"
                               " ORDER BY GenericID"));
    for (int r = 0; r < rs.recordCount(); ++r)
        ids.insert(rs.value(r, 1).toString(), rs.value(r, 0).toLongLong());
    return ids;
}

void addGenerics(db::Connection& c, std::vector<PlannedGeneric>& generics,
                 std::vector<QVariantList>& nodes, Notes& notes) {
    const QHash<QString, qint64> ids = insertGenerics(c, generics);
    const QString kind = audit::kindWord(Entry::GenericName);
    for (PlannedGeneric& g : generics) {
        if (g.action == Action::Added)
            g.id = ids.value(db::foldText(g.name));
        if (!g.node.key.isEmpty())
            nodes.push_back(nodeRow(g.node, QStringLiteral("2"), {}, g.id, {}));
        const QString id = QString::number(g.id);
        if (g.action == Action::Added)
            notes.push_back(
                {QStringLiteral("add"), kind, id, g.node.key, g.name, QVariant(), g.name});
        if (g.action == Action::Placed || g.action == Action::Added)
            if (!g.node.key.isEmpty())
                notes.push_back(
                    {QStringLiteral("assign"), kind, id, g.node.key, g.name, QVariant(), g.path});
        if (g.action == Action::Moved)
            notes.push_back(
                {QStringLiteral("move"), kind, id, g.node.key, g.name, g.storedPath, g.path});
    }
}

void addDrugs(const std::vector<PlannedDrug>& drugs, std::vector<QVariantList>& nodes,
              Notes& notes) {
    const QString kind = audit::kindWord(Entry::Drug);
    for (const PlannedDrug& d : drugs) {
        if (d.node.key.isEmpty())
            continue;
        nodes.push_back(nodeRow(d.node, QStringLiteral("3"), {}, {}, d.itemid));
        if (d.action == Action::Moved)
            notes.push_back({QStringLiteral("move"), kind, d.itemid, d.node.key, d.name,
                             d.storedGeneric, d.genericName});
        else if (d.action != Action::InPlace)
            notes.push_back({QStringLiteral("assign"), kind, d.itemid, d.node.key, d.name,
                             QVariant(), d.genericName});
    }
}

// The nodes of drugs and generic names that move, drugs first.
void removeMoved(db::Connection& c, Plan& plan) {
    QStringList keys;
    for (const PlannedDrug& d : plan.drugs())
        if (d.action == Action::Moved)
            keys << d.storedKey;
    for (const PlannedDrug& d : plan.carried())
        keys << d.storedKey;
    for (const PlannedGeneric& g : plan.generics())
        if (g.action == Action::Moved)
            keys << g.storedKey;
    for (const QString& key : keys)
        c.execute(QStringLiteral("DELETE FROM inventory.tbFormularyNode WHERE Node_Key = ?"),
                  {key});
}

void saveDetails(db::Connection& c, const Plan& plan, const Stored& stored, Notes& notes) {
    const QString kind = audit::kindWord(Entry::OtherDetails);
    for (const PlannedGeneric* g : plan.detailsToSave()) {
        c.execute(QStringLiteral("INSERT INTO inventory.tbFormularyOtherDetails (GenericID,"
                                 " OtherDetails) VALUES (?, ?) ON CONFLICT (GenericID)"
                                 " DO UPDATE SET OtherDetails = excluded.OtherDetails"),
                  {g->id, g->details});
        const QString before = stored.details.value(g->id);
        notes.push_back({before.isEmpty() ? QStringLiteral("add") : QStringLiteral("change"), kind,
                         QString::number(g->id), g->node.key, g->name, db::nullIfEmpty(before),
                         g->details});
    }
}

QString countsText(const FormularyImport& r) {
    const auto placed = [](const PlacementCounts& p) {
        return QStringLiteral("%1 added, %2 placed, %3 moved, %4 left where they are, %5 in"
                              " place")
            .arg(p.added)
            .arg(p.placed)
            .arg(p.moved)
            .arg(p.left)
            .arg(p.inPlace);
    };
    return QStringLiteral("classifications: %1 added, %2 in place; generic names: %3; drugs: %4;"
                          " stock items: %5 new, %6 updated, %7 unchanged; other details: %8"
                          " saved")
        .arg(r.classifications.added)
        .arg(r.classifications.inPlace)
        .arg(placed(r.generics), placed(r.drugs))
        .arg(r.items.added)
        .arg(r.items.updated)
        .arg(r.items.unchanged)
        .arg(r.otherDetails);
}

void writeNotes(db::Connection& c, const Notes& notes, const QString& file,
                const FormularyImport& result, const QString& who) {
    const QStringList columns = {QStringLiteral("action"),     QStringLiteral("entry_kind"),
                                 QStringLiteral("entry_id"),   QStringLiteral("node_key"),
                                 QStringLiteral("entry_name"), QStringLiteral("before_value"),
                                 QStringLiteral("after_value")};
    QStringList typed;
    for (const QString& column : columns)
        typed << column + QStringLiteral(" TEXT");
    c.execute(QStringLiteral("DROP TABLE IF EXISTS %1").arg(kNotes));
    c.execute(QStringLiteral("CREATE TEMP TABLE %1 (%2)").arg(kNotes, typed.join(u',')));
    Notes all = notes;
    all.push_back({QStringLiteral("formulary imported"), audit::kindWord(Entry::Database),
                   QVariant(), QVariant(), file, QVariant(), countsText(result)});
    c.copyRows(kNotes, columns, all);
    audit::noteRows(c, QStringLiteral("SELECT %1 FROM %2").arg(columns.join(u','), kNotes), {},
                    who);
    c.execute(QStringLiteral("DROP TABLE %1").arg(kNotes));
}

// Counts the file's stock items as saving them would: new, changed, same.
ImportSummary itemCounts(const std::vector<StockItem>& items, const Stored& stored) {
    ImportSummary summary;
    for (const StockItem& item : items) {
        const auto found = stored.items.constFind(item.itemid);
        if (found == stored.items.cend())
            ++summary.added;
        else if (fieldsOf({0, {}, {}, *found, {}}, 0) == fieldsOf({0, {}, {}, item, {}}, 0))
            ++summary.unchanged;
        else
            ++summary.updated;
    }
    return summary;
}

FormularyImport writePlan(db::Connection& c, const FileRows& file, const QString& fileName,
                          bool move, const QString& who) {
    const Stored stored = readStored(c);
    Plan plan(stored, fileName, move);
    for (const Row& row : file.rows)
        plan.add(row);
    plan.carryDrugs();
    FormularyImport result = plan.counts();
    result.items = file.items.items.empty() ? ImportSummary{} : saveItems(c, file.items.items);
    Notes notes;
    std::vector<QVariantList> nodes;
    removeMoved(c, plan);
    addClasses(c, plan.classes(), nodes, notes);
    addGenerics(c, plan.generics(), nodes, notes);
    addDrugs(plan.drugs(), nodes, notes);
    addDrugs(plan.carried(), nodes, notes);
    if (!nodes.empty())
        c.copyRows(kNodes, kNodeColumns, nodes);
    syncAllNodeNames(c);
    saveDetails(c, plan, stored, notes);
    writeNotes(c, notes, fileName, result, who);
    return result;
}

QByteArray readFile(const QString& path) {
    QFile input(path);
    if (!input.open(QIODevice::ReadOnly))
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("Cannot read %1: %2").arg(path, input.errorString()));
    return input.readAll();
}

} // namespace

FormularyExport exportFormulary(db::Connection& c, const QString& path) {
    FormularyExport summary;
    auto [rows, depth] = exportRows(readStored(c), summary);
    std::vector<std::pair<QString, QString>> lines;
    lines.reserve(rows.size());
    for (const Row& row : rows) {
        const QStringList fields = fieldsOf(row, depth);
        // Empty fields sort last: the tree comes first, unplaced entries after it.
        QStringList sortKey;
        for (const QString& field : fields)
            sortKey << (field.isEmpty() ? QString(QChar(0xFFFF)) : db::foldText(field));
        lines.emplace_back(sortKey.join(QChar(1)), csvRecord(fields));
    }
    std::sort(lines.begin(), lines.end());
    QString text = csvRecord(classColumns(depth) + FormularyColumns);
    for (const auto& line : lines)
        text += line.second;
    writeCsvFile(path, text);
    summary.rows = int(rows.size());
    return summary;
}

FormularyImport importFormulary(db::Connection& c, const QString& path,
                                const ImportOptions& options, const Progress& progress,
                                const Warn& warn) {
    constexpr int kSteps = 2;
    tell(progress, 1, kSteps, QStringLiteral("reading and checking %1").arg(path));
    FileRows file = readRows(readFile(path), path);
    warnOfMangledIds(c, file.items, path);
    if (warn)
        for (const QString& warning : file.items.warnings)
            warn(warning);
    if (options.dryRun) {
        const Stored stored = readStored(c);
        Plan plan(stored, path, options.move);
        for (const Row& row : file.rows)
            plan.add(row);
        FormularyImport result = plan.counts();
        result.items = itemCounts(file.items.items, stored);
        return result;
    }
    // Users' log-ins cannot write the tree's tables themselves.
    if (onServer(c) && !server_changes::callerIsOwner(c))
        throw AppError(AppError::PermissionDenied,
                       QStringLiteral("On a database server, a formulary is imported with the"
                                      " log-in that owns the formulary database (the one that"
                                      " ran \"formulary-admin init\"), not with a user's log-in."));
    tell(progress, 2, kSteps, QStringLiteral("writing %1 rows").arg(file.rows.size()));
    ChangeTarget target{Entry::Database, {}};
    FormularyImport result;
    const bool saved = runChange(c, target, [&] {
        result = writePlan(c, file, path, options.move, target.who);
        return true;
    });
    if (!saved)
        throw AppError(AppError::Database,
                       QStringLiteral("The database refused the formulary of %1; nothing of it"
                                      " was saved.")
                           .arg(path));
    return result;
}

} // namespace database
