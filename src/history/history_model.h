#pragma once

#include "database/audit.h"

#include <QAbstractTableModel>
#include <vector>

// One entry's audit lines as the History window's grid shows them: a text
// of several lines on one line of the grid, and whole in its tip.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { When, Who, Workstation, What, Before, After, ColumnCount };

    explicit HistoryModel(QObject* parent = nullptr);

    void setLines(std::vector<database::audit::Line> lines);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString text(int row, int column) const;

    std::vector<database::audit::Line> m_lines;
};
