#include "platform/app_error.h"
#include "platform/ui/keyed_tree.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using ui::KeyedTree;

namespace {

long errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}

} // namespace

TEST(KeyedTree, KeepsKeysIndexesAndParents) {
    KeyedTree tree;
    tree.addNode({}, QStringLiteral("_0"), QStringLiteral("All Classification"),
                 QStringLiteral("smile"));
    tree.addNode(QStringLiteral("_0"), QStringLiteral("_1"), QStringLiteral("A"),
                 QStringLiteral("bookclose"));
    tree.addNode(QStringLiteral("_0"), QStringLiteral("_2"), QStringLiteral("B"),
                 QStringLiteral("bookclose"));
    tree.addNode(QStringLiteral("_1"), QStringLiteral("_1.1"), QStringLiteral("A1"),
                 QStringLiteral("capsule"));
    EXPECT_EQ(tree.nodeCount(), 4);
    EXPECT_EQ(tree.indexOf(QStringLiteral("_2")), 3);
    EXPECT_EQ(tree.indexOf(QStringLiteral("_9")), 0);
    EXPECT_EQ(KeyedTree::keyOf(tree.nodeAt(4)), QStringLiteral("_1.1"));
    EXPECT_EQ(tree.node(QStringLiteral("_1.1"))->parent(), tree.node(QStringLiteral("_1")));

    EXPECT_EQ(errorOf([&] { tree.addNode(QStringLiteral("_0"), QStringLiteral("_1"), {}, {}); }),
              KeyedTree::KeyNotUnique);
    EXPECT_EQ(errorOf([&] { tree.addNode(QStringLiteral("_7"), QStringLiteral("_7.1"), {}, {}); }),
              KeyedTree::ElementNotFound);
    EXPECT_EQ(errorOf([&] { tree.nodeAt(5); }), KeyedTree::IndexOutOfBounds);

    // Removing a node removes its branch and closes the gap in the indexes.
    tree.removeNode(QStringLiteral("_1"));
    EXPECT_EQ(tree.nodeCount(), 2);
    EXPECT_EQ(tree.node(QStringLiteral("_1.1")), nullptr);
    EXPECT_EQ(tree.indexOf(QStringLiteral("_2")), 2);
    EXPECT_EQ(errorOf([&] { tree.removeNode(QStringLiteral("_1")); }), KeyedTree::ElementNotFound);
    tree.clearNodes();
    EXPECT_EQ(tree.nodeCount(), 0);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    // Filled again while the old nodes may still be being freed.
    tree.addNode({}, QStringLiteral("_0"), QStringLiteral("Again"), {});
    EXPECT_EQ(tree.topLevelItem(0)->text(0), QStringLiteral("Again"));
    tree.clearNodes();
}

// The view learns of a changed text or picture, as it repaints by it.
TEST(KeyedTree, TheViewIsToldOfChangedTextsAndPictures) {
    KeyedTree tree;
    QTreeWidgetItem* item =
        tree.addNode({}, QStringLiteral("_1"), QStringLiteral("A"), QStringLiteral("bookclose"));
    tree.addNode(QStringLiteral("_1"), QStringLiteral("_1.1"), QStringLiteral("B"), {});
    const QModelIndex index = tree.model()->index(0, 0);
    QSignalSpy changed(tree.model(), &QAbstractItemModel::dataChanged);
    ASSERT_TRUE(tree.model()->setData(index, QStringLiteral("Renamed"), Qt::EditRole));
    EXPECT_EQ(item->text(0), QStringLiteral("Renamed"));
    EXPECT_EQ(changed.count(), 1);
    item->setText(0, QStringLiteral("Renamed"));
    EXPECT_EQ(changed.count(), 1);
    tree.setExpandedImage(item, QStringLiteral("bookopen"));
    item->setExpanded(true);
    EXPECT_EQ(changed.count(), 2);
    tree.setExpandedImage(item, QStringLiteral("bookopen2"));
    EXPECT_EQ(changed.count(), 3);
}

TEST(KeyedTree, BatchAddsReachTheViewInOrder) {
    KeyedTree tree;
    tree.addNode({}, QStringLiteral("_0"), QStringLiteral("root"), {});
    tree.beginBatch();
    for (int i = 1; i <= 3; ++i) {
        tree.addNode(QStringLiteral("_0"), QStringLiteral("_%1").arg(i), QString::number(i), {});
        tree.addNode(QStringLiteral("_%1").arg(i), QStringLiteral("_%1.1").arg(i),
                     QStringLiteral("c"), {});
    }
    // A node added and removed within the batch leaves nothing behind.
    tree.removeNode(QStringLiteral("_3"));
    tree.endBatch();
    QTreeWidgetItem* root = tree.node(QStringLiteral("_0"));
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(1)->text(0), QStringLiteral("2"));
    EXPECT_EQ(root->child(1)->childCount(), 1);
    EXPECT_EQ(tree.nodeCount(), 5);
}

TEST(KeyedTree, ExpandedImageFollowsTheNode) {
    KeyedTree tree;
    QPixmap closed(8, 8), open(8, 8);
    closed.fill(Qt::red);
    open.fill(Qt::green);
    tree.setImageList(
        {{QStringLiteral("bookclose"), QIcon(closed)}, {QStringLiteral("bookopen"), QIcon(open)}});
    QTreeWidgetItem* item =
        tree.addNode({}, QStringLiteral("_1"), QStringLiteral("A"), QStringLiteral("bookclose"));
    tree.addNode(QStringLiteral("_1"), QStringLiteral("_1.1"), QStringLiteral("B"), {});
    tree.setExpandedImage(item, QStringLiteral("bookopen"));
    const qint64 closedKey = item->icon(0).cacheKey();
    item->setExpanded(true);
    EXPECT_NE(item->icon(0).cacheKey(), closedKey);
    item->setExpanded(false);
    EXPECT_EQ(item->icon(0).cacheKey(), closedKey);
    EXPECT_EQ(KeyedTree::imageOf(item), QStringLiteral("bookclose"));
    KeyedTree::setTag(item, QStringLiteral("AMX500"));
    EXPECT_EQ(KeyedTree::tagOf(item), QStringLiteral("AMX500"));
}
