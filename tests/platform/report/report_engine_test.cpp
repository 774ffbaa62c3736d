#include "report_fixture.h"

#include "database/item_master.h"
#include "database/procedures.h"
#include "database/session.h"
#include "platform/db/recordset.h"
#include "platform/report/location.h"
#include "platform/report/report_error.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QUuid>

using namespace report_test;

namespace {

class ReportEngine : public ReportTest {};

const QString kStructure = QStringLiteral("FormularyStructure.rpt");
const QString kNoGeneric = QStringLiteral("DrugsWithNoGeneric.rpt");
const QString kOtherDetails = QStringLiteral("FormularyReportWithOtherDetails.rpt");

// The error a call raises; fails the test when it raises none.
template <typename F> AppError errorOf(F&& call) {
    try {
        call();
    } catch (const AppError& e) {
        return e;
    }
    ADD_FAILURE() << "no error was raised";
    return AppError(0, {});
}

void logOnAs(report::Report& report, const QString& server, const QString& user,
             const QString& password) {
    for (report::DatabaseTable& table : report.tables())
        table.setLogOnInfo(server, QStringLiteral("Inventory"), user, password);
}

int occurrences(const QStringList& pages, const QString& text) {
    int count = 0;
    for (const QString& page : pages)
        count += int(page.count(text));
    return count;
}

// One field of every row the report reads.
QStringList field(report::Report& report, const QString& name) {
    const auto content = report.document()->content;
    const int index = content->fieldIndex(name);
    EXPECT_GE(index, 0) << name.toStdString();
    QStringList values;
    for (int row = 0; index >= 0 && row < content->rowCount(); ++row)
        values << content->cell(row, index);
    return values;
}

// The report's lines as "classification | generic name | item", without
// the empty parts at the end.
QStringList lines(report::Report& report) {
    const QStringList paths = field(report, QStringLiteral("ClassificationPath"));
    const QStringList generics = field(report, QStringLiteral("GenericName"));
    const QStringList items = field(report, QStringLiteral("itemid"));
    QStringList result;
    for (int row = 0; row < paths.size(); ++row) {
        QStringList parts{paths[row], generics.value(row), items.value(row)};
        while (!parts.isEmpty() && parts.last().isEmpty())
            parts.removeLast();
        result << parts.join(QStringLiteral(" | "));
    }
    return result;
}

} // namespace

TEST(ReportLocation, RetargetingSwapsTheDatabasePart) {
    struct Case {
        const char* location;
        const char* database;
        const char* expected;
    };
    for (const Case& c : {
             Case{"Inventory.dbo.tbFormularyReport", "PATIENT_DATA",
                  "PATIENT_DATA.dbo.tbFormularyReport"},
             Case{"Pharmacy.dbo.tbinvmaster", "Inventory", "Inventory.dbo.tbinvmaster"},
             Case{"inventory..tbinvmaster", "INVENTORY", "INVENTORY..tbinvmaster"},
         })
        EXPECT_EQ(report::withDatabase(QLatin1String(c.location), QLatin1String(c.database)),
                  QLatin1String(c.expected));
    EXPECT_EQ(report::Location::parse(QStringLiteral("INVENTORY.dbo.tbinvmaster")).qualifiedTable(),
              QStringLiteral("inventory.tbinvmaster"));
    EXPECT_EQ(
        report::Location::parse(QStringLiteral("Patient_Data..tbHospitalInfo")).qualifiedTable(),
        QStringLiteral("patient_data.tbHospitalInfo"));
}

TEST(ReportLocation, UnknownDatabasesAndMalformedLocationsAreRefused) {
    auto report = report::Application().openReport(QCoreApplication::applicationDirPath() +
                                                   QStringLiteral("/FormularyStructure.rpt"));
    report::DatabaseTable& table = report->tables().at(0);
    EXPECT_EQ(table.location(), QStringLiteral("Inventory.dbo.tbFormularyReport"));
    for (const char* bad : {"Pharmacy.dbo.tbFormularyReport", "tbFormularyReport",
                            "Inventory.dbo.tbFormularyReport; DROP TABLE x", "Inventory.a.b.c"}) {
        const AppError e = errorOf([&] { table.setLocation(QLatin1String(bad)); });
        EXPECT_EQ(e.number(), AppError::InvalidArgument) << bad;
        EXPECT_EQ(table.location(), QStringLiteral("Inventory.dbo.tbFormularyReport")) << bad;
    }
    EXPECT_TRUE(errorOf([&] {
                    table.setLogOnInfo(QStringLiteral("/tmp"), QStringLiteral("Pharmacy"), {}, {});
                })
                    .description()
                    .contains(QStringLiteral("Pharmacy")));
}

TEST(ReportFile, AMissingReportFileRaises) {
    const AppError e = errorOf([] {
        report::Application().openReport(QStringLiteral("/nowhere/FormularyStructure.rpt"));
    });
    EXPECT_EQ(e.number(), report::FileNotFound);
    EXPECT_TRUE(e.description().contains(QStringLiteral("/nowhere/FormularyStructure.rpt")));
}

TEST_P(ReportEngine, TheLocationChoosesTheDatabaseTheRowsComeFrom) {
    const auto report = open(kNoGeneric);
    for (report::DatabaseTable& table : report->tables())
        table.setLocation(report::withDatabase(table.location(), QStringLiteral("PATIENT_DATA")));
    const AppError e = errorOf([&] { report->document(); });
    EXPECT_TRUE(e.description().contains(QStringLiteral("could not read its rows")))
        << e.description().toStdString();

    for (report::DatabaseTable& table : report->tables())
        table.setLocation(report::withDatabase(table.location(), QStringLiteral("INVENTORY")));
    EXPECT_EQ(report->document()->content->rowCount(), 2);
}

TEST_P(ReportEngine, TheLogOnIsUsedForTheEnginesOwnConnection) {
    const auto report = open(kNoGeneric);
    for (report::DatabaseTable& table : report->tables())
        table.setLogOnInfo({}, QStringLiteral("Inventory"), {}, {});
    EXPECT_EQ(errorOf([&] { report->document(); }).number(), AppError::NotConnected);

    if (GetParam() == db::Engine::SQLite) {
        // Another formulary database: its rows, not those of the test's.
        test_support::TestDatabase other(db::Engine::SQLite);
        database::saveItems(*other.connect(), {{QStringLiteral("B001"),
                                                QStringLiteral("Bisacodyl"),
                                                QStringLiteral("5 mg tablet"),
                                                {},
                                                {},
                                                {},
                                                {}}});
        logOnAs(*report, other.target(), {}, {});
        ASSERT_EQ(report->document()->content->rowCount(), 1);
        EXPECT_EQ(report->document()->content->cell(0, 0), QStringLiteral("B001"));

        logOnAs(*report, files.filePath(QStringLiteral("no-database-here")), {}, {});
        const AppError e = errorOf([&] { report->document(); });
        EXPECT_EQ(e.number(), AppError::NotConnected);
        EXPECT_TRUE(e.description().contains(QStringLiteral("could not log on")));
        return;
    }
    // A user that does not exist, a wrong password, or a user who may not
    // read the tables.
    const QString server = conn->target().serverName();
    logOnAs(*report, server, QStringLiteral("no_such_report_user"), QStringLiteral("secret"));
    EXPECT_EQ(errorOf([&] { report->document(); }).number(), AppError::NotConnected);

    const QString role =
        QStringLiteral("report_reader_") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    conn->execute(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'secret'").arg(role));
    logOnAs(*report, server, role, QStringLiteral("wrong"));
    EXPECT_EQ(errorOf([&] { report->document(); }).number(), AppError::NotConnected);
    logOnAs(*report, server, role, QStringLiteral("secret"));
    const AppError refused = errorOf([&] { report->document(); });
    conn->execute(QStringLiteral("DROP ROLE %1").arg(role));
    EXPECT_TRUE(refused.description().contains(QStringLiteral("permission denied")))
        << refused.description().toStdString();
}

// Two workstations prepare the reports at the same time while the formulary
// changes: each report file reads its own session's lines, other details
// included.
TEST_P(ReportEngine, EachSessionSeesOnlyItsOwnPreparedRows) {
    const auto other = database->connect();
    database::beginSession(*other, QStringLiteral("E200"));
    database::Formulary_NodeLevel(*conn);
    addClassification(QStringLiteral("Zoology"));
    database::Formulary_NodeLevel(*other);
    database::Formulary_Generate(*conn);
    setOtherDetails(keys.value(QStringLiteral("Amoxicillin")), QStringLiteral("Take with food."));
    database::Formulary_Generate(*other);

    const QStringList before = {
        QStringLiteral("Analgesics"),
        QStringLiteral("Analgesics > Non-opioid | Paracetamol | A003"),
        QStringLiteral("Analgesics > Non-opioid | Paracetamol | A002"),
        QStringLiteral("Anti-infectives | Amoxicillin | A004"),
        QStringLiteral("Anti-infectives | Cefalexin"),
        QStringLiteral("Antineoplastics | Étoposide | A001"),
        QStringLiteral("Vitamins"),
    };
    const QStringList after = before + QStringList{QStringLiteral("Zoology")};
    const QString amoxicillin = QStringLiteral("Take with food.");
    for (const QString& file : {kStructure, kOtherDetails}) {
        SCOPED_TRACE(file.toStdString());
        const auto mine = open(file, *conn);
        const auto theirs = open(file, *other);
        EXPECT_EQ(lines(*mine), before);
        EXPECT_EQ(lines(*theirs), after);
        if (file == kOtherDetails) {
            EXPECT_FALSE(field(*mine, QStringLiteral("OtherDetails")).contains(amoxicillin));
            EXPECT_EQ(field(*theirs, QStringLiteral("OtherDetails")).count(amoxicillin), 1);
        }
    }

    const auto theirs = open(kOtherDetails, *other);
    ASSERT_EQ(lines(*theirs), after);
    database::endSession(*other);
    theirs->setSessionId(QStringLiteral("ended"));
    EXPECT_TRUE(lines(*theirs).isEmpty()) << "read again for the new session";
    theirs->setSessionId({});
    EXPECT_EQ(errorOf([&] { theirs->document(); }).number(), AppError::InvalidArgument);
}

TEST_P(ReportEngine, LongReportsRunOverPagesWithTheirHeadingsRepeated) {
    std::vector<database::StockItem> items;
    for (int i = 1; i <= 120; ++i)
        items.push_back({QStringLiteral("P%1").arg(i, 3, 10, QLatin1Char('0')),
                         QStringLiteral("Paracetamol"),
                         QStringLiteral("%1 mg tablet").arg(i + 500, 4, 10, QLatin1Char('0')),
                         {},
                         {},
                         {},
                         {}});
    database::saveItems(*database->connect(), items); // as the administration tool
    for (const database::StockItem& item : items)
        addDrug(keys.value(QStringLiteral("Paracetamol")), item.itemid);
    prepare(*conn);

    const auto report = open(kStructure);
    const int count = report->pages()->pageCount();
    ASSERT_GT(count, 2);
    const QString file = path(QStringLiteral("long.pdf"));
    report->exportToFile(report::ExportFormat::Pdf, file);
    EXPECT_TRUE(pdfIsWellFormed(file));
    const QStringList pages = pdfPages(file);
    ASSERT_EQ(pages.size(), count);
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(pages[i].contains(QStringLiteral("Page %1 of %2").arg(i + 1).arg(count)));
        EXPECT_TRUE(pages[i].contains(QStringLiteral("St Elsewhere Hospital")));
    }
    for (const database::StockItem& item : items)
        EXPECT_EQ(occurrences(pages, item.itemid + QLatin1Char(' ')), 1)
            << item.itemid.toStdString();
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Analgesics > Non-opioid (continued)")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Paracetamol (continued)")));
    EXPECT_TRUE(pages.last().contains(QStringLiteral("Vitamins")));

    // A printer's page range prints those pages of the same pagination.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path(QStringLiteral("range.pdf")));
    printer.setPageLayout(report->pageLayout());
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    report->print(printer);
    const QStringList printed = pdfPages(path(QStringLiteral("range.pdf")));
    ASSERT_EQ(printed.size(), 2);
    EXPECT_EQ(printed[0], pages[1]);
    EXPECT_EQ(printed[1], pages[2]);
}

TEST_P(ReportEngine, PrintsOnTheCallersPrinter) {
    prepare(*conn);
    const auto report = open(kStructure);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path(QStringLiteral("printed.pdf")));
    printer.setPageLayout(report->pageLayout());
    report->print(printer);
    EXPECT_TRUE(pdfIsWellFormed(path(QStringLiteral("printed.pdf"))));
    const QStringList pages = pdfPages(path(QStringLiteral("printed.pdf")));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Paracetamol 500 mg tablet")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Page 1 of 1")));

    // Another paper is paginated for itself; the preview's pages stay.
    const auto preview = report->pages();
    QPrinter letter(QPrinter::HighResolution);
    letter.setOutputFormat(QPrinter::PdfFormat);
    letter.setOutputFileName(path(QStringLiteral("landscape.pdf")));
    letter.setPageOrientation(QPageLayout::Landscape);
    report->print(letter);
    EXPECT_EQ(pdfPages(path(QStringLiteral("landscape.pdf"))).size(), 1);
    EXPECT_EQ(report->pages(), preview);
}

TEST_P(ReportEngine, AFileThatCannotBeWrittenRaisesAndLeavesNothing) {
    prepare(*conn);
    const auto report = open(kStructure);
    const QString folder = path(QStringLiteral("missing-folder"));
    for (const auto& [format, name] : {std::pair{report::ExportFormat::Excel, "r.xlsx"},
                                       std::pair{report::ExportFormat::RichText, "r.rtf"},
                                       std::pair{report::ExportFormat::Pdf, "r.pdf"}}) {
        const QString file = folder + QLatin1Char('/') + QLatin1String(name);
        const AppError e = errorOf([&] { report->exportToFile(format, file); });
        EXPECT_EQ(e.number(), report::FileAccess) << name;
        EXPECT_TRUE(e.description().contains(file)) << e.description().toStdString();
        EXPECT_FALSE(QFileInfo::exists(file));
    }
}

FORMULARY_ENGINE_TESTS(ReportEngine);

// The Audit Trail reads no table: the program hands it its rows, and the
// range they cover shows beside the title in every output.
TEST(ReportGivenRows, ReachEveryOutputWithTheLineBesideTheTitle) {
    auto audit = report::Application().openReport(QCoreApplication::applicationDirPath() +
                                                  QStringLiteral("/AuditTrail.rpt"));
    EXPECT_EQ(errorOf([&] { audit->document(); }).number(), AppError::InvalidArgument);

    const QStringList fields = {"ChangedAt", "Who",       "Workstation", "Action",
                                "EntryKind", "EntryName", "Before",      "After"};
    std::vector<QVariant> values;
    for (const char* value : {"2024-05-02 10:00:00", "pharmacist", "ward-3", "rename",
                              "classification", "Antibiotics", "Antibacterials", "Antibiotics"})
        values.emplace_back(QString::fromLatin1(value));
    audit->setRows(std::make_shared<const report::Content>(db::Recordset(fields, values)));
    const QString range = QStringLiteral("2024-05-01 to 2024-05-30 \u00b7 all users");
    audit->setSubtitle(range);

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("audit.pdf"));
    const QString xlsx = dir.filePath(QStringLiteral("audit.xlsx"));
    const QString rtf = dir.filePath(QStringLiteral("audit.rtf"));
    audit->exportToFile(report::ExportFormat::Pdf, pdf);
    audit->exportToFile(report::ExportFormat::Excel, xlsx);
    audit->exportToFile(report::ExportFormat::RichText, rtf);

    const QStringList pages = pdfPages(pdf);
    ASSERT_EQ(pages.size(), 1);
    for (const char* shown :
         {"Audit Trail", "2024-05-01 to 2024-05-30", "ward-3", "Antibacterials"})
        EXPECT_TRUE(pages[0].contains(QLatin1String(shown))) << shown;
    const Table sheet = readXlsx(xlsx);
    ASSERT_EQ(sheet.size(), 3u);
    EXPECT_EQ(sheet[0][0], QStringLiteral("Audit Trail \u00b7 ") + range);
    EXPECT_EQ(sheet[2][1], QStringLiteral("pharmacist"));
    QFile rtfFile(rtf);
    ASSERT_TRUE(rtfFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(rtfFile.readAll().contains("2024-05-01 to 2024-05-30"));
}
