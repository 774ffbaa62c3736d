#include "platform/db/transaction.h"

#include "platform/db/connection.h"

namespace db {

Transaction::Transaction(Connection& connection, Lock lock)
    : m_connection(connection), m_level(connection.m_transactionDepth) {
    if (m_level == 0)
        m_connection.begin(lock == Lock::Write);
    else
        m_connection.execute(QStringLiteral("SAVEPOINT ") + savepoint());
    ++m_connection.m_transactionDepth;
}

Transaction::~Transaction() {
    --m_connection.m_transactionDepth;
    if (m_done || !m_connection.isOpen())
        return;
    try {
        if (m_level == 0) {
            m_connection.execute(QStringLiteral("ROLLBACK"));
        } else {
            m_connection.execute(QStringLiteral("ROLLBACK TO SAVEPOINT ") + savepoint());
            m_connection.execute(QStringLiteral("RELEASE SAVEPOINT ") + savepoint());
        }
    } catch (...) {
        // A lost connection has rolled back by itself.
    }
}

void Transaction::commit() {
    m_connection.execute(m_level == 0 ? QStringLiteral("COMMIT")
                                      : QStringLiteral("RELEASE SAVEPOINT ") + savepoint());
    m_done = true;
}

QString Transaction::savepoint() const {
    return QStringLiteral("formulary_%1").arg(m_level);
}

} // namespace db
