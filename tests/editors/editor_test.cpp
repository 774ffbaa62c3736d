#include "editors/editor_test.h"

#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "platform/ui/flex_grid.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

#include <QScrollBar>
#include <QTest>
#include <functional>
#include <utility>
#include <vector>

void EditorTest::SetUp() {
    LoggedInRunTest::SetUp();
    fixture = std::make_unique<test_support::FormularyFixture>(database->target());
}

void EditorTest::TearDown() {
    fixture.reset();
    LoggedInRunTest::TearDown();
}

frmFormulary& EditorTest::start(Rights rights, const QString& user) {
    conn->execute(
        QStringLiteral("insert into inventory.tbforUserSettings"
                       " (userid, isClassification, isDrug, isGeneric, isOtherDetails)"
                       " values (?, ?, ?, ?, ?)"),
        {QStringLiteral("E-") + user, rights.classification, rights.drug, rights.generic, false});
    logInAs(user);
    Main();
    main = mdlFormulary.objMainWindow.get();
    if (!main)
        throw std::runtime_error("the main window did not open");
    return *main;
}

void EditorTest::open(const QString& key) {
    main->LoadTreeView(key, node(key)->text(0), false);
    node(key)->setExpanded(true);
}

void EditorTest::openAll() {
    for (int i = 1; i <= main->treFormulary->nodeCount(); ++i) {
        const QTreeWidgetItem* item = main->treFormulary->nodeAt(i);
        if (item->childCount() == 0)
            open(ui::KeyedTree::keyOf(item));
    }
}

void EditorTest::select(const QString& key) {
    main->treFormulary->setCurrentItem(node(key));
}

QTreeWidgetItem* EditorTest::node(const QString& key) const {
    return main->treFormulary->node(key);
}

QStringList EditorTest::childTexts(const QString& key) const {
    QStringList texts;
    if (const QTreeWidgetItem* parent = node(key))
        for (int i = 0; i < parent->childCount(); ++i)
            texts << parent->child(i)->text(0);
    return texts;
}

QString EditorTest::parentOfGeneric(const QString& name) {
    const db::Recordset rs =
        conn->query(QStringLiteral("select n.Node_Parent from inventory.tbFormularyNode n"
                                   " join inventory.tbforgeneric g on g.GenericID = n.GenericID"
                                   " where g.genericname = ?"),
                    {name});
    return rs.eof() ? QString() : rs.text(QStringLiteral("Node_Parent"));
}

QString EditorTest::parentOfDrug(const QString& itemId) {
    const db::Recordset rs = conn->query(
        QStringLiteral("select Node_Parent from inventory.tbFormularyNode where itemid = ?"),
        {itemId});
    return rs.eof() ? QString() : rs.text(QStringLiteral("Node_Parent"));
}

QStringList EditorTest::takeMessages() {
    QStringList texts;
    for (; m_messagesTaken < script.messages().size(); ++m_messagesTaken)
        texts << script.messages()[m_messagesTaken].text;
    return texts;
}

QStringList column(const ui::FlexGrid& grid, int col) {
    QStringList texts;
    for (int row = 1; row < grid.rows(); ++row)
        texts << grid.textMatrix(row, col);
    return texts;
}

int rowOf(const ui::FlexGrid& grid, int col, const QString& text) {
    for (int row = 1; row < grid.rows(); ++row)
        if (grid.textMatrix(row, col) == text)
            return row;
    return 0;
}

void clickCell(ui::FlexGrid& grid, int row, int col) {
    const QModelIndex index = grid.model()->index(row - 1, col);
    grid.scrollTo(index);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(index).center());
}

void tick(ui::FlexGrid& grid, const QString& text, int col) {
    const int row = rowOf(grid, col, text);
    if (row == 0)
        throw std::runtime_error("no row " + text.toStdString());
    // The row scrolled into sight, the grid left as far sideways as it was.
    const QModelIndex box = grid.model()->index(row - 1, 0);
    const int across = grid.horizontalScrollBar()->value();
    grid.scrollTo(box);
    grid.horizontalScrollBar()->setValue(across);
    const QPoint place = grid.viewport()->mapTo(
        &grid, QPoint(grid.columnWidth(0) / 2, grid.visualRect(box).center().y()));
    QWidget* shown = grid.childAt(place);
    QTest::mouseClick(shown, Qt::LeftButton, {}, shown->mapFrom(&grid, place));
}

void expectTickableScrolledSideways(ui::FlexGrid& grid, const QString& text, int farColumn) {
    const std::vector<std::pair<const char*, std::function<void()>>> ways{
        {"a click on a far cell", [&] { clickCell(grid, rowOf(grid, 1, text), farColumn); }},
        {"the scroll bar",
         [&] { grid.horizontalScrollBar()->setValue(grid.horizontalScrollBar()->maximum()); }},
    };
    for (const auto& [way, scroll] : ways) {
        SCOPED_TRACE(way);
        grid.horizontalScrollBar()->setValue(0);
        scroll();
        EXPECT_GT(grid.horizontalScrollBar()->value(), 0);
        tick(grid, text);
        EXPECT_EQ(ticked(grid), QStringList{text});
        tick(grid, text);
        EXPECT_TRUE(ticked(grid).isEmpty());
    }
}

QStringList ticked(const ui::FlexGrid& grid) {
    QStringList texts;
    for (int row = 1; row < grid.rows(); ++row)
        if (grid.textMatrix(row, TickColumn) == TickMark)
            texts << grid.textMatrix(row, 1);
    return texts;
}

void EditorTest::expectNoWindowOpens(const std::vector<OpeningCase>& cases,
                                     const std::function<void()>& prepare,
                                     void (*command)(frmFormulary&)) {
    for (const OpeningCase& c : cases) {
        SCOPED_TRACE(c.what);
        start(c.rights, c.user);
        prepare();
        select(c.selected);
        if (c.refused)
            script.answerNext(ui::Answer::OK);
        command(*main);
        EXPECT_EQ(takeMessages(),
                  c.refused ? QStringList{QStringLiteral("Not authorized!")} : QStringList());
        EXPECT_TRUE(script.modalsShown().isEmpty());
        mdlFormulary.clear();
        conn->execute(QStringLiteral("delete from inventory.tbforUserSettings"));
    }
}
