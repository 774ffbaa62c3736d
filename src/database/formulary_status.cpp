#include "database/formulary_status.h"

#include "database/audit.h"
#include "database/input_limits.h"
#include "platform/db/text_match.h"

namespace database::formulary_status {

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

QVariant dateValue(const QDate& date) {
    return date.isValid() ? QVariant(date.toString(kDateFormat)) : QVariant();
}

// The stored row of a generic name (by GenericID) or a drug (by itemid):
// bound as the id and a Null for the other column.
QVariantList rowOf(Entry entry, const QVariant& id) {
    return entry == Entry::GenericName ? QVariantList{id.toLongLong(), QVariant()}
                                       : QVariantList{QVariant(), id.toString()};
}

const QString kStatusRow =
    QStringLiteral(" FROM (SELECT 1 AS one) x"
                   " LEFT JOIN inventory.tbFormularyStatus s ON s.GenericID = ? OR s.itemid = ?"
                   " LEFT JOIN inventory.tbRestriction r ON r.RestrictionID = s.RestrictionID");

QString decisionText(db::Connection& c, Entry entry, const QVariant& id) {
    return c.query(QStringLiteral("SELECT ") + decisionTextSql() + kStatusRow, rowOf(entry, id))
        .field(0)
        .toString();
}

struct Category {
    QVariant id;
    QString name;
};

std::optional<Category> categoryNamed(db::Connection& c, const QString& name) {
    const db::Recordset rs =
        c.query(QStringLiteral("SELECT RestrictionID, RestrictionName FROM"
                               " inventory.tbRestriction WHERE name_folded = ?"),
                {db::foldText(name)});
    if (rs.eof())
        return std::nullopt;
    return Category{rs.field(0), rs.text(QStringLiteral("RestrictionName"))};
}

bool blank(const QString& text) {
    return text.trimmed().isEmpty();
}

bool validCategoryName(const QString& name) {
    return !blank(name) && limits::problem(name, limits::Name).isEmpty();
}

// The node's name when it still holds the entry the workstation saw.
std::optional<QString> entryAt(db::Connection& c, const NodeIdentity& node) {
    const db::Recordset rs = c.query(
        QStringLiteral("SELECT NodeName FROM inventory.tbFormularyNode WHERE Node_Key = ?"
                       " AND node_type = ? AND COALESCE(CAST(GenericID AS TEXT), itemid) = ?"),
        {node.key, nodeTypeOf(node.type), node.id.toString()});
    if (rs.eof())
        return std::nullopt;
    return rs.text(QStringLiteral("NodeName"));
}

bool saveHere(db::Connection& c, const NodeIdentity& node, const Decision& d,
              ChangeTarget& target) {
    const std::optional<QString> name = entryAt(c, node);
    if (!name)
        return false;
    QVariant category;
    if (d.status == Status::Restricted) {
        const auto found = categoryNamed(c, d.restriction);
        if (!found)
            return false;
        category = found->id;
    }
    const QString before = decisionText(c, target.entry, node.id);
    const bool generic = target.entry == Entry::GenericName;
    c.execute(QStringLiteral("INSERT INTO inventory.tbFormularyStatus (GenericID, itemid, status,"
                             " RestrictionID, review_by, decided_on, note, reference)"
                             " VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (%1) DO UPDATE SET"
                             " status = excluded.status, RestrictionID = excluded.RestrictionID,"
                             " review_by = excluded.review_by, decided_on = excluded.decided_on,"
                             " note = excluded.note, reference = excluded.reference")
                  .arg(generic ? QStringLiteral("GenericID") : QStringLiteral("itemid")),
              rowOf(target.entry, node.id) +
                  QVariantList{statusWord(d.status), category, dateValue(d.reviewBy),
                               dateValue(d.decidedOn), db::nullIfEmpty(d.note.trimmed()),
                               db::nullIfEmpty(d.reference.trimmed())});
    if (const QString after = decisionText(c, target.entry, node.id); after != before)
        target.note(QStringLiteral("status changed"), *name, node.key, before, after);
    return true;
}

// The one change of the categories on either engine: the server's function,
// or the work in an embedded change.
CategoryResult changeCategory(db::Connection& c, const QString& function,
                              const QVariantList& values,
                              const std::function<CategoryResult(ChangeTarget&)>& work) {
    if (onServer(c)) {
        const QVariant result = serverChange(c, function, values);
        return result.isNull() ? CategoryResult::Invalid : CategoryResult(result.toInt());
    }
    ChangeTarget target{Entry::Restriction, {}};
    CategoryResult result = CategoryResult::Invalid;
    runChange(c, target, [&] {
        result = work(target);
        return result == CategoryResult::Done;
    });
    return result;
}

} // namespace

QString statusWord(Status status) {
    switch (status) {
    case Status::Restricted:
        return QStringLiteral("Restricted");
    case Status::NonFormulary:
        return QStringLiteral("Non-formulary");
    case Status::UnderReview:
        return QStringLiteral("Under review");
    case Status::Withdrawn:
        return QStringLiteral("Withdrawn");
    case Status::Formulary:
        break;
    }
    return QStringLiteral("Formulary");
}

Status statusOf(const QString& word) {
    for (Status s : AllStatuses)
        if (statusWord(s) == word)
            return s;
    return Status::Formulary;
}

QString statusText(Status status, const QString& restriction) {
    if (status == Status::Restricted && !restriction.isEmpty())
        return statusWord(status) + QStringLiteral(": ") + restriction;
    return statusWord(status);
}

Status statusOfText(const QString& text, QString& restriction) {
    const qsizetype colon = text.indexOf(QStringLiteral(": "));
    restriction = colon < 0 ? QString() : text.mid(colon + 2);
    return statusOf(colon < 0 ? text : text.left(colon));
}

const QString& decisionTextSql() {
    static const QString text = QStringLiteral(
        "COALESCE(s.status, 'Formulary') || COALESCE(': ' || r.RestrictionName, '')"
        " || COALESCE(', review by ' || s.review_by, '')"
        " || COALESCE(', decided ' || s.decided_on, '')"
        " || COALESCE(', minute ' || s.reference, '') || COALESCE(' - ' || s.note, '')");
    return text;
}

QString problem(const Decision& d) {
    if (d.status == Status::Restricted && blank(d.restriction))
        return QStringLiteral("Please choose the restriction category.");
    if (d.status == Status::UnderReview && !d.reviewBy.isValid())
        return QStringLiteral("Please enter the date by which the review is due.");
    if (d.status != Status::Formulary && !d.decidedOn.isValid())
        return QStringLiteral("Please enter the date of the committee's decision.");
    if (const QString p = limits::problem(d.reference, limits::Name); !p.isEmpty())
        return QStringLiteral("The reference %1.").arg(p);
    if (const QString p = limits::problem(d.note, limits::ItemText); !p.isEmpty())
        return QStringLiteral("The note %1.").arg(p);
    return {};
}

Decision read(db::Connection& c, Entry entry, const QVariant& id) {
    const db::Recordset rs =
        c.query(QStringLiteral("SELECT s.status, r.RestrictionName, s.review_by, s.decided_on,"
                               " s.note, s.reference") +
                    kStatusRow,
                rowOf(entry, id));
    const auto date = [&](const char* column) {
        return QDate::fromString(rs.text(QLatin1String(column)), kDateFormat);
    };
    return {statusOf(rs.text(QStringLiteral("status"))),
            rs.text(QStringLiteral("RestrictionName")),
            date("review_by"),
            date("decided_on"),
            rs.text(QStringLiteral("note")),
            rs.text(QStringLiteral("reference"))};
}

bool save(db::Connection& c, const NodeIdentity& node, const Decision& decision) {
    if (!problem(decision).isEmpty() ||
        (node.type != NodeKind::Generic && node.type != NodeKind::Drug) || node.id.isNull())
        return false;
    Decision d = decision;
    if (d.status != Status::Restricted)
        d.restriction.clear();
    if (d.status != Status::UnderReview)
        d.reviewBy = {};
    if (onServer(c))
        return serverChange(
                   c, QStringLiteral("status_save"),
                   {nodeTypeOf(node.type), node.key, node.id.toString(), statusWord(d.status),
                    db::nullIfEmpty(d.restriction), dateValue(d.reviewBy), dateValue(d.decidedOn),
                    db::nullIfEmpty(d.note.trimmed()), db::nullIfEmpty(d.reference.trimmed())})
            .toBool();
    ChangeTarget target{node.type == NodeKind::Generic ? Entry::GenericName : Entry::Drug, node.id};
    return runChange(c, target, [&] { return saveHere(c, node, d, target); });
}

QStringList restrictions(db::Connection& c) {
    const db::Recordset rs = c.query(
        QStringLiteral("SELECT RestrictionName FROM inventory.tbRestriction ORDER BY name_folded"));
    QStringList names;
    for (int row = 0; row < rs.recordCount(); ++row)
        names << rs.value(row, 0).toString();
    return names;
}

CategoryResult addRestriction(db::Connection& c, const QString& name) {
    const QString trimmed = name.trimmed();
    if (!validCategoryName(trimmed))
        return CategoryResult::Invalid;
    return changeCategory(
        c, QStringLiteral("restriction_add"), {trimmed, db::foldText(trimmed)},
        [&](ChangeTarget& target) {
            if (categoryNamed(c, trimmed))
                return CategoryResult::Taken;
            target.id = c.query(QStringLiteral("INSERT INTO inventory.tbRestriction"
                                               " (RestrictionName, name_folded) VALUES (?, ?)"
                                               " RETURNING RestrictionID"),
                                {trimmed, db::foldText(trimmed)})
                            .field(0);
            target.note(QStringLiteral("add"), trimmed, {}, {}, trimmed);
            return CategoryResult::Done;
        });
}

CategoryResult renameRestriction(db::Connection& c, const QString& name, const QString& newName) {
    const QString trimmed = newName.trimmed();
    if (!validCategoryName(trimmed))
        return CategoryResult::Invalid;
    return changeCategory(
        c, QStringLiteral("restriction_rename"),
        {db::foldText(name), trimmed, db::foldText(trimmed)}, [&](ChangeTarget& target) {
            const auto found = categoryNamed(c, name);
            if (!found)
                return CategoryResult::NotFound;
            if (const auto other = categoryNamed(c, trimmed);
                other && other->id.toLongLong() != found->id.toLongLong())
                return CategoryResult::Taken;
            c.execute(QStringLiteral("UPDATE inventory.tbRestriction SET RestrictionName = ?,"
                                     " name_folded = ? WHERE RestrictionID = ?"),
                      {trimmed, db::foldText(trimmed), found->id});
            target.id = found->id;
            if (found->name != trimmed)
                target.note(QStringLiteral("rename"), trimmed, {}, found->name, trimmed);
            return CategoryResult::Done;
        });
}

CategoryResult removeRestriction(db::Connection& c, const QString& name) {
    return changeCategory(
        c, QStringLiteral("restriction_remove"), {db::foldText(name)}, [&](ChangeTarget& target) {
            const auto found = categoryNamed(c, name);
            if (!found)
                return CategoryResult::NotFound;
            if (c.query(QStringLiteral("SELECT 1 FROM inventory.tbFormularyStatus"
                                       " WHERE RestrictionID = ?"),
                        {found->id})
                    .recordCount() > 0)
                return CategoryResult::InUse;
            c.execute(QStringLiteral("DELETE FROM inventory.tbRestriction WHERE RestrictionID = ?"),
                      {found->id});
            target.id = found->id;
            target.note(QStringLiteral("delete"), found->name, {}, found->name, {});
            return CategoryResult::Done;
        });
}

} // namespace database::formulary_status
