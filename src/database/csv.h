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

// Reads CSV text as spreadsheets write it, one record at a time. The text is
// UTF-8, checked whole before any record is read; a leading byte-order mark is
// skipped. Fields are separated by the comma, semicolon or tab that the first
// line uses most (Excel writes semicolons where the comma is the decimal
// mark), records end with LF, CRLF or CR. A field that starts with a quote may
// hold separators, line ends (read as LF) and doubled quotes; in other fields a
// quote is text (4" x 4" gauze). Lines without any text are skipped. Throws
// AppError naming the file and the line of the first fault.
class CsvReader {
public:
    CsvReader(const QByteArray& bytes, const QString& fileName);

    // The next record that holds any text; false after the last.
    bool next(CsvRecord& record);

private:
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    bool at(char ch) const { return !atEnd() && m_bytes.at(m_pos) == ch; }
    bool atFieldEnd() const { return atEnd() || at(m_separator) || at('\n') || at('\r'); }
    void skipLineEnd();
    char detectSeparator() const;
    void readRecord(QStringList& fields);
    QString readPlain();
    QString readQuoted();

    QByteArray m_bytes;
    QString m_fileName;
    qsizetype m_pos = 0;
    int m_line = 1;
    char m_separator = ',';
};

// Every record of a CSV text, as CsvReader reads them.
std::vector<CsvRecord> parseCsv(const QByteArray& bytes, const QString& fileName);

// "items.csv, line 7: what": how a fault or a warning names its place.
QString atLine(const QString& fileName, int line, const QString& what);

// Throws the AppError of a bad line of a data file.
[[noreturn]] void rejectLine(const QString& fileName, int line, const QString& what);

// Where each of the known columns sits in a file's header (-1: not there),
// found by name whatever the letter case. A column named twice or a required
// one missing is refused with the header's line; other named columns are
// ignored with one warning that calls them not "<kind> columns" (a column
// without a name, as a spreadsheet writes for empty columns at the right,
// silently).
std::vector<qsizetype> columnPositions(const CsvRecord& header, const QString& fileName,
                                       const QStringList& known, const QStringList& required,
                                       const QString& kind, QStringList& warnings);

// The trimmed fields of a row under the columns columnPositions found (empty
// where the file lacks the column). A row with more or fewer fields than the
// header is refused with its line.
QStringList knownFields(const CsvRecord& row, const CsvRecord& header,
                        const std::vector<qsizetype>& at, const QString& fileName);

// One record as CsvReader reads it back, the one writer of CSV: fields
// separated by commas, a field with a comma, semicolon, tab, quote or line
// break quoted and its quotes doubled, the record ended by CRLF.
QString csvRecord(const QStringList& fields);

// Writes CSV text to the file in UTF-8 after a byte-order mark (which tells
// spreadsheets the encoding); the file is replaced only once the text is
// whole. Throws AppError naming the file when it cannot be written.
void writeCsvFile(const QString& path, const QString& text);

} // namespace database
