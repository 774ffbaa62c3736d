#include "reports/frmView.h"

#include "core/mdlFormulary.h"
#include "platform/app_error.h"
#include "platform/report/location.h"
#include "platform/report/page_preview.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/error_report.h"
#include "platform/ui/message_box.h"
#include "platform/ui/twips.h"
#include "platform/ui/wait_cursor.h"
#include "reports/definition_file.h"
#include "reports/export_file.h"
#include "reports/report_pictures.h"
#include "reports/viewer_toolbar.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kInventory = QStringLiteral("Inventory");
const QString kExportTitle = QStringLiteral("Export Report to Disk");

// The definition file of each report.
QString reportFile(int whatReport) {
    switch (whatReport) {
    case 1:
        return QStringLiteral("FormularyStructure.rpt");
    case 2:
        return QStringLiteral("DrugsWithNoGeneric.rpt");
    case 3:
        return QStringLiteral("FormularyReportWithOtherDetails.rpt");
    case 4:
        return QStringLiteral("AuditTrail.rpt");
    default:
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("There is no report number %1.").arg(whatReport),
                       QStringLiteral("frmView.Form_Load"));
    }
}

} // namespace

frmView::frmView(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmView"));
    setWindowTitle(QStringLiteral("Drug Formulary"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    CRViewer1 = new report::PagePreview(this);
    CRViewer1->setObjectName(QStringLiteral("CRViewer1"));
    CRViewer1->fitToWidth();
    tbViewer = new reports::ViewerToolBar(*CRViewer1, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(createButtonRow());
    layout->addWidget(createMorePanel());
    layout->addWidget(CRViewer1, 1);

    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    resize(ui::twipsToPixels(QSize(14400, 12960), this).boundedTo(screen));
}

frmView::~frmView() = default;

QWidget* frmView::createButtonRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tbViewer);
    layout->addStretch(1);
    cmdPrint = new QPushButton(QStringLiteral("&Print"), row);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdMore = new QPushButton(QStringLiteral("&More"), row);
    cmdMore->setObjectName(QStringLiteral("cmdMore"));
    for (QPushButton* button : {cmdPrint, cmdMore}) {
        // Enter in the page number must not print.
        button->setAutoDefault(false);
        layout->addWidget(button);
    }
    connect(cmdPrint, &QPushButton::clicked, this, ui::command([this] { cmdPrint_Click(); }));
    connect(cmdMore, &QPushButton::clicked, this, ui::command([this] { cmdMore_Click(); }));
    return row;
}

QFrame* frmView::createMorePanel() {
    pctMore = new QFrame(this);
    pctMore->setObjectName(QStringLiteral("pctMore"));
    pctMore->setFrameShape(QFrame::StyledPanel);
    new QGridLayout(pctMore);
    using reports::Picture;
    using reports::picture;
    imgPrint = addImageButton(*pctMore, 0, QStringLiteral("imgPrint"), picture(Picture::Print),
                              QStringLiteral("Print report without closing the report window"));
    imgExcel = addImageButton(*pctMore, 1, QStringLiteral("imgExcel"), picture(Picture::Excel),
                              QStringLiteral("Export Report to Microsoft Excel Document"));
    imgRTF = addImageButton(*pctMore, 2, QStringLiteral("imgRTF"), picture(Picture::RichText),
                            QStringLiteral("Export Report to Rich Text Format"));
    imgPDF = addImageButton(*pctMore, 3, QStringLiteral("imgPDF"), picture(Picture::Pdf),
                            QStringLiteral("Export Report to PDF"));
    connect(imgPrint, &QToolButton::clicked, this, ui::command([this] { printReport(); }));
    connect(imgExcel, &QToolButton::clicked, this, ui::command([this] {
                exportToChosenFile(report::ExportFormat::Excel,
                                   QStringLiteral("Microsof Excel (*.xlsx)"),
                                   QStringLiteral("xlsx"));
            }));
    connect(imgRTF, &QToolButton::clicked, this, ui::command([this] {
                exportToChosenFile(report::ExportFormat::RichText,
                                   QStringLiteral("Rich Text Format (*.rtf)"),
                                   QStringLiteral("rtf"));
            }));
    connect(imgPDF, &QToolButton::clicked, this, ui::command([this] {
                exportToChosenFile(report::ExportFormat::Pdf,
                                   QStringLiteral("PDF Document (*.pdf)"), QStringLiteral("pdf"));
            }));
    pctMore->hide();
    return pctMore;
}

// A picture button with its label; two pairs to a row of the panel.
QToolButton* frmView::addImageButton(QFrame& panel, int index, const QString& objectName,
                                     const QIcon& picture, const QString& label) {
    auto* grid = static_cast<QGridLayout*>(panel.layout());
    auto* button = new QToolButton(&panel);
    button->setObjectName(objectName);
    button->setIcon(picture);
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    button->setToolTip(label);
    auto* text = new QLabel(label, &panel);
    text->setObjectName(QStringLiteral("lbl") + objectName.mid(3));
    const int row = index / 2;
    const int column = (index % 2) * 2;
    grid->addWidget(button, row, column);
    grid->addWidget(text, row, column + 1);
    grid->setColumnStretch(column + 1, 1);
    return button;
}

void frmView::Form_Load() try {
    {
        ui::WaitCursor wait;
        loadReport();
        CRViewer1->setPages(objReport->pages());
    }
    offerExport();
    move(0, 0);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmView.Form_Load"));
}

void frmView::loadReport() {
    objReport = report::Application().openReport(
        reports::definitionFile(reportFile(WhatReport), QCoreApplication::applicationDirPath()));
    objReport->setHospitalName(mdlFormulary.strCompany);
    objReport->setHospitalAddress(mdlFormulary.strAddress1);
    objReport->setSubtitle(Subtitle);
    if (Rows)
        objReport->setRows(Rows);
    retargetTables();
    objReport->setSessionId(mdlFormulary.objCurrentUser->sqlconnection().sessionId());
}

// Every table is read from the Inventory database with the user's log-on.
void frmView::retargetTables() {
    const current_user::CurrentUser& user = *mdlFormulary.objCurrentUser;
    for (report::DatabaseTable& table : objReport->tables()) {
        table.setLocation(report::withDatabase(table.location(), kInventory));
        table.setLogOnInfo(user.ServerName(), kInventory, user.UserID(), user.serverpassword());
    }
}

void frmView::offerExport() {
    const QString file = reports::defaultExportFile(objReport->fileName(), QDate::currentDate());
    if (ui::MessageBox::show(QStringLiteral("Do you wish to export the report?"), kExportTitle,
                             ui::Buttons::YesNo, ui::Icon::None) != ui::Answer::Yes)
        return;
    // A failure to make the folder shows as the export's own failure.
    QDir().mkpath(QFileInfo(file).absolutePath());
    if (exportReport(report::ExportFormat::Excel, file))
        ui::MessageBox::show(QStringLiteral("Report was successfully exported to ") +
                                 QDir::toNativeSeparators(file),
                             QStringLiteral("Information"), ui::Buttons::OK, ui::Icon::Information);
}

// Writes the report; a file that cannot be written is reported to the user,
// so nobody goes looking for a file that is not there.
bool frmView::exportReport(report::ExportFormat format, const QString& fileName) {
    try {
        ui::WaitCursor wait;
        objReport->exportToFile(format, fileName);
        return true;
    } catch (const AppError& error) {
        ui::MessageBox::show(QStringLiteral("The report could not be exported to %1.\n\n%2")
                                 .arg(QDir::toNativeSeparators(fileName), error.description()),
                             kExportTitle, ui::Buttons::OK, ui::Icon::Exclamation);
        return false;
    }
}

void frmView::exportToChosenFile(report::ExportFormat format, const QString& filter,
                                 const QString& extension) {
    // A folder that does not exist yet would be offered as a file name.
    QString folder = reports::defaultExportFolder();
    if (!QFileInfo(folder).isDir())
        folder.clear();
    const QString chosen = ui::saveFileName(this, {}, folder, filter);
    if (chosen.isEmpty())
        return;
    const QString file = reports::withExtension(chosen, extension);
    // The dialog asked about the name as typed, not about the one with the extension.
    if (file != chosen && QFileInfo::exists(file) &&
        ui::MessageBox::show(QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                 .arg(QDir::toNativeSeparators(file)),
                             kExportTitle, ui::Buttons::YesNo,
                             ui::Icon::Exclamation) != ui::Answer::Yes)
        return;
    exportReport(format, file);
}

void frmView::printReport() {
    QPrinter printer(QPrinter::HighResolution);
    // The preview's paper, so that printing reuses its page breaks.
    printer.setPageLayout(objReport->pageLayout());
    printer.setDocName(objReport->title());
    if (!ui::printDialog(printer, this))
        return;
    try {
        ui::WaitCursor wait;
        objReport->print(printer);
    } catch (const AppError& error) {
        // A printer that fails is no reason to end the program.
        ui::MessageBox::show(
            QStringLiteral("The report could not be printed.\n\n%1").arg(error.description()),
            QStringLiteral("Print"), ui::Buttons::OK, ui::Icon::Exclamation);
    }
}

void frmView::cmdPrint_Click() {
    printReport();
    close();
}

void frmView::cmdMore_Click() {
    pctMore->setHidden(!pctMore->isHidden());
}
