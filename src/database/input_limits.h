#pragma once

#include <QString>
#include <functional>

// How long the texts of the formulary may be, in one place: the windows, the
// administration tool and the database enforce the same limits. Lengths are
// code points of the folded text (what the database stores and indexes; one
// character may fold to three), so that a name fits the index on both
// engines whatever its script.
namespace database::limits {

struct Limit {
    int codePoints;
    bool lineBreaks; // tabs and line breaks allowed; other control characters never
};

inline constexpr Limit Name{100, false};            // classifications, generic names, item names
inline constexpr Limit Description{255, true};      // a classification's description
inline constexpr Limit ItemDescription{255, false}; // shown in the drug's node after its name
inline constexpr Limit ItemId{50, false};           // a stock item's code
inline constexpr Limit ItemText{2000, true}; // indication, dosage, administration, preparation

// Why the text does not fit the limit (empty when it does): "is longer than
// N characters" or "holds a control character".
QString problem(const QString& text, Limit limit);

// Whether the text fits, as the windows' boxes ask it while typing.
std::function<bool(const QString&)> fitting(Limit limit);

// The folded text's length in code points.
int foldedLength(const QString& text);

// The database's own checks of a column, whose length is measured on another
// column (its folded form) or itself: a server's CHECK expression, and the
// condition under which an embedded database's trigger refuses a new row.
QString serverCheck(const QString& column, const QString& measured, Limit limit);
QString embeddedBreach(const QString& column, const QString& measured, Limit limit);

} // namespace database::limits
