#include "find/frmFind.h"

#include "core/mdlFormulary.h"
#include "database/procedures.h"
#include "find/find_entry.h"
#include "platform/app_error.h"
#include "platform/ui/error_report.h"
#include "platform/ui/message_box.h"
#include "platform/ui/panel_status_bar.h"
#include "platform/ui/twips.h"
#include "platform/ui/wait_cursor.h"
#include "tree/frmFormulary.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

enum Column { EntryColumn = 0, ParentColumn = 1, NodeKeyColumn = 2, ListColumns = 3 };

QPushButton* button(const QString& objectName, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(objectName);
    // Enter belongs to the text box and the list, never to a default button.
    b->setAutoDefault(false);
    return b;
}

bool isEnter(const QKeyEvent& key) {
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

// A character typed into the box, as opposed to an editing or shortcut key.
bool isTypedText(const QKeyEvent& key) {
    if (key.text().isEmpty() || (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    for (const QChar c : key.text())
        if (!c.isPrint())
            return false;
    return true;
}

} // namespace

frmFind::frmFind(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Find Entry"));
    m_hits.reset(db::Recordset(), 0, 0, ListColumns);
    m_sorted.setSourceModel(&m_hits);
    m_sorted.setSortCaseSensitivity(Qt::CaseInsensitive);
    m_hits.setHeaders(
        {QStringLiteral("Entry in list"), QStringLiteral("Parent"), QStringLiteral("NodeKey")},
        {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignLeft});
    createControls();
    setFixedSize(ui::twipsToPixels(QSize(7200, 6000), this));
}

void frmFind::createControls() {
    auto* fraSearch = new QGroupBox(QStringLiteral("&1. Enter search key"), this);
    txtFind = new QLineEdit(fraSearch);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->installEventFilter(this);
    cmdFind = button(QStringLiteral("cmdFind"), QStringLiteral("&Find"), fraSearch);
    auto* searchRow = new QHBoxLayout(fraSearch);
    searchRow->addWidget(txtFind, 1);
    searchRow->addWidget(cmdFind);

    auto* fraList =
        new QGroupBox(QStringLiteral("&2. Select item from list then click OPEN button."), this);
    lvFind = new QTreeView(fraList);
    lvFind->setObjectName(QStringLiteral("lvFind"));
    lvFind->setModel(&m_sorted);
    lvFind->setRootIsDecorated(false);
    lvFind->setUniformRowHeights(true);
    lvFind->setAllColumnsShowFocus(true);
    lvFind->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvFind->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFind->setSelectionMode(QAbstractItemView::SingleSelection);
    lvFind->header()->setSectionsClickable(true);
    lvFind->header()->setStretchLastSection(false);
    lvFind->installEventFilter(this);
    lvFind->viewport()->installEventFilter(this);
    auto* listBox = new QVBoxLayout(fraList);
    listBox->addWidget(lvFind);

    cmdGo = button(QStringLiteral("cmdGo"), QStringLiteral("&Go to Treeview"), this);
    cmdClose = button(QStringLiteral("cmdClose"), QStringLiteral("&Close"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdGo);
    buttons->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraSearch);
    layout->addWidget(fraList, 1);
    layout->addLayout(buttons);

    connect(txtFind, &QLineEdit::textChanged, this, ui::command([this] { txtFind_Change(); }));
    connect(cmdFind, &QPushButton::clicked, this, ui::command([this] { cmdFind_Click(); }));
    connect(cmdGo, &QPushButton::clicked, this, ui::command([this] { cmdGo_Click(); }));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(lvFind->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { ui::runCommand([this, column] { lvFind_ColumnClick(column); }); });
}

void frmFind::Form_Load() {
    txtFind->clear();
    cmdFind->setEnabled(false);
    m_hits.reset(db::Recordset(), 0, 0, ListColumns);
    cmdGo->setEnabled(false);
    lvFind->setColumnHidden(NodeKeyColumn, true);
    lvFind->header()->setSortIndicatorShown(false);
    txtFind->setFocus();
}

// The list has its width only once the window is laid out for showing.
void frmFind::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    splitColumns();
}

// Half the list's width to each visible column.
void frmFind::splitColumns() {
    const int half = lvFind->viewport()->width() / 2;
    lvFind->setColumnWidth(EntryColumn, half);
    lvFind->setColumnWidth(ParentColumn, half);
}

bool frmFind::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto& key = static_cast<QKeyEvent&>(*event);
        if (watched == txtFind)
            return txtFind_KeyPress(key);
        if (watched == lvFind && isEnter(key)) {
            cmdGo->click(); // does nothing while Go is disabled
            return true;
        }
    }
    if (watched == lvFind->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        cmdGo->click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Enter searches; typed characters go into the box in upper case. Pasted
// text is left as it is.
bool frmFind::txtFind_KeyPress(QKeyEvent& key) {
    if (isEnter(key) && cmdFind->isEnabled()) {
        cmdFind->click();
        return true;
    }
    if (!isTypedText(key))
        return false;
    const QString upper = key.text().toUpper();
    if (upper == key.text())
        return false;
    txtFind->insert(upper);
    return true;
}

void frmFind::txtFind_Change() {
    cmdFind->setEnabled(!txtFind->text().isEmpty());
}

void frmFind::cmdFind_Click() try {
    mdlFormulary.FindInProgress = true;
    db::Recordset hits;
    {
        ui::WaitCursor wait;
        hits = database::For_SearchNodeList(mdlFormulary.objCurrentUser->sqlconnection(),
                                            txtFind->text().trimmed());
    }
    if (hits.recordCount() < 1) {
        // The earlier hits stay in the list.
        ui::MessageBox::show(QStringLiteral("Search string not existing!"),
                             QStringLiteral("MESSAGE"), ui::Buttons::OK, ui::Icon::Information);
        return;
    }
    showHits(std::move(hits));
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFind.cmdFind_Click"));
}

void frmFind::showHits(db::Recordset hits) {
    const int count = hits.recordCount();
    m_hits.reset(std::move(hits), 0, count, ListColumns);
    lvFind->setColumnHidden(NodeKeyColumn, true);
    splitColumns();
    cmdGo->setEnabled(m_sorted.rowCount() > 0);
    lvFind_ColumnClick(EntryColumn);
    lvFind->setCurrentIndex(m_sorted.index(0, EntryColumn));
    mdlFormulary.objMainWindow->staFormulary->Panels(1).setText(
        QStringLiteral("Select entry from list then click GO TO TREEVIEW."));
}

void frmFind::lvFind_ColumnClick(int column) {
    m_sorted.sort(column, Qt::AscendingOrder);
    lvFind->header()->setSortIndicator(column, Qt::AscendingOrder);
    lvFind->header()->setSortIndicatorShown(true);
}

void frmFind::cmdGo_Click() try {
    const QModelIndex line = lvFind->currentIndex();
    if (!line.isValid())
        return;
    const QString key = m_sorted.index(line.row(), NodeKeyColumn).data().toString();
    db::Connection& connection = mdlFormulary.objCurrentUser->sqlconnection();
    database::For_TraceParent(connection, key);
    FindNode = false;
    FindNode = !database::TracedPath(connection).isEmpty();
    accept();
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmFind.cmdGo_Click"));
}
