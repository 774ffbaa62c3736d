#pragma once

namespace db {

class Connection;

// One write transaction: BEGIN IMMEDIATE on SQLite, so that two writers
// queue at the start instead of failing at commit; rolled back unless
// committed. A transaction opened inside another joins it.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Connection& m_connection;
    bool m_outermost;
    bool m_done = false;
};

} // namespace db
