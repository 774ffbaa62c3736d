#pragma once

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

// A drug's clinical texts from the inventory's item master, read only.
class frmMedDetails : public QDialog {
    Q_OBJECT
public:
    explicit frmMedDetails(QWidget* parent = nullptr);

    // The name shown at the top, and the item's itemid in the item master.
    QString ItemName;
    QString ItemCode;

    // Shows ItemName and reads the item's texts; an unknown code leaves them empty.
    void Form_Load();

    QLineEdit* txtItemName = nullptr;
    QPlainTextEdit* txtIndication = nullptr;
    QPlainTextEdit* txtDosage = nullptr;
    QPlainTextEdit* txtAdministration = nullptr;
    QPlainTextEdit* txtPreparation = nullptr;

private:
    QPlainTextEdit* addText(const QString& objectName, const QString& label);
};
