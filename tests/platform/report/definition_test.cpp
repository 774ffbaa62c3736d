#include "platform/report/definition.h"
#include "platform/report/report.h"
#include "platform/report/report_error.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

const QString kValid = QStringLiteral("# A report\n"
                                      "[report]\n"
                                      "title = Stock list\n"
                                      "\n"
                                      "[table Items]\n"
                                      "location = Inventory.dbo.tbinvmaster\n"
                                      "query = SELECT itemid, itemname\n"
                                      "    FROM {Items}\n"
                                      "\tORDER BY itemid\n"
                                      "[group itemname]\n"
                                      "note header = Notes\n"
                                      "note = itemid\n"
                                      "[column itemid]\n"
                                      "header = Item code\n"
                                      "width = 1440\n");

} // namespace

TEST(ReportDefinition, ReadsSectionsKeysAndContinuedValues) {
    const report::Definition d = report::Definition::parse(kValid, QStringLiteral("stock.rpt"));
    EXPECT_EQ(d.title, QStringLiteral("Stock list"));
    ASSERT_EQ(d.tables.size(), 1u);
    EXPECT_EQ(d.sourceTable().query,
              QStringLiteral("SELECT itemid, itemname\nFROM {Items}\nORDER BY itemid"));
    ASSERT_EQ(d.groups.size(), 1u);
    EXPECT_EQ(d.groups[0].header, QStringLiteral("itemname")) << "the field names an unnamed group";
    EXPECT_EQ(d.groups[0].noteHeader, QStringLiteral("Notes"));
    ASSERT_EQ(d.columns.size(), 1u);
    EXPECT_EQ(d.columns[0].header, QStringLiteral("Item code"));
    EXPECT_EQ(d.columns[0].width, 1440);
}

TEST(ReportDefinition, FaultsNameTheFileAndLine) {
    struct Case {
        QString from;
        QString to;
        const char* expected;
    };
    const QString kQuery = QStringLiteral("query = SELECT itemid, itemname\n");
    for (const Case& c : {
             Case{QStringLiteral("width = 1440"), QStringLiteral("width = -5"), "line 15: a width"},
             Case{QStringLiteral("title = Stock list"), QStringLiteral("colour = red"),
                  "line 3: unknown key \"colour\""},
             Case{QStringLiteral("Inventory.dbo"), QStringLiteral("Pharmacy.dbo"), "line 6:"},
             Case{QStringLiteral("[table Items]"), QStringLiteral("[table Items]\n[table items]"),
                  "line 6: the table items is defined twice"},
             Case{QStringLiteral("# A report"), QStringLiteral("  indented"),
                  "line 1: an indented line continues nothing"},
             Case{QStringLiteral("[column itemid]"), QStringLiteral("[colum itemid]"),
                  "line 13: unknown section"},
             Case{QStringLiteral("[group itemname]"), QStringLiteral("[group item-name]"),
                  "\"item-name\" is not a plain name"},
             Case{kQuery, QString(), "exactly one table must have a query"},
             Case{QStringLiteral("[column itemid]\nheader = Item code\nwidth = 1440\n"), QString(),
                  "the report has no columns"},
             Case{QStringLiteral("title = Stock list\n"), QString(), "the report has no title"},
             Case{QStringLiteral("title = Stock list"),
                  QStringLiteral("title = Stock list\norientation = sideways"),
                  "the orientation is \"portrait\" or \"landscape\""},
         }) {
        QString text = kValid;
        text.replace(c.from, c.to);
        try {
            report::Definition::parse(text, QStringLiteral("stock.rpt"));
            ADD_FAILURE() << "accepted: " << c.expected;
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), report::BadFileFormat);
            EXPECT_TRUE(e.description().contains(QStringLiteral("stock.rpt")));
            EXPECT_TRUE(e.description().contains(QString::fromUtf8(c.expected)))
                << e.description().toStdString();
        }
    }
}

TEST(ReportDefinition, AtMostFourGroupLevels) {
    QString text = kValid;
    for (const char* field : {"a", "b", "c", "d"})
        text += QStringLiteral("[group %1]\n").arg(QLatin1String(field));
    EXPECT_THROW(report::Definition::parse(text, QStringLiteral("deep.rpt")), AppError);
}

TEST(ReportDefinition, TheInstalledReportsOpen) {
    struct Case {
        const char* file;
        const char* title;
        int tables;
        int groups;
    };
    for (const Case& c :
         {Case{"FormularyStructure.rpt", "Formulary Structure", 1, 2},
          Case{"DrugsWithNoGeneric.rpt", "Drugs with no Generic", 2, 0},
          Case{"FormularyReportWithOtherDetails.rpt", "Drugs with other Details", 1, 2},
          Case{"AuditTrail.rpt", "Audit Trail", 0, 0}}) {
        const auto report = report::Application().openReport(
            QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(c.file));
        EXPECT_EQ(report->title(), QLatin1String(c.title));
        // The audit's eight columns fit across a page turned sideways.
        EXPECT_EQ(report->pageLayout().orientation(),
                  c.tables == 0 ? QPageLayout::Landscape : QPageLayout::Portrait);
        EXPECT_EQ(int(report->tables().size()), c.tables) << c.file;
        for (const report::DatabaseTable& table : report->tables())
            EXPECT_TRUE(table.location().startsWith(QStringLiteral("Inventory.dbo.")));
    }
}
