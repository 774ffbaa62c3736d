#include "reports/report_window_fixture.h"

#include "admin.h"

#include "core/mdlFormulary.h"
#include "platform/report/page_preview.h"
#include "platform/ui/error_report.h"
#include "reports/frmView.h"
#include "reports/report_commands.h"

#include <QApplication>
#include <QLabel>

using report_window_test::ReportWindowTest;

namespace {

class ReportCommandTest : public ReportWindowTest {
protected:
    // Answers the export question with No, noting the status text and the
    // pointer at that moment.
    void answerNoNoting() {
        script.answerNext([this](const ui::MessageShown&) {
            statusAtQuestion = status().text();
            waitingAtQuestion = QApplication::overrideCursor() != nullptr;
            return ui::Answer::No;
        });
    }

    // Makes the step that writes into the table fail, runs the command
    // through the error report and checks what the user is left with.
    void expectTrapped(void (*command)(frmFormulary&), const QString& table,
                       const QString& statusText, const QString& source) {
        conn->execute(QStringLiteral("DROP TABLE inventory.") + table);
        script.answerNext(ui::Answer::OK);

        EXPECT_FALSE(ui::runCommand([&] { openViewer(command, [](frmView&) {}); }));

        ASSERT_EQ(script.messages().size(), 1u);
        EXPECT_EQ(script.messages()[0].icon, ui::Icon::Critical);
        EXPECT_TRUE(script.messages()[0].text.endsWith(QStringLiteral("Source: ") + source))
            << script.messages()[0].text.toStdString();
        EXPECT_EQ(status().text(), statusText);
        EXPECT_TRUE(script.modalsShown().isEmpty());
    }

    QString statusAtQuestion = QStringLiteral("not asked");
    bool waitingAtQuestion = true;
};

struct PreparedReport {
    const char* name;
    void (*command)(frmFormulary&);
    int whatReport;
    const char* drug; // a line the report must hold
};

} // namespace

TEST_P(ReportCommandTest, PreparedReportsRunTheProceduresThenShowTheViewer) {
    for (const PreparedReport& r : {
             PreparedReport{"Formulary Structure", mnuFormularyReport_Click, 1,
                            "Amoxicillin 500 mg capsule"},
             PreparedReport{"Drugs with other Details", mnuDrugsWODetails_Click, 3,
                            "Paracetamol 500 mg tablet"},
         }) {
        SCOPED_TRACE(r.name);
        status().setText(QStringLiteral("Ready"));
        answerNoNoting();

        const bool opened = openViewer(r.command, [&](frmView& viewer) {
            EXPECT_EQ(viewer.WhatReport, r.whatReport);
            EXPECT_TRUE(viewer.isVisible());
            EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Drug Formulary"));
            EXPECT_EQ(viewer.pos(), QPoint(0, 0));
            report::Report& shown = *viewer.currentReport();
            EXPECT_EQ(shown.title(), QLatin1String(r.name));
            EXPECT_EQ(shown.hospitalName(), QStringLiteral("St. Mary's General Hospital"));
            EXPECT_EQ(shown.hospitalAddress(), QStringLiteral("14 Harbour View Road"));
            EXPECT_TRUE(cellsOf(shown).contains(QLatin1String(r.drug)));
            EXPECT_GE(viewer.CRViewer1->pageCount(), 1);
            EXPECT_EQ(viewer.CRViewer1->currentPage(), 1);
        });

        EXPECT_TRUE(opened);
        EXPECT_EQ(statusAtQuestion, QString());
        EXPECT_FALSE(waitingAtQuestion);
        EXPECT_GT(preparedRows(QStringLiteral("tbFormularyNodeLevel")), 0);
        EXPECT_GT(preparedRows(QStringLiteral("tbFormularyReport")), 0);
        EXPECT_EQ(status().text(), QString());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

// What IT sets with the administration tool heads the reports of the next run.
TEST_P(ReportCommandTest, TheHospitalSetByTheToolHeadsTheReports) {
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    admin::AdminIo io{outStream, errStream, [](const QString&) { return std::nullopt; }};
    ASSERT_EQ(admin::runAdmin({"hospital", "set", "--company", "St Luke's General Hospital",
                               "--address", "12 Harbour Road", "--database", database->target()},
                              io),
              admin::Success)
        << err.toStdString();
    mdlFormulary.clear();
    logInAs(QStringLiteral("pharmacist"));
    Main();
    script.answerNext(ui::Answer::No);
    EXPECT_TRUE(openViewer(mnuFormularyReport_Click, [](frmView& viewer) {
        EXPECT_EQ(viewer.currentReport()->hospitalName(),
                  QStringLiteral("St Luke's General Hospital"));
        EXPECT_EQ(viewer.currentReport()->hospitalAddress(), QStringLiteral("12 Harbour Road"));
    }));
}

TEST_P(ReportCommandTest, EveryOpeningPreparesTheReportAfresh) {
    for (const char* added : {"", "Vitamins"}) {
        SCOPED_TRACE(added);
        if (*added) {
            QString key = QStringLiteral("_3");
            ASSERT_TRUE(formulary->formulary.Classifications.AddClassification(
                formulary->node(QStringLiteral("_0")), key, QLatin1String(added), 0));
        }
        script.answerNext(ui::Answer::No);
        QString cells;
        EXPECT_TRUE(openViewer(mnuFormularyReport_Click,
                               [&](frmView& viewer) { cells = cellsOf(*viewer.currentReport()); }));
        EXPECT_EQ(cells.contains(QStringLiteral("Vitamins")), *added != '\0');
    }
}

TEST_P(ReportCommandTest, DrugsWithNoGenericRunsNoProcedureAndLeavesTheStatus) {
    status().setText(QStringLiteral("Ready"));
    answerNoNoting();

    const bool opened = openViewer(mnuDrugsWOGeneric_Click, [&](frmView& viewer) {
        EXPECT_EQ(viewer.WhatReport, 2);
        const QString cells = cellsOf(*viewer.currentReport());
        EXPECT_TRUE(cells.contains(QStringLiteral("IBU400")));
        EXPECT_TRUE(cells.contains(QStringLiteral("ETO100")));
        EXPECT_FALSE(cells.contains(QStringLiteral("AMX500")));
    });

    EXPECT_TRUE(opened);
    EXPECT_EQ(statusAtQuestion, QStringLiteral("Ready"));
    EXPECT_EQ(preparedRows(QStringLiteral("tbFormularyNodeLevel")), 0);
    EXPECT_EQ(preparedRows(QStringLiteral("tbFormularyReport")), 0);
    EXPECT_EQ(status().text(), QStringLiteral("Ready"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_P(ReportCommandTest, FailedLevelStepIsRaisedFromFormularyStructure) {
    expectTrapped(mnuFormularyReport_Click, QStringLiteral("tbFormularyNodeLevel"),
                  QStringLiteral("Gathering Report Information..."),
                  QStringLiteral("frmFormulary.mnuFormularyReport_Click_Err"));
}

TEST_P(ReportCommandTest, FailedGenerateStepIsRaisedFromDrugsWithOtherDetails) {
    expectTrapped(mnuDrugsWODetails_Click, QStringLiteral("tbFormularyReport"),
                  QStringLiteral("Generating Report..."),
                  QStringLiteral("frmFormulary.mnuDrugsWODetails_Click_Err"));
}

FORMULARY_ENGINE_TESTS(ReportCommandTest);
