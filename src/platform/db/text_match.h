#pragma once

#include <QString>
#include <QVariant>

namespace db {

// Matching and ordering of names, the same on both engines: the program folds
// the text (Unicode case folding of the composed form) and the statements
// compare folded text byte by byte.
QString foldText(const QString& text);

// A LIKE pattern that finds the folded key anywhere, with '%', '_' and the
// escape character matched literally. Use with ESCAPE '\'.
QString containsPattern(const QString& key);

// An empty text as the Null a column stores for "none".
QVariant nullIfEmpty(const QString& text);

} // namespace db
