#include "database/change.h"

#include "platform/db/db_error.h"
#include "platform/db/transaction.h"

namespace database {

bool runChange(db::Connection& c, ChangeTarget& target, const std::function<bool()>& work) {
    Q_UNUSED(target); // names the entry for the audit row, whose place is here, before the commit
    try {
        db::Transaction t(c);
        if (!work())
            return false;
        t.commit();
        return true;
    } catch (const db::DbError& e) {
        if (e.isConstraintViolation())
            return false;
        throw;
    }
}

} // namespace database
