#include "platform/ui/keyed_tree.h"

#include "platform/app_error.h"

namespace ui {

namespace {

const QString kSource = QStringLiteral("KeyedTree");

// A node with what the tree keeps of it as plain members, its text and
// picture included: whole formularies are loaded, and each item data role
// would cost allocations to make and to free.
struct Node : QTreeWidgetItem {
    explicit Node(QString text, QString nodeKey, QString imageKey)
        : name(std::move(text)), key(std::move(nodeKey)), image(std::move(imageKey)) {}

    QVariant data(int column, int role) const override {
        if (column != 0)
            return QTreeWidgetItem::data(column, role);
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return name;
        if (role == Qt::DecorationRole) {
            const auto* tree = static_cast<const KeyedTree*>(treeWidget());
            return tree ? tree->picture(open && !expandedImage.isEmpty() ? expandedImage : image,
                                        mark)
                        : QIcon();
        }
        return QTreeWidgetItem::data(column, role);
    }

    void setData(int column, int role, const QVariant& value) override {
        if (column != 0 || (role != Qt::DisplayRole && role != Qt::EditRole)) {
            QTreeWidgetItem::setData(column, role, value);
            return;
        }
        const QString text = value.toString();
        if (text == name)
            return;
        name = text;
        emitDataChanged();
    }

    // Shows the expanded picture or the other.
    void showOpen(bool isOpen) {
        if (isOpen == open)
            return;
        open = isOpen;
        emitDataChanged();
    }

    void setMark(quint8 newMark) {
        if (newMark == mark)
            return;
        mark = newMark;
        emitDataChanged();
    }

    void setExpandedImage(QString imageKey) {
        expandedImage = std::move(imageKey);
        if (open)
            emitDataChanged();
    }

    QString name;
    QString key;
    QString tag;
    QString image;
    QString expandedImage;
    bool open = false;
    quint8 mark = 0; // beside open, in what would be padding
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

void KeyedTree::setMarkedImageList(quint8 mark, QHash<QString, QIcon> images) {
    m_marked.insert(mark, std::move(images));
}

QIcon KeyedTree::picture(const QString& imageKey, quint8 mark) const {
    if (mark == 0)
        return picture(imageKey);
    const auto marked = m_marked.constFind(mark);
    return marked == m_marked.constEnd() ? picture(imageKey) : marked->value(imageKey);
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

KeyedTree::~KeyedTree() {
    finishDisposal();
}

void KeyedTree::clearNodes() {
    m_pending.clear();
    m_byKey.clear();
    m_order.clear();
    // As clear() does, but a whole formulary's nodes take a tenth of a second
    // to free: they are taken out of the view, which leaves them referring to
    // nothing of it, and freed beside the user-interface thread.
    selectionModel()->clear();
    QList<QTreeWidgetItem*> nodes = invisibleRootItem()->takeChildren();
    finishDisposal();
    m_disposal = std::thread([nodes = std::move(nodes)] { qDeleteAll(nodes); });
}

void KeyedTree::finishDisposal() {
    if (m_disposal.joinable())
        m_disposal.join();
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

quint8 KeyedTree::markOf(const QTreeWidgetItem* item) {
    return asNode(item)->mark;
}

void KeyedTree::setMark(QTreeWidgetItem* item, quint8 mark) {
    asNode(item)->setMark(mark);
}

void KeyedTree::setExpandedImage(QTreeWidgetItem* item, const QString& imageKey) {
    asNode(item)->setExpandedImage(imageKey);
}

void KeyedTree::showImage(QTreeWidgetItem* item) {
    // A node left without children shows closed, as it has no expander.
    asNode(item)->showOpen(item->isExpanded() && item->childCount() > 0);
}

} // namespace ui
