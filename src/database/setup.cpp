#include "database/setup.h"

#include "database/schema.h"
#include "platform/app_error.h"

namespace database {

std::unique_ptr<db::Connection> openCreating(const QString& target) {
    auto connection = std::make_unique<db::Connection>(db::Target::parse(target));
    connection->open(true);
    upgrade(*connection);
    return connection;
}

bool holdsFormulary(db::Connection& c) {
    return !c.query(QStringLiteral("SELECT 1 FROM inventory.tbFormularyNode WHERE Node_Key <> '_0'"
                                   " UNION ALL SELECT 1 FROM inventory.tbForClassification"
                                   " UNION ALL SELECT 1 FROM inventory.tbforgeneric"
                                   " UNION ALL SELECT 1 FROM inventory.tbinvmaster LIMIT 1"))
                .eof();
}

void requireEmptyFormulary(db::Connection& c) {
    if (holdsFormulary(c))
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("The database %1 already holds a formulary or stock items; "
                                      "use a new, empty database.")
                           .arg(c.target().display()));
}

} // namespace database
