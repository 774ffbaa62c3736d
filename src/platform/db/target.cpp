#include "platform/db/target.h"

#include "platform/app_error.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace db {

namespace {

bool isServerUrl(const QString& text) {
    return text.startsWith(QLatin1String("postgresql://")) ||
           text.startsWith(QLatin1String("postgres://"));
}

// The start of any address: "postgresql://", "mysql://", ...
const QString kScheme = QStringLiteral("[A-Za-z][A-Za-z0-9+.-]*://");

// "mysql://...", "http://...": an address, but not one of a formulary.
bool isOtherUrl(const QString& text) {
    static const QRegularExpression scheme(QLatin1Char('^') + kScheme);
    return scheme.match(text.trimmed()).hasMatch();
}

Target parseServerUrl(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    // QUrl's reason quotes the whole address, password included.
    if (!url.isValid())
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("Not a valid database address: %1 (%2)")
                           .arg(Target::masked(text),
                                url.errorString().section(QLatin1String("; source was"), 0, 0)));
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
    if (isOtherUrl(text))
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("\"%1\" is neither a folder nor a postgresql:// URL.")
                           .arg(masked(text)));
    Target t;
    t.engine = Engine::SQLite;
    t.folder = QDir::cleanPath(QDir(text).absolutePath());
    return t;
}

QString Target::masked(const QString& text) {
    // A whole target: the last "@" ends the log-on, as a password typed
    // unencoded may hold any other character.
    static const QRegularExpression target(QStringLiteral("^(%1[^:/@]*:).*@").arg(kScheme));
    // An address quoted in a message ends at its quote, one not quoted at a blank.
    static const QRegularExpression quoted(QStringLiteral("(\"%1[^:/@\"]*:)[^\"]*@").arg(kScheme));
    static const QRegularExpression within(
        QStringLiteral("(\\b%1[^:/@\\s\"']*:)[^@\\s\"']*@").arg(kScheme));
    static const QRegularExpression option(QStringLiteral("([?&\\s]password=)[^&\\s]*"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QString hidden = QStringLiteral("\\1***@");
    return QString(text)
        .replace(target, hidden)
        .replace(quoted, hidden)
        .replace(within, hidden)
        .replace(option, QStringLiteral("\\1***"));
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
