#include "database/csv.h"

#include "platform/app_error.h"

#include <QStringDecoder>

namespace database {

namespace {

[[noreturn]] void fault(const QString& source, int line, const QString& what) {
    throw AppError(AppError::InvalidArgument, QStringLiteral("Line %1: %2").arg(line).arg(what), source);
}

// Strict UTF-8: a file saved in another encoding must not be stored as garbled names.
QString decodeUtf8(const QByteArray& bytes, const QString& source) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (!decoder.hasError())
        return text.startsWith(QChar(0xfeff)) ? text.mid(1) : text;
    int line = 1;
    for (const QByteArray& raw : bytes.split('\n')) {
        QStringDecoder lineDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        (void)lineDecoder(raw);
        if (lineDecoder.hasError())
            break;
        ++line;
    }
    fault(source, line, QStringLiteral("the text is not UTF-8; save the file as \"CSV UTF-8\"."));
}

class Reader {
public:
    Reader(const QString& text, const QString& source) : m_text(text), m_source(source) {}

    std::vector<CsvRecord> records() {
        std::vector<CsvRecord> result;
        while (m_pos < m_text.size()) {
            CsvRecord record{m_line, readRecord()};
            if (!(record.fields.size() == 1 && record.fields.first().isEmpty()))
                result.push_back(std::move(record));
        }
        return result;
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return m_text.at(m_pos); }

    // Consumes a line end (LF or CRLF) at the current position, if there is one.
    bool takeLineEnd() {
        if (!atEnd() && peek() == QLatin1Char('\r') && m_pos + 1 < m_text.size() &&
            m_text.at(m_pos + 1) == QLatin1Char('\n'))
            ++m_pos;
        if (atEnd() || peek() != QLatin1Char('\n'))
            return false;
        ++m_pos;
        ++m_line;
        return true;
    }

    QStringList readRecord() {
        QStringList fields;
        for (;;) {
            fields << (!atEnd() && peek() == QLatin1Char('"') ? readQuoted() : readPlain());
            if (atEnd() || takeLineEnd())
                return fields;
            ++m_pos; // the comma
        }
    }

    QString readPlain() {
        QString field;
        while (!atEnd() && peek() != QLatin1Char(',')) {
            if (peek() == QLatin1Char('\n') ||
                (peek() == QLatin1Char('\r') && m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == QLatin1Char('\n')))
                break;
            if (peek() == QLatin1Char('"'))
                fault(m_source, m_line, QStringLiteral("a quote inside a field that does not start with one."));
            field += peek();
            ++m_pos;
        }
        return field;
    }

    QString readQuoted() {
        const int startLine = m_line;
        QString field;
        ++m_pos; // the opening quote
        for (;;) {
            if (atEnd())
                fault(m_source, startLine, QStringLiteral("a quoted field is not closed."));
            if (takeLineEnd()) {
                field += QLatin1Char('\n');
                continue;
            }
            const QChar ch = peek();
            ++m_pos;
            if (ch != QLatin1Char('"')) {
                field += ch;
                continue;
            }
            if (!atEnd() && peek() == QLatin1Char('"')) {
                field += ch;
                ++m_pos;
                continue;
            }
            if (!atEnd() && peek() != QLatin1Char(',') && peek() != QLatin1Char('\n') &&
                peek() != QLatin1Char('\r'))
                fault(m_source, m_line, QStringLiteral("text after the closing quote of a field."));
            return field;
        }
    }

    const QString& m_text;
    const QString& m_source;
    qsizetype m_pos = 0;
    int m_line = 1;
};

} // namespace

std::vector<CsvRecord> parseCsv(const QByteArray& bytes, const QString& source) {
    const QString text = decodeUtf8(bytes, source);
    return Reader(text, source).records();
}

} // namespace database
