#include "platform/db/text_match.h"

namespace db {

QString foldText(const QString& text) {
    const QString folded = text.normalized(QString::NormalizationForm_C)
                               .toCaseFolded()
                               .normalized(QString::NormalizationForm_C);
    // A bound null would store NULL: empty text folds to empty text.
    return folded.isNull() ? QStringLiteral("") : folded;
}

QString containsPattern(const QString& key) {
    QString pattern;
    const QString folded = foldText(key);
    pattern.reserve(folded.size() + 2);
    pattern += QLatin1Char('%');
    for (const QChar c : folded) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
            pattern += QLatin1Char('\\');
        pattern += c;
    }
    pattern += QLatin1Char('%');
    return pattern;
}

QVariant nullIfEmpty(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

} // namespace db
