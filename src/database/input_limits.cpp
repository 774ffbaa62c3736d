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

QString embeddedBreach(const QString& column, const QString& measured, Limit limit) {
    QStringList codes;
    for (int code : refusedControls(limit))
        codes << QString::number(code);
    return QStringLiteral("length(NEW.%1) > %2 OR NEW.%3 GLOB '*[' || char(%4) || ']*'")
        .arg(measured)
        .arg(limit.codePoints)
        .arg(column, codes.join(u','));
}

} // namespace database::limits
