#include "tree/frmFormulary.h"

#include "core/artwork.h"
#include "core/mdlFormulary.h"
#include "editors/frmEntry.h"
#include "platform/app_error.h"
#include "platform/ui/error_report.h"
#include "platform/ui/keyed_tree.h"
#include "platform/ui/panel_status_bar.h"
#include "platform/ui/twips.h"
#include "tree/keyboard_indicators.h"
#include "tree/status_marks.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Measures of the layout, in twips.
constexpr int PaneMargin = 60;
// Wider than the old design's 3195, so that most names show in full.
constexpr int TreeWidth = 5100;
constexpr int SplitterWidth = 75;
// The splitter stops this far from either edge of the window.
constexpr int SplitterReserve = 3000;

// The right pane: the background picture, stretched to the pane.
class BackgroundPane : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        artwork::paintBackground(painter, rect());
    }
};

QAction* menuItem(QMenu* menu, const QString& name, const QString& caption,
                  const QKeySequence& shortcut = {}) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setShortcut(shortcut);
    return item;
}

QAction* separator(QMenu* menu, const QString& name) {
    QAction* item = menu->addSeparator();
    item->setObjectName(name);
    return item;
}

QMenu* topMenu(QMenuBar* bar, const QString& name, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

} // namespace

frmFormulary::frmFormulary(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmFormulary"));
    setWindowTitle(QStringLiteral("Tarnvel - Formulary"));
    createMenus();
    createToolbar();
    createPanes();
    createStatusBar();
    connectTree();
    connectCommandWindows();
    // The design size is the client area; the menu bar lies outside it.
    resize(ui::twipsToPixels(QSize(11880, 7935), this) + QSize(0, menuBar()->sizeHint().height()));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.center() - rect().center());
}

frmFormulary::~frmFormulary() = default;

void frmFormulary::createMenus() {
    createFormularyMenu();
    createOtherMenus();
    // A shortcut works in the whole window whenever its item is enabled,
    // whatever state the menu above the item is in.
    for (QAction* item : findChildren<QAction*>())
        if (!item->shortcut().isEmpty())
            addAction(item);
    connect(mnuNewClassification, &QAction::triggered, this,
            ui::command([this] { mnuNewClassification_Click(); }));
    connect(mnuDelete, &QAction::triggered, this, ui::command([this] { mnuDelete_Click(); }));
    connect(mnuRename, &QAction::triggered, this, ui::command([this] { mnuRename_Click(); }));
    connect(mnuExit, &QAction::triggered, this, ui::command([this] { mnuExit_Click(); }));
    connect(mnuRefresh, &QAction::triggered, this, ui::command([this] { mnuRefresh_Click(); }));
    connect(mnuLoadAll, &QAction::triggered, this, ui::command([this] { mnuLoadAll_Click(); }));
}

void frmFormulary::createFormularyMenu() {
    mnuPopup = topMenu(menuBar(), QStringLiteral("mnuPopup"), QStringLiteral("&Formulary"));
    mnuNew = mnuPopup->addMenu(QStringLiteral("&Add/Remove"));
    mnuNew->setObjectName(QStringLiteral("mnuNew"));
    mnuNew->menuAction()->setObjectName(QStringLiteral("mnuNew"));
    mnuNewClassification = menuItem(mnuNew, QStringLiteral("mnuNewClassification"),
                                    QStringLiteral("&Classification"), QKeySequence(tr("Ctrl+C")));
    mnuNewGeneric = menuItem(mnuNew, QStringLiteral("mnuNewGeneric"), QStringLiteral("&Generic"),
                             QKeySequence(tr("Ctrl+G")));
    mnuNewDrug = menuItem(mnuNew, QStringLiteral("mnuNewDrug"), QStringLiteral("&Drug"),
                          QKeySequence(tr("Ctrl+D")));
    mnuOther = menuItem(mnuNew, QStringLiteral("mnuOther"), QStringLiteral("&Other Details"),
                        QKeySequence(tr("Ctrl+R")));
    mnuSep1 = separator(mnuPopup, QStringLiteral("mnuSep1"));
    mnuDelete = menuItem(mnuPopup, QStringLiteral("mnuDelete"), QStringLiteral("&Delete"));
    mnuRename = menuItem(mnuPopup, QStringLiteral("mnuRename"), QStringLiteral("&Rename"));
    mnuSep2 = separator(mnuPopup, QStringLiteral("mnuSep2"));
    mnuSep2->setVisible(false);
    mnuProperties =
        menuItem(mnuPopup, QStringLiteral("mnuProperties"), QStringLiteral("&Properties"));
    mnuProperties->setVisible(false);
    mnuSep3 = separator(mnuPopup, QStringLiteral("mnuSep3"));
    mnuExit = menuItem(mnuPopup, QStringLiteral("mnuExit"), QStringLiteral("E&xit"));
    mnuSep4 = separator(mnuPopup, QStringLiteral("mnuSep4"));
    mnuHistory = menuItem(mnuPopup, QStringLiteral("mnuHistory"), QStringLiteral("&History"));
    mnuHistory->setEnabled(false);
    mnuStatus = menuItem(mnuPopup, QStringLiteral("mnuStatus"), QStringLiteral("Formulary &Status"),
                         QKeySequence(tr("Ctrl+T")));
    mnuStatus->setEnabled(false);
}

void frmFormulary::createOtherMenus() {
    mnuBuildFile =
        topMenu(menuBar(), QStringLiteral("mnuBuildFile"), QStringLiteral("&Build File"));
    mnuGenericFiles =
        menuItem(mnuBuildFile, QStringLiteral("mnuGenericFiles"), QStringLiteral("&Generic Names"));

    mnuFind = topMenu(menuBar(), QStringLiteral("mnuFind"), QStringLiteral("&Options"));
    mnuFindEntry = menuItem(mnuFind, QStringLiteral("mnuFindEntry"), QStringLiteral("&Find Entry"),
                            QKeySequence(tr("Ctrl+F")));
    mnuSep12 = separator(mnuFind, QStringLiteral("mnuSep12"));
    mnuRefresh = menuItem(mnuFind, QStringLiteral("mnuRefresh"), QStringLiteral("&Refresh Tree"));
    mnuLoadAll = menuItem(mnuFind, QStringLiteral("mnuLoadAll"), QStringLiteral("&Load All"));
    mnuUserSettings =
        menuItem(mnuFind, QStringLiteral("mnuUserSettings"), QStringLiteral("User Settings"));

    mnuReport = topMenu(menuBar(), QStringLiteral("mnuReport"), QStringLiteral("&Reports"));
    mnuFormularyReport = menuItem(mnuReport, QStringLiteral("mnuFormularyReport"),
                                  QStringLiteral("&Formulary Structure"));
    mnuDrugsWOGeneric = menuItem(mnuReport, QStringLiteral("mnuDrugsWOGeneric"),
                                 QStringLiteral("&Drugs with no Generic"));
    mnuDrugsWODetails = menuItem(mnuReport, QStringLiteral("mnuDrugsWODetails"),
                                 QStringLiteral("&Drugs with other Details"));
    mnuAuditTrail =
        menuItem(mnuReport, QStringLiteral("mnuAuditTrail"), QStringLiteral("&Audit Trail"));

    mnuHelp = topMenu(menuBar(), QStringLiteral("mnuHelp"), QStringLiteral("&Help"));
    mnuAbout = menuItem(mnuHelp, QStringLiteral("mnuAbout"), QStringLiteral("&About"));
}

// Seven positions: New Entry with its drop-down, a separator, Delete, Rename,
// a separator, the generic names list and Find. Each button and entry
// triggers the menu item of the same command.
void frmFormulary::createToolbar() {
    using artwork::ToolbarImage;
    tbFormulary = addToolBar(QStringLiteral("tbFormulary"));
    tbFormulary->setObjectName(QStringLiteral("tbFormulary"));
    tbFormulary->setMovable(false);
    tbFormulary->setFloatable(false);
    // No menu to hide the toolbar, from the toolbar or the menu bar.
    tbFormulary->setContextMenuPolicy(Qt::PreventContextMenu);
    menuBar()->setContextMenuPolicy(Qt::PreventContextMenu);
    tbFormulary->setIconSize(QSize(24, 24));

    auto button = [this](ToolbarImage image, const QString& name, const QString& tip,
                         QAction* routed) {
        QAction* action = tbFormulary->addAction(artwork::toolbarImage(image), QString());
        action->setObjectName(name);
        action->setToolTip(tip);
        if (routed)
            connect(action, &QAction::triggered, routed, &QAction::trigger);
        return action;
    };
    auto* entries = new QMenu(tbFormulary);
    entries->setObjectName(QStringLiteral("tbNewEntryMenu"));
    const std::array<std::pair<QString, QAction*>, 3> entryItems{{
        {QStringLiteral("Classification"), mnuNewClassification},
        {QStringLiteral("Generic"), mnuNewGeneric},
        {QStringLiteral("Drug"), mnuNewDrug},
    }};
    for (std::size_t i = 0; i < entryItems.size(); ++i) {
        m_buttonMenus[i] = entries->addAction(entryItems[i].first);
        m_buttonMenus[i]->setObjectName(QStringLiteral("tbNewEntry%1").arg(i + 1));
        connect(m_buttonMenus[i], &QAction::triggered, entryItems[i].second, &QAction::trigger);
    }
    m_buttons[0] = button(ToolbarImage::NewEntry, QStringLiteral("tbNewEntry"),
                          QStringLiteral("New Entry"), nullptr);
    m_buttons[0]->setMenu(entries);
    qobject_cast<QToolButton*>(tbFormulary->widgetForAction(m_buttons[0]))
        ->setPopupMode(QToolButton::MenuButtonPopup);
    m_buttons[1] = tbFormulary->addSeparator();
    m_buttons[2] = button(ToolbarImage::Delete, QStringLiteral("tbDelete"),
                          QStringLiteral("Delete"), mnuDelete);
    m_buttons[3] = button(ToolbarImage::Rename, QStringLiteral("tbRename"),
                          QStringLiteral("Rename"), mnuRename);
    m_buttons[4] = tbFormulary->addSeparator();
    m_buttons[5] = button(ToolbarImage::GenericNames, QStringLiteral("tbGenericNames"),
                          QStringLiteral("Generic Name Buil File"), mnuGenericFiles);
    m_buttons[6] = button(ToolbarImage::Find, QStringLiteral("tbFind"), QString(), mnuFindEntry);
}

// The tree on the left, the background picture on the right, and between
// them a splitter that moves when the mouse lets go of it.
void frmFormulary::createPanes() {
    treFormulary = new ui::KeyedTree;
    treFormulary->setObjectName(QStringLiteral("treFormulary"));
    treFormulary->setImageList(artwork::treeImages());
    status_marks::setUp(*treFormulary);
    treFormulary->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* imgBack = new BackgroundPane;
    imgBack->setObjectName(QStringLiteral("imgBack"));

    imgSplitter = new QSplitter(Qt::Horizontal);
    imgSplitter->setObjectName(QStringLiteral("imgSplitter"));
    imgSplitter->setOpaqueResize(false);
    imgSplitter->setChildrenCollapsible(false);
    imgSplitter->setHandleWidth(ui::twipsToPixelsX(SplitterWidth, this));
    imgSplitter->addWidget(treFormulary);
    imgSplitter->addWidget(imgBack);
    imgSplitter->setStretchFactor(0, 0);
    imgSplitter->setStretchFactor(1, 1);
    imgSplitter->handle(1)->setCursor(Qt::SizeHorCursor);
    imgSplitter->setSizes({ui::twipsToPixelsX(TreeWidth, this), ui::twipsToPixelsX(8000, this)});

    auto* client = new QWidget;
    auto* layout = new QVBoxLayout(client);
    const int margin = ui::twipsToPixelsX(PaneMargin, this);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->addWidget(imgSplitter);
    setCentralWidget(client);
}

void frmFormulary::createStatusBar() {
    staFormulary = new ui::PanelStatusBar(this);
    staFormulary->setObjectName(QStringLiteral("staFormulary"));
    staFormulary->addPanel(QStringLiteral("staFormularyMessage"), true);
    staFormulary->addPanel(QStringLiteral("staFormularyInitial"), false, 900);
    QLabel& ins = staFormulary->addPanel(QStringLiteral("staFormularyIns"), false, 600);
    QLabel& caps = staFormulary->addPanel(QStringLiteral("staFormularyCaps"), false, 600);
    QLabel& num = staFormulary->addPanel(QStringLiteral("staFormularyNum"), false, 600);
    setStatusBar(staFormulary);
    new KeyboardIndicators(ins, caps, num, this); // owned by the window
}

QAction* frmFormulary::tbFormularyButton(int position) const {
    if (position < 1 || position > int(m_buttons.size()))
        throw AppError(AppError::InvalidArgument, QStringLiteral("Index out of bounds"),
                       QStringLiteral("frmFormulary.tbFormulary"));
    return m_buttons[std::size_t(position - 1)];
}

QAction* frmFormulary::tbFormularyButtonMenu(int entry) const {
    if (entry < 1 || entry > int(m_buttonMenus.size()))
        throw AppError(AppError::InvalidArgument, QStringLiteral("Index out of bounds"),
                       QStringLiteral("frmFormulary.tbFormulary"));
    return m_buttonMenus[std::size_t(entry - 1)];
}

// The splitter stops 3000 twips from the window's left and right edges: the
// panes' smallest widths say so.
void frmFormulary::applySplitterLimits() {
    const int reserve = ui::twipsToPixelsX(SplitterReserve, this);
    const int margin = ui::twipsToPixelsX(PaneMargin, this);
    const int frame = frameGeometry().width() - width();
    treFormulary->setMinimumWidth(reserve - margin);
    imgSplitter->widget(1)->setMinimumWidth(reserve - frame - margin - imgSplitter->handleWidth());
}

void frmFormulary::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    applySplitterLimits();
}

void frmFormulary::closeEvent(QCloseEvent* event) {
    ui::runCommand([this] { Form_Unload(); });
    event->accept();
}

void frmFormulary::Form_Unload() {
    mdlFormulary.releaseComponents();
}
