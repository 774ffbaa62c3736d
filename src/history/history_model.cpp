#include "history/history_model.h"

#include "database/audit.h"

namespace {

const char* const Headers[] = {"When", "Who", "Workstation", "What", "Before", "After"};

// The lines of a text joined, so that each change keeps to one line of the grid.
QString oneLine(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = line.trimmed();
    lines.removeAll(QString());
    return lines.join(QStringLiteral(" \u00b7 "));
}

// Rich text, so that a long tip wraps instead of running off the screen.
QString tipText(const QString& text) {
    return QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(text.toHtmlEscaped());
}

} // namespace

HistoryModel::HistoryModel(QObject* parent) : QAbstractTableModel(parent) {}

void HistoryModel::setLines(std::vector<database::audit::Line> lines) {
    beginResetModel();
    m_lines = std::move(lines);
    endResetModel();
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_lines.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString HistoryModel::text(int row, int column) const {
    const database::audit::Line& line = m_lines[std::size_t(row)];
    switch (column) {
    case When:
        return database::audit::timeText(line.when);
    case Who:
        return line.who;
    case Workstation:
        return line.workstation;
    case What:
        return line.action;
    case Before:
        return line.before;
    case After:
        return line.after;
    default:
        return {};
    }
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return oneLine(text(index.row(), index.column()));
    if (role == Qt::ToolTipRole) {
        const QString whole = text(index.row(), index.column());
        return whole.isEmpty() ? QVariant() : QVariant(tipText(whole));
    }
    return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return {};
    return QString::fromLatin1(Headers[section]);
}
