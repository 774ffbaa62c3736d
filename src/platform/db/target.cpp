#include "platform/db/target.h"

#include "platform/app_error.h"

#include <QDir>
#include <QUrl>
#include <QUrlQuery>

namespace db {

namespace {

bool isServerUrl(const QString& text) {
    return text.startsWith(QLatin1String("postgresql://")) ||
           text.startsWith(QLatin1String("postgres://"));
}

Target parseServerUrl(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("Not a valid database address: %1").arg(url.errorString()));
    Target t;
    t.engine = Engine::PostgreSQL;
    t.host = url.host();
    t.port = url.port(5432);
    t.user = url.userName(QUrl::FullyDecoded);
    t.password = url.password(QUrl::FullyDecoded);
    t.database = url.path(QUrl::FullyDecoded).mid(1);
    QStringList options;
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host"))
            t.host = value;
        else
            options << key + QLatin1Char('=') + value;
    }
    t.options = options.join(QLatin1Char(';'));
    if (t.database.isEmpty())
        throw AppError(
            AppError::InvalidArgument,
            QStringLiteral("The database address names no database: %1").arg(t.display()));
    return t;
}

} // namespace

Target Target::parse(const QString& text) {
    if (isServerUrl(text))
        return parseServerUrl(text);
    if (text.trimmed().isEmpty())
        throw AppError(AppError::InvalidArgument, QStringLiteral("No database was given."));
    Target t;
    t.engine = Engine::SQLite;
    t.folder = QDir::cleanPath(QDir(text).absolutePath());
    return t;
}

QString Target::display() const {
    if (engine == Engine::SQLite)
        return folder;
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += user + QLatin1Char('@');
    text += host + QLatin1Char(':') + QString::number(port) + QLatin1Char('/') + database;
    return text;
}

QString Target::serverName() const {
    if (engine == Engine::SQLite)
        return folder;
    QString text = QStringLiteral("postgresql://") + host + QLatin1Char(':') +
                   QString::number(port) + QLatin1Char('/') + database;
    if (!options.isEmpty())
        text += QLatin1Char('?') + QString(options).replace(QLatin1Char(';'), QLatin1Char('&'));
    return text;
}

QString Target::url() const {
    if (engine == Engine::SQLite)
        return folder;
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    QUrlQuery query;
    // A socket folder cannot stand as a URL's host.
    if (host.startsWith(QLatin1Char('/'))) {
        query.addQueryItem(QStringLiteral("host"), host);
        query.addQueryItem(QStringLiteral("port"), QString::number(port));
    } else {
        url.setHost(host);
        url.setPort(port);
    }
    url.setUserName(user);
    url.setPassword(password);
    url.setPath(QLatin1Char('/') + database);
    for (const QString& option : options.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        query.addQueryItem(option.section(QLatin1Char('='), 0, 0),
                           option.section(QLatin1Char('='), 1));
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

Target Target::fromLogOn(const QString& serverName, const QString& user, const QString& password) {
    Target t = parse(serverName);
    if (t.engine == Engine::PostgreSQL) {
        t.user = user;
        t.password = password;
    }
    return t;
}

} // namespace db
