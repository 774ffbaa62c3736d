#include "report_fixture.h"

#include "platform/report/report_error.h"

#include <QFile>
#include <QRegularExpression>

using namespace report_test;

namespace {

class ReportContent : public ReportTest {};

const QString kStructure = QStringLiteral("FormularyStructure.rpt");
const QString kNoGeneric = QStringLiteral("DrugsWithNoGeneric.rpt");
const QString kOtherDetails = QStringLiteral("FormularyReportWithOtherDetails.rpt");
const QString kEtoposideDetails =
    QStringLiteral("Cytotoxic: handle as hazardous.\nWeigh {dose} by body surface \\ area.");

QString text(const char* utf8) {
    return utf8 == nullptr ? QString() : QString::fromUtf8(utf8);
}

Table table(std::initializer_list<std::initializer_list<const char*>> rows) {
    Table result;
    for (const auto& row : rows) {
        std::vector<QString> cells;
        for (const char* cell : row)
            cells.push_back(text(cell));
        result.push_back(std::move(cells));
    }
    return result;
}

QByteArray readFile(const QString& fileName) {
    QFile file(fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName.toStdString();
    return file.readAll();
}

} // namespace

TEST_P(ReportContent, FormularyStructureListsClassificationsGenericNamesAndDrugs) {
    prepare(*conn);
    const auto report = open(kStructure);
    EXPECT_EQ(report->title(), QStringLiteral("Formulary Structure"));
    report->exportToFile(report::ExportFormat::Excel, path(QStringLiteral("structure.xlsx")));
    EXPECT_EQ(
        readXlsx(path(QStringLiteral("structure.xlsx"))),
        table({
            {"Formulary Structure"},
            {"Classification", "Generic name", "Item code", "Drug"},
            {"Analgesics"},
            {"Analgesics > Non-opioid", "Paracetamol", "A003", "Paracetamol 120 mg/5 mL syrup"},
            {"Analgesics > Non-opioid", "Paracetamol", "A002", "Paracetamol 500 mg tablet"},
            {"Anti-infectives", "Amoxicillin", "A004", "Amoxicillin 250 mg capsule"},
            {"Anti-infectives", "Cefalexin"},
            {"Antineoplastics", "Étoposide", "A001", "Étoposide 100 mg capsule"},
            {"Vitamins"},
        }));
}

TEST_P(ReportContent, DrugsWithNoGenericNeedNoPreparation) {
    const auto report = open(kNoGeneric);
    ASSERT_EQ(report->tables().size(), 2u);
    report->exportToFile(report::ExportFormat::Excel, path(QStringLiteral("nogeneric.xlsx")));
    EXPECT_EQ(readXlsx(path(QStringLiteral("nogeneric.xlsx"))),
              table({
                  {"Drugs with no Generic"},
                  {"Item code", "Drug"},
                  {"A006", "Aspirin 75 mg tablet"},
                  {"A005", "Zinc oxide cream"},
              }));
}

TEST_P(ReportContent, OtherDetailsStandUnderTheirGenericName) {
    prepare(*conn);
    const auto report = open(kOtherDetails);
    report->exportToFile(report::ExportFormat::Excel, path(QStringLiteral("details.xlsx")));
    const Table rows = readXlsx(path(QStringLiteral("details.xlsx")));
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[1],
              table({{"Classification", "Generic name", "Other details", "Item code", "Drug"}})[0]);
    EXPECT_EQ(rows[7],
              (std::vector<QString>{QStringLiteral("Antineoplastics"), QStringLiteral("Étoposide"),
                                    kEtoposideDetails, QStringLiteral("A001"),
                                    QStringLiteral("Étoposide 100 mg capsule")}));
    EXPECT_EQ(rows[5][2], QString()) << "Amoxicillin has no other details";

    report->exportToFile(report::ExportFormat::Pdf, path(QStringLiteral("details.pdf")));
    const QString page = pdfPages(path(QStringLiteral("details.pdf"))).value(0);
    EXPECT_TRUE(page.contains(QStringLiteral("Cytotoxic: handle as hazardous.")));
    EXPECT_TRUE(page.contains(QStringLiteral("Weigh {dose} by body surface \\ area.")));
}

TEST_P(ReportContent, PdfShowsThePageHeaderRowsAndPageNumbers) {
    prepare(*conn);
    const auto report = open(kStructure);
    const QString file = path(QStringLiteral("structure.pdf"));
    report->exportToFile(report::ExportFormat::Pdf, file);
    EXPECT_TRUE(pdfIsWellFormed(file));
    const QStringList pages = pdfPages(file);
    ASSERT_EQ(pages.size(), 1);
    for (const char* expected :
         {"St Elsewhere Hospital", "1 Infirmary Road, Northam", "Formulary Structure",
          "Analgesics > Non-opioid", "Paracetamol 120 mg/5 mL syrup", "Paracetamol 500 mg tablet",
          "Cefalexin", "Étoposide 100 mg capsule", "A004", "Vitamins", "Page 1 of 1"})
        EXPECT_TRUE(pages[0].contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                    << pages[0].toStdString();
    // Rows keep their order on the page.
    EXPECT_LT(pages[0].indexOf(QStringLiteral("120 mg/5 mL")),
              pages[0].indexOf(QStringLiteral("500 mg")));
    EXPECT_LT(pages[0].indexOf(QStringLiteral("Anti-infectives")),
              pages[0].indexOf(QStringLiteral("Antineoplastics")));
}

TEST_P(ReportContent, RichTextIsEscapedAndHoldsTheRows) {
    prepare(*conn);
    const auto report = open(kOtherDetails);
    const QString file = path(QStringLiteral("details.rtf"));
    report->exportToFile(report::ExportFormat::RichText, file);
    const QByteArray rtf = readFile(file);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi"));
    EXPECT_TRUE(std::all_of(rtf.begin(), rtf.end(), [](char c) { return (c & 0x80) == 0; }));
    // Braces balance once the escaped ones are left out, and the document
    // closes with the last one.
    int depth = 0;
    qsizetype closedAt = -1;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
        } else if (rtf[i] == '{') {
            ++depth;
        } else if (rtf[i] == '}') {
            ASSERT_GT(depth, 0) << "at byte " << i;
            if (--depth == 0 && closedAt < 0)
                closedAt = i;
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(closedAt, rtf.trimmed().size() - 1);
    for (const char* expected :
         {"\\u201?toposide 100 mg capsule", "A001\\tab \\u201?toposide", "Analgesics > Non-opioid",
          "Weigh \\{dose\\} by body surface \\\\ area.", "hazardous.\\line Weigh",
          "St Elsewhere Hospital", "Drugs with other Details",
          "A003\\tab Paracetamol 120 mg/5 mL syrup"})
        EXPECT_TRUE(rtf.contains(expected)) << expected;
}

TEST_P(ReportContent, AnEmptyReportStillMakesAPage) {
    const auto report = open(kStructure);
    EXPECT_EQ(report->pages()->pageCount(), 1);
    report->exportToFile(report::ExportFormat::Pdf, path(QStringLiteral("empty.pdf")));
    EXPECT_TRUE(pdfPages(path(QStringLiteral("empty.pdf")))
                    .value(0)
                    .contains(QStringLiteral("There are no entries in this report.")));
    report->exportToFile(report::ExportFormat::Excel, path(QStringLiteral("empty.xlsx")));
    EXPECT_EQ(readXlsx(path(QStringLiteral("empty.xlsx"))).size(), 2u);
}

FORMULARY_ENGINE_TESTS(ReportContent);
