#include "platform/ui/keyed_tree.h"

#include "platform/app_error.h"

namespace ui {

namespace {

const QString kSource = QStringLiteral("KeyedTree");

// A node with what the tree keeps of it as plain members: whole formularies
// are loaded, and item data roles cost an allocation each.
struct Node : QTreeWidgetItem {
    explicit Node(const QString& text, QString nodeKey, QString imageKey)
        : QTreeWidgetItem(QStringList{text}), key(std::move(nodeKey)), image(std::move(imageKey)) {}

    QString key;
    QString tag;
    QString image;
    QString expandedImage;
};

// Every item of the tree is made by addNode.
Node* asNode(QTreeWidgetItem* item) {
    return static_cast<Node*>(item);
}
const Node* asNode(const QTreeWidgetItem* item) {
    return static_cast<const Node*>(item);
}

} // namespace

KeyedTree::KeyedTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemExpanded, this, &KeyedTree::showImage);
    connect(this, &QTreeWidget::itemCollapsed, this, &KeyedTree::showImage);
}

void KeyedTree::setImageList(QHash<QString, QIcon> images) {
    m_images = std::move(images);
}

QTreeWidgetItem* KeyedTree::addNode(const QString& parentKey, const QString& key,
                                    const QString& text, const QString& imageKey) {
    if (m_byKey.contains(key))
        throw AppError(KeyNotUnique, QStringLiteral("Key is not unique in collection"), kSource);
    QTreeWidgetItem* parent = nullptr;
    if (!parentKey.isEmpty()) {
        parent = m_byKey.value(parentKey);
        if (!parent)
            throw AppError(ElementNotFound, QStringLiteral("Element not found"), kSource);
    }
    auto* item = new Node(text, key, imageKey);
    item->setIcon(0, m_images.value(imageKey));
    if (!parent)
        addTopLevelItem(item);
    else if (m_batch && parent->treeWidget())
        m_pending[parent].append(item);
    else {
        parent->addChild(item);
        showImage(parent);
    }
    m_byKey.insert(key, item);
    m_order.push_back(item);
    return item;
}

void KeyedTree::beginBatch(int expected) {
    m_byKey.reserve(m_byKey.size() + expected);
    m_order.reserve(m_order.size() + std::size_t(std::max(0, expected)));
    m_batch = true;
    setUpdatesEnabled(false);
}

void KeyedTree::endBatch() {
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        it.key()->addChildren(it.value());
        showImage(it.key());
    }
    m_pending.clear();
    m_batch = false;
    setUpdatesEnabled(true);
}

void KeyedTree::forget(QTreeWidgetItem* item, QSet<QTreeWidgetItem*>& gone,
                       QList<QTreeWidgetItem*>& detached) {
    gone.insert(item);
    m_byKey.remove(keyOf(item));
    for (int i = 0; i < item->childCount(); ++i)
        forget(item->child(i), gone, detached);
    // Children still waiting for the end of a batch are not attached yet.
    for (QTreeWidgetItem* waiting : m_pending.take(item)) {
        detached << waiting;
        forget(waiting, gone, detached);
    }
}

void KeyedTree::removeNode(const QString& key) {
    QTreeWidgetItem* item = m_byKey.value(key);
    if (!item)
        throw AppError(ElementNotFound, QStringLiteral("Element not found"), kSource);
    QSet<QTreeWidgetItem*> gone;
    QList<QTreeWidgetItem*> detached;
    forget(item, gone, detached);
    std::erase_if(m_order, [&gone](QTreeWidgetItem* n) { return gone.contains(n); });
    for (auto& waiting : m_pending)
        waiting.removeAll(item);
    QTreeWidgetItem* parent = item->parent();
    delete item;
    qDeleteAll(detached);
    if (parent)
        showImage(parent);
}

void KeyedTree::clearNodes() {
    m_pending.clear();
    m_byKey.clear();
    m_order.clear();
    clear();
}

QTreeWidgetItem* KeyedTree::nodeAt(int index) const {
    if (index < 1 || index > nodeCount())
        throw AppError(IndexOutOfBounds, QStringLiteral("Index out of bounds"), kSource);
    return m_order[std::size_t(index - 1)];
}

int KeyedTree::indexOf(const QString& key) const {
    const QTreeWidgetItem* item = m_byKey.value(key);
    if (!item)
        return 0;
    const auto it = std::find(m_order.begin(), m_order.end(), item);
    return int(it - m_order.begin()) + 1;
}

QString KeyedTree::keyOf(const QTreeWidgetItem* item) {
    return asNode(item)->key;
}

QString KeyedTree::tagOf(const QTreeWidgetItem* item) {
    return asNode(item)->tag;
}

void KeyedTree::setTag(QTreeWidgetItem* item, const QString& tag) {
    asNode(item)->tag = tag;
}

QString KeyedTree::imageOf(const QTreeWidgetItem* item) {
    return asNode(item)->image;
}

void KeyedTree::setExpandedImage(QTreeWidgetItem* item, const QString& imageKey) {
    asNode(item)->expandedImage = imageKey;
    if (item->isExpanded())
        showImage(item);
}

void KeyedTree::showImage(QTreeWidgetItem* item) {
    const QString& expanded = asNode(item)->expandedImage;
    // A node left without children shows closed, as it has no expander.
    const bool open = item->isExpanded() && item->childCount() > 0;
    const QString key = open && !expanded.isEmpty() ? expanded : imageOf(item);
    item->setIcon(0, m_images.value(key));
}

} // namespace ui
