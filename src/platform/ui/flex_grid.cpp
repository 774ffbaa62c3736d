#include "platform/ui/flex_grid.h"

#include "platform/ui/twips.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

namespace ui {

int FlexGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_dataRows;
}

int FlexGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant FlexGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return text(index.row() + 1, index.column());
    case Qt::DecorationRole:
        switch (picture(index.row() + 1, index.column())) {
        case 1:
            return m_ticked;
        case 2:
            return m_unticked;
        default:
            return {};
        }
    case Qt::BackgroundRole:
        return rowColoured(index.row() + 1) ? QVariant(QPalette().brush(QPalette::Highlight))
                                            : QVariant();
    case Qt::ForegroundRole:
        return rowColoured(index.row() + 1) ? QVariant(QPalette().brush(QPalette::HighlightedText))
                                            : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() < int(m_alignments.size())
                   ? QVariant(int(m_alignments[std::size_t(index.column())] | Qt::AlignVCenter))
                   : QVariant();
    default:
        return {};
    }
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return section < m_headers.size() ? m_headers[section] : QString();
    if (role == Qt::TextAlignmentRole && section < int(m_alignments.size()))
        return int(m_alignments[std::size_t(section)] | Qt::AlignVCenter);
    return {};
}

void FlexGridModel::reset(db::Recordset rows, int firstColumn, int dataRows, int columns) {
    beginResetModel();
    m_rows = std::move(rows);
    m_firstColumn = firstColumn;
    m_dataRows = dataRows;
    m_columns = columns;
    m_written.clear();
    m_pictureColumn = -1;
    m_pictures.clear();
    m_coloured.clear();
    endResetModel();
}

void FlexGridModel::setShape(int dataRows, int columns) {
    beginResetModel();
    m_dataRows = std::max(0, dataRows);
    m_columns = std::max(0, columns);
    for (auto& column : m_written)
        column.resize(std::size_t(m_dataRows));
    m_pictures.resize(std::size_t(m_dataRows));
    m_coloured.clear();
    endResetModel();
}

void FlexGridModel::clearCells() {
    beginResetModel();
    m_rows = db::Recordset();
    m_written.clear();
    m_pictureColumn = -1;
    m_pictures.clear();
    m_coloured.clear();
    endResetModel();
}

void FlexGridModel::setRowColoured(int row, bool coloured) {
    const int r = row - 1;
    if (r < 0 || r >= m_dataRows || rowColoured(row) == coloured)
        return;
    m_coloured.resize(std::size_t(m_dataRows));
    m_coloured[std::size_t(r)] = coloured;
    emit dataChanged(index(r, 0), index(r, m_columns - 1),
                     {Qt::BackgroundRole, Qt::ForegroundRole});
}

bool FlexGridModel::rowColoured(int row) const {
    const auto r = std::size_t(row - 1);
    return row >= 1 && r < m_coloured.size() && m_coloured[r];
}

QString FlexGridModel::text(int row, int column) const {
    const int r = row - 1;
    if (r < 0 || r >= m_dataRows || column < 0 || column >= m_columns)
        return {};
    if (const auto it = m_written.constFind(column); it != m_written.cend())
        return (*it)[std::size_t(r)];
    const int field = column - m_firstColumn;
    if (field < 0 || field >= m_rows.fieldCount() || r >= m_rows.recordCount())
        return {};
    return m_rows.value(r, field).toString();
}

std::vector<QString>& FlexGridModel::writable(int column) {
    auto it = m_written.find(column);
    if (it == m_written.end()) {
        std::vector<QString> values(static_cast<std::size_t>(m_dataRows));
        for (int r = 0; r < m_dataRows; ++r)
            values[std::size_t(r)] = text(r + 1, column);
        it = m_written.insert(column, std::move(values));
    }
    return *it;
}

void FlexGridModel::writeTexts(int first, int last, int column, const QString& value) {
    first = std::max(1, first);
    if (first > last || last > m_dataRows || column < 0 || column >= m_columns)
        return;
    std::vector<QString>& values = writable(column);
    std::fill(values.begin() + (first - 1), values.begin() + last, value);
    emit dataChanged(index(first - 1, column), index(last - 1, column), {Qt::DisplayRole});
}

void FlexGridModel::setText(int row, int column, const QString& value) {
    writeTexts(row, row, column, value);
}

void FlexGridModel::fillText(int fromRow, int column, const QString& value) {
    writeTexts(fromRow, m_dataRows, column, value);
}

int FlexGridModel::picture(int row, int column) const {
    const int r = row - 1;
    if (column != m_pictureColumn || r < 0 || r >= int(m_pictures.size()))
        return 0;
    return m_pictures[std::size_t(r)];
}

void FlexGridModel::writePictures(int first, int last, int column, int value) {
    first = std::max(1, first);
    if (first > last || last > m_dataRows)
        return;
    if (column != m_pictureColumn) {
        m_pictureColumn = column;
        m_pictures.assign(std::size_t(m_dataRows), 0);
    }
    std::fill(m_pictures.begin() + (first - 1), m_pictures.begin() + last, qint8(value));
    emit dataChanged(index(first - 1, column), index(last - 1, column), {Qt::DecorationRole});
}

void FlexGridModel::setPicture(int row, int column, int value) {
    writePictures(row, row, column, value);
}

void FlexGridModel::fillPicture(int fromRow, int column, int value) {
    writePictures(fromRow, m_dataRows, column, value);
}

void FlexGridModel::setPictures(QIcon ticked, QIcon unticked) {
    m_ticked = std::move(ticked);
    m_unticked = std::move(unticked);
}

void FlexGridModel::setHeaders(QStringList headers, std::vector<Qt::Alignment> alignments) {
    m_headers = std::move(headers);
    m_alignments = std::move(alignments);
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, m_columns - 1));
}

FlexGrid::FlexGrid(QWidget* parent) : QTableView(parent) {
    setModel(&m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    setHighlight(false);
}

void FlexGrid::setRows(int rows) {
    m_model.setShape(std::max(0, rows - 1), cols());
}

void FlexGrid::setCols(int count) {
    // Widths first: views may set widths while the model resets.
    m_widths.resize(std::size_t(std::max(0, count)), -1);
    m_model.setShape(m_model.rowCount(), count);
}

void FlexGrid::setFormatString(const QString& format) {
    QStringList headers;
    std::vector<Qt::Alignment> alignments;
    for (QString segment : format.split(QLatin1Char('|'))) {
        Qt::Alignment alignment = Qt::AlignLeft;
        if (segment.startsWith(QLatin1Char('<')) || segment.startsWith(QLatin1Char('>')) ||
            segment.startsWith(QLatin1Char('^'))) {
            alignment = segment[0] == QLatin1Char('>')   ? Qt::AlignRight
                        : segment[0] == QLatin1Char('^') ? Qt::AlignHCenter
                                                         : Qt::AlignLeft;
            segment.remove(0, 1);
        }
        headers << segment;
        alignments.push_back(alignment);
    }
    if (int(headers.size()) > cols())
        setCols(int(headers.size()));
    m_model.setHeaders(headers, alignments);
}

void FlexGrid::bind(db::Recordset rows, int firstColumn) {
    const int records = rows.recordCount();
    const int columns = std::max(cols(), firstColumn + rows.fieldCount());
    m_widths.resize(std::size_t(columns), -1);
    m_model.reset(std::move(rows), firstColumn, records, columns);
    if (records > 0)
        setRow(1);
}

void FlexGrid::clearCells() {
    m_model.clearCells();
}

QString FlexGrid::textMatrix(int row, int col) const {
    return m_model.text(row, col);
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text) {
    m_model.setText(row, col, text);
}

void FlexGrid::fillTextMatrix(int fromRow, int col, const QString& text) {
    m_model.fillText(fromRow, col, text);
}

int FlexGrid::cellPicture(int row, int col) const {
    return m_model.picture(row, col);
}

void FlexGrid::setCellPicture(int row, int col, int picture) {
    m_model.setPicture(row, col, picture);
}

void FlexGrid::fillCellPicture(int fromRow, int col, int picture) {
    m_model.fillPicture(fromRow, col, picture);
}

void FlexGrid::setCheckPictures(QIcon ticked, QIcon unticked) {
    m_model.setPictures(std::move(ticked), std::move(unticked));
}

int FlexGrid::colWidth(int col) const {
    if (col < 0 || col >= int(m_widths.size()))
        return 0;
    const int twips = m_widths[std::size_t(col)];
    return twips >= 0 ? twips : pixelsToTwipsX(columnWidth(col), this);
}

void FlexGrid::setColWidth(int col, int twips) {
    if (col < 0 || col >= cols())
        return;
    m_widths[std::size_t(col)] = twips;
    setColumnHidden(col, twips <= 0);
    if (twips > 0)
        setColumnWidth(col, twipsToPixelsX(twips, this));
}

int FlexGrid::widthTwips() const {
    return pixelsToTwipsX(viewport()->width(), this);
}

int FlexGrid::row() const {
    if (m_leavingRow > 0)
        return m_leavingRow;
    return currentIndex().isValid() ? currentIndex().row() + 1 : 0;
}

int FlexGrid::col() const {
    return currentIndex().isValid() ? currentIndex().column() : 0;
}

void FlexGrid::setRow(int row) {
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(m_model.index(row - 1, column));
}

void FlexGrid::setCol(int col) {
    const int r = currentIndex().isValid() ? currentIndex().row() : 0;
    setCurrentIndex(m_model.index(r, col));
}

void FlexGrid::setFixedCols(int cols) {
    if (!m_fixed)
        createFixedView();
    m_fixedCols = cols;
    // Sideways by pixels, so that no cell stays half under the fixed columns.
    setHorizontalScrollMode(cols > 0 ? ScrollPerPixel : ScrollPerItem);
    showFixedColumns();
}

// The fixed columns' view: the grid's rows, selection, row heights and
// vertical scrolling, without scroll bars or focus of its own; a press on it
// is the grid's.
void FlexGrid::createFixedView() {
    m_fixed = new QTableView(this);
    m_fixed->setObjectName(objectName() + QStringLiteral("Fixed"));
    m_fixed->setModel(&m_model);
    m_fixed->setSelectionModel(selectionModel());
    m_fixed->setSelectionBehavior(selectionBehavior());
    m_fixed->setSelectionMode(selectionMode());
    m_fixed->setEditTriggers(editTriggers());
    m_fixed->setWordWrap(false);
    m_fixed->setFocusPolicy(Qt::NoFocus);
    m_fixed->setFrameShape(QFrame::NoFrame);
    m_fixed->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixed->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixed->verticalHeader()->hide();
    m_fixed->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_fixed->horizontalHeader()->setHighlightSections(false);
    m_fixed->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    viewport()->stackUnder(m_fixed);
    connect(m_fixed->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(),
            &QScrollBar::setValue);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, m_fixed->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        if (column < m_fixedCols)
            showFixedColumns();
    });
    connect(&m_model, &QAbstractItemModel::modelReset, this, &FlexGrid::showFixedColumns);
    connect(m_fixed, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        m_mouseCol = index.column();
        setFocus(Qt::MouseFocusReason);
    });
    connect(m_fixed, &QAbstractItemView::clicked, this, &FlexGrid::gridClicked);
}

void FlexGrid::showFixedColumns() {
    for (int column = 0; column < cols(); ++column) {
        const bool fixed = column < m_fixedCols && !isColumnHidden(column);
        m_fixed->setColumnHidden(column, !fixed);
        if (fixed)
            m_fixed->setColumnWidth(column, columnWidth(column));
    }
    placeFixedView();
}

void FlexGrid::placeFixedView() {
    const int width = fixedWidth();
    m_fixed->setVisible(width > 0);
    m_fixed->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    m_fixed->setGeometry(frameWidth(), frameWidth(), width,
                         horizontalHeader()->height() + viewport()->height());
}

int FlexGrid::fixedWidth() const {
    int width = 0;
    for (int column = 0; column < std::min(m_fixedCols, cols()); ++column)
        if (!isColumnHidden(column))
            width += columnWidth(column);
    return width;
}

// A cell of the fixed columns is always in sight; any other is brought out
// from under them.
void FlexGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
    const int across = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    if (m_fixedCols == 0 || !index.isValid())
        return;
    if (index.column() < m_fixedCols) {
        horizontalScrollBar()->setValue(across);
        return;
    }
    const int covered = fixedWidth() - visualRect(index).left();
    if (covered > 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - covered);
}

void FlexGrid::updateGeometries() {
    QTableView::updateGeometries();
    if (m_fixed)
        placeFixedView();
}

void FlexGrid::setRedraw(bool on) {
    setUpdatesEnabled(on);
}

void FlexGrid::setHighlight(bool on) {
    QPalette p = palette();
    const QPalette system;
    p.setColor(QPalette::Highlight,
               on ? system.color(QPalette::Highlight) : system.color(QPalette::Base));
    p.setColor(QPalette::HighlightedText,
               on ? system.color(QPalette::HighlightedText) : system.color(QPalette::Text));
    setPalette(p);
    m_model.setRowColoured(row(), on);
}

void FlexGrid::mousePressEvent(QMouseEvent* event) {
    m_mouseCol = columnAt(event->position().toPoint().x());
    QTableView::mousePressEvent(event);
}

void FlexGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        emit gridClicked();
}

void FlexGrid::keyPressEvent(QKeyEvent* event) {
    emit gridKeyDown(event->key());
    if (event->key() != Qt::Key_Space)
        QTableView::keyPressEvent(event);
}

void FlexGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    emit enterCell();
}

void FlexGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    // While the cell is left, the grid still names the row being left.
    if (previous.isValid()) {
        m_leavingRow = previous.row() + 1;
        emit leaveCell();
        m_leavingRow = 0;
    }
    if (current.isValid())
        emit enterCell();
}

} // namespace ui
