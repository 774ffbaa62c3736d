#include "database/item_import.h"

#include "database/csv.h"
#include "database/input_limits.h"
#include "platform/app_error.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

namespace database {

namespace {

const QStringList kRequired = {QStringLiteral("itemid"), QStringLiteral("name")};

// Warnings of one kind beyond these many are counted on one line.
constexpr std::size_t kShownPerKind = 10;

} // namespace

StockItem itemFrom(const QStringList& f) {
    return {f.at(0), f.at(1), f.at(2), f.at(3), f.at(4), f.at(5), f.at(6)};
}

void requireItemLimits(const StockItem& item, const QString& fileName, int line) {
    using namespace limits;
    const std::pair<const QString*, Limit> texts[] = {
        {&item.itemid, ItemId},
        {&item.name, Name},
        {&item.description, ItemDescription},
        {&item.indication, ItemText},
        {&item.dosage, ItemText},
        {&item.administration, ItemText},
        {&item.preparation, ItemText},
    };
    for (std::size_t i = 0; i < std::size(texts); ++i)
        if (const QString why = problem(*texts[i].first, texts[i].second); !why.isEmpty())
            rejectLine(fileName, line,
                       QStringLiteral("the %1 %2.").arg(ItemColumns.at(qsizetype(i)), why));
}

namespace {

bool allDigits(const QString& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar ch) {
        return ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
    });
}

// Stored itemids of digits with leading zeros, which tell the width the
// hospital's codes have.
QStringList storedZeroIds(db::Connection& c) {
    const db::Recordset rs = c.query(QStringLiteral(
        "SELECT itemid FROM inventory.tbinvmaster WHERE itemid >= '0' AND itemid < '1'"));
    QStringList ids;
    for (int row = 0; row < rs.recordCount(); ++row)
        if (const QString id = rs.value(row, 0).toString(); allDigits(id))
            ids << id;
    return ids;
}

// A warning about one line of the file.
struct Finding {
    int line;
    QString what;
};

// The first few findings of a kind, then how many more there are.
void appendFindings(QStringList& warnings, const std::vector<Finding>& found,
                    const QString& fileName) {
    const std::size_t shown = std::min(found.size(), kShownPerKind);
    for (std::size_t i = 0; i < shown; ++i)
        warnings << atLine(fileName, found[i].line, found[i].what);
    if (found.size() > shown)
        warnings << QStringLiteral("%1: %2 more itemids like these, up to line %3.")
                        .arg(fileName)
                        .arg(found.size() - shown)
                        .arg(found.back().line);
}

// Itemids that a spreadsheet shows as numbers: 123456789012 becomes 1.23457E+11.
std::vector<Finding> numberShapedIds(const ItemFile& file) {
    static const QRegularExpression shortened(QStringLiteral("^[0-9]+([.,][0-9]+)?E[+-]?[0-9]+$"),
                                              QRegularExpression::CaseInsensitiveOption);
    std::vector<Finding> found;
    for (std::size_t i = 0; i < file.items.size(); ++i)
        if (shortened.match(file.items[i].itemid).hasMatch())
            found.push_back(
                {file.lines[i], QStringLiteral("the itemid \"%1\" is a number as a spreadsheet"
                                               " shortens it; the stock code it stood for is"
                                               " lost. Format the itemid column as text.")
                                    .arg(file.items[i].itemid)});
    return found;
}

// Itemids of digits shorter than the width most itemids with leading zeros
// have (in the file or stored): 0012345 saved by a spreadsheet as 12345.
std::vector<Finding> zerosLost(const ItemFile& file, const QStringList& storedZeroIds) {
    QHash<qsizetype, int> widths;
    QHash<qsizetype, QString> example;
    const auto count = [&](const QString& id, int line) {
        if (id.size() < 2 || !id.startsWith(QLatin1Char('0')) || !allDigits(id))
            return;
        if (++widths[id.size()] == 1)
            example.insert(id.size(), QStringLiteral("\"%1\" (%2)")
                                          .arg(id, line > 0 ? QStringLiteral("line %1").arg(line)
                                                            : QStringLiteral("stored")));
    };
    for (std::size_t i = 0; i < file.items.size(); ++i)
        count(file.items[i].itemid, file.lines[i]);
    for (const QString& id : storedZeroIds)
        count(id, 0);
    qsizetype width = 0;
    for (auto w = widths.cbegin(); w != widths.cend(); ++w)
        if (std::pair(w.value(), w.key()) > std::pair(widths.value(width), width))
            width = w.key();
    std::vector<Finding> found;
    for (std::size_t i = 0; i < file.items.size(); ++i) {
        const QString& id = file.items[i].itemid;
        if (id.size() < width && !id.startsWith(QLatin1Char('0')) && allDigits(id))
            found.push_back({file.lines[i],
                             QStringLiteral("the itemid \"%1\" has %2 digits where itemids such as"
                                            " %3 have %4 with leading zeros; a spreadsheet may"
                                            " have dropped its zeros. Format the itemid column"
                                            " as text.")
                                 .arg(id)
                                 .arg(id.size())
                                 .arg(example.value(width))
                                 .arg(width)});
    }
    return found;
}

} // namespace

void warnOfMangledIds(db::Connection& c, ItemFile& file, const QString& fileName) {
    appendFindings(file.warnings, numberShapedIds(file), fileName);
    appendFindings(file.warnings, zerosLost(file, storedZeroIds(c)), fileName);
}

ItemFile readItems(const QByteArray& csv, const QString& fileName) {
    CsvReader reader(csv, fileName);
    CsvRecord header;
    if (!reader.next(header))
        rejectLine(fileName, 1, QStringLiteral("the file is empty; it needs a header row."));
    ItemFile file;
    const std::vector<qsizetype> at = columnPositions(header, fileName, ItemColumns, kRequired,
                                                      QStringLiteral("an item"), file.warnings);
    QHash<QString, int> seen;
    CsvRecord row;
    while (reader.next(row)) {
        StockItem item = itemFrom(knownFields(row, header, at, fileName));
        if (item.itemid.isEmpty())
            rejectLine(fileName, row.line, QStringLiteral("the itemid is empty."));
        if (item.name.isEmpty())
            rejectLine(fileName, row.line, QStringLiteral("the name is empty."));
        requireItemLimits(item, fileName, row.line);
        if (const auto first = seen.constFind(item.itemid); first != seen.cend())
            rejectLine(fileName, row.line,
                       QStringLiteral("the itemid %1 is given twice (first on line %2).")
                           .arg(item.itemid)
                           .arg(first.value()));
        seen.insert(item.itemid, row.line);
        file.items.push_back(std::move(item));
        file.lines.push_back(row.line);
    }
    return file;
}

ImportSummary importItems(db::Connection& c, const QString& path, const Progress& progress,
                          const Warn& warn) {
    QFile input(path);
    if (!input.open(QIODevice::ReadOnly))
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("Cannot read %1: %2").arg(path, input.errorString()));
    tell(progress, 1, 3, QStringLiteral("reading and checking %1").arg(path));
    ItemFile file = readItems(input.readAll(), path);
    warnOfMangledIds(c, file, path);
    if (warn)
        for (const QString& warning : file.warnings)
            warn(warning);
    tell(progress, 2, 3, QStringLiteral("loading %1 stock items").arg(file.items.size()));
    return saveItems(c, file.items, [&] {
        tell(progress, 3, 3, QStringLiteral("writing %1 stock items").arg(file.items.size()));
    });
}

} // namespace database
