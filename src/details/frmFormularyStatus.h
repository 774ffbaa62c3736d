#pragma once

#include "database/formulary_status.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Formulary Status": what the committee decided about one generic name or
// drug: its status, the restriction category when restricted, the review-by
// date when under review, the decision date, the minute and a note. A user
// who may not change the entry sees the decision and cannot save it.
class frmFormularyStatus : public QDialog {
    Q_OBJECT
public:
    explicit frmFormularyStatus(QWidget* parent = nullptr);

    // Shows the stored decision of the entry the node names; mayChange
    // decides whether it can be saved. inheritedFrom names the generic
    // name's status that the drug shows instead of its own (empty: none).
    void Form_Load(const database::NodeIdentity& node, const QString& name, bool mayChange,
                   const QString& inheritedFrom);

    // The decision as the window holds it.
    database::formulary_status::Decision decision() const;

    QLabel* lblEntry = nullptr;
    QLabel* lblInherited = nullptr;
    QComboBox* cboStatus = nullptr;
    QComboBox* cboRestriction = nullptr;
    QDateEdit* dtpReviewBy = nullptr;
    QDateEdit* dtpDecidedOn = nullptr;
    QLineEdit* txtReference = nullptr;
    QPlainTextEdit* txtNote = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void createControls();
    void showDecision(const database::formulary_status::Decision& decision);
    void cboStatus_Change();
    void cmdOK_Click();

    database::NodeIdentity m_node;
    bool m_mayChange = false;
};
