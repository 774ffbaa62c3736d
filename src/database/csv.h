#pragma once

#include <QByteArray>
#include <QStringList>
#include <vector>

namespace database {

// One record of a CSV text, with the line it starts on (1-based).
struct CsvRecord {
    int line = 0;
    QStringList fields;
};

// Reads UTF-8 CSV text as spreadsheets write it (RFC 4180): fields separated
// by commas, records by LF or CRLF, quoted fields that may hold commas, line
// ends and doubled quotes. A leading byte-order mark is skipped, and so are
// empty lines. Throws AppError naming the file and the line of the first fault.
std::vector<CsvRecord> parseCsv(const QByteArray& bytes, const QString& fileName);

// Throws the AppError of a bad line of a data file.
[[noreturn]] void rejectLine(const QString& fileName, int line, const QString& what);

} // namespace database
