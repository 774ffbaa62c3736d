#pragma once

#include <QDialog>

class QComboBox;
class QDateEdit;
class QDateTime;
class QPushButton;

// Asks which days, and optionally which user's changes, the Audit Trail lists.
class frmAuditRange : public QDialog {
    Q_OBJECT
public:
    explicit frmAuditRange(QWidget* parent = nullptr);

    // Offers the users by name; the days start as the last 30 up to today.
    void Form_Load(const QStringList& userNames);

    // From the start of the first day up to, not including, the day after the last.
    QDateTime since() const;
    QDateTime until() const;
    // Empty for every user.
    QString user() const;
    // The days and the user as the report's heading names them.
    QString rangeText() const;

    QDateEdit* dtpFrom = nullptr;
    QDateEdit* dtpTo = nullptr;
    QComboBox* cboUser = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};
