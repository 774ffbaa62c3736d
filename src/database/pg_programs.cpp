#include "database/pg_programs.h"

#include "platform/app_error.h"

#include <QProcess>
#include <QStandardPaths>

namespace database::pg_programs {

namespace {

// A value of a libpq connection string, quoted.
QString quotedValue(QString value) {
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    value.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

struct LogOn {
    QString connection;
    QString password;
};

LogOn logOnOf(const db::Target& target) {
    LogOn logOn{QString(), target.password};
    QStringList parts;
    const auto add = [&parts](const QString& key, const QString& value) {
        if (!value.isEmpty())
            parts << key + QLatin1Char('=') + quotedValue(value);
    };
    add(QStringLiteral("host"), target.host);
    add(QStringLiteral("port"), QString::number(target.port));
    add(QStringLiteral("user"), target.user);
    add(QStringLiteral("dbname"), target.database);
    for (const QString& option : target.options.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString key = option.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = option.section(QLatin1Char('='), 1).trimmed();
        if (key == QLatin1String("password"))
            logOn.password = value;
        else
            add(key, value);
    }
    logOn.connection = parts.join(QLatin1Char(' '));
    return logOn;
}

[[noreturn]] void fail(const QString& description) {
    throw AppError(AppError::Database, description);
}

} // namespace

QByteArray run(const QString& program, const QStringList& arguments, const db::Target* target) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        fail(QStringLiteral("%1 was not found; install the Debian package postgresql-client.")
                 .arg(program));
    QStringList args = arguments;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (target) {
        const LogOn logOn = logOnOf(*target);
        // Never asks: there may be no terminal, and a prompt would hang.
        args << QStringLiteral("--no-password") << QStringLiteral("--dbname=") + logOn.connection;
        if (!logOn.password.isEmpty())
            environment.insert(QStringLiteral("PGPASSWORD"), logOn.password);
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProgram(path);
    process.setArguments(args);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted() || !process.waitForFinished(-1))
        fail(QStringLiteral("%1 could not run: %2").arg(program, process.errorString()));
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        fail(QStringLiteral("%1 failed: %2")
                 .arg(program, QString::fromLocal8Bit(process.readAllStandardError()).trimmed()));
    return process.readAllStandardOutput();
}

} // namespace database::pg_programs
