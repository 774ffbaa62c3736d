// The main window's node selection, right-click menu, keys and the commands
// that add, rename and delete classifications.

#include "tree/frmFormulary.h"

#include "core/LoadUserSettings.h"
#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "database/input_limits.h"
#include "editors/frmEntry.h"
#include "platform/app_error.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/keyed_tree.h"
#include "platform/ui/message_box.h"
#include "platform/ui/panel_status_bar.h"
#include "platform/ui/text_limit.h"

#include <QAbstractItemDelegate>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScopeGuard>

namespace {

bool isNavigationKey(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        // Typing a name's first letters moves to it as well.
        return key >= Qt::Key_0 && key <= Qt::Key_Z;
    }
}

void refused(const QString& text) {
    ui::MessageBox::show(text, {}, ui::Buttons::OK, ui::Icon::Exclamation);
}

} // namespace

void frmFormulary::connectTree() {
    connect(treFormulary, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) {
        ui::runCommand([&] { treFormulary_NodeClick(node); });
    });
    // A node reached with the keys is selected as by a click, once the tree
    // has finished with the key.
    connect(treFormulary, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        if (!m_keyNavigation || !node)
            return;
        const QString key = ui::KeyedTree::keyOf(node);
        QMetaObject::invokeMethod(this, ui::command([this, key] {
                                      QTreeWidgetItem* current = treFormulary->node(key);
                                      if (current && current == selectedNode())
                                          treFormulary_NodeClick(current);
                                  }),
                                  Qt::QueuedConnection);
    });
    // Any entry's history may be seen by every user: it changes nothing.
    connect(treFormulary, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        mnuHistory->setEnabled(node && ui::KeyedTree::keyOf(node) != RootKey);
        // Anyone may see a generic name's or drug's status; the window decides who changes it.
        const QString image = node ? ui::KeyedTree::imageOf(node) : QString();
        mnuStatus->setEnabled(image == NodeImageKey(QStringLiteral("2")) ||
                              image == NodeImageKey(QStringLiteral("3")));
    });
    connect(treFormulary, &QTreeWidget::itemCollapsed, this,
            ui::command([this] { treFormulary_Collapse(); }));
    connect(treFormulary, &QTreeWidget::itemDoubleClicked, this,
            [this] { emit nodeDoubleClicked(); });
    connect(treFormulary->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            ui::command([this] { treFormulary_AfterLabelEdit(); }));
    treFormulary->installEventFilter(this);
    treFormulary->viewport()->installEventFilter(this);
}

bool frmFormulary::eventFilter(QObject* watched, QEvent* event) {
    if (watched == treFormulary->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton)
            ui::runCommand([&] { treFormulary_RightClick(mouse->position().toPoint()); });
        // Only the left button selects; the others leave the selection alone.
        return mouse->button() != Qt::LeftButton;
    }
    if (watched == treFormulary && event->type() == QEvent::KeyPress) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        if (key == Qt::Key_Menu ||
            (key == Qt::Key_F10 && keyEvent->modifiers() == Qt::ShiftModifier)) {
            ui::runCommand([this] { treFormulary_ContextMenuKey(); });
            return true;
        }
        bool handled = false;
        ui::runCommand([&] { handled = treFormulary_KeyDown(key); });
        m_keyNavigation = !handled && isNavigationKey(key);
        return handled;
    }
    if (watched == treFormulary &&
        (event->type() == QEvent::KeyRelease || event->type() == QEvent::FocusOut))
        m_keyNavigation = false;
    return QMainWindow::eventFilter(watched, event);
}

QTreeWidgetItem* frmFormulary::selectedNode() const {
    return treFormulary->currentItem();
}

// The selected node when the server holds it as a classification, which the
// node lookup then describes; the commands that rename and delete act on
// nothing else.
QTreeWidgetItem* frmFormulary::selectedClassification() {
    QTreeWidgetItem* node = selectedNode();
    if (!node || ui::KeyedTree::keyOf(node) == RootKey || !stillShown(node))
        return nullptr;
    const bool classification =
        mdlFormulary.objFormulary->NodeFormulary.node_type() == QLatin1String("1");
    return classification ? node : nullptr;
}

bool frmFormulary::stillShown(QTreeWidgetItem* node) {
    const database::NodeIdentity shown = ShownIdentity(node);
    if (shown.key == RootKey)
        return true;
    auto& lookup = mdlFormulary.objFormulary->NodeFormulary;
    if (lookup.SearchNode(shown.key) && database::sameEntry(shown, lookup.Identity()))
        return true;
    ui::MessageBox::show(QStringLiteral("This entry no longer exists: another workstation has "
                                        "deleted or replaced it. It is taken out of the tree."),
                         {}, ui::Buttons::OK, ui::Icon::Exclamation);
    treFormulary->removeNode(shown.key);
    return false;
}

void frmFormulary::dropIfStale(const database::NodeIdentity& shown) {
    if (shown.key == RootKey || !treFormulary->node(shown.key))
        return;
    const auto stored = mdlFormulary.objFormulary->NodeFormulary.IdentityOf(shown.key);
    if (!stored || !database::sameEntry(shown, *stored))
        treFormulary->removeNode(shown.key);
}

// Reads the children of a node that shows none and opens it when any came.
// Reading the root's rebuilds the tree, so the node is looked up again.
QTreeWidgetItem* frmFormulary::openUnreadNode(QTreeWidgetItem* node) {
    if (node->childCount() > 0)
        return node;
    const QString key = ui::KeyedTree::keyOf(node);
    const int count = LoadTreeView(key, node->text(0), false);
    node = treFormulary->node(key);
    if (node && count > 0)
        node->setExpanded(true);
    return node;
}

void frmFormulary::treFormulary_NodeClick(QTreeWidgetItem* node) try {
    node = node ? openUnreadNode(node) : nullptr;
    if (!node)
        return;
    treFormulary->setCurrentItem(node);
    const QTreeWidgetItem* root = treFormulary->node(RootKey);
    if (!root || root->childCount() == 0) {
        ui::MessageBox::show(QStringLiteral("No data!"), QStringLiteral("MESSAGE"), ui::Buttons::OK,
                             ui::Icon::Information);
        return;
    }
    const QString key = ui::KeyedTree::keyOf(node);
    auto& lookup = mdlFormulary.objFormulary->NodeFormulary;
    if (key == RootKey) {
        applyStates(rootStates(Set::Kept));
        node->setExpanded(true);
    } else if (lookup.SearchNode(key)) {
        applyNodeClickStates(lookup.node_type());
    }
    mnuSep3->setVisible(true);
    mnuExit->setVisible(true);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.treFormulary_NodeClick"));
}

void frmFormulary::applyStates(const CommandStates& states) {
    const auto set = [](Set state, std::initializer_list<QAction*> items) {
        if (state != Set::Kept)
            for (QAction* item : items)
                item->setEnabled(state == Set::On);
    };
    set(states.mnuNew, {mnuNew->menuAction()});
    set(states.newEntryButton, {m_buttons[0]});
    set(states.classification, {mnuNewClassification, m_buttonMenus[0]});
    set(states.generic, {mnuNewGeneric, m_buttonMenus[1]});
    set(states.drug, {mnuNewDrug, m_buttonMenus[2]});
    set(states.other, {mnuOther});
    set(states.remove, {mnuDelete, m_buttons[2]});
    set(states.rename, {mnuRename, m_buttons[3]});
}

frmFormulary::CommandStates frmFormulary::rootStates(Set other) {
    const Set add = MayOnlyLook() ? Set::Off : Set::On;
    return {add, add, add, Set::Off, Set::Off, other, Set::Off, Set::Off};
}

// A left click sets the commands by the node's type alone.
void frmFormulary::applyNodeClickStates(const QString& nodeType) {
    using enum Set;
    if (nodeType == QLatin1String("1"))
        applyStates({On, On, On, On, Off, Kept, On, On});
    else if (nodeType == QLatin1String("2"))
        applyStates({On, On, Off, Off, On, Kept, Off, Off});
    else if (nodeType == QLatin1String("3"))
        applyStates({Off, Off, Kept, Kept, Kept, Kept, Off, Off});
}

// A right click also offers Other Details and holds back a look-only user.
bool frmFormulary::applyRightClickStates(QTreeWidgetItem* node) {
    using enum Set;
    const QString key = ui::KeyedTree::keyOf(node);
    if (key == RootKey) {
        applyStates(rootStates(Off));
        return true;
    }
    if (!stillShown(node))
        return false;
    const QString& type = mdlFormulary.objFormulary->NodeFormulary.node_type();
    const bool lookOnly = MayOnlyLook();
    if (type == QLatin1String("1") && lookOnly)
        applyStates({Off, Off, Off, Off, Off, Off, Off, Off});
    else if (type == QLatin1String("1"))
        applyStates({On, On, On, On, Off, Off, On, On});
    else if (type == QLatin1String("2"))
        applyStates({lookOnly ? Off : On, Kept, Off, Off, On, On, Off, Off});
    else if (type == QLatin1String("3"))
        applyStates({Off, Off, Kept, Kept, Kept, On, Off, Off});
    return true;
}

void frmFormulary::treFormulary_RightClick(const QPoint& position) try {
    QTreeWidgetItem* node = treFormulary->itemAt(position);
    node = node ? openUnreadNode(node) : nullptr;
    if (!node)
        return;
    treFormulary->setCurrentItem(node);
    if (applyRightClickStates(node))
        showContextMenu(treFormulary->viewport()->mapToGlobal(position));
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.treFormulary_RightClick"));
}

// The Menu key and Shift+F10 act as a right click on the selected node.
void frmFormulary::treFormulary_ContextMenuKey() {
    QTreeWidgetItem* node = selectedNode();
    if (!node)
        return;
    treFormulary->scrollToItem(node);
    treFormulary_RightClick(treFormulary->visualItemRect(node).center());
}

// The pop-up is the menu bar's "&Formulary" menu without "E&xit"; the menu
// bar keeps its "E&xit".
void frmFormulary::showContextMenu(const QPoint& globalPosition) {
    const auto showExit = [this](bool shown) {
        mnuSep3->setVisible(shown);
        mnuExit->setVisible(shown);
    };
    showExit(false);
    const QScopeGuard restore([&] { showExit(true); });
    ui::popupMenu(*mnuPopup, globalPosition);
}

// The root stays open while it is selected.
void frmFormulary::treFormulary_Collapse() {
    QTreeWidgetItem* selected = selectedNode();
    if (selected && ui::KeyedTree::keyOf(selected) == RootKey)
        selected->setExpanded(true);
}

// Delete and Space reach the delete and rename commands; other keys are the tree's.
bool frmFormulary::treFormulary_KeyDown(int key) {
    if (key == Qt::Key_Delete) {
        mnuDelete_Click();
        return true;
    }
    if (key == Qt::Key_Space) {
        mnuRename_Click();
        return true;
    }
    return false;
}

void frmFormulary::mnuNewClassification_Click() try {
    if (!Authorized(mdlFormulary.isClassification))
        return;
    // Classifications go under the root or a classification; the shortcut
    // stays live on the other nodes.
    QTreeWidgetItem* parent = selectedNode();
    if (!parent || (ui::KeyedTree::keyOf(parent) != RootKey && !selectedClassification()))
        return;
    AddNode(QStringLiteral("1"), 0);
    parent = selectedNode();
    if (parent && parent->childCount() > 0)
        parent->setExpanded(true);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.mnuNewClassification_Click"));
}

void frmFormulary::AddNode(const QString& strNodeType, qint64 intItemCode) try {
    const bool classification = strNodeType == QLatin1String("1");
    QTreeWidgetItem* parent = selectedNode();
    if ((!classification && strNodeType != QLatin1String("2")) || !parent)
        return;
    frmEntry& entry = entryDialog();
    entry.classtype = strNodeType;
    ui::showModal(entry);
    const QString name = entry.ClassEntry();
    if (name.isEmpty())
        return;
    const QString parentKey = ui::KeyedTree::keyOf(parent);
    QString key = NewNodeKey(parentKey, parent->childCount());
    formulary_data::Formulary& formulary = *mdlFormulary.objFormulary;
    const database::NodeIdentity where = ShownIdentity(parent);
    const bool stored =
        classification ? formulary.Classifications.AddClassification(where, key, name, intItemCode,
                                                                     entry.DescriptionEntry())
                       : formulary.Generics.AddGeneric(where, key, name, intItemCode);
    if (!stored) {
        refused(classification ? QStringLiteral("Unable to add this classification.")
                               : QStringLiteral("Unable to add this generic name."));
        dropIfStale(where);
        return;
    }
    // A node that another workstation deleted may still show here under the key.
    if (treFormulary->node(key))
        treFormulary->removeNode(key);
    QTreeWidgetItem* node = treFormulary->addNode(parentKey, key, name, NodeImageKey(strNodeType));
    if (const auto added = formulary.NodeFormulary.IdentityOf(key))
        ui::KeyedTree::setTag(node, added->id.toString());
    if (classification)
        treFormulary->setExpandedImage(node, QStringLiteral("bookopen"));
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.AddNode"));
}

frmEntry& frmFormulary::entryDialog() {
    if (!m_entry)
        m_entry = std::make_unique<frmEntry>(this);
    return *m_entry;
}

// Renaming starts label editing on the selected classification; the tree
// never starts it by itself.
void frmFormulary::mnuRename_Click() try {
    QTreeWidgetItem* node = selectedClassification();
    if (!node || !Authorized(mdlFormulary.isClassification))
        return;
    m_edited = ShownIdentity(node);
    m_oldLabel = node->text(0);
    restartLabelEdit();
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.mnuRename_Click"));
}

void frmFormulary::restartLabelEdit() {
    QTreeWidgetItem* node = treFormulary->node(m_edited.key);
    if (!node)
        return;
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    treFormulary->editItem(node);
    if (auto* label = treFormulary->findChild<QLineEdit*>(); label && label->isVisible())
        ui::limitText(*label, database::limits::fitting(database::limits::Name));
}

// The edit has ended (Escape leaves the old text): an empty name is refused
// and edited again; a changed one is stored, and kept only when it was.
void frmFormulary::treFormulary_AfterLabelEdit() try {
    QTreeWidgetItem* node = treFormulary->node(m_edited.key);
    if (!node)
        return;
    node->setFlags(node->flags() & ~Qt::ItemIsEditable);
    const QString newText = node->text(0);
    // Blanks alone are no name either: the entry could not be told apart.
    if (newText.trimmed().isEmpty()) {
        ui::MessageBox::show(QStringLiteral("Please supply a name."), {}, ui::Buttons::OK,
                             ui::Icon::Information);
        node->setText(0, m_oldLabel);
        // Once the view has finished closing this editor.
        QMetaObject::invokeMethod(this, ui::command([this] { restartLabelEdit(); }),
                                  Qt::QueuedConnection);
        return;
    }
    if (newText == m_oldLabel)
        return;
    if (!mdlFormulary.objFormulary->Classifications.RenameClassification(m_edited, newText)) {
        node->setText(0, m_oldLabel);
        refused(QStringLiteral("Unable to rename this classification."));
        dropIfStale(m_edited);
    }
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.treFormulary_AfterLabelEdit"));
}

void frmFormulary::mnuDelete_Click() try {
    QTreeWidgetItem* node = selectedClassification();
    if (!node || !Authorized(mdlFormulary.isClassification))
        return;
    if (node->childCount() > 0) {
        ui::MessageBox::show(
            QStringLiteral("You can not delete this classification at the moment."));
        return;
    }
    if (ui::MessageBox::show(QStringLiteral("Are you sure to delete this classification?"), {},
                             ui::Buttons::YesNo, ui::Icon::Critical) != ui::Answer::Yes)
        return;
    const database::NodeIdentity target = ShownIdentity(node);
    if (!mdlFormulary.objFormulary->Classifications.DeleteClassification(target)) {
        refused(QStringLiteral("Unable to delete this classification."));
        dropIfStale(target);
        return;
    }
    treFormulary->removeNode(target.key);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFormulary.mnuDelete_Click"));
}

void frmFormulary::mnuRefresh_Click() {
    staFormulary->Panels(1).setText(QStringLiteral("Refreshing Tree...please wait"));
    LoadTreeView(RootKey, {}, false);
    staFormulary->Panels(1).setText(QStringLiteral("Choose an entry and right click for options."));
}

void frmFormulary::mnuLoadAll_Click() {
    if (ui::MessageBox::show(QStringLiteral("This may take some time.  Do you want to continue?"),
                             QStringLiteral("MESSAGE"), ui::Buttons::YesNo,
                             ui::Icon::Question) != ui::Answer::Yes)
        return;
    LoadTreeView(RootKey, QStringLiteral("Loading Formulary Structure..."), true);
}

void frmFormulary::mnuExit_Click() {
    close();
}
