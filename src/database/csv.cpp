#include "database/csv.h"

#include "platform/app_error.h"

#include <QByteArrayView>
#include <QRegularExpression>
#include <QSaveFile>
#include <array>

namespace database {

namespace {

const QByteArray kByteOrderMark = "\xEF\xBB\xBF";

// Where the first byte that breaks UTF-8 is (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF), or -1 when the text is UTF-8.
qsizetype invalidUtf8At(QByteArrayView text) {
    const auto* bytes = reinterpret_cast<const uchar*>(text.data());
    qsizetype i = 0;
    while (i < text.size()) {
        const uchar lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // The length of the sequence, and the range of its second byte.
        int length = 0;
        uchar low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : low;
            high = lead == 0xED ? 0x9F : high;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : low;
            high = lead == 0xF4 ? 0x8F : high;
        } else {
            return i;
        }
        if (i + length > text.size())
            return i;
        for (int k = 1; k < length; ++k) {
            const uchar next = bytes[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return i;
        }
        i += length;
    }
    return -1;
}

// The line (1-based) of a byte of the text, and which byte of that line it is.
std::pair<int, qsizetype> lineAndByte(QByteArrayView text, qsizetype offset) {
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < offset; ++i) {
        const bool crAlone = text[i] == '\r' && text[i + 1] != '\n';
        if (text[i] == '\n' || crAlone) {
            ++line;
            lineStart = i + 1;
        }
    }
    return {line, offset - lineStart + 1};
}

// Strict UTF-8: a file saved in another encoding must not be stored as garbled
// names. Excel's plain "CSV" is the Windows code page, often Windows-1252.
void requireUtf8(QByteArrayView text, const QString& fileName) {
    const qsizetype bad = invalidUtf8At(text);
    if (bad < 0)
        return;
    const auto [line, byte] = lineAndByte(text, bad);
    rejectLine(fileName, line,
               QStringLiteral("byte %1 of the line (%2) is not UTF-8; save the file as"
                              " \"CSV UTF-8\" (Excel's plain CSV is often Windows-1252).")
                   .arg(byte)
                   .arg(QString::asprintf("0x%02X", uchar(text[bad]))));
}

} // namespace

CsvReader::CsvReader(const QByteArray& bytes, const QString& fileName)
    : m_bytes(bytes), m_fileName(fileName) {
    if (m_bytes.startsWith(kByteOrderMark))
        m_pos = kByteOrderMark.size();
    requireUtf8(QByteArrayView(m_bytes).sliced(m_pos), m_fileName);
    m_separator = detectSeparator();
}

// The candidate the first line holds most often outside quotes; the comma
// when none or a tie.
char CsvReader::detectSeparator() const {
    const std::array<char, 3> candidates = {',', ';', '\t'};
    std::array<int, 3> counts{};
    bool quoted = false;
    for (qsizetype i = m_pos; i < m_bytes.size(); ++i) {
        const char ch = m_bytes.at(i);
        if (ch == '"')
            quoted = !quoted;
        else if (!quoted && (ch == '\n' || ch == '\r'))
            break;
        for (std::size_t c = 0; c < candidates.size(); ++c)
            counts[c] += !quoted && ch == candidates[c];
    }
    std::size_t best = 0;
    for (std::size_t c = 1; c < candidates.size(); ++c)
        if (counts[c] > counts[best])
            best = c;
    return candidates[best];
}

bool CsvReader::next(CsvRecord& record) {
    while (!atEnd()) {
        record.line = m_line;
        readRecord(record.fields);
        for (const QString& field : record.fields)
            if (!field.isEmpty())
                return true;
    }
    return false;
}

void CsvReader::skipLineEnd() {
    if (at('\r'))
        ++m_pos;
    if (at('\n'))
        ++m_pos;
    ++m_line;
}

void CsvReader::readRecord(QStringList& fields) {
    fields.clear();
    for (;;) {
        fields << (at('"') ? readQuoted() : readPlain());
        if (at(m_separator)) {
            ++m_pos;
            continue;
        }
        if (!atEnd())
            skipLineEnd();
        return;
    }
}

QString CsvReader::readPlain() {
    const qsizetype start = m_pos;
    while (!atFieldEnd())
        ++m_pos;
    return QString::fromUtf8(m_bytes.constData() + start, m_pos - start);
}

QString CsvReader::readQuoted() {
    const int startLine = m_line;
    QByteArray field;
    ++m_pos; // the opening quote
    for (;;) {
        const qsizetype start = m_pos;
        while (!atEnd() && !at('"') && !at('\n') && !at('\r'))
            ++m_pos;
        field.append(m_bytes.constData() + start, m_pos - start);
        if (atEnd())
            rejectLine(m_fileName, startLine, QStringLiteral("a quoted field is not closed."));
        if (!at('"')) {
            skipLineEnd();
            field += '\n';
            continue;
        }
        ++m_pos;
        if (at('"')) {
            field += '"';
            ++m_pos;
            continue;
        }
        if (!atFieldEnd())
            rejectLine(m_fileName, m_line,
                       QStringLiteral("text after the closing quote of a field; a field that"
                                      " starts with a quote must end with one, and the quotes"
                                      " inside it must be doubled."));
        return QString::fromUtf8(field);
    }
}

std::vector<CsvRecord> parseCsv(const QByteArray& bytes, const QString& fileName) {
    CsvReader reader(bytes, fileName);
    std::vector<CsvRecord> records;
    CsvRecord record;
    while (reader.next(record))
        records.push_back(record);
    return records;
}

QString atLine(const QString& fileName, int line, const QString& what) {
    return QStringLiteral("%1, line %2: %3").arg(fileName).arg(line).arg(what);
}

void rejectLine(const QString& fileName, int line, const QString& what) {
    throw AppError(AppError::InvalidArgument, atLine(fileName, line, what));
}

std::vector<qsizetype> columnPositions(const CsvRecord& header, const QString& fileName,
                                       const QStringList& known, const QStringList& required,
                                       const QString& kind, QStringList& warnings) {
    std::vector<qsizetype> at(std::size_t(known.size()), -1);
    QStringList ignored;
    for (qsizetype i = 0; i < header.fields.size(); ++i) {
        const QString name = header.fields.at(i).trimmed();
        const qsizetype column = known.indexOf(name.toLower());
        if (column < 0) {
            if (!name.isEmpty())
                ignored << QLatin1Char('"') + name + QLatin1Char('"');
            continue;
        }
        if (at[std::size_t(column)] >= 0)
            rejectLine(fileName, header.line,
                       QStringLiteral("the column \"%1\" is named twice.").arg(name));
        at[std::size_t(column)] = i;
    }
    QStringList optional = known;
    for (const QString& name : required)
        optional.removeAll(name);
    for (const QString& name : required)
        if (at[std::size_t(known.indexOf(name))] < 0)
            rejectLine(fileName, header.line,
                       QStringLiteral("the header lacks the column \"%1\"; it names %2, and any"
                                      " of %3, in any order.")
                           .arg(name,
                                QStringList(required.mid(0, required.size() - 1))
                                        .join(QStringLiteral(", ")) +
                                    (required.size() > 1 ? QStringLiteral(" and ") : QString()) +
                                    required.last(),
                                optional.join(QStringLiteral(", "))));
    if (ignored.size() == 1)
        warnings << atLine(fileName, header.line,
                           QStringLiteral("the column %1 is not %2 column; it is ignored.")
                               .arg(ignored.first(), kind));
    else if (!ignored.isEmpty())
        warnings << atLine(fileName, header.line,
                           QStringLiteral("the columns %1 are not %2 columns; they are ignored.")
                               .arg(ignored.join(QStringLiteral(", ")), kind.section(u' ', -1)));
    return at;
}

QStringList knownFields(const CsvRecord& row, const CsvRecord& header,
                        const std::vector<qsizetype>& at, const QString& fileName) {
    if (row.fields.size() != header.fields.size())
        rejectLine(fileName, row.line,
                   QStringLiteral("%1 fields where the header has %2.")
                       .arg(row.fields.size())
                       .arg(header.fields.size()));
    QStringList fields;
    for (const qsizetype column : at)
        fields << (column < 0 ? QString() : row.fields.at(column).trimmed());
    return fields;
}

QString csvRecord(const QStringList& fields) {
    static const QRegularExpression special(QStringLiteral("[\",;\t\r\n]"));
    QStringList written;
    for (QString field : fields)
        written << (field.contains(special)
                        ? QLatin1Char('"') +
                              field.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                              QLatin1Char('"')
                        : field);
    return written.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

void writeCsvFile(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(kByteOrderMark + text.toUtf8()) < 0 ||
        !file.commit())
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}

} // namespace database
