#include "main_window_test.h"

#include "core/frmLoad.h"
#include "core/mdlFormulary.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTest>

namespace test_support {

void MainWindowTest::SetUp() {
    LoggedInRunTest::SetUp();
    fixture = std::make_unique<FormularyFixture>(database->target());
    setRights(QStringLiteral("pharmacist"), true);
}

void MainWindowTest::TearDown() {
    fixture.reset();
    LoggedInRunTest::TearDown();
}

void MainWindowTest::setRights(const QString& userName, bool granted) {
    const QString userid = QStringLiteral("E-") + userName;
    conn->execute(QStringLiteral("DELETE FROM inventory.tbforUserSettings WHERE userid = ?"),
                  {userid});
    conn->execute(QStringLiteral("INSERT INTO inventory.tbforUserSettings (userid,"
                                 " isClassification, isDrug, isGeneric, isOtherDetails)"
                                 " VALUES (?, ?, ?, ?, ?)"),
                  {userid, granted, granted, granted, granted});
}

frmFormulary& MainWindowTest::open(const QString& userName) {
    mdlFormulary.clear();
    logInAs(userName);
    Main();
    if (!mdlFormulary.objMainWindow)
        throw std::runtime_error("the main window did not open");
    frmFormulary& main = *mdlFormulary.objMainWindow;
    QApplication::setActiveWindow(&main);
    return main;
}

frmFormulary& MainWindowTest::window() {
    return *mdlFormulary.objMainWindow;
}

QTreeWidgetItem* MainWindowTest::node(const QString& key) {
    return window().treFormulary->node(key);
}

QStringList MainWindowTest::childKeys(const QString& key) {
    QStringList keys;
    const QTreeWidgetItem* parent = node(key);
    for (int i = 0; parent && i < parent->childCount(); ++i)
        keys << ui::KeyedTree::keyOf(parent->child(i));
    return keys;
}

namespace {

QPoint labelPoint(ui::KeyedTree& tree, QTreeWidgetItem* item) {
    tree.scrollToItem(item);
    return tree.visualItemRect(item).center();
}

} // namespace

void MainWindowTest::click(const QString& key) {
    ui::KeyedTree& tree = *window().treFormulary;
    QTreeWidgetItem* item = node(key);
    ASSERT_NE(item, nullptr) << key.toStdString();
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, labelPoint(tree, item));
}

void MainWindowTest::rightClick(const QString& key, const QString& choose) {
    script.chooseNext(choose);
    pressRight(key);
}

void MainWindowTest::rightClick(const QString& key, ui::Script::MenuChooser chooser) {
    script.chooseNext(std::move(chooser));
    pressRight(key);
}

void MainWindowTest::pressRight(const QString& key) {
    ui::KeyedTree& tree = *window().treFormulary;
    QTreeWidgetItem* item = node(key);
    ASSERT_NE(item, nullptr) << key.toStdString();
    QTest::mousePress(tree.viewport(), Qt::RightButton, {}, labelPoint(tree, item));
    QTest::mouseRelease(tree.viewport(), Qt::RightButton, {}, labelPoint(tree, item));
}

void MainWindowTest::settle() {
    // Work queued while queued work runs (an editor commits after its key,
    // the rename's re-edit after that) needs a round each.
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

QString MainWindowTest::addClassification(const QString& parentKey, const QString& name) {
    auto& classes = fixture->formulary.Classifications;
    const auto taken = fixture->formulary.NodeFormulary.ChildNumbers(parentKey);
    qint64 number = 1;
    while (taken.contains(number))
        ++number;
    QString key = (parentKey == QLatin1String("_0") ? QStringLiteral("_") : parentKey + ".") +
                  QString::number(number);
    if (!classes.AddClassification(fixture->node(parentKey), key, name, 0))
        throw std::runtime_error("classification not added");
    return key;
}

QString MainWindowTest::storedName(const QString& key) {
    db::Recordset rs = conn->query(
        QStringLiteral("SELECT c.ClassificationName FROM inventory.tbFormularyNode n"
                       " JOIN inventory.tbForClassification c"
                       " ON c.ClassificationID = n.ClassificationID WHERE n.Node_Key = ?"),
        {key});
    return rs.eof() ? QString() : rs.text(QStringLiteral("ClassificationName"));
}

namespace {

bool reachable(const QAction& item) {
    if (!item.isEnabled() || !item.isVisible())
        return false;
    for (QObject* holder : item.associatedObjects())
        if (const auto* menu = qobject_cast<QMenu*>(holder);
            menu && !reachable(*menu->menuAction()))
            return false;
    return true;
}

} // namespace

bool chooseFromMenus(QAction& item) {
    if (!reachable(item))
        return false;
    item.trigger();
    return true;
}

namespace {

std::vector<std::vector<QAction*>> commandItems(frmFormulary& w) {
    return {
        {w.mnuNew->menuAction()},
        {w.tbFormularyButton(1)},
        {w.mnuNewClassification, w.tbFormularyButtonMenu(1)},
        {w.mnuNewGeneric, w.tbFormularyButtonMenu(2)},
        {w.mnuNewDrug, w.tbFormularyButtonMenu(3)},
        {w.mnuOther},
        {w.mnuDelete, w.tbFormularyButton(3)},
        {w.mnuRename, w.tbFormularyButton(4)},
    };
}

} // namespace

std::string commandStates(frmFormulary& window) {
    std::string row;
    for (const auto& items : commandItems(window)) {
        const bool on = items.front()->isEnabled();
        const bool same = std::all_of(items.begin(), items.end(),
                                      [on](const QAction* a) { return a->isEnabled() == on; });
        row += !same ? 'x' : on ? '+' : '-';
    }
    return row;
}

void setAllCommands(frmFormulary& window, bool enabled) {
    for (const auto& items : commandItems(window))
        for (QAction* item : items)
            item->setEnabled(enabled);
}

std::string expectedStates(std::string row, char before) {
    std::replace(row.begin(), row.end(), '=', before);
    return row;
}

ProgressWatch::ProgressWatch() {
    qApp->installEventFilter(this);
}

ProgressWatch::~ProgressWatch() {
    qApp->removeEventFilter(this);
}

bool ProgressWatch::eventFilter(QObject* watched, QEvent* event) {
    auto* window = qobject_cast<frmLoad*>(watched);
    if (window && event->type() == QEvent::Show) {
        m_shown.push_back({window->lblTitle->text(), window->pb->maximum(), window->pb->value(),
                           window->pb->value()});
        const std::size_t index = m_shown.size() - 1;
        QObject::connect(window->pb, &QProgressBar::valueChanged, this,
                         [this, index](int value) { m_shown[index].lastValue = value; });
    }
    return false;
}

} // namespace test_support
