#include "history/frmHistory.h"

#include "core/mdlFormulary.h"
#include "database/audit.h"
#include "history/history_model.h"
#include "platform/app_error.h"
#include "platform/ui/twips.h"
#include "platform/ui/wait_cursor.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// Widths of the narrow columns, in twips; Before and After share the rest.
constexpr int WhoWidth = 2600;
constexpr int WorkstationWidth = 2800;
constexpr int WhatWidth = 1500;

} // namespace

frmHistory::frmHistory(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    m_model = new HistoryModel(this);
    grdHistory = new QTableView(this);
    grdHistory->setObjectName(QStringLiteral("grdHistory"));
    grdHistory->setModel(m_model);
    grdHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdHistory->setSelectionMode(QAbstractItemView::SingleSelection);
    grdHistory->setWordWrap(false);
    grdHistory->setAlternatingRowColors(true);
    grdHistory->verticalHeader()->hide();
    grdHistory->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setColumnWidths();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    cmdClose = buttons->button(QDialogButtonBox::Close);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grdHistory, 1);
    layout->addWidget(buttons);
    resize(ui::twipsToPixels(QSize(15500, 6000), this));
}

// Set once, not from the rows, so that a long history opens at once.
void frmHistory::setColumnWidths() {
    QHeaderView& header = *grdHistory->horizontalHeader();
    header.setStretchLastSection(false);
    const int padding = 2 * grdHistory->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    header.resizeSection(HistoryModel::When, grdHistory->fontMetrics().horizontalAdvance(
                                                 QStringLiteral("0000-00-00 00:00:00")) +
                                                 padding);
    header.resizeSection(HistoryModel::Who, ui::twipsToPixelsX(WhoWidth, this));
    header.resizeSection(HistoryModel::Workstation, ui::twipsToPixelsX(WorkstationWidth, this));
    header.resizeSection(HistoryModel::What, ui::twipsToPixelsX(WhatWidth, this));
    header.setSectionResizeMode(HistoryModel::Before, QHeaderView::Stretch);
    header.setSectionResizeMode(HistoryModel::After, QHeaderView::Stretch);
}

void frmHistory::Form_Load(database::Entry entry, const QVariant& id, const QString& name) try {
    setWindowTitle(QStringLiteral("History of ") + name);
    ui::WaitCursor wait;
    m_model->setLines(
        database::audit::history(mdlFormulary.objCurrentUser->sqlconnection(), entry, id));
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmHistory.Form_Load"));
}
