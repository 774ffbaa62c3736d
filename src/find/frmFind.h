#pragma once

#include "platform/ui/flex_grid.h"

#include <QDialog>
#include <QSortFilterProxyModel>

class QLineEdit;
class QPushButton;
class QTreeView;

// Finds an entry of the formulary by a search key and traces the chosen
// hit's path on the server, for the main window to open.
class frmFind : public QDialog {
    Q_OBJECT
public:
    explicit frmFind(QWidget* parent = nullptr);

    // Empties the window for a new opening; FindNode keeps its value.
    void Form_Load();

    // True when the last Go traced a path. Lives as long as the window object.
    bool FindNode = false;

    QLineEdit* txtFind = nullptr;
    QPushButton* cmdFind = nullptr;
    QTreeView* lvFind = nullptr;
    QPushButton* cmdGo = nullptr;
    QPushButton* cmdClose = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    bool txtFind_KeyPress(QKeyEvent& key);
    void txtFind_Change();
    void cmdFind_Click();
    void cmdGo_Click();
    void lvFind_ColumnClick(int column);
    void showHits(db::Recordset hits);
    void splitColumns();

    ui::FlexGridModel m_hits;
    QSortFilterProxyModel m_sorted;
};
