#pragma once

#include <QString>

namespace db {

class Connection;

// One write transaction: BEGIN IMMEDIATE on SQLite, so that two writers
// queue at the start instead of failing at commit; rolled back unless
// committed. A transaction opened inside another is a savepoint of it: its
// rollback undoes only its own work and leaves the outer one usable.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    QString savepoint() const;

    Connection& m_connection;
    int m_level; // 0 for the outermost
    bool m_done = false;
};

} // namespace db
