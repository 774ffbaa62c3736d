#pragma once

#include <QString>

class QAction;
class QDialog;
class QMenu;
class QPoint;
class QPrinter;
class QWidget;

namespace ui {

// Shows the window modally and returns its result code once it has closed.
int showModal(QDialog& dialog);

// Shows the menu at a point on the screen; the chosen action has run when
// this returns. Null when the menu was dismissed.
QAction* popupMenu(QMenu& menu, const QPoint& globalPos);

// The file the user chose; empty when the dialog was cancelled. The filter is
// in Qt's form, "Rich Text Format (*.rtf)".
QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                     const QString& filter);
QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                     const QString& filter);

// Lets the user set up the printer; false when the dialog was cancelled. The
// caller prints to the printer afterwards.
bool printDialog(QPrinter& printer, QWidget* parent);

} // namespace ui
