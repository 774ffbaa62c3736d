#pragma once

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPushButton;
class frmGeneric;

// The entry of new generic names (Mode 1, one after another) or the new name
// of one generic name (Mode 2), for the list window that opened it.
class frmGenericEntry : public QDialog {
    Q_OBJECT
public:
    enum { NewNames = 1, RenameName = 2 };

    explicit frmGenericEntry(frmGeneric& list);

    int Mode = NewNames;
    // The generic name to rename.
    qint64 GenericCode = 0;

    QGroupBox* Frame1 = nullptr;
    QLineEdit* txtEntry = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void Form_Load();
    void txtEntry_Change();
    void cmdSave_Click();
    bool saveName();
    bool GenericExists(const QString& name) const;

    frmGeneric& m_list;
};
