#include "database/other_details.h"

#include "database/change.h"

namespace database {

QString ReadOtherDetails(db::Connection& c, qint64 genericId) {
    const db::Recordset rs = c.query(QStringLiteral("SELECT OtherDetails FROM"
                                                    " inventory.tbFormularyOtherDetails"
                                                    " WHERE GenericID = ?"),
                                     {genericId});
    return rs.eof() ? QString() : rs.text(QStringLiteral("OtherDetails"));
}

bool SaveOtherDetails(db::Connection& c, qint64 genericId, const QString& details) {
    if (onServer(c))
        return serverChange(c, QStringLiteral("other_details_save"), {genericId, details}).toBool();
    ChangeTarget target{Entry::OtherDetails, genericId};
    return runChange(c, target, [&] {
        c.execute(
            QStringLiteral(
                "INSERT INTO inventory.tbFormularyOtherDetails (GenericID, OtherDetails)"
                " VALUES (?, ?)"
                " ON CONFLICT (GenericID) DO UPDATE SET OtherDetails = excluded.OtherDetails"),
            {genericId, details});
        return true;
    });
}

} // namespace database
