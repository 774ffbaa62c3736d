#pragma once

#include <QStringList>
#include <QTextStream>
#include <vector>

namespace admin {

// A column of a table printed on the terminal.
struct Column {
    QString title;
    int maxWidth = 0; // longer values wrap onto more lines; 0: never
};

// Prints the rows under the titles, each column as wide as its widest value
// (up to its maxWidth). Line breaks within a value show as " · ".
void printTable(QTextStream& out, const std::vector<Column>& columns,
                const std::vector<QStringList>& rows);

} // namespace admin
