#pragma once

#include <QMainWindow>

class QAction;
class QMenu;
class QTreeWidgetItem;

namespace ui {
class KeyedTree;
class PanelStatusBar;
} // namespace ui

// The main window: the formulary tree and its commands. Closing it ends the run.
class frmFormulary : public QMainWindow {
    Q_OBJECT
public:
    explicit frmFormulary(QWidget* parent = nullptr);

    // The load: hospital details and the user's initials.
    void Form_Load();

    // Reads the children of ParentNode, or with LoadAll every node below it,
    // into the tree, with the progress window; the number of rows read.
    int LoadTreeView(const QString& ParentNode, const QString& Title, bool LoadAll);
    // The node-click handling: reads the node's children when it has none,
    // opens it and sets the commands for the node's type.
    void treFormulary_NodeClick(QTreeWidgetItem* node);

    // The formulary tree; the editors change it in place.
    ui::KeyedTree* treFormulary = nullptr;
    ui::PanelStatusBar* staFormulary = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuSep3 = nullptr;
    QAction* mnuExit = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    void createStatusBar();
    void readHospital();
    void mnuExit_Click();
    void Form_Unload();
};
