#include "commands.h"

#include "database/hospital.h"
#include "platform/app_error.h"

namespace admin {

namespace {

struct HospitalOption {
    const char* option;
    QString database::HospitalRecord::*field;
    const char* label;
};

const HospitalOption kFields[] = {
    {"name", &database::HospitalRecord::clientName, "Name"},
    {"company", &database::HospitalRecord::company, "Company"},
    {"address", &database::HospitalRecord::address, "Address"},
};

void printRecord(const std::optional<database::HospitalRecord>& record, AdminIo& io) {
    if (!record) {
        io.out << QStringLiteral("No hospital record is kept; set one with \"formulary-admin "
                                 "hospital set\".\n");
        return;
    }
    for (const HospitalOption& f : kFields)
        io.out << QStringLiteral("%1 %2\n")
                      .arg(QLatin1String(f.label) + QLatin1Char(':'), -9)
                      .arg((*record).*f.field);
}

int runShow(const Arguments& args, AdminIo& io) {
    const auto c = openExisting(args);
    printRecord(database::readHospital(*c), io);
    return Success;
}

int runSet(const Arguments& args, AdminIo& io) {
    if (std::none_of(std::begin(kFields), std::end(kFields),
                     [&](const HospitalOption& f) { return args.has(QLatin1String(f.option)); }))
        throw UsageError{QStringLiteral("hospital set needs at least one of --name, --company and "
                                        "--address.")};
    const auto c = openExisting(args);
    database::HospitalRecord record =
        database::readHospital(*c).value_or(database::HospitalRecord{});
    for (const HospitalOption& f : kFields)
        record.*f.field = args.value(QLatin1String(f.option), record.*f.field).trimmed();
    if (!database::saveHospital(*c, record))
        throw AppError(AppError::Database,
                       QStringLiteral("The database refused the hospital record."));
    io.out << QStringLiteral("The hospital record is now:\n");
    printRecord(record, io);
    return Success;
}

std::vector<Option> fieldOptions() {
    return {{QStringLiteral("name"), QStringLiteral("TEXT"),
             QStringLiteral("The hospital's name as the hospital record keeps it.")},
            {QStringLiteral("company"), QStringLiteral("TEXT"),
             QStringLiteral("The name that heads every report.")},
            {QStringLiteral("address"), QStringLiteral("TEXT"),
             QStringLiteral("The address under it.")},
            databaseOption()};
}

} // namespace

std::vector<Command> hospitalCommands() {
    return {
        {QStringLiteral("hospital show"),
         {},
         0,
         QStringLiteral("Shows the hospital record that heads every report."),
         {},
         {databaseOption()},
         runShow},
        {QStringLiteral("hospital set"),
         {},
         0,
         QStringLiteral("Sets the hospital record that heads every report."),
         QStringLiteral("The texts not given stay as they are. Administrators only on a server;\n"
                        "the change is noted in the audit."),
         fieldOptions(),
         runSet},
    };
}

} // namespace admin
