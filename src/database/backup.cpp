#include "database/backup.h"

#include "database/backup_archive.h"
#include "database/change.h"
#include "database/check.h"
#include "database/name_search.h"
#include "database/pg_programs.h"
#include "database/schema.h"
#include "database/server_changes.h"
#include "database/server_roles.h"
#include "platform/app_error.h"
#include "platform/db/transaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>

namespace database::backup {

namespace {

const QString kManifest = QStringLiteral("manifest");
const QString kInventory = QStringLiteral("inventory.db");
const QString kPatientData = QStringLiteral("patient_data.db");
const QString kDump = QStringLiteral("formulary.dump");
const QString kLogins = QStringLiteral("logins.json");
const QString kFormat = QStringLiteral("formulary-backup 1");

[[noreturn]] void fail(const QString& description) {
    throw AppError(AppError::InvalidArgument, description);
}

QString engineWord(db::Engine engine) {
    return engine == db::Engine::SQLite ? QStringLiteral("embedded") : QStringLiteral("postgresql");
}

QByteArray manifestText(const Manifest& m) {
    return QStringLiteral("format=%1\nengine=%2\nschema=%3\nmade=%4\nsource=%5\npasswords=%6\n"
                          "program=%7\n")
        .arg(kFormat, engineWord(m.engine))
        .arg(m.schema)
        .arg(m.made.toOffsetFromUtc(m.made.offsetFromUtc()).toString(Qt::ISODate), m.source,
             m.passwords ? QStringLiteral("yes") : QStringLiteral("no"),
             QCoreApplication::applicationVersion())
        .toUtf8();
}

Manifest readManifest(const QString& folder, const QString& file) {
    QFile in(QDir(folder).filePath(kManifest));
    QHash<QString, QString> values;
    if (in.open(QIODevice::ReadOnly))
        for (const QString& line : QString::fromUtf8(in.readAll()).split(QLatin1Char('\n')))
            values.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    if (values.value(QStringLiteral("format")) != kFormat)
        fail(QStringLiteral("%1 is no formulary backup: it has no manifest that this program "
                            "reads.")
                 .arg(file));
    Manifest m;
    m.engine = values.value(QStringLiteral("engine")) == engineWord(db::Engine::PostgreSQL)
                   ? db::Engine::PostgreSQL
                   : db::Engine::SQLite;
    m.schema = values.value(QStringLiteral("schema")).toInt();
    m.made = QDateTime::fromString(values.value(QStringLiteral("made")), Qt::ISODate);
    m.source = values.value(QStringLiteral("source"));
    m.passwords = values.value(QStringLiteral("passwords")) == QLatin1String("yes");
    return m;
}

std::vector<std::pair<QString, QString>> schemaFiles(const QString& folder) {
    const QDir dir(folder);
    return {{QStringLiteral("inventory"), dir.filePath(kInventory)},
            {QStringLiteral("patient_data"), dir.filePath(kPatientData)}};
}

Manifest manifestOf(db::Connection& c) {
    const int version = schemaVersion(c);
    if (version == 0)
        fail(QStringLiteral("The database %1 holds no formulary.").arg(c.target().display()));
    return {c.engine(), version, QDateTime::currentDateTime(), c.target().display(), false};
}

void writeEmbedded(db::Connection& c, const QString& file, const Manifest& m) {
    const QTemporaryDir copies;
    c.copyDatabasesTo(schemaFiles(copies.path()));
    backup_archive::write(file, {{kManifest, {}, manifestText(m)},
                                 {kInventory, copies.filePath(kInventory), {}},
                                 {kPatientData, copies.filePath(kPatientData), {}}});
}

QByteArray loginsText(const std::vector<server_roles::Login>& logins) {
    QJsonArray list;
    for (const server_roles::Login& l : logins) {
        QJsonObject login{{QStringLiteral("name"), l.name},
                          {QStringLiteral("administrator"), l.administrator},
                          {QStringLiteral("enabled"), l.enabled}};
        if (!l.verifier.isEmpty())
            login.insert(QStringLiteral("verifier"), l.verifier);
        list.append(login);
    }
    return QJsonDocument(list).toJson();
}

std::vector<server_roles::Login> readLogins(const QString& folder) {
    QFile in(QDir(folder).filePath(kLogins));
    std::vector<server_roles::Login> logins;
    if (!in.open(QIODevice::ReadOnly))
        return logins;
    for (const QJsonValue v : QJsonDocument::fromJson(in.readAll()).array()) {
        const QJsonObject o = v.toObject();
        logins.push_back({o.value(QStringLiteral("name")).toString(),
                          o.value(QStringLiteral("administrator")).toBool(),
                          o.value(QStringLiteral("enabled")).toBool(true),
                          o.value(QStringLiteral("verifier")).toString()});
    }
    return logins;
}

void writeServer(db::Connection& c, const QString& file, Manifest& m) {
    if (!server_changes::callerIsOwner(c))
        throw AppError(AppError::PermissionDenied,
                       QStringLiteral("On a database server, a backup is made with the log-in "
                                      "that owns the formulary database (or the superuser): "
                                      "row-level rules hide the other users' rows from anyone "
                                      "else."));
    const QTemporaryDir folder;
    const QString dump = folder.filePath(kDump);
    pg_programs::run(QStringLiteral("pg_dump"),
                     {QStringLiteral("--format=custom"), QStringLiteral("--schema=inventory"),
                      QStringLiteral("--schema=patient_data"), QStringLiteral("--file=") + dump},
                     &c.target());
    const std::vector<server_roles::Login> logins = server_roles::logins(c);
    m.passwords = std::any_of(logins.begin(), logins.end(),
                              [](const server_roles::Login& l) { return !l.verifier.isEmpty(); });
    backup_archive::write(
        file,
        {{kManifest, {}, manifestText(m)}, {kLogins, {}, loginsText(logins)}, {kDump, dump, {}}});
}

// The audit's line of a restore, in the restored database.
QString restoredText(const QString& file, const Manifest& m) {
    return QStringLiteral("%1, a backup of %2 made %3 (schema %4)")
        .arg(QFileInfo(file).fileName(), m.source,
             m.made.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
        .arg(m.schema);
}

void noteRestored(db::Connection& c, const QString& file, const Manifest& m) {
    const QString action = QStringLiteral("database restored");
    if (onServer(c)) {
        c.query(QStringLiteral("SELECT inventory.audit_write('database', NULL, NULL,"
                               " current_database()::text, ?, NULL, ?)"),
                {action, restoredText(file, m)});
        return;
    }
    ChangeTarget target{Entry::Database, {}};
    if (!runChange(c, target, [&] {
            target.note(action, c.target().folder, {}, {}, restoredText(file, m));
            return true;
        }))
        fail(QStringLiteral("The restore could not be noted in the audit."));
}

[[noreturn]] void refuseReplacing(const db::Target& target) {
    fail(QStringLiteral("%1 holds a database already; restore with --replace to replace it.")
             .arg(target.display()));
}

void restoreEmbedded(const QString& folder, const QString& file, const Manifest& m,
                     const db::Target& target, bool replace) {
    {
        db::Connection copy(db::Target::parse(folder));
        copy.open();
        for (const check::Finding& f : check::files(copy))
            fail(QStringLiteral("The backup %1 is damaged: %2").arg(file, f.text));
    }
    const QDir dir(target.folder);
    if (!replace && (dir.exists(kInventory) || dir.exists(kPatientData)))
        refuseReplacing(target);
    db::Connection c(target);
    c.open(true);
    c.replaceDatabasesFrom(schemaFiles(folder));
    upgrade(c);
    noteRestored(c, file, m);
}

// The dump's table of contents without the functions and row-level rules,
// which name the source database's roles, and the trigram indexes, whose
// extension a dump of the schemas leaves out: the set-up makes them anew.
QString restoreList(const QString& folder) {
    static const QRegularExpression madeAnew(
        QStringLiteral("^\\d+; \\d+ \\d+ (FUNCTION|POLICY|INDEX \\S+ ix_\\w+_trigram) "));
    QStringList kept;
    const QString list = QString::fromUtf8(pg_programs::run(
        QStringLiteral("pg_restore"), {QStringLiteral("--list"), QDir(folder).filePath(kDump)}));
    for (const QString& line : list.split(QLatin1Char('\n')))
        if (!madeAnew.match(line).hasMatch())
            kept << line;
    const QString path = QDir(folder).filePath(QStringLiteral("restore.list"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(kept.join(QLatin1Char('\n')).toUtf8()) < 0)
        fail(QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
    return path;
}

// The formulary's two schemas renamed, so that a failed restore can put them back.
void renameSchemas(db::Connection& c, const QString& from, const QString& to) {
    db::Transaction t(c);
    for (const char* schema : {"inventory", "patient_data"})
        c.execute(QStringLiteral("ALTER SCHEMA %1%2 RENAME TO %1%3")
                      .arg(QLatin1String(schema), from, to));
    t.commit();
}

void requireNoForeignRoles(db::Connection& c, const std::vector<server_roles::Login>& logins) {
    const QStringList taken = server_roles::foreignRoles(c, logins);
    if (!taken.isEmpty())
        fail(QStringLiteral("The server has roles that are no users of %1, with the names of "
                            "users in the backup: %2. Restore on another server, or remove or "
                            "rename those roles.")
                 .arg(c.target().database, taken.join(QStringLiteral(", "))));
}

QStringList restoreServer(const QString& folder, const QString& file, const Manifest& m,
                          const db::Target& target, bool replace) {
    db::Connection c(target);
    c.open();
    if (!c.query(QStringLiteral("SELECT rolsuper FROM pg_roles WHERE rolname = session_user"))
             .field(0)
             .toBool())
        throw AppError(AppError::PermissionDenied,
                       QStringLiteral("On a database server, restore runs as the server's "
                                      "superuser, as init does: it makes the formulary's roles."));
    const QString list = restoreList(folder);
    const std::vector<server_roles::Login> logins = readLogins(folder);
    const bool exists =
        !c.query(QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname IN ('inventory',"
                                " 'patient_data')"))
             .eof();
    if (exists && !replace)
        refuseReplacing(target);
    requireNoForeignRoles(c, logins);
    const QString aside = QStringLiteral("_before_restore");
    if (exists)
        renameSchemas(c, {}, aside);
    try {
        pg_programs::run(QStringLiteral("pg_restore"),
                         {QStringLiteral("--no-owner"), QStringLiteral("--no-privileges"),
                          QStringLiteral("--single-transaction"), QStringLiteral("--exit-on-error"),
                          QStringLiteral("--use-list=") + list, QDir(folder).filePath(kDump)},
                         &target);
    } catch (...) {
        if (exists)
            renameSchemas(c, aside, {});
        throw;
    }
    if (exists)
        for (const char* schema : {"inventory", "patient_data"})
            c.execute(QStringLiteral("DROP SCHEMA %1%2 CASCADE").arg(QLatin1String(schema), aside));
    server_roles::setUp(c);
    upgrade(c);
    createNameIndexes(c);
    grantServerAccess(c);
    QStringList names;
    for (const server_roles::Login& l : logins)
        names << l.name;
    server_roles::dropLogins(c, names);
    const QStringList passwordsToSet = server_roles::restoreLogins(c, logins);
    noteRestored(c, file, m);
    return passwordsToSet;
}

} // namespace

Manifest make(db::Connection& c, const QString& file) {
    Manifest m = manifestOf(c);
    if (c.engine() == db::Engine::SQLite)
        writeEmbedded(c, file, m);
    else
        writeServer(c, file, m);
    return m;
}

QString beforeUpgrade(db::Connection& c, int version) {
    const QString file =
        QDir(c.target().folder)
            .filePath(
                QStringLiteral("before-upgrade-schema-%1.%2.tar")
                    .arg(version)
                    .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    writeEmbedded(c, file, manifestOf(c));
    return file;
}

Restored restore(const QString& file, const QString& targetText, bool replace) {
    const db::Target target = db::Target::parse(targetText);
    const QTemporaryDir folder;
    const QStringList members = backup_archive::extract(
        file, folder.path(), {kManifest, kInventory, kPatientData, kDump, kLogins});
    Restored restored{readManifest(folder.path(), file), {}};
    const Manifest& m = restored.manifest;
    for (const QString& needed : m.engine == db::Engine::SQLite
                                     ? QStringList{kInventory, kPatientData}
                                     : QStringList{kDump, kLogins})
        if (!members.contains(needed))
            fail(QStringLiteral("%1 is no formulary backup: it lacks %2.").arg(file, needed));
    if (m.engine != target.engine)
        fail(m.engine == db::Engine::SQLite
                 ? QStringLiteral("%1 is a backup of an embedded database: restore it into a "
                                  "folder.")
                       .arg(file)
                 : QStringLiteral("%1 is a backup of a database server: restore it into a "
                                  "postgresql:// database.")
                       .arg(file));
    requireNotNewer(m.schema);
    if (target.engine == db::Engine::SQLite)
        restoreEmbedded(folder.path(), file, m, target, replace);
    else
        restored.passwordsToSet = restoreServer(folder.path(), file, m, target, replace);
    return restored;
}

} // namespace database::backup
