#include "database/other_details.h"

#include "database/change.h"
#include "platform/db/text_match.h"

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
        const db::Recordset was = c.query(
            QStringLiteral("SELECT g.genericname, n.Node_Key, o.OtherDetails"
                           " FROM inventory.tbforgeneric g"
                           " LEFT JOIN inventory.tbFormularyNode n ON n.GenericID = g.GenericID"
                           " LEFT JOIN inventory.tbFormularyOtherDetails o"
                           " ON o.GenericID = g.GenericID WHERE g.GenericID = ?"),
            {genericId});
        const QString before = was.eof() ? QString() : was.text(QStringLiteral("OtherDetails"));
        if (!was.eof() && before != details)
            target.note(QStringLiteral("details saved"), was.text(QStringLiteral("genericname")),
                        was.text(QStringLiteral("Node_Key")), db::nullIfEmpty(before),
                        db::nullIfEmpty(details));
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
