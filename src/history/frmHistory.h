#pragma once

#include "database/change.h"

#include <QDialog>

class HistoryModel;
class QPushButton;
class QTableView;

// The recorded changes of one classification, generic name or drug, newest
// first. Looking only: nothing here changes the entry.
class frmHistory : public QDialog {
    Q_OBJECT
public:
    explicit frmHistory(QWidget* parent = nullptr);

    // Reads the entry's changes and names it in the title.
    void Form_Load(database::Entry entry, const QVariant& id, const QString& name);

    QTableView* grdHistory = nullptr;
    QPushButton* cmdClose = nullptr;

private:
    void setColumnWidths();

    HistoryModel* m_model = nullptr;
};
