#include "core/shared_helpers.h"

#include "core/mdlFormulary.h"
#include "platform/app_error.h"
#include "platform/ui/flex_grid.h"
#include "platform/ui/keyed_tree.h"

#include <limits>

namespace {

QString candidateKey(const QString& base, qint64 number) {
    if (base == QLatin1String("0"))
        return QStringLiteral("_%1").arg(number);
    return QStringLiteral("_%1.%2").arg(base.trimmed()).arg(number);
}

} // namespace

QString NewNodeKey(const QString& strParentKey, int intCount) try {
    const QString base = strParentKey.mid(1);
    // One read of the parent's stored children instead of one query per candidate.
    const QSet<qint64> taken = mdlFormulary.objFormulary->NodeFormulary.ChildNumbers(strParentKey);
    for (qint64 i = intCount; i >= 1; --i)
        if (!taken.contains(i))
            return candidateKey(base, i);
    for (qint64 i = 1; i <= std::numeric_limits<int>::max(); ++i)
        if (!taken.contains(i))
            return candidateKey(base, i);
    throw AppError(AppError::Overflow, QStringLiteral("Overflow"),
                   QStringLiteral("mdlFormulary.NewNodeKey"));
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("mdlFormulary.NewNodeKey"));
}

QString NodeImageKey(const QString& strNodeType) {
    if (strNodeType == QLatin1String("1"))
        return QStringLiteral("bookclose");
    if (strNodeType == QLatin1String("2"))
        return QStringLiteral("capsule");
    if (strNodeType == QLatin1String("3"))
        return QStringLiteral("tablet");
    return {};
}

database::NodeIdentity ShownIdentity(const QTreeWidgetItem* node) {
    using database::NodeKind;
    const QString key = ui::KeyedTree::keyOf(node);
    if (key == RootKey)
        return {key, NodeKind::Root, qint64(0)};
    const QString image = ui::KeyedTree::imageOf(node);
    const QString tag = ui::KeyedTree::tagOf(node);
    NodeKind kind = NodeKind::Drug;
    if (image == NodeImageKey(QStringLiteral("1")))
        kind = NodeKind::Classification;
    else if (image == NodeImageKey(QStringLiteral("2")))
        kind = NodeKind::Generic;
    if (tag.isEmpty())
        return {key, kind, {}};
    return {key, kind, kind == NodeKind::Drug ? QVariant(tag) : QVariant(tag.toLongLong())};
}

QVariant IfNull(const QVariant& value, const QVariant& fallback) {
    return value.isNull() ? fallback : value;
}

void HighlightRow(ui::FlexGrid& grid, bool highlight) {
    if (grid.rows() <= 1)
        return;
    grid.setHighlight(highlight);
}

void ClearChecks(ui::FlexGrid& grid, int checkColumn, int firstRow, bool redraw) {
    if (grid.rows() <= 1)
        return;
    if (redraw)
        grid.setRedraw(false);
    grid.fillCellPicture(firstRow, checkColumn, 2);
    grid.fillTextMatrix(firstRow, TickColumn, QString());
    if (redraw)
        grid.setRedraw(true);
}

bool HasCheckedRows(const ui::FlexGrid& grid) {
    for (int row = 0; row < grid.rows(); ++row)
        if (grid.textMatrix(row, TickColumn) == TickMark)
            return true;
    return false;
}
