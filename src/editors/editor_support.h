#pragma once

#include <QStringList>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace ui {
class FlexGrid;
class KeyedTree;
} // namespace ui

// Pieces that the catalogue editors share.
namespace editors {

// A named button that Enter in the window does not press.
QPushButton* button(const QString& caption, const QString& name, QWidget* parent);
// A named frame.
QGroupBox* frame(const QString& caption, const QString& name, QWidget* parent);
// "Show withdrawn" under a list of available entries, unticked: withdrawn
// entries stay out of the list until it is ticked. Changing it runs reload.
QCheckBox* showWithdrawnBox(QWidget* parent, const std::function<void()>& reload);

// Typed letters reach the box in upper case.
void upperCaseTyping(QLineEdit& box);

// Flips the tick of the grid's current row: the mark "@" in the tick column
// and the picture in column 0 that shows it.
void toggleTick(ui::FlexGrid& grid);

// Asked as an editor with two tick lists closes: true when rows are still
// ticked and the user would rather process them first.
bool processTicksFirst(const ui::FlexGrid& left, const ui::FlexGrid& right);

// The check column: its ticked and empty boxes, and it stays in sight while
// the grid scrolls sideways, so that no row is ticked unseen.
void setCheckColumn(ui::FlexGrid& grid);

// Tells the user, once, which rows of a run were left unchanged.
void reportUnchanged(const QString& heading, const QStringList& names);

// Runs the step of one ticked row and answers what it answered. A step the
// database refused counts as not made, and the row (by its text) joins those
// left unchanged; any other error is a fault and goes on to the general
// error report.
bool rowStep(const QString& row, QStringList& unchanged, const std::function<bool()>& step);

// Runs the action each time the widget changes size, but not while its
// redrawing is off.
void whenResized(QWidget& widget, std::function<void()> action);

// Removes the node with the key from the tree when it is there: a node that
// was never loaded is not, and there is nothing to remove.
void removeLoadedNode(ui::KeyedTree& tree, const QString& key);

// A name as it reads in a caption that takes '&' for a mnemonic.
QString captionText(QString name);

} // namespace editors
