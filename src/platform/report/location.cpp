#include "platform/report/location.h"

#include "platform/report/report_error.h"

#include <QRegularExpression>

namespace report {

namespace {

bool isIdentifier(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(text).hasMatch();
}

} // namespace

QString schemaOf(const QString& database) {
    for (const char* schema : {"inventory", "patient_data"}) {
        if (database.compare(QLatin1String(schema), Qt::CaseInsensitive) == 0)
            return QLatin1String(schema);
    }
    throw AppError(AppError::InvalidArgument,
                   QStringLiteral("The report refers to the database \"%1\", which is not a "
                                  "formulary database (Inventory or PATIENT_DATA).")
                       .arg(database));
}

Location Location::parse(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 3)
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("The table location \"%1\" is not of the form "
                                      "Database.owner.table.")
                           .arg(text));
    Location location{parts[0], parts[1], parts[2]};
    schemaOf(location.database);
    if (!isIdentifier(location.table))
        throw AppError(
            AppError::InvalidArgument,
            QStringLiteral("The table location \"%1\" does not name a table.").arg(text));
    return location;
}

QString Location::qualifiedTable() const {
    return schemaOf(database) + QLatin1Char('.') + table;
}

QString withDatabase(const QString& location, const QString& database) {
    const qsizetype dot = location.indexOf(QLatin1Char('.'));
    return database + (dot < 0 ? QString() : location.mid(dot));
}

} // namespace report
