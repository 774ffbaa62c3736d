#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTreeWidgetItem;

namespace ui {
class FlexGrid;
class KeyedTree;
} // namespace ui

// "Generic Classification": puts generic names under one classification and
// takes them away, changing the main window's tree to match.
class frmList : public QDialog {
    Q_OBJECT
public:
    explicit frmList(QWidget* parent = nullptr);

    // The classification being edited.
    qint64 ItemID = 0;
    // Loads the left list (1) or the right list (any other value); the
    // number of rows loaded.
    int LoadGrid(int intWhichGrid, const QString& strSearchKey);
    QString ClassificationName;
    // The main window's tree, changed in place.
    ui::KeyedTree* treList = nullptr;
    // The 1-based position of the node in treList, 0 when there is none.
    int IsKeyPosition(const QString& strNodeKey) const;
    // True when drugs are stored under the generic name: it may then be
    // neither moved nor removed.
    bool CanAdd(qint64 genericCode) const;

    QGroupBox* fraSearch1 = nullptr;
    QLineEdit* txtSearch1 = nullptr;
    QGroupBox* fraGeneric1 = nullptr;
    ui::FlexGrid* flexMSHList1 = nullptr;
    QPushButton* cmdClear1 = nullptr;
    QCheckBox* chkWithdrawn = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdRemove = nullptr;
    QGroupBox* fraSearch2 = nullptr;
    QLineEdit* txtSearch2 = nullptr;
    QGroupBox* fraGeneric2 = nullptr;
    ui::FlexGrid* flexMSHList2 = nullptr;
    QPushButton* cmdClear2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing asks first about rows still ticked.
    void done(int result) override;

private:
    // The controls of one list: 1 the available names, 2 the assigned ones.
    struct Side {
        ui::FlexGrid* grid;
        QPushButton* clear;
        QPushButton* action;
        QGroupBox* search;
        QLineEdit* text;
    };
    Side side(int intWhichGrid) const;

    void createControls();
    void connectSide(int intWhichGrid);
    void Form_Load();
    void reloadList(int intWhichGrid, const QString& strSearchKey);
    void listClick(int intWhichGrid);
    void listKeyDown(int intWhichGrid, int key);
    void showTicks(int intWhichGrid);
    void cmdClear_Click(int intWhichGrid);
    void cmdAdd_Click();
    void cmdRemove_Click();
    void Command1_Click();
    bool addGeneric(int row, QTreeWidgetItem& parent, QStringList& unchanged);
    bool removeGeneric(int row, QStringList& unchanged);
    void RemoveTreeNode(const QString& key);
    void afterChange(int intWhichGrid);
    void reloadLists();
    void sizeColumns(ui::FlexGrid& grid);

    bool KeyToggle = false;
};
