#pragma once

#include "database/user_rights.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace ui {
class FlexGrid;
}

// Sets the four rights of each user; every click on a box is stored at once.
class frmUserSettings : public QDialog {
    Q_OBJECT
public:
    explicit frmUserSettings(QWidget* parent = nullptr);

    // Lists the users for an empty key and shows the first one's rights.
    void Form_Load();
    // Empties the grid and lays it out.
    void InitializeGrid();

    QLineEdit* txtSearch = nullptr;
    ui::FlexGrid* flexMSH = nullptr;
    QCheckBox* chkClassification = nullptr;
    QCheckBox* chkGeneric = nullptr;
    QCheckBox* chkDrug = nullptr;
    QCheckBox* chkOtherDetails = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void sizeColumns();
    QCheckBox* addRight(const QString& objectName, const QString& caption, database::Right right);
    void LoadUserList();
    void ShowUserRights(const QString& userId);
    void SaveUserRight(database::Right right, bool value);
    void flexMSH_Click();
    void chk_Click(QCheckBox& box, database::Right right);
    QString selectedUser() const;
};
