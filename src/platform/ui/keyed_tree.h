#pragma once

#include <QHash>
#include <QIcon>
#include <QSet>
#include <QTreeWidget>
#include <thread>
#include <vector>

namespace ui {

// A tree whose nodes are known by string keys, like the formulary's: a
// 1-based index in the order the nodes were added, nodes added relative to a
// parent, removed by key, a hash from key to node so that no lookup walks the
// tree. Each node carries an image key, an image key for its expanded state,
// and a tag.
class KeyedTree : public QTreeWidget {
    Q_OBJECT

public:
    // Error numbers raised as AppError.
    enum Error : long { KeyNotUnique = 35602, ElementNotFound = 35601, IndexOutOfBounds = 35600 };

    explicit KeyedTree(QWidget* parent = nullptr);
    ~KeyedTree() override;
    KeyedTree(const KeyedTree&) = delete;
    KeyedTree& operator=(const KeyedTree&) = delete;

    // The pictures by image key.
    void setImageList(QHash<QString, QIcon> images);
    QIcon picture(const QString& imageKey) const { return m_images.value(imageKey); }
    // The pictures of nodes that carry a mark (1 to 255), by the same keys;
    // a node without a mark (0) shows the plain picture.
    void setMarkedImageList(quint8 mark, QHash<QString, QIcon> images);
    QIcon picture(const QString& imageKey, quint8 mark) const;

    // Adds a node as the last child of the node with parentKey, or as a
    // top-level node when parentKey is empty. Throws AppError when the key is
    // taken or the parent is missing.
    QTreeWidgetItem* addNode(const QString& parentKey, const QString& key, const QString& text,
                             const QString& imageKey);
    // Removes the node and every node below it. Throws AppError when missing.
    void removeNode(const QString& key);
    void clearNodes();

    // Many adds at once: children of nodes already shown are gathered and
    // handed to the view per parent when the batch ends. Room is made for the
    // nodes expected.
    void beginBatch(int expected = 0);
    void endBatch();

    int nodeCount() const { return int(m_order.size()); }
    QTreeWidgetItem* node(const QString& key) const { return m_byKey.value(key); }
    // 1-based; throws AppError outside 1..nodeCount().
    QTreeWidgetItem* nodeAt(int index) const;
    // The 1-based index of the node, 0 when there is none.
    int indexOf(const QString& key) const;

    static QString keyOf(const QTreeWidgetItem* item);
    static QString tagOf(const QTreeWidgetItem* item);
    static void setTag(QTreeWidgetItem* item, const QString& tag);
    void setExpandedImage(QTreeWidgetItem* item, const QString& imageKey);
    static QString imageOf(const QTreeWidgetItem* item);
    static quint8 markOf(const QTreeWidgetItem* item);
    static void setMark(QTreeWidgetItem* item, quint8 mark);

private:
    void forget(QTreeWidgetItem* item, QSet<QTreeWidgetItem*>& gone,
                QList<QTreeWidgetItem*>& detached);
    void showImage(QTreeWidgetItem* item);
    void finishDisposal();

    QHash<QString, QIcon> m_images;
    QHash<quint8, QHash<QString, QIcon>> m_marked;
    QHash<QString, QTreeWidgetItem*> m_byKey;
    std::vector<QTreeWidgetItem*> m_order;
    QHash<QTreeWidgetItem*, QList<QTreeWidgetItem*>> m_pending;
    bool m_batch = false;
    // Frees the nodes of the last clearNodes.
    std::thread m_disposal;
};

} // namespace ui
