#pragma once

#include "platform/report/report.h"

#include <QDialog>
#include <memory>

class QFrame;
class QIcon;
class QPushButton;
class QToolButton;

namespace report {
class PagePreview;
} // namespace report
namespace reports {
class ViewerToolBar;
} // namespace reports

// The report viewer: opens one of the report definitions beside the
// program on the user's database, shows its pages, offers to export it at
// once, and prints and exports it on request.
class frmView : public QDialog {
    Q_OBJECT
public:
    explicit frmView(QWidget* parent = nullptr);
    ~frmView() override;

    // Which report: 1 Formulary Structure, 2 Drugs with no Generic, 3 Drugs
    // with other Details, 4 Audit Trail. Set by the opener before the load.
    int WhatReport = 0;
    // For a report that reads no table (the Audit Trail): its rows and the
    // line beside its title. Set by the opener before the load.
    std::shared_ptr<const report::Content> Rows;
    QString Subtitle;

    // Opens the report, shows it and asks whether to export it. Throws
    // AppError when the report cannot be opened or read; the window is not
    // to be shown then.
    void Form_Load();

    // The open report; null before the load.
    report::Report* currentReport() const { return objReport.get(); }

    report::PagePreview* CRViewer1 = nullptr;
    reports::ViewerToolBar* tbViewer = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdMore = nullptr;
    QFrame* pctMore = nullptr;
    QToolButton* imgPrint = nullptr;
    QToolButton* imgExcel = nullptr;
    QToolButton* imgRTF = nullptr;
    QToolButton* imgPDF = nullptr;

private:
    QWidget* createButtonRow();
    QFrame* createMorePanel();
    QToolButton* addImageButton(QFrame& panel, int index, const QString& objectName,
                                const QIcon& picture, const QString& label);

    void loadReport();
    void retargetTables();
    void offerExport();
    bool exportReport(report::ExportFormat format, const QString& fileName);
    void exportToChosenFile(report::ExportFormat format, const QString& filter,
                            const QString& extension);
    void printReport();

    void cmdPrint_Click();
    void cmdMore_Click();

    std::unique_ptr<report::Report> objReport;
};
