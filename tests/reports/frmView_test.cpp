#include "reports/report_window_fixture.h"

#include "platform/report/report.h"
#include "platform/report/report_fixture.h"
#include "platform/ui/script.h"
#include "reports/frmView.h"
#include "reports/report_commands.h"

#include <QAbstractButton>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>

using report_window_test::ReportWindowTest;
using report_window_test::ScopedEnvironment;

namespace {

const QString kQuestion = QStringLiteral("Do you wish to export the report?");
const QString kExportTitle = QStringLiteral("Export Report to Disk");

bool tableHolds(const report_test::Table& rows, const QString& text) {
    for (const auto& row : rows)
        for (const QString& cell : row)
            if (cell == text)
                return true;
    return false;
}

QByteArray contentOf(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The default workbook of report 1 in the folder, named for today; the day
// may have turned since the export.
QString todaysStructureWorkbook(const QString& folder) {
    for (const QDate day : {QDate::currentDate(), QDate::currentDate().addDays(-1)}) {
        const QString file = QDir(folder).filePath(
            QStringLiteral("FormularyStructure.%1.xlsx").arg(day.toString(u"yyyy.MM.dd")));
        if (QFile::exists(file))
            return file;
    }
    return {};
}

class frmViewTest : public ReportWindowTest {
protected:
    // Opens report 1 with No to the export question and drives the viewer.
    bool openStructure(const std::function<void(frmView&)>& drive) {
        script.answerNext(ui::Answer::No);
        return openViewer(mnuFormularyReport_Click, drive);
    }

    void expectQuestionAsked(std::size_t index = 0) {
        ASSERT_GT(script.messages().size(), index);
        const ui::MessageShown& asked = script.messages()[index];
        EXPECT_EQ(asked.text, kQuestion);
        EXPECT_EQ(asked.title, kExportTitle);
        EXPECT_EQ(asked.buttons, ui::Buttons::YesNo);
        EXPECT_EQ(asked.icon, ui::Icon::None);
    }

    void expectExportFailure(const QString& fileName) {
        ASSERT_FALSE(script.messages().empty());
        const ui::MessageShown& failure = script.messages().back();
        EXPECT_TRUE(failure.text.startsWith(
            QStringLiteral("The report could not be exported to %1.").arg(fileName)))
            << failure.text.toStdString();
        EXPECT_EQ(failure.title, kExportTitle);
        EXPECT_EQ(failure.icon, ui::Icon::Exclamation);
        EXPECT_FALSE(QFile::exists(fileName));
    }
};

struct ImageExport {
    const char* button;
    const char* file;
    const char* filter;
    std::function<void(const QString&)> check;
};

} // namespace

TEST_P(frmViewTest, NoToTheExportQuestionWritesNothing) {
    EXPECT_TRUE(openStructure([](frmView& viewer) { EXPECT_TRUE(viewer.isVisible()); }));

    ASSERT_EQ(script.messages().size(), 1u);
    expectQuestionAsked();
    EXPECT_FALSE(QFileInfo::exists(profile()));
}

TEST_P(frmViewTest, YesExportsTheDefaultWorkbookToTheDocumentsFolder) {
    struct Case {
        const char* name;
        QString userProfile;
        QString expectedFolder;
    };
    const QString home = path(QStringLiteral("home"));
    for (const Case& c : {
             Case{"USERPROFILE set", profile(), profile() + QStringLiteral("/My Documents")},
             Case{"USERPROFILE unset", QString(), home + QStringLiteral("/Documents")},
         }) {
        SCOPED_TRACE(c.name);
        const ScopedEnvironment userProfile("USERPROFILE", c.userProfile);
        const ScopedEnvironment homeFolder("HOME", home);
        ASSERT_EQ(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                  home + QStringLiteral("/Documents"));
        const std::size_t before = script.messages().size();
        script.answerNext(ui::Answer::Yes);
        script.answerNext(ui::Answer::OK);

        EXPECT_TRUE(openViewer(mnuFormularyReport_Click,
                               [](frmView& viewer) { EXPECT_TRUE(viewer.isVisible()); }));

        const QString file = todaysStructureWorkbook(c.expectedFolder);
        ASSERT_FALSE(file.isEmpty()) << "no workbook in " << c.expectedFolder.toStdString();
        EXPECT_TRUE(tableHolds(report_test::readXlsx(file), QStringLiteral("AMX500")));
        ASSERT_EQ(script.messages().size(), before + 2);
        expectQuestionAsked(before);
        const ui::MessageShown& done = script.messages().back();
        EXPECT_EQ(done.text, QStringLiteral("Report was successfully exported to ") + file);
        EXPECT_EQ(done.title, QStringLiteral("Information"));
        EXPECT_EQ(done.icon, ui::Icon::Information);
        EXPECT_EQ(done.buttons, ui::Buttons::OK);
    }
}

TEST_P(frmViewTest, DefaultExportThatFailsSaysSoAndStillShowsTheReport) {
    // "My Documents" cannot be made under a file.
    QFile blocker(profile());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    script.answerNext(ui::Answer::Yes);
    script.answerNext(ui::Answer::OK);

    EXPECT_TRUE(openViewer(mnuFormularyReport_Click,
                           [](frmView& viewer) { EXPECT_TRUE(viewer.isVisible()); }));

    ASSERT_EQ(script.messages().size(), 2u);
    const QString expected = QStringLiteral("%1/My Documents/FormularyStructure.%2.xlsx")
                                 .arg(profile(), QDate::currentDate().toString(u"yyyy.MM.dd"));
    expectExportFailure(expected);
}

TEST_P(frmViewTest, ImageButtonsExportToTheChosenFile) {
    const std::vector<ImageExport> exports{
        {"imgExcel", "chosen.xlsx", "Microsof Excel (*.xlsx)",
         [](const QString& file) {
             const report_test::Table rows = report_test::readXlsx(file);
             EXPECT_TRUE(tableHolds(rows, QStringLiteral("AMX500")));
             EXPECT_TRUE(tableHolds(rows, QStringLiteral("Amoxicillin 500 mg capsule")));
         }},
        {"imgRTF", "chosen.rtf", "Rich Text Format (*.rtf)",
         [](const QString& file) {
             const QByteArray rtf = contentOf(file);
             EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
             EXPECT_TRUE(rtf.contains("Amoxicillin 500 mg capsule"));
             EXPECT_TRUE(rtf.trimmed().endsWith('}'));
         }},
        {"imgPDF", "chosen.pdf", "PDF Document (*.pdf)",
         [](const QString& file) {
             EXPECT_TRUE(report_test::pdfIsWellFormed(file));
             EXPECT_TRUE(report_test::pdfPages(file).join(QString()).contains(
                 QStringLiteral("Amoxicillin 500 mg capsule")));
         }},
    };
    EXPECT_TRUE(openStructure([&](frmView& viewer) {
        EXPECT_TRUE(viewer.pctMore->isHidden());
        viewer.cmdMore->click();
        EXPECT_TRUE(viewer.pctMore->isVisible());
        for (const ImageExport& e : exports) {
            SCOPED_TRACE(e.button);
            const QString file = path(QLatin1String(e.file));
            script.setNextFileName(file);
            viewer.findChild<QToolButton*>(QLatin1String(e.button))->click();
            ASSERT_FALSE(script.fileDialogs().empty());
            EXPECT_EQ(script.fileDialogs().back().kind, ui::FileDialogShown::Save);
            EXPECT_EQ(script.fileDialogs().back().filter, QLatin1String(e.filter));
            ASSERT_TRUE(QFile::exists(file));
            e.check(file);
        }
        EXPECT_TRUE(viewer.isVisible());
        viewer.cmdMore->click();
        EXPECT_TRUE(viewer.pctMore->isHidden());
    }));
    EXPECT_EQ(script.messages().size(), 1u);
}

// A name typed without the format's extension gets it; one typed with it in
// another case keeps it; a file the added extension would replace is asked about.
TEST_P(frmViewTest, TypedNamesGetTheFormatsExtension) {
    struct Case {
        const char* button;
        const char* typed;
        const char* written;
    };
    const Case cases[] = {
        {"imgExcel", "plain", "plain.xlsx"},
        {"imgExcel", "LOUD.XLSX", "LOUD.XLSX"},
        {"imgRTF", "notes.2026.12", "notes.2026.12.rtf"},
        {"imgPDF", "plain", "plain.pdf"},
    };
    EXPECT_TRUE(openStructure([&](frmView& viewer) {
        viewer.cmdMore->click();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.typed);
            script.setNextFileName(path(QLatin1String(c.typed)));
            viewer.findChild<QToolButton*>(QLatin1String(c.button))->click();
            EXPECT_TRUE(QFile::exists(path(QLatin1String(c.written))));
            if (QLatin1String(c.typed) != QLatin1String(c.written)) {
                EXPECT_FALSE(QFile::exists(path(QLatin1String(c.typed))));
            }
        }
        // plain.xlsx exists now: declining keeps it as it was.
        const QByteArray before = contentOf(path(QStringLiteral("plain.xlsx")));
        const size_t asked = script.messages().size();
        script.answerNext(ui::Answer::No);
        script.setNextFileName(path(QStringLiteral("plain")));
        viewer.imgExcel->click();
        ASSERT_EQ(script.messages().size(), asked + 1);
        EXPECT_TRUE(script.messages().back().text.contains(QStringLiteral("already exists")));
        EXPECT_EQ(contentOf(path(QStringLiteral("plain.xlsx"))), before);
    }));
}

TEST_P(frmViewTest, CancelledSaveDialogWritesNothingAndSaysNothing) {
    EXPECT_TRUE(openStructure([&](frmView& viewer) {
        viewer.cmdMore->click();
        for (QToolButton* button : {viewer.imgExcel, viewer.imgRTF, viewer.imgPDF}) {
            script.setNextFileName(QString());
            button->click();
        }
    }));
    EXPECT_EQ(script.fileDialogs().size(), 3u);
    EXPECT_EQ(script.messages().size(), 1u);
    EXPECT_TRUE(QDir(files.path()).isEmpty());
}

TEST_P(frmViewTest, ExportToAnUnwritableFileSaysSo) {
    QFile blocker(path(QStringLiteral("not-a-folder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    for (const char* button : {"imgExcel", "imgRTF", "imgPDF"}) {
        SCOPED_TRACE(button);
        const QString file = path(QStringLiteral("not-a-folder/report.out"));
        script.answerNext(ui::Answer::No);
        script.answerNext(ui::Answer::OK);
        EXPECT_TRUE(openViewer(mnuFormularyReport_Click, [&](frmView& viewer) {
            script.setNextFileName(file);
            viewer.findChild<QToolButton*>(QLatin1String(button))->click();
            EXPECT_TRUE(viewer.isVisible());
        }));
        expectExportFailure(file);
    }
}

TEST_P(frmViewTest, PrintingWritesThePagesThroughThePrintDialog) {
    struct Case {
        const char* button;
        bool closes;
    };
    for (const Case& c : {Case{"cmdPrint", true}, Case{"imgPrint", false}}) {
        SCOPED_TRACE(c.button);
        const QString file = path(QLatin1String(c.button) + QStringLiteral(".pdf"));
        const int dialogs = script.printDialogsShown();
        script.acceptNextPrintDialog(file);
        bool visibleAfter = !c.closes;
        EXPECT_TRUE(openStructure([&](frmView& viewer) {
            viewer.cmdMore->click();
            viewer.findChild<QAbstractButton*>(QLatin1String(c.button))->click();
            visibleAfter = viewer.isVisible();
        }));
        EXPECT_EQ(script.printDialogsShown(), dialogs + 1);
        EXPECT_EQ(visibleAfter, !c.closes);
        ASSERT_TRUE(report_test::pdfIsWellFormed(file));
        const QString text = report_test::pdfPages(file).join(QString());
        EXPECT_TRUE(text.contains(QStringLiteral("St. Mary's General Hospital")));
        EXPECT_TRUE(text.contains(QStringLiteral("Paracetamol 500 mg tablet")));
    }
}

TEST_P(frmViewTest, AFailedPrintIsReportedAndTheProgramGoesOn) {
    script.acceptNextPrintDialog(QStringLiteral("/nonexistent-folder/report.pdf"));
    script.answerNext(ui::Answer::OK);
    EXPECT_TRUE(openStructure([&](frmView& viewer) {
        viewer.cmdMore->click();
        viewer.imgPrint->click();
        EXPECT_TRUE(viewer.isVisible());
    }));
    ASSERT_FALSE(script.messages().empty());
    EXPECT_TRUE(script.messages().back().text.startsWith(
        QStringLiteral("The report could not be printed.")));
    EXPECT_EQ(script.exitCode(), std::nullopt);
}

FORMULARY_ENGINE_TESTS(frmViewTest);
