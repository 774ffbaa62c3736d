#include "components/current_user/current_user.h"
#include "database/csv.h"
#include "database/demo.h"
#include "platform/app_error.h"
#include "support/test_database.h"

#include <QFile>

namespace {

class Demo : public testing::TestWithParam<db::Engine> {
protected:
    void SetUp() override {
        empty = std::make_unique<test_support::TestDatabase>(GetParam(), false);
        summary = database::loadDemo(empty->target());
        conn = empty->connect();
    }

    int count(const QString& sql, const QVariantList& params = {}) {
        return conn->query(sql, params).field(0).toInt();
    }

    std::unique_ptr<test_support::TestDatabase> empty;
    database::DemoSummary summary;
    std::unique_ptr<db::Connection> conn;
};

QByteArray demoFile(const char* name) {
    QFile file(QStringLiteral(":/demo/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

int csvRows(const char* name) {
    return int(database::parseCsv(demoFile(name), QLatin1String(name)).size()) - 1;
}

// The entries of formulary.txt by kind; "g" counts generic names at indentation 0.
QHash<QString, int> treeEntries() {
    QHash<QString, int> kinds;
    for (const QString& line :
         QString::fromUtf8(demoFile("formulary.txt")).split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
            continue;
        const QString kind = line.trimmed().left(1);
        ++kinds[kind == QLatin1String("G") && !line.startsWith(QLatin1Char(' '))
                    ? QStringLiteral("g")
                    : kind];
    }
    return kinds;
}

// The key of the node whose classification, generic name or item has the name.
QString nodeOf(db::Connection& c, const QString& name) {
    const db::Recordset rs = c.query(
        QStringLiteral(
            "SELECT n.Node_Key FROM inventory.tbFormularyNode n"
            " LEFT JOIN inventory.tbForClassification k ON k.ClassificationID = n.ClassificationID"
            " LEFT JOIN inventory.tbforgeneric g ON g.GenericID = n.GenericID"
            " WHERE k.ClassificationName = ? OR g.genericname = ? OR n.itemid = ?"),
        {name, name, name});
    return rs.eof() ? QString() : rs.text(QStringLiteral("Node_Key"));
}

QString parentOf(db::Connection& c, const QString& key) {
    return c
        .query(
            QStringLiteral("SELECT Node_Parent FROM inventory.tbFormularyNode WHERE Node_Key = ?"),
            {key})
        .text(QStringLiteral("Node_Parent"));
}

} // namespace

TEST_P(Demo, HoldsWhatTheDemoFilesHold) {
    const QHash<QString, int> entries = treeEntries();
    EXPECT_EQ(summary.classifications, entries.value(QStringLiteral("C")));
    EXPECT_EQ(summary.generics, entries.value(QStringLiteral("G")));
    EXPECT_EQ(summary.unassignedGenerics, entries.value(QStringLiteral("g")));
    EXPECT_EQ(summary.drugs, entries.value(QStringLiteral("D")));
    EXPECT_EQ(summary.items, csvRows("items.csv"));
    EXPECT_EQ(summary.otherDetails, csvRows("other_details.csv"));
    EXPECT_GT(summary.unassignedGenerics, 0);
    EXPECT_GT(summary.items, summary.drugs); // some stock items under no generic name

    auto nodes = [&](const char* type) {
        return count(
            QStringLiteral("SELECT COUNT(*) FROM inventory.tbFormularyNode WHERE node_type = ?"),
            {QLatin1String(type)});
    };
    EXPECT_EQ(nodes("1"), summary.classifications);
    EXPECT_EQ(nodes("2"), summary.generics);
    EXPECT_EQ(nodes("3"), summary.drugs);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM inventory.tbforgeneric")),
              summary.generics + summary.unassignedGenerics);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM inventory.tbinvmaster")), summary.items);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM inventory.tbFormularyOtherDetails")),
              summary.otherDetails);

    // Nesting as the file indents it: a sub-classification, its generic name, a drug.
    const QString pain = nodeOf(*conn, QStringLiteral("Medicines for pain and palliative care"));
    const QString opioids = nodeOf(*conn, QStringLiteral("Opioid analgesics"));
    const QString morphine = nodeOf(*conn, QStringLiteral("Morphine"));
    EXPECT_EQ(parentOf(*conn, pain), QStringLiteral("_0"));
    EXPECT_EQ(parentOf(*conn, opioids), pain);
    EXPECT_EQ(parentOf(*conn, morphine), opioids);
    EXPECT_EQ(parentOf(*conn, nodeOf(*conn, QStringLiteral("10020010"))), morphine);
    EXPECT_TRUE(nodeOf(*conn, QStringLiteral("Artesunate")).isEmpty());

    const db::Recordset hospital =
        conn->query(QStringLiteral("SELECT clientname, company FROM patient_data.tbHospitalInfo"));
    ASSERT_EQ(hospital.recordCount(), 1);
    EXPECT_EQ(hospital.text(QStringLiteral("company")),
              QStringLiteral("St. Mary's General Hospital"));
}

TEST_P(Demo, UsersLogInWithTheirDemoPasswordsAndHaveTheirRights) {
    EXPECT_EQ(summary.users, 3);
    struct Expected {
        const char* user;
        const char* rightsClass;
        bool admin;
        int rights; // how many of the four rights are true
    };
    qputenv("FORMULARY_DATABASE", empty->target().toUtf8());
    for (const Expected& e :
         {Expected{"admin", "AA", true, 4}, Expected{"pharmacist", "AA", false, 4},
          Expected{"viewer", "BB", false, 0}}) {
        const QString name = QLatin1String(e.user);
        current_user::CurrentUser user;
        int asked = 0;
        user.setLoginPrompt([&](const QString&) -> std::optional<current_user::Credentials> {
            if (asked++ > 0)
                return std::nullopt;
            return current_user::Credentials{name, name + QStringLiteral("-demo")};
        });
        user.ShowMain();
        ASSERT_TRUE(user.Connected()) << e.user << ": " << user.connectError().toStdString();
        EXPECT_EQ(user.UserRights(), QLatin1String(e.rightsClass)) << e.user;
        EXPECT_EQ(user.checkusersettings(), e.admin) << e.user;
        const db::Recordset rights =
            conn->query(QStringLiteral("SELECT isClassification, isDrug, isGeneric, isOtherDetails "
                                       "FROM inventory.tbforUserSettings"
                                       " WHERE userid = ?"),
                        {user.employeecode()});
        ASSERT_FALSE(rights.eof()) << e.user;
        int granted = 0;
        for (int i = 0; i < 4; ++i)
            granted += rights.field(i).toBool();
        EXPECT_EQ(granted, e.rights) << e.user;
    }
    qunsetenv("FORMULARY_DATABASE");
}

TEST_P(Demo, AFilledDatabaseIsRefusedAndKeptAsItWas) {
    const int nodes = count(QStringLiteral("SELECT COUNT(*) FROM inventory.tbFormularyNode"));
    EXPECT_THROW(database::loadDemo(empty->target()), AppError);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM inventory.tbFormularyNode")), nodes);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM inventory.tbUser")), 3);
}

INSTANTIATE_TEST_SUITE_P(Engines, Demo, testing::ValuesIn(test_support::engines()),
                         test_support::engineName);
