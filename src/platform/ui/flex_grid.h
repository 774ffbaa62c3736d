#pragma once

#include "platform/db/recordset.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QTableView>
#include <vector>

namespace ui {

// The rows a flex grid shows: the rows of a recordset (never copied) with
// the columns the program writes itself (tick marks, pictures) kept apart.
class FlexGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void reset(db::Recordset rows, int firstColumn, int dataRows, int columns);
    void setShape(int dataRows, int columns);
    void clearCells();

    QString text(int row, int column) const;
    void setText(int row, int column, const QString& text);
    // Rows fromRow to the last at once: one change signal, not one a row.
    void fillText(int fromRow, int column, const QString& text);
    int picture(int row, int column) const;
    void setPicture(int row, int column, int picture);
    void fillPicture(int fromRow, int column, int picture);
    void setPictures(QIcon ticked, QIcon unticked);
    void setHeaders(QStringList headers, std::vector<Qt::Alignment> alignments);
    const QStringList& headers() const { return m_headers; }
    // A row coloured in the highlight colours keeps them, current or not,
    // until it is uncoloured or the rows are replaced.
    void setRowColoured(int row, bool coloured);
    bool rowColoured(int row) const;

private:
    std::vector<QString>& writable(int column);
    void writeTexts(int first, int last, int column, const QString& text);
    void writePictures(int first, int last, int column, int picture);

    db::Recordset m_rows;
    int m_firstColumn = 0;
    int m_dataRows = 0;
    int m_columns = 0;
    QHash<int, std::vector<QString>> m_written;
    int m_pictureColumn = -1;
    std::vector<qint8> m_pictures;
    std::vector<bool> m_coloured;
    QIcon m_ticked;
    QIcon m_unticked;
    QStringList m_headers;
    std::vector<Qt::Alignment> m_alignments;
};

// A grid in the manner of the hierarchical flex grid: row 0 is the fixed
// header row and data rows are 1 to rows() - 1; column widths in twips, a
// width of 0 hides the column; a current cell; pictures in cells (1 a ticked
// box, 2 an empty box); the rows bound to a recordset.
class FlexGrid : public QTableView {
    Q_OBJECT

public:
    explicit FlexGrid(QWidget* parent = nullptr);

    int rows() const { return m_model.rowCount() + 1; }
    void setRows(int rows);
    int cols() const { return m_model.columnCount(); }
    void setCols(int cols);

    // Header texts and alignments, "<Code |<Generic Name": one column a segment.
    void setFormatString(const QString& format);

    // Shows one row a record; the fields fill the columns from firstColumn on.
    void bind(db::Recordset rows, int firstColumn = 0);
    // Empties every cell and keeps the shape.
    void clearCells();

    QString textMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);
    // The cells of one column from fromRow to the last row.
    void fillTextMatrix(int fromRow, int col, const QString& text);
    int cellPicture(int row, int col) const;
    void setCellPicture(int row, int col, int picture);
    void fillCellPicture(int fromRow, int col, int picture);
    void setCheckPictures(QIcon ticked, QIcon unticked);

    int colWidth(int col) const;
    void setColWidth(int col, int twips);
    int widthTwips() const;

    int row() const;
    int col() const;
    void setRow(int row);
    void setCol(int col);
    // The column under the mouse at the last press; -1 for none.
    int mouseCol() const { return m_mouseCol; }

    // The first cols columns stay in sight, at the left, when the grid
    // scrolls sideways: a view over the same rows and selection lies on them.
    void setFixedCols(int cols);
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

    void setRedraw(bool on);
    // Colours the current row in the highlight colours, or back in the
    // window's; a coloured row stays so when another row becomes current.
    void setHighlight(bool on);
    bool rowHighlighted(int row) const { return m_model.rowColoured(row); }

signals:
    void gridClicked();
    void gridKeyDown(int key);
    void enterCell();
    void leaveCell();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void updateGeometries() override;

private:
    void createFixedView();
    void showFixedColumns();
    void placeFixedView();
    int fixedWidth() const;

    FlexGridModel m_model;
    int m_fixedCols = 0;
    QTableView* m_fixed = nullptr;
    std::vector<int> m_widths;
    int m_mouseCol = -1;
    int m_leavingRow = 0;
};

} // namespace ui
