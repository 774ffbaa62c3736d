#pragma once

#include <QDialog>
#include <QHash>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace ui {
class FlexGrid;
class KeyedTree;
} // namespace ui

// "Build Generic Name": the master list of generic names, with new, rename
// and delete for a user with the generic-name right.
class frmGeneric : public QDialog {
    Q_OBJECT
public:
    explicit frmGeneric(QWidget* parent = nullptr);

    // Reloads the grid with the generic names that match the search text.
    void LoadList(const QString& strSearch);
    // True once names were entered, renamed or a deletion confirmed: the
    // opener's own lists may be out of date.
    bool Update() const { return m_update; }

    // The entry dialog tells the list about each rename it stored.
    void noteRenamed(qint64 genericCode, const QString& newName);
    // Gives the loaded nodes of the renamed generic names their new names.
    void RelabelTree(ui::KeyedTree& tree) const;

    QGroupBox* Frame1 = nullptr;
    QLineEdit* txtSearch = nullptr;
    QGroupBox* Frame2 = nullptr;
    ui::FlexGrid* flexMSHList = nullptr;
    QPushButton* cmdNew = nullptr;
    QPushButton* cmdRename = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void createControls();
    void Form_Load();
    void cmdNew_Click();
    void cmdRename_Click();
    void cmdDelete_Click();
    void sizeColumns();
    bool hasCurrentRow() const;
    QString currentCode() const;
    QString currentName() const;
    void tellDeleteRefused(int result, const QString& name);

    bool m_update = false;
    QHash<qint64, QString> m_renamed;
};
