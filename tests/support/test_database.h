#pragma once

#include "platform/db/connection.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace test_support {

// The engines a test runs on: SQLite always, PostgreSQL when scripts/test has
// started a server (FORMULARY_TEST_PG_URL).
std::vector<db::Engine> engines();
// Whether engines() left PostgreSQL out for want of a server. It says so on
// stderr the first time; warnIfPostgresSkipped() says it again at the end.
bool postgresSkipped();
void warnIfPostgresSkipped();
std::string engineName(const testing::TestParamInfo<db::Engine>& info);

// A fresh database with the current schema, for one test.
class TestDatabase {
public:
    explicit TestDatabase(db::Engine engine, bool withSchema = true);
    ~TestDatabase();

    // The connection string of the database (a folder or a URL).
    const QString& target() const { return m_target; }
    // A new open connection to it.
    std::unique_ptr<db::Connection> connect() const;

private:
    QTemporaryDir m_folder;
    QString m_target;
};

// Every stored stock item, by itemid: itemid, name, description, indication,
// dosage, administration, preparation; a null as "<null>".
std::vector<QStringList> storedItems(db::Connection& connection);

// A test run on every engine, each with a fresh database.
class EngineTest : public testing::TestWithParam<db::Engine> {
protected:
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<TestDatabase> database;
    std::unique_ptr<db::Connection> conn;
};

} // namespace test_support

#define FORMULARY_ENGINE_TESTS(Suite)                                                              \
    INSTANTIATE_TEST_SUITE_P(Engines, Suite, testing::ValuesIn(test_support::engines()),           \
                             test_support::engineName)
