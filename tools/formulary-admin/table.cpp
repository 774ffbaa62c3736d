#include "table.h"

#include <QRegularExpression>

namespace admin {

namespace {

// A cell: its value in pieces of at most the column's width.
using Cell = QStringList;

// Line breaks show as " · " (as in the History window), other control
// characters as spaces, so that a value keeps to its column.
QString oneLine(QString value) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    static const QRegularExpression control(QStringLiteral("[\\x00-\\x1f\\x7f]"));
    return value.replace(lineBreak, QStringLiteral(" \u00b7 "))
        .replace(control, QStringLiteral(" "));
}

// The value in pieces of at most width characters, broken at spaces where
// it can be and never within a character.
Cell wrapped(const QString& value, int width) {
    Cell pieces;
    QString rest = value;
    while (width > 0 && rest.size() > width) {
        const qsizetype space = rest.lastIndexOf(QLatin1Char(' '), width);
        qsizetype cut = space > 0 ? space : width;
        if (space <= 0 && rest.at(cut - 1).isHighSurrogate())
            --cut;
        pieces << rest.left(cut);
        rest = rest.mid(space > 0 ? cut + 1 : cut);
    }
    return pieces << rest;
}

// The titles and then the rows, as they are shown.
std::vector<std::vector<Cell>> shownCells(const std::vector<Column>& columns,
                                          const std::vector<QStringList>& rows) {
    std::vector<std::vector<Cell>> cells(1);
    for (const Column& column : columns)
        cells.front().push_back({column.title});
    for (const QStringList& row : rows) {
        std::vector<Cell> shown;
        for (std::size_t i = 0; i < columns.size(); ++i)
            shown.push_back(wrapped(oneLine(row.value(qsizetype(i))), columns[i].maxWidth));
        cells.push_back(std::move(shown));
    }
    return cells;
}

std::vector<qsizetype> columnWidths(const std::vector<std::vector<Cell>>& cells) {
    std::vector<qsizetype> widths(cells.front().size(), 0);
    for (const std::vector<Cell>& row : cells)
        for (std::size_t i = 0; i < widths.size(); ++i)
            for (const QString& piece : row[i])
                widths[i] = std::max(widths[i], piece.size());
    return widths;
}

// One row on as many lines as its tallest cell needs.
void printRow(QTextStream& out, const std::vector<Cell>& row,
              const std::vector<qsizetype>& widths) {
    qsizetype height = 1;
    for (const Cell& cell : row)
        height = std::max(height, cell.size());
    for (qsizetype k = 0; k < height; ++k) {
        QString line;
        for (std::size_t i = 0; i < widths.size(); ++i)
            line += row[i].value(k).leftJustified(widths[i]) + QLatin1Char(' ');
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        out << line << QLatin1Char('\n');
    }
}

} // namespace

void printTable(QTextStream& out, const std::vector<Column>& columns,
                const std::vector<QStringList>& rows) {
    const std::vector<std::vector<Cell>> cells = shownCells(columns, rows);
    const std::vector<qsizetype> widths = columnWidths(cells);
    for (const std::vector<Cell>& row : cells)
        printRow(out, row, widths);
}

} // namespace admin
