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
    // What an outermost transaction on SQLite locks from its start: the
    // database files (Write), or nothing until a statement needs it
    // (Deferred: loading the connection's temporary tables locks no file, so
    // other workstations go on writing). On a server rows are locked as they
    // are written either way.
    enum class Lock { Write, Deferred };

    explicit Transaction(Connection& connection, Lock lock = Lock::Write);
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
