#include "database/item_import.h"
#include "platform/app_error.h"
#include "support/test_database.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <optional>
#include <thread>

using test_support::EngineTest;

namespace {

const QByteArray kHeader = "itemid,name,description,indication,dosage,administration,preparation\n";
const QByteArray kGoodRow = "X1,Amoxicillin,500 mg capsule,Infections,500 mg 8-hourly,Oral,\n";

class ItemImport : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        database::saveItems(*conn, {{QStringLiteral("A1"),
                                     QStringLiteral("Old name"),
                                     QStringLiteral("old"),
                                     {},
                                     {},
                                     {},
                                     {}}});
    }

    QString writeFile(const QByteArray& bytes) {
        const QString path = m_dir.filePath(QStringLiteral("items.csv"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }

    std::vector<QStringList> storedItems() { return test_support::storedItems(*conn); }

private:
    QTemporaryDir m_dir;
};

} // namespace

// A file as a spreadsheet saves it: byte-order mark, CRLF, quoted fields with
// commas, doubled quotes and line breaks; the columns in another order. A
// placed item's node shows its new name.
TEST_P(ItemImport, ReadsSpreadsheetQuotingAndUpdatesExistingItems) {
    conn->execute(QStringLiteral("INSERT INTO inventory.tbFormularyNode"
                                 " (Node_Key, Node_Parent, Node_Level, node_type, itemid)"
                                 " VALUES ('_1', '_0', 1, '3', 'A1')"));
    const QByteArray file =
        "\xEF\xBB\xBF"
        "name,itemid,description,indication,dosage,administration,preparation\r\n"
        "New name,A1,250 mg tablet,,,,\r\n"
        "\"Children's \"\"Calpol\"\"\",B2,\"120 mg/5 mL, suspension\",Fever,"
        "\"5 mL\r\nevery 6 hours\",Oral,\"Shake well.\"\r\n"
        "\xC3\x89toposide,C3,100 mg/5 mL injection,,,,\r\n";
    const database::ImportSummary summary = database::importItems(*conn, writeFile(file));
    EXPECT_EQ(summary.added, 2);
    EXPECT_EQ(summary.updated, 1);
    const std::vector<QStringList> expected = {
        {"A1", "New name", "250 mg tablet", "<null>", "<null>", "<null>", "<null>"},
        {"B2", "Children's \"Calpol\"", "120 mg/5 mL, suspension", "Fever", "5 mL\nevery 6 hours",
         "Oral", "Shake well."},
        {"C3", QStringLiteral("Étoposide"), "100 mg/5 mL injection", "<null>", "<null>", "<null>",
         "<null>"},
    };
    EXPECT_EQ(storedItems(), expected);
    const db::Recordset node =
        conn->query(QStringLiteral("SELECT NodeName, name_folded FROM inventory.tbFormularyNode"
                                   " WHERE Node_Key = '_1'"));
    EXPECT_EQ(node.text(QStringLiteral("NodeName")), QStringLiteral("New name 250 mg tablet"));
    EXPECT_EQ(node.text(QStringLiteral("name_folded")), QStringLiteral("new name 250 mg tablet"));

    // The same file again changes nothing.
    const database::ImportSummary again = database::importItems(*conn, writeFile(file));
    EXPECT_EQ(again.added + again.updated, 0);
    EXPECT_EQ(again.unchanged, 3);
    EXPECT_EQ(storedItems(), expected);
}

TEST_P(ItemImport, ABadRowImportsNothingAndNamesItsLine) {
    struct Case {
        const char* what;
        QByteArray text;
        int line;
        const char* message;
    };
    const Case cases[] = {
        {"empty file", "", 1, "needs a header row"},
        {"name column missing", "itemid,description\nX1,500 mg capsule\n", 1,
         "lacks the column \"name\""},
        {"column named twice", "itemid,name,Name\n", 1, "the column \"Name\" is named twice"},
        {"too few fields", kHeader + kGoodRow + "X2,Name,desc\n", 3,
         "3 fields where the header has 7"},
        {"empty itemid", kHeader + kGoodRow + ",Name,,,,,\n", 3, "the itemid is empty"},
        {"empty name", kHeader + kGoodRow + "X2, ,,,,,\n", 3, "the name is empty"},
        {"itemid twice", kHeader + kGoodRow + "X2,B,,,,,\n" + kGoodRow, 4,
         "X1 is given twice (first on line 2)"},
        {"quote not closed", kHeader + kGoodRow + "X2,\"Name,,,,,\n", 3, "not closed"},
        {"text after a quote", kHeader + "X2,\"Name\"x,,,,,\n", 2, "after the closing quote"},
        {"line after a multi-line field", kHeader + "X2,N,,\"two\nlines\",,,\nX3,N\n", 4,
         "2 fields"},
        {"name too long", kHeader + kGoodRow + "X2," + QByteArray(101, 'n') + ",,,,,\n", 3,
         "the name is longer than 100 characters"},
        {"control character in a name", kHeader + "X2,A\x01B,,,,,\n", 2,
         "the name holds a control character"},
    };
    const std::vector<QStringList> before = storedItems();
    for (const Case& c : cases) {
        try {
            database::importItems(*conn, writeFile(c.text));
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const AppError& e) {
            EXPECT_TRUE(e.description().contains(QStringLiteral("line %1: ").arg(c.line)))
                << c.what << ": " << e.description().toStdString();
            EXPECT_TRUE(e.description().contains(QLatin1String(c.message)))
                << c.what << ": " << e.description().toStdString();
        }
        EXPECT_EQ(storedItems(), before) << c.what;
    }
}

// The import holds the database only while it writes: another workstation
// reads meanwhile, and its change waits (its own connection's busy wait) and
// then goes through.
TEST_P(ItemImport, OtherWorkstationsReadAndChangeDuringAnImport) {
    QByteArray file = kHeader;
    for (int i = 0; i < 1000; ++i)
        file += "N" + QByteArray::number(i) + ",Item " + QByteArray::number(i) + ",,,,,\n";
    const auto other = database->connect();
    int readWhileWriting = -1;
    std::optional<QString> refused;
    std::thread otherChange;
    const database::Progress hold = [&](const QString& step) {
        if (!step.contains(QStringLiteral("writing")))
            return;
        readWhileWriting =
            other->query(QStringLiteral("SELECT COUNT(*) FROM inventory.tbinvmaster"))
                .field(0)
                .toInt();
        otherChange = std::thread([&] {
            try {
                database::saveItems(*database->connect(), {{QStringLiteral("W1"),
                                                            QStringLiteral("Other workstation's"),
                                                            {},
                                                            {},
                                                            {},
                                                            {},
                                                            {}}});
            } catch (const AppError& e) {
                refused = e.description();
            }
        });
        QThread::msleep(300); // the other change starts and waits meanwhile
    };
    const database::ImportSummary summary = database::importItems(*conn, writeFile(file), hold);
    otherChange.join();
    EXPECT_EQ(summary.added, 1000);
    EXPECT_EQ(readWhileWriting, 1) << "the item of SetUp, nothing of the import yet";
    EXPECT_FALSE(refused.has_value()) << refused.value_or(QString()).toStdString();
    EXPECT_EQ(storedItems().size(), 1002u);
}

TEST_P(ItemImport, AFileThatCannotBeReadIsAnError) {
    try {
        database::importItems(*conn, QStringLiteral("/nonexistent/items.csv"));
        FAIL() << "accepted";
    } catch (const AppError& e) {
        EXPECT_TRUE(
            e.description().startsWith(QStringLiteral("Cannot read /nonexistent/items.csv")));
    }
}

FORMULARY_ENGINE_TESTS(ItemImport);
