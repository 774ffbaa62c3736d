#pragma once

#include "database/change.h"

#include <QString>
#include <QVariant>

class QTreeWidgetItem;

namespace ui {
class FlexGrid;
}

// Small routines that several windows share.

// The key of the tree's root, "All Classification".
inline const QString RootKey = QStringLiteral("_0");

// A free key for a new child of the parent node, asked of the stored
// formulary: candidates count, count - 1, ..., 1, then 1, 2, 3, ... upwards,
// so that a gap left by a deleted child is reused first. Callers pass the
// number of children the parent shows in the tree.
QString NewNodeKey(const QString& strParentKey, int intCount);

// "bookclose", "capsule" or "tablet" for node types "1", "2", "3"; else "".
QString NodeImageKey(const QString& strNodeType);

// The entry a tree node shows, as this workstation read it: its key, the
// kind its picture tells and the id in its tag (the classification's or
// generic name's id, the drug's item id; none when the tag is empty).
database::NodeIdentity ShownIdentity(const QTreeWidgetItem* node);

// The fallback when the value is Null, otherwise the value.
QVariant IfNull(const QVariant& value, const QVariant& fallback);

// Colours the grid's current selection in the highlight colours, or not.
void HighlightRow(ui::FlexGrid& grid, bool highlight);

// Unticks every row from firstRow to the last: picture 2 in the check
// column and an empty tick mark in column 6.
void ClearChecks(ui::FlexGrid& grid, int checkColumn, int firstRow, bool redraw);

// True when any row carries the tick mark "@" in column 6.
bool HasCheckedRows(const ui::FlexGrid& grid);

// The hidden column whose text tells whether a row is ticked.
inline constexpr int TickColumn = 6;
inline const QString TickMark = QStringLiteral("@");
