#include "database/input_limits.h"

#include "platform/db/text_match.h"

namespace database::limits {

namespace {

bool isControl(char16_t ch) {
    return ch < 0x20 || (ch >= 0x7f && ch <= 0x9f);
}

bool isLineBreak(char16_t ch) {
    return ch == u'\t' || ch == u'\n' || ch == u'\r';
}

// The control characters a text of the limit may not hold, as code points.
QList<int> refusedControls(Limit limit) {
    QList<int> codes;
    for (char16_t ch = 1; ch <= 0x9f; ++ch)
        if (isControl(ch) && !(limit.lineBreaks && isLineBreak(ch)))
            codes << int(ch);
    return codes;
}

} // namespace

int foldedLength(const QString& text) {
    const QString folded = db::foldText(text);
    int count = 0;
    for (qsizetype i = 0; i < folded.size(); ++i, ++count)
        if (folded.at(i).isHighSurrogate() && i + 1 < folded.size())
            ++i;
    return count;
}

QString problem(const QString& text, Limit limit) {
    for (const QChar ch : text)
        if (isControl(ch.unicode()) && !(limit.lineBreaks && isLineBreak(ch.unicode())))
            return QStringLiteral("holds a control character");
    if (foldedLength(text) > limit.codePoints)
        return QStringLiteral("is longer than %1 characters").arg(limit.codePoints);
    return {};
}

std::function<bool(const QString&)> fitting(Limit limit) {
    return [limit](const QString& text) { return problem(text, limit).isEmpty(); };
}

QString serverCheck(const QString& column, const QString& measured, Limit limit) {
    QString controls;
    for (int code : refusedControls(limit))
        controls += QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0'));
    return QStringLiteral("char_length(%1) <= %2 AND %3 !~ '[%4]'")
        .arg(measured)
        .arg(limit.codePoints)
        .arg(column, controls);
}

// The characters themselves, in ranges: GLOB walks its class for every
// character of the text, and a class built by char() per row took most of a
// bulk load's time.
QString embeddedBreach(const QString& column, const QString& measured, Limit limit) {
    const QList<int> codes = refusedControls(limit);
    QString controls;
    for (qsizetype i = 0; i < codes.size(); ++i) {
        qsizetype last = i;
        while (last + 1 < codes.size() && codes[last + 1] == codes[last] + 1)
            ++last;
        controls += QChar(codes[i]);
        if (last > i)
            controls += QLatin1Char('-') + QChar(codes[last]);
        i = last;
    }
    return QStringLiteral("length(NEW.%1) > %2 OR NEW.%3 GLOB '*[%4]*'")
        .arg(measured)
        .arg(limit.codePoints)
        .arg(column, controls);
}

} // namespace database::limits
