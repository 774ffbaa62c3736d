#include "database/csv.h"

#include "platform/app_error.h"

#include <QStringDecoder>

namespace database {

namespace {

// Strict UTF-8: a file saved in another encoding must not be stored as garbled
// names. The decoder drops a leading byte-order mark.
QString decodeUtf8(const QByteArray& bytes, const QString& fileName) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (!decoder.hasError())
        return text;
    int line = 1;
    for (const QByteArray& raw : bytes.split('\n')) {
        QStringDecoder lineDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = lineDecoder(raw); // the decoder works when its result is read
        if (lineDecoder.hasError())
            break;
        ++line;
    }
    rejectLine(fileName, line,
               QStringLiteral("the text is not UTF-8; save the file as \"CSV UTF-8\"."));
}

// Reads text whose line ends are LF only.
class Reader {
public:
    Reader(const QString& text, const QString& fileName) : m_text(text), m_fileName(fileName) {}

    std::vector<CsvRecord> records() {
        std::vector<CsvRecord> result;
        while (!atEnd()) {
            CsvRecord record{m_line, readRecord()};
            if (!(record.fields.size() == 1 && record.fields.first().isEmpty()))
                result.push_back(std::move(record));
        }
        return result;
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return m_text.at(m_pos); }
    bool at(char ch) const { return !atEnd() && peek() == QLatin1Char(ch); }

    QChar take() {
        const QChar ch = m_text.at(m_pos++);
        if (ch == QLatin1Char('\n'))
            ++m_line;
        return ch;
    }

    QStringList readRecord() {
        QStringList fields;
        for (;;) {
            fields << (at('"') ? readQuoted() : readPlain());
            if (atEnd())
                return fields;
            if (take() == QLatin1Char('\n'))
                return fields;
        }
    }

    QString readPlain() {
        QString field;
        while (!atEnd() && !at(',') && !at('\n')) {
            if (at('"'))
                rejectLine(m_fileName, m_line,
                           QStringLiteral("a quote inside a field that does not start with one."));
            field += take();
        }
        return field;
    }

    QString readQuoted() {
        const int startLine = m_line;
        QString field;
        take(); // the opening quote
        for (;;) {
            if (atEnd())
                rejectLine(m_fileName, startLine, QStringLiteral("a quoted field is not closed."));
            const QChar ch = take();
            if (ch != QLatin1Char('"')) {
                field += ch;
            } else if (at('"')) {
                field += take();
            } else {
                if (!atEnd() && !at(',') && !at('\n'))
                    rejectLine(m_fileName, m_line,
                               QStringLiteral("text after the closing quote of a field."));
                return field;
            }
        }
    }

    const QString& m_text;
    const QString& m_fileName;
    qsizetype m_pos = 0;
    int m_line = 1;
};

} // namespace

void rejectLine(const QString& fileName, int line, const QString& what) {
    throw AppError(AppError::InvalidArgument,
                   QStringLiteral("%1, line %2: %3").arg(fileName).arg(line).arg(what));
}

std::vector<CsvRecord> parseCsv(const QByteArray& bytes, const QString& fileName) {
    QString text = decodeUtf8(bytes, fileName);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return Reader(text, fileName).records();
}

} // namespace database
