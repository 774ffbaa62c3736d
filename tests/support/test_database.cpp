#include "support/test_database.h"

#include "database/schema.h"
#include "database/server_roles.h"
#include "platform/app_error.h"

#include <QUrl>
#include <cstdio>
#include <utility>

namespace test_support {

namespace {

QString serverUrl() {
    return qEnvironmentVariable("FORMULARY_TEST_PG_URL");
}

// One database per test executable, so that executables run side by side.
QString executableDatabaseUrl() {
    static const QString url = [] {
        const QString name = QStringLiteral("fk_") +
                             qEnvironmentVariable("FORMULARY_TEST_NAME", QStringLiteral("tests"));
        QUrl server(serverUrl());
        server.setPath(QStringLiteral("/postgres"));
        db::Connection admin(db::Target::parse(server.toString()));
        admin.open();
        if (admin.query(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"), {name})
                .eof())
            admin.execute(QStringLiteral("CREATE DATABASE %1").arg(name));
        server.setPath(QLatin1Char('/') + name);
        return server.toString();
    }();
    return url;
}

bool s_postgresSkipped = false;

void warnPostgresSkipped() {
    std::fputs("\n*** PostgreSQL NOT TESTED: FORMULARY_TEST_PG_URL is not set; only SQLite "
               "ran ***\n\n",
               stderr);
}

void emptyServerDatabase(const QString& url) {
    db::Connection c(db::Target::parse(url));
    c.open();
    database::dropFormulary(c);
}

} // namespace

std::vector<db::Engine> engines() {
    std::vector<db::Engine> list{db::Engine::SQLite};
    if (!serverUrl().isEmpty())
        list.push_back(db::Engine::PostgreSQL);
    else if (!std::exchange(s_postgresSkipped, true))
        warnPostgresSkipped();
    return list;
}

bool postgresSkipped() {
    return s_postgresSkipped;
}

void warnIfPostgresSkipped() {
    if (s_postgresSkipped)
        warnPostgresSkipped();
}

std::string engineName(const testing::TestParamInfo<db::Engine>& info) {
    return info.param == db::Engine::SQLite ? "SQLite" : "PostgreSQL";
}

TestDatabase::TestDatabase(db::Engine engine, bool withSchema) {
    if (engine == db::Engine::SQLite) {
        m_target = m_folder.path() + QStringLiteral("/formulary");
    } else {
        m_target = executableDatabaseUrl();
        emptyServerDatabase(m_target);
    }
    db::Connection c(db::Target::parse(m_target));
    c.open(true);
    if (withSchema)
        database::upgrade(c);
}

// The users of a server database are roles of the whole server: they go
// with the test, so that the next executable can add the same names.
TestDatabase::~TestDatabase() {
    const db::Target target = db::Target::parse(m_target);
    if (target.engine != db::Engine::PostgreSQL)
        return;
    try {
        db::Connection c(target);
        c.open();
        database::server_roles::dropLogins(c);
    } catch (const AppError& e) {
        ADD_FAILURE() << "the test's users stay on the server: " << e.description().toStdString();
    }
}

std::unique_ptr<db::Connection> TestDatabase::connect() const {
    auto c = std::make_unique<db::Connection>(db::Target::parse(m_target));
    c->open();
    return c;
}

std::vector<QStringList> storedItems(db::Connection& c) {
    const db::Recordset rs = c.query(QStringLiteral(
        "SELECT itemid, itemname, description, Indication, Dosage, Administration, Preparation"
        " FROM inventory.tbinvmaster ORDER BY itemid"));
    std::vector<QStringList> rows;
    for (int row = 0; row < rs.recordCount(); ++row) {
        QStringList fields;
        for (int col = 0; col < rs.fieldCount(); ++col)
            fields << (rs.value(row, col).isNull() ? QStringLiteral("<null>")
                                                   : rs.value(row, col).toString());
        rows.push_back(fields);
    }
    return rows;
}

void EngineTest::SetUp() {
    database = std::make_unique<TestDatabase>(GetParam());
    conn = database->connect();
}

void EngineTest::TearDown() {
    conn.reset();
    database.reset();
}

} // namespace test_support
