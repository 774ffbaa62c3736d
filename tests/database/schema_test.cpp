#include "database/backup_archive.h"
#include "database/schema.h"
#include "platform/db/db_error.h"
#include "support/test_database.h"

#include <QCoreApplication>
#include <QDir>

using test_support::EngineTest;

namespace {

class Schema : public EngineTest {};

} // namespace

TEST_P(Schema, UpgradeIsCurrentAndRepeatable) {
    EXPECT_EQ(database::schemaVersion(*conn), database::CurrentSchemaVersion);
    database::upgrade(*conn);
    EXPECT_EQ(database::schemaVersion(*conn), database::CurrentSchemaVersion);
    EXPECT_NO_THROW(database::prepareForUse(*conn));
    // The root of the tree is stored once.
    EXPECT_EQ(conn->query(QStringLiteral("SELECT * FROM inventory.tbFormularyNode")).recordCount(),
              1);
}

// Before its schema is upgraded, an embedded database writes a backup into
// its folder, of the schema it had; a current one writes none.
TEST_P(Schema, EmbeddedDatabaseBacksItselfUpBeforeAnUpgrade) {
    if (GetParam() != db::Engine::SQLite)
        GTEST_SKIP() << "a server is upgraded by formulary-admin, and backed up by IT";
    const int older = database::CurrentSchemaVersion - 1;
    conn->execute(QStringLiteral("UPDATE inventory.tbSchemaVersion SET version = ?"), {older});
    const QDir folder(database->target());
    const QStringList pattern = {QStringLiteral("before-upgrade-schema-*.tar")};
    database::prepareForUse(*conn);
    database::prepareForUse(*conn);
    const QStringList backups = folder.entryList(pattern, QDir::Files);
    ASSERT_EQ(backups.size(), 1) << backups.join(u' ').toStdString();
    EXPECT_TRUE(backups[0].startsWith(QStringLiteral("before-upgrade-schema-%1.").arg(older)));
    EXPECT_EQ(QFileInfo(folder.filePath(backups[0])).permissions(),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

    QTemporaryDir unpacked;
    database::backup_archive::extract(folder.filePath(backups[0]), unpacked.path(),
                                      {"manifest", "inventory.db", "patient_data.db"});
    db::Connection copy(db::Target::parse(unpacked.path()));
    copy.open();
    EXPECT_EQ(database::schemaVersion(copy), older);
    EXPECT_EQ(database::schemaVersion(*conn), database::CurrentSchemaVersion);
}

// The search index needs pg_trgm: an owner who may not install it is told
// what to ask the server's administrator for, and the schema stays as it was.
TEST_P(Schema, ServerUpgradeSaysWhenTheTrigramExtensionCannotBeMade) {
    if (GetParam() != db::Engine::PostgreSQL)
        GTEST_SKIP() << "the embedded engine has its own trigram index";
    const int older = 7; // before the trigram indexes of version 8
    conn->execute(QStringLiteral("DROP EXTENSION pg_trgm CASCADE"));
    conn->execute(QStringLiteral("UPDATE inventory.tbSchemaVersion SET version = ?"), {older});
    const QString role =
        QStringLiteral("no_create_") + QString::number(QCoreApplication::applicationPid());
    conn->execute(QStringLiteral("CREATE ROLE %1").arg(role));
    conn->execute(QStringLiteral("GRANT USAGE ON SCHEMA inventory TO %1").arg(role));
    conn->execute(QStringLiteral("GRANT SELECT ON inventory.tbSchemaVersion TO %1").arg(role));
    conn->execute(QStringLiteral("SET ROLE %1").arg(role));
    try {
        database::upgrade(*conn);
        ADD_FAILURE() << "the upgrade went on without pg_trgm";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), AppError::PermissionDenied);
        EXPECT_TRUE(e.description().contains(QStringLiteral("\"CREATE EXTENSION pg_trgm\"")))
            << e.description().toStdString();
    }
    conn->execute(QStringLiteral("RESET ROLE"));
    conn->execute(QStringLiteral("DROP OWNED BY %1").arg(role));
    conn->execute(QStringLiteral("DROP ROLE %1").arg(role));
    EXPECT_EQ(database::schemaVersion(*conn), older);
    database::upgrade(*conn);
    EXPECT_EQ(database::schemaVersion(*conn), database::CurrentSchemaVersion);
}

TEST_P(Schema, NewerDatabaseIsRefusedWithAClearMessage) {
    conn->execute(QStringLiteral("UPDATE inventory.tbSchemaVersion SET version = ?"),
                  {database::CurrentSchemaVersion + 1});
    for (auto action : {&database::prepareForUse, &database::upgrade}) {
        try {
            action(*conn);
            FAIL() << "a newer schema was accepted";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), AppError::SchemaTooNew);
            EXPECT_TRUE(e.description().contains(QStringLiteral("newer version")))
                << e.description().toStdString();
        }
    }
}

TEST_P(Schema, EmptyDatabaseIsNotTakenForAFormulary) {
    test_support::TestDatabase empty(GetParam(), false);
    auto c = empty.connect();
    EXPECT_EQ(database::schemaVersion(*c), 0);
    try {
        database::prepareForUse(*c);
        FAIL() << "an empty database was accepted";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), AppError::SchemaTooOld);
        EXPECT_TRUE(e.description().contains(QStringLiteral("formulary-admin init")));
    }
}

// Each statement breaks a rule of the tree that the database itself enforces.
TEST_P(Schema, IntegrityRulesAreEnforcedByTheDatabase) {
    const QStringList setup = {
        QStringLiteral("INSERT INTO inventory.tbForClassification (ClassificationID, "
                       "ClassificationName, name_folded) VALUES (1, 'C', 'c')"),
        QStringLiteral("INSERT INTO inventory.tbforgeneric (GenericID, genericname, name_folded) "
                       "VALUES (1, 'G', 'g')"),
        QStringLiteral("INSERT INTO inventory.tbinvmaster (itemid, itemname, name_folded, "
                       "description_folded) VALUES ('I', 'I', 'i', '')"),
        QStringLiteral("INSERT INTO inventory.tbFormularyNode (Node_Key, Node_Parent, Node_Level, "
                       "node_type, ClassificationID) VALUES ('_1', '_0', 1, '1', 1)"),
        QStringLiteral("INSERT INTO inventory.tbFormularyNode (Node_Key, Node_Parent, Node_Level, "
                       "node_type, GenericID) VALUES ('_1.1', '_1', 2, '2', 1)"),
        QStringLiteral("INSERT INTO inventory.tbFormularyNode (Node_Key, Node_Parent, Node_Level, "
                       "node_type, itemid) VALUES ('_1.1.1', '_1.1', 3, '3', 'I')"),
    };
    for (const QString& s : setup)
        conn->execute(s);
    const QStringList refused = {
        // a key used twice
        QStringLiteral("INSERT INTO inventory.tbFormularyNode (Node_Key, Node_Parent, Node_Level, "
                       "node_type, ClassificationID) VALUES ('_1', '_0', 1, '1', 1)"),
        // a generic name in a second place
        QStringLiteral("INSERT INTO inventory.tbFormularyNode (Node_Key, Node_Parent, Node_Level, "
                       "node_type, GenericID) VALUES ('_1.2', '_1', 2, '2', 1)"),
        // a stock item in a second place
        QStringLiteral("INSERT INTO inventory.tbFormularyNode (Node_Key, Node_Parent, Node_Level, "
                       "node_type, itemid) VALUES ('_1.1.2', '_1.1', 3, '3', 'I')"),
        // a node without its parent
        QStringLiteral("INSERT INTO inventory.tbFormularyNode (Node_Key, Node_Parent, Node_Level, "
                       "node_type, ClassificationID) VALUES ('_9.1', '_9', 2, '1', 1)"),
        // a node whose type does not match what it names
        QStringLiteral("INSERT INTO inventory.tbFormularyNode (Node_Key, Node_Parent, Node_Level, "
                       "node_type, GenericID) VALUES ('_2', '_0', 1, '1', 1)"),
        // a stock item that does not exist
        QStringLiteral("INSERT INTO inventory.tbFormularyNode (Node_Key, Node_Parent, Node_Level, "
                       "node_type, itemid) VALUES ('_1.1.3', '_1.1', 3, '3', 'NONE')"),
        // a node with stored children
        QStringLiteral("DELETE FROM inventory.tbFormularyNode WHERE Node_Key = '_1.1'"),
        // a generic name that a node still names
        QStringLiteral("DELETE FROM inventory.tbforgeneric WHERE GenericID = 1"),
        // names of only blanks
        QStringLiteral("INSERT INTO inventory.tbForClassification (ClassificationID, "
                       "ClassificationName, name_folded) VALUES (2, '  ', '')"),
        QStringLiteral(
            "UPDATE inventory.tbforgeneric SET genericname = ' \t ' WHERE GenericID = 1"),
        // two rows of other details for one generic name
        QStringLiteral("INSERT INTO inventory.tbFormularyOtherDetails (GenericID, OtherDetails) "
                       "VALUES (1, 'a')"),
    };
    conn->execute(QStringLiteral("INSERT INTO inventory.tbFormularyOtherDetails (GenericID, "
                                 "OtherDetails) VALUES (1, 'first')"));
    for (const QString& s : refused) {
        try {
            conn->execute(s);
            ADD_FAILURE() << "accepted: " << s.toStdString();
        } catch (const db::DbError& e) {
            EXPECT_TRUE(e.isConstraintViolation())
                << s.toStdString() << ": " << e.description().toStdString();
        }
    }
    EXPECT_EQ(conn->query(QStringLiteral("SELECT * FROM inventory.tbFormularyNode")).recordCount(),
              4);
}

FORMULARY_ENGINE_TESTS(Schema);
