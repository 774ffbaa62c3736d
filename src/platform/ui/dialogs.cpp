#include "platform/ui/dialogs.h"

#include "platform/ui/script.h"

#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>

namespace ui {

int showModal(QDialog& dialog) {
    if (Script* script = Script::active("modal window"))
        return script->runModal(dialog);
    return dialog.exec();
}

QAction* popupMenu(QMenu& menu, const QPoint& globalPos) {
    if (Script* script = Script::active("pop-up menu"))
        return script->choose(menu);
    return menu.exec(globalPos);
}

QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                     const QString& filter) {
    if (Script* script = Script::active("file dialog"))
        return script->fileName({FileDialogShown::Save, caption, folder, filter});
    return QFileDialog::getSaveFileName(parent, caption, folder, filter);
}

QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                     const QString& filter) {
    if (Script* script = Script::active("file dialog"))
        return script->fileName({FileDialogShown::Open, caption, folder, filter});
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

bool printDialog(QPrinter& printer, QWidget* parent) {
    if (Script* script = Script::active("print dialog"))
        return script->print(printer);
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace ui
