#pragma once

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The entry dialog for the name and description of a new classification (or,
// with classtype "2", of a new generic name). It refuses a name that a
// classification already has. The caller sets classtype, shows the dialog
// modally and then reads ClassEntry: empty when the user closed without saving.
class frmEntry : public QDialog {
    Q_OBJECT
public:
    explicit frmEntry(QWidget* parent = nullptr);

    // "1" classification, "2" generic name; kept from one use to the next.
    QString classtype;
    // The texts as typed, set only by a successful save.
    const QString& ClassEntry() const { return m_classEntry; }
    const QString& DescriptionEntry() const { return m_descriptionEntry; }

    QGroupBox* fraEntry = nullptr;
    QLineEdit* txtNewClassification = nullptr;
    QGroupBox* fraEntry2 = nullptr;
    QPlainTextEdit* txtDescription = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void txtNewClassification_Change();
    void cmdOK_Click();
    static bool ClassificationExists(const QString& name);

    QString m_classEntry;
    QString m_descriptionEntry;
};
