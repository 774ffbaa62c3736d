#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The free text of other details of one generic name: shown, edited, stored.
class frmDrugInformation : public QDialog {
    Q_OBJECT
public:
    explicit frmDrugInformation(QWidget* parent = nullptr);

    // The generic name's identifier, read and written as text. Throws
    // AppError for a text that is not a whole number.
    QString GenericID() const;
    void setGenericID(const QString& id);

    // Reads the stored text of GenericID into the box.
    void Form_Load();

    QPlainTextEdit* txtEntry = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdClose = nullptr;

private:
    void createControls();
    void LoadOtherDetails();
    bool SaveOtherDetails();
    void cmdSave_Click();

    qint64 m_genericId = 0;
};
