#include "platform/db/transaction.h"

#include "platform/db/connection.h"

namespace db {

Transaction::Transaction(Connection& connection)
    : m_connection(connection), m_outermost(connection.m_transactionDepth == 0) {
    if (m_outermost)
        m_connection.execute(m_connection.engine() == Engine::SQLite
                                 ? QStringLiteral("BEGIN IMMEDIATE")
                                 : QStringLiteral("BEGIN"));
    ++m_connection.m_transactionDepth;
}

Transaction::~Transaction() {
    --m_connection.m_transactionDepth;
    if (m_done || !m_outermost || !m_connection.isOpen())
        return;
    try {
        m_connection.execute(QStringLiteral("ROLLBACK"));
    } catch (...) {
        // A lost connection has rolled back by itself.
    }
}

void Transaction::commit() {
    if (m_outermost)
        m_connection.execute(QStringLiteral("COMMIT"));
    m_done = true;
}

} // namespace db
