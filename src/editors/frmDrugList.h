#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidgetItem;
class QWidget;

namespace ui {
class FlexGrid;
class KeyedTree;
} // namespace ui

// "Drug Classification": puts drugs (stock items) under one generic name and
// takes them away, changing the main window's tree to match.
class frmDrugList : public QDialog {
    Q_OBJECT
public:
    explicit frmDrugList(QWidget* parent = nullptr);

    // The generic name being edited.
    qint64 GenericID = 0;
    QString GenericName;
    // The main window's tree, changed in place.
    ui::KeyedTree* treList = nullptr;
    // Which drugs outside the generic name the left list shows:
    // 1 all, 2 unclassified, 3 classified, 0 when no option is chosen.
    int CheckClassify() const;
    // Loads the left list (1) or the right list (any other value).
    void LoadDrugList(int intWhichGrid, const QString& strSearchKey);

    QGroupBox* fraSearch1 = nullptr;
    QLineEdit* txtSearch1 = nullptr;
    QGroupBox* fraDrug1 = nullptr;
    ui::FlexGrid* flexMSHList1 = nullptr;
    QWidget* Picture1 = nullptr;
    QRadioButton* optAll = nullptr;
    QRadioButton* optClassified = nullptr;
    QRadioButton* optUnClassified = nullptr;
    QPushButton* cmdClear1 = nullptr;
    QCheckBox* chkWithdrawn = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdRemove = nullptr;
    QGroupBox* fraSearch2 = nullptr;
    QLineEdit* txtSearch2 = nullptr;
    QGroupBox* fraDrug2 = nullptr;
    ui::FlexGrid* flexMSHList2 = nullptr;
    QPushButton* cmdClear2 = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing asks first about rows still ticked.
    void done(int result) override;

private:
    void createControls();
    void createFilter();
    void connectLists();
    void Form_Load();
    ui::FlexGrid& grid(int intWhichGrid) const;
    void listClick(int intWhichGrid);
    void listKeyDown(int intWhichGrid, int key);
    void showTicks();
    void cmdClear1_Click();
    void cmdClear2_Click();
    void cmdAdd_Click();
    void cmdRemove_Click();
    void addDrug(int row, QTreeWidgetItem& parent, QStringList& unchanged);
    void removeDrug(int row, QStringList& unchanged);
    void RemoveTreeNode(const QString& key);
    void afterChange();
    void sizeColumns(ui::FlexGrid& grid);

    bool KeyToggle = false;
};
