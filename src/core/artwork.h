#pragma once

#include <QHash>
#include <QIcon>

class QPainter;
class QRectF;

// The program's own pictures, drawn with QPainter at whatever size and pixel
// ratio they are shown, so they stay sharp on high-DPI screens. Disabled
// icons are drawn in greys.
namespace artwork {

// The tree's pictures by image key: "smile" (the root), "bookclose",
// "bookopen", "capsule", "tablet".
QHash<QString, QIcon> treeImages();

// The marks of a node's formulary status, drawn over its picture.
enum class TreeMark : quint8 { None, Restricted, NonFormulary, UnderReview, Withdrawn };
// The tree's pictures with the mark, by the same keys.
QHash<QString, QIcon> markedTreeImages(TreeMark mark);

// The main window's toolbar pictures.
enum class ToolbarImage { NewEntry, Delete, Rename, GenericNames, Find };
QIcon toolbarImage(ToolbarImage image);

// The check column's two pictures, 14 x 14: a ticked box and an empty one.
inline constexpr int CheckPictureSize = 14;
QIcon tickedBox();
QIcon emptyBox();

// The main window's right-pane picture, filling the rectangle.
void paintBackground(QPainter& painter, const QRectF& area);

// The program's icon as the desktop menu shows it, at every size rendered
// from packaging/icons/formulary.svg: the windows' icon and the About box's.
QIcon programIcon();

} // namespace artwork
