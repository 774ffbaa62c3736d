#pragma once

#include "database/change.h"

#include <QMainWindow>
#include <array>
#include <memory>

class QAction;
class QMenu;
class QSplitter;
class QToolBar;
class QTreeWidgetItem;
class frmEntry;

namespace db {
class Recordset;
}

namespace ui {
class KeyedTree;
class PanelStatusBar;
} // namespace ui

// The main window: the formulary tree, its menus, toolbar and keys, and the
// editing of classifications. Closing it ends the run.
//
// Commands whose windows live elsewhere are reached through their menu
// items: toolbar buttons 6 and 7 and the drop-down entries of button 1
// trigger mnuGenericFiles, mnuFindEntry, mnuNewClassification, mnuNewGeneric
// and mnuNewDrug, so one connection to an item's triggered() serves every
// route. A double click on a node emits nodeDoubleClicked().
class frmFormulary : public QMainWindow {
    Q_OBJECT
public:
    explicit frmFormulary(QWidget* parent = nullptr);
    ~frmFormulary() override;

    // The load: hospital details, layout, the first level of the tree, the
    // initial command states and the user's rights.
    void Form_Load();

    // Reads the children of ParentNode, or with LoadAll every node below it,
    // into the tree, with the progress window; the number of rows read.
    int LoadTreeView(const QString& ParentNode, const QString& Title, bool LoadAll);
    // The node-click handling: reads the node's children when it has none,
    // opens it and sets the commands for the node's type.
    void treFormulary_NodeClick(QTreeWidgetItem* node);
    // True when the formulary on the server has a node with the key.
    bool NodeFound(const QString& strNodeKey);
    // Asks for a name with frmEntry and adds a classification ("1") or generic
    // name ("2") under the selected node, in the database and in the tree.
    void AddNode(const QString& strNodeType, qint64 intItemCode);

    // Whether the database still holds the entry the node shows under its
    // key (keys are reused, and another workstation may have deleted it);
    // when not, the user is told and the node leaves the tree. The node
    // lookup then describes the node.
    bool stillShown(QTreeWidgetItem* node);
    // After a refused change: the node leaves the tree when its key no
    // longer names the entry it shows.
    void dropIfStale(const database::NodeIdentity& shown);

    // The toolbar's buttons by position, 1 to 7 (2 and 5 are separators), and
    // the drop-down entries of button 1 (1 Classification, 2 Generic, 3 Drug).
    QAction* tbFormularyButton(int position) const;
    QAction* tbFormularyButtonMenu(int entry) const;

    // The formulary tree; the editors change it in place.
    ui::KeyedTree* treFormulary = nullptr;
    ui::PanelStatusBar* staFormulary = nullptr;
    QToolBar* tbFormulary = nullptr;
    QSplitter* imgSplitter = nullptr;

    QMenu* mnuPopup = nullptr;
    QMenu* mnuNew = nullptr;
    QAction* mnuNewClassification = nullptr;
    QAction* mnuNewGeneric = nullptr;
    QAction* mnuNewDrug = nullptr;
    QAction* mnuOther = nullptr;
    QAction* mnuSep1 = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* mnuRename = nullptr;
    QAction* mnuSep2 = nullptr;
    QAction* mnuProperties = nullptr;
    QAction* mnuSep3 = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuSep4 = nullptr;
    QAction* mnuHistory = nullptr;
    QAction* mnuStatus = nullptr;
    QMenu* mnuBuildFile = nullptr;
    QAction* mnuGenericFiles = nullptr;
    QMenu* mnuFind = nullptr;
    QAction* mnuFindEntry = nullptr;
    QAction* mnuSep12 = nullptr;
    QAction* mnuRefresh = nullptr;
    QAction* mnuLoadAll = nullptr;
    QAction* mnuUserSettings = nullptr;
    QMenu* mnuReport = nullptr;
    QAction* mnuFormularyReport = nullptr;
    QAction* mnuDrugsWOGeneric = nullptr;
    QAction* mnuDrugsWODetails = nullptr;
    QAction* mnuAuditTrail = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuAbout = nullptr;

signals:
    // A double click on a node of the tree (the medicine details).
    void nodeDoubleClicked();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What a command-state table does to one item.
    enum class Set { On, Off, Kept };
    struct CommandStates {
        Set mnuNew, newEntryButton, classification, generic, drug, other, remove, rename;
    };
    // The root selected, or nothing yet: only adding a classification is
    // offered, always to a user who may change the formulary, whatever node
    // was chosen before.
    static CommandStates rootStates(Set other);

    // Building the window.
    void createMenus();
    void createFormularyMenu();
    void createOtherMenus();
    void createToolbar();
    void createPanes();
    void createStatusBar();
    void connectTree();
    void connectCommandWindows();

    // Loading (frmFormulary_load.cpp).
    void readHospital();
    void addRows(db::Recordset& rs, const QString& ParentNode, const QString& Title);
    void applySplitterLimits();

    // Selection and the commands' states (frmFormulary_commands.cpp).
    void applyStates(const CommandStates& states);
    void applyNodeClickStates(const QString& nodeType);
    // False when the node no longer shows what is stored (it has left the tree).
    bool applyRightClickStates(QTreeWidgetItem* node);
    void treFormulary_RightClick(const QPoint& position);
    void showContextMenu(const QPoint& globalPosition);
    void treFormulary_ContextMenuKey();
    void treFormulary_Collapse();
    bool treFormulary_KeyDown(int key);
    QTreeWidgetItem* openUnreadNode(QTreeWidgetItem* node);
    QTreeWidgetItem* selectedNode() const;
    QTreeWidgetItem* selectedClassification();

    // The commands (frmFormulary_commands.cpp).
    void mnuNewClassification_Click();
    void mnuDelete_Click();
    void mnuRename_Click();
    void mnuRefresh_Click();
    void mnuLoadAll_Click();
    void mnuExit_Click();
    void treFormulary_AfterLabelEdit();
    void restartLabelEdit();
    frmEntry& entryDialog();
    void Form_Unload();

    std::array<QAction*, 7> m_buttons{};
    std::array<QAction*, 3> m_buttonMenus{};
    std::unique_ptr<frmEntry> m_entry;
    // The node whose label is being edited and its text before the edit.
    database::NodeIdentity m_edited;
    QString m_oldLabel;
    // Set while the tree handles a navigation key.
    bool m_keyNavigation = false;
};
