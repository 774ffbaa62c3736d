#include "platform/report/content.h"

#include "platform/db/recordset.h"
#include "platform/report/definition.h"
#include "platform/report/report_error.h"

#include <QLocale>
#include <algorithm>

namespace report {

Content::Content(const db::Recordset& rows)
    : m_fields(rows.fieldNames()), m_rowCount(rows.recordCount()) {
    const int fields = int(m_fields.size());
    m_cells.resize(std::size_t(m_rowCount) * std::size_t(fields));
    for (int row = 0; row < m_rowCount; ++row) {
        for (int field = 0; field < fields; ++field) {
            const QVariant& value = rows.value(row, field);
            if (value.isNull())
                continue;
            QString& slot = m_cells[std::size_t(row) * std::size_t(fields) + std::size_t(field)];
            slot = value.toString();
            if (row > 0 && !cell(row - 1, field).isNull() && cell(row - 1, field) == slot)
                slot = cell(row - 1, field);
        }
    }
}

int Content::fieldIndex(const QString& name) const {
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

namespace {

int requireField(const Content& content, const QString& name) {
    const int index = content.fieldIndex(name);
    if (index < 0)
        throw AppError(BadFileFormat,
                       QStringLiteral("The report's query gives no field %1.").arg(name));
    return index;
}

} // namespace

Document Document::bind(const Definition& definition, std::shared_ptr<const Content> content) {
    Document d;
    d.title = definition.title;
    d.date = QDate::currentDate();
    for (const GroupDefinition& g : definition.groups) {
        const int note = g.noteField.isEmpty() ? -1 : requireField(*content, g.noteField);
        d.groups.push_back({g.header, requireField(*content, g.field), note,
                            g.noteHeader.isEmpty() ? g.noteField : g.noteHeader});
    }
    for (const ColumnDefinition& c : definition.columns)
        d.columns.push_back({c.header, requireField(*content, c.field), c.width});
    d.content = std::move(content);
    return d;
}

int Document::firstChangedGroup(int row) const {
    if (row == 0)
        return 0;
    for (int level = 0; level < int(groups.size()); ++level) {
        const QString& value = content->cell(row, groups[level].field);
        const QString& above = content->cell(row - 1, groups[level].field);
        if (value.isNull() != above.isNull() || value != above)
            return level;
    }
    return int(groups.size());
}

bool Document::hasDetail(int row) const {
    return std::any_of(columns.begin(), columns.end(),
                       [&](const Column& c) { return !content->cell(row, c.field).isEmpty(); });
}

QString Document::dateText() const {
    return QLocale().toString(date, QLocale::LongFormat);
}

} // namespace report
