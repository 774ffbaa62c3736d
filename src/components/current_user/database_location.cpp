#include "components/current_user/database_location.h"

#include "platform/app_error.h"
#include "platform/db/target.h"

#include <QFile>
#include <QStandardPaths>
#include <optional>

namespace current_user {

namespace {

struct Setting {
    QString value;
    int line = 0;
};

// The "database=" line of a configuration file, read as plain text: a value
// may hold commas, which an INI reader would split.
std::optional<Setting> databaseSetting(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    int number = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        ++number;
        if (line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || line.left(equals).trimmed() != QLatin1String("database"))
            continue;
        const QString value = line.mid(equals + 1).trimmed();
        if (!value.isEmpty())
            return Setting{value, number};
    }
    return std::nullopt;
}

// Anyone may read these files: a password there would be everyone's.
void refusePassword(const QString& path, const Setting& setting) {
    if (setting.value.startsWith(QLatin1String("postgres")) &&
        db::Target::masked(setting.value) != setting.value)
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("%1, line %2: the database address holds a password."
                                      " Leave it out: each user logs in with their own.")
                           .arg(path)
                           .arg(setting.line));
}

} // namespace

QStringList configurationFiles() {
    return {QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                QStringLiteral("/formulary/formulary.conf"),
            QStringLiteral("/etc/formulary/formulary.conf")};
}

DatabaseLocation findDatabase(const QStringList& files) {
    const QString variable = qEnvironmentVariable("FORMULARY_DATABASE");
    if (!variable.isEmpty())
        return {variable, QStringLiteral("FORMULARY_DATABASE")};
    for (const QString& path : files) {
        if (const std::optional<Setting> setting = databaseSetting(path)) {
            refusePassword(path, *setting);
            return {setting->value, QStringLiteral("%1, line %2").arg(path).arg(setting->line)};
        }
    }
    return {QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                QStringLiteral("/database"),
            QStringLiteral("the embedded default")};
}

} // namespace current_user
