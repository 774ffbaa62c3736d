#include "platform/ui/flex_grid.h"

#include <QTest>
#include <gtest/gtest.h>

using ui::FlexGrid;

namespace {

db::Recordset rows(int count) {
    std::vector<QVariant> values;
    for (int i = 1; i <= count; ++i) {
        values.emplace_back(QStringLiteral("Name %1").arg(i));
        values.emplace_back(qint64(i));
    }
    return db::Recordset({QStringLiteral("name"), QStringLiteral("id")}, std::move(values));
}

} // namespace

TEST(FlexGrid, BindsRowsBelowTheHeaderAndKeepsWrittenCells) {
    FlexGrid grid;
    grid.setCols(7);
    grid.bind(rows(3), 1);
    EXPECT_EQ(grid.rows(), 4);
    EXPECT_EQ(grid.cols(), 7);
    EXPECT_EQ(grid.textMatrix(1, 1), QStringLiteral("Name 1"));
    EXPECT_EQ(grid.textMatrix(3, 2), QStringLiteral("3"));
    EXPECT_EQ(grid.textMatrix(0, 1), QString());
    grid.setTextMatrix(2, 6, QStringLiteral("@"));
    grid.setTextMatrix(2, 1, QStringLiteral("changed"));
    EXPECT_EQ(grid.textMatrix(2, 6), QStringLiteral("@"));
    EXPECT_EQ(grid.textMatrix(2, 1), QStringLiteral("changed"));
    EXPECT_EQ(grid.textMatrix(1, 1), QStringLiteral("Name 1"));
    grid.setCellPicture(2, 0, 1);
    EXPECT_EQ(grid.cellPicture(2, 0), 1);
    EXPECT_EQ(grid.cellPicture(1, 0), 0);

    // A new binding starts with nothing written.
    grid.bind(rows(1), 1);
    EXPECT_EQ(grid.rows(), 2);
    EXPECT_EQ(grid.textMatrix(1, 6), QString());
    grid.clearCells();
    EXPECT_EQ(grid.textMatrix(1, 1), QString());
    grid.setRows(2);
    EXPECT_EQ(grid.rows(), 2);
}

TEST(FlexGrid, FormatStringWidthsAndCurrentCell) {
    FlexGrid grid;
    grid.resize(600, 300);
    grid.setFormatString(QStringLiteral("<Code |<Generic Name"));
    EXPECT_EQ(grid.cols(), 2);
    EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal).toString(),
              QStringLiteral("Generic Name"));
    grid.bind(rows(5), 0);
    grid.setColWidth(0, 1440);
    grid.setColWidth(1, 0);
    EXPECT_EQ(grid.colWidth(0), 1440);
    EXPECT_EQ(grid.colWidth(1), 0);
    EXPECT_TRUE(grid.isColumnHidden(1));
    grid.setRow(4);
    grid.setCol(1);
    EXPECT_EQ(grid.row(), 4);
    EXPECT_EQ(grid.col(), 1);
}

TEST(FlexGrid, ReportsTheColumnUnderTheMouseAndTheKeys) {
    FlexGrid grid;
    grid.resize(400, 300);
    grid.setCols(2);
    grid.bind(rows(3), 0);
    grid.setColWidth(0, 1440);
    grid.setColWidth(1, 1440);
    grid.show();
    int clicks = 0, spaces = 0;
    QObject::connect(&grid, &FlexGrid::gridClicked, [&] { ++clicks; });
    QObject::connect(&grid, &FlexGrid::gridKeyDown,
                     [&](int key) { spaces += key == Qt::Key_Space; });
    const QRect cell = grid.visualRect(grid.model()->index(1, 1));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(grid.mouseCol(), 1);
    EXPECT_EQ(grid.row(), 2);
    QTest::keyClick(&grid, Qt::Key_Space);
    EXPECT_EQ(spaces, 1);
    EXPECT_EQ(grid.row(), 2);
}
