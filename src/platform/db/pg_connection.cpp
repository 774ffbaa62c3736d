#include "platform/db/pg_connection.h"

#include "platform/db/connection.h"

#include <cmath>
#include <libpq-fe.h>
#include <limits>
#include <utility>
#include <vector>

namespace db::detail {

namespace {

using Kind = DbError::Kind;

struct SqlState {
    QLatin1String code;
    Kind kind;
};

const SqlState kSqlStates[] = {
    {QLatin1String("23505"), Kind::UniqueViolation},
    {QLatin1String("23P01"), Kind::UniqueViolation}, // an exclusion constraint generalises unique
    {QLatin1String("23503"), Kind::ForeignKeyViolation},
    {QLatin1String("23001"), Kind::ForeignKeyViolation}, // ON DELETE RESTRICT
    {QLatin1String("23514"), Kind::CheckViolation},
    {QLatin1String("23502"), Kind::NotNullViolation},
    {QLatin1String("40P01"), Kind::Deadlock},
    {QLatin1String("40001"), Kind::SerializationFailure},
    {QLatin1String("55P03"), Kind::Busy}, // lock_timeout or NOWAIT
    {QLatin1String("57014"), Kind::Timeout},
    {QLatin1String("22001"), Kind::ValueTooLong},
    {QLatin1String("42501"), Kind::PermissionDenied},
};

// Type OIDs of pg_type that the results map to their own QVariant types.
enum : Oid {
    BoolOid = 16,
    ByteaOid = 17,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    Float4Oid = 700,
    Float8Oid = 701,
    NumericOid = 1700,
};

QMetaType::Type variantType(Oid type) {
    switch (type) {
    case BoolOid:
        return QMetaType::Bool;
    case ByteaOid:
        return QMetaType::QByteArray;
    case Int8Oid:
        return QMetaType::LongLong;
    case Int2Oid:
    case Int4Oid:
        return QMetaType::Int;
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return QMetaType::Double;
    default:
        return QMetaType::QString;
    }
}

double parseDouble(const char* text) {
    const QByteArray value = QByteArray::fromRawData(text, int(qstrlen(text)));
    if (value == "NaN")
        return std::numeric_limits<double>::quiet_NaN();
    if (value == "Infinity")
        return std::numeric_limits<double>::infinity();
    if (value == "-Infinity")
        return -std::numeric_limits<double>::infinity();
    return value.toDouble();
}

QVariant toVariant(const PGresult* res, int row, int column, QMetaType::Type type) {
    if (PQgetisnull(res, row, column))
        return QVariant(QMetaType(type));
    const char* text = PQgetvalue(res, row, column);
    switch (type) {
    case QMetaType::Bool:
        return text[0] == 't';
    case QMetaType::LongLong:
        return QByteArray(text).toLongLong();
    case QMetaType::Int:
        return QByteArray(text).toInt();
    case QMetaType::Double:
        return parseDouble(text);
    case QMetaType::QByteArray: {
        size_t length = 0;
        unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &length);
        QByteArray bytes(reinterpret_cast<const char*>(raw), qsizetype(length));
        PQfreemem(raw);
        return bytes;
    }
    default:
        return QString::fromUtf8(text, PQgetlength(res, row, column));
    }
}

// A parameter's text as the server's input functions read it; false for a
// value the server cannot take.
bool parameterText(const QVariant& value, QByteArray& text) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        text = value.toBool() ? "t" : "f";
        return true;
    case QMetaType::Double:
    case QMetaType::Float:
        text = QByteArray::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        return true;
    case QMetaType::QByteArray:
        text = "\\x" + value.toByteArray().toHex();
        return true;
    default:
        text = value.toString().toUtf8();
        // A text column cannot hold NUL, and libpq would cut the value there.
        return !text.contains('\0');
    }
}

QString nulRefusal(const QString& value) {
    return QStringLiteral("%1 holds a NUL character, which the database cannot store in text.")
        .arg(value);
}

// Rows go to the server in pieces of about this size.
constexpr qsizetype CopyChunkBytes = 1 << 20;

// A value in COPY's text format: \N for null, the separators escaped.
// False for a value the server cannot take.
bool appendCopyValue(QByteArray& buffer, const QVariant& value) {
    if (value.isNull()) {
        buffer += "\\N";
        return true;
    }
    QByteArray text;
    if (!parameterText(value, text))
        return false;
    for (const char c : std::as_const(text)) {
        switch (c) {
        case '\\':
            buffer += "\\\\";
            break;
        case '\t':
            buffer += "\\t";
            break;
        case '\n':
            buffer += "\\n";
            break;
        case '\r':
            buffer += "\\r";
            break;
        default:
            buffer += c;
        }
    }
    return true;
}

// Scans past a dollar-quote tag ($$ or $name$) at i; -1 when there is none.
qsizetype dollarTagEnd(const QString& sql, qsizetype i) {
    qsizetype j = i + 1;
    if (j < sql.size() && (sql[j].isDigit()))
        return -1; // $1 is a parameter, not a tag
    while (j < sql.size() && (sql[j].isLetterOrNumber() || sql[j] == QLatin1Char('_')))
        ++j;
    return j < sql.size() && sql[j] == QLatin1Char('$') ? j + 1 : -1;
}

} // namespace

Kind classifyPostgres(const QString& sqlState, bool connectionLost) {
    for (const SqlState& state : kSqlStates) {
        if (sqlState == state.code)
            return state.kind;
    }
    if (sqlState.startsWith(QLatin1String("23")))
        return Kind::CheckViolation;
    // 08: connection exceptions; 57P: the server ended the session or is shutting down.
    if (sqlState.startsWith(QLatin1String("08")) || sqlState.startsWith(QLatin1String("57P")) ||
        (sqlState.isEmpty() && connectionLost))
        return Kind::Connection;
    return Kind::Other;
}

QByteArray numberPlaceholders(const QString& sql) {
    QString out;
    out.reserve(sql.size() + 16);
    int number = 0;
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = sql[i];
        const QChar next = i + 1 < n ? sql[i + 1] : QChar();
        qsizetype end = i + 1;
        if (c == QLatin1Char('?')) {
            out += QLatin1Char('$') + QString::number(++number);
            i = end;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // E'...' lets a backslash escape the quote.
            const bool escapes =
                c == QLatin1Char('\'') && i > 0 &&
                (sql[i - 1] == QLatin1Char('E') || sql[i - 1] == QLatin1Char('e')) &&
                (i < 2 || !(sql[i - 2].isLetterOrNumber() || sql[i - 2] == '_'));
            while (end < n && sql[end] != c) {
                if (escapes && sql[end] == QLatin1Char('\\'))
                    ++end;
                ++end;
            }
            end = qMin(end + 1, n); // a doubled quote reads as two literals side by side
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            while (end < n && sql[end] != QLatin1Char('\n'))
                ++end;
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            int depth = 1;
            end = i + 2;
            while (end < n && depth > 0) {
                if (sql[end] == QLatin1Char('/') && end + 1 < n && sql[end + 1] == '*') {
                    ++depth;
                    end += 2;
                } else if (sql[end] == QLatin1Char('*') && end + 1 < n && sql[end + 1] == '/') {
                    --depth;
                    end += 2;
                } else {
                    ++end;
                }
            }
        } else if (c == QLatin1Char('$') &&
                   (i == 0 || !(sql[i - 1].isLetterOrNumber() || sql[i - 1] == '_'))) {
            const qsizetype tagEnd = dollarTagEnd(sql, i);
            if (tagEnd > 0) {
                const QString tag = sql.mid(i, tagEnd - i);
                const qsizetype close = sql.indexOf(tag, tagEnd);
                end = close < 0 ? n : close + tag.size();
            }
        }
        out += QStringView(sql).mid(i, end - i);
        i = end;
    }
    return out.toUtf8();
}

struct PgConnection::Result {
    PGresult* res = nullptr;

    explicit Result(PGresult* r) : res(r) {}
    Result(Result&& other) noexcept : res(std::exchange(other.res, nullptr)) {}
    Result& operator=(Result&& other) noexcept {
        std::swap(res, other.res);
        return *this;
    }
    ~Result() { PQclear(res); }

    bool ok() const {
        const ExecStatusType status = res ? PQresultStatus(res) : PGRES_FATAL_ERROR;
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK ||
               status == PGRES_EMPTY_QUERY;
    }
    QString sqlState() const {
        return res ? QString::fromLatin1(PQresultErrorField(res, PG_DIAG_SQLSTATE)) : QString();
    }
};

namespace {

// libpq's connection keywords and values for a target.
class ConnectionParameters {
public:
    explicit ConnectionParameters(const Target& target) {
        add(QStringLiteral("host"), target.host);
        add(QStringLiteral("port"), QString::number(target.port));
        add(QStringLiteral("user"), target.user);
        add(QStringLiteral("password"), target.password);
        add(QStringLiteral("dbname"), target.database);
        bool timeoutGiven = false;
        for (const QString& option : target.options.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const qsizetype eq = option.indexOf(QLatin1Char('='));
            const QString key = option.left(eq).trimmed();
            timeoutGiven = timeoutGiven || key == QLatin1String("connect_timeout");
            add(key, eq < 0 ? QString() : option.mid(eq + 1).trimmed());
        }
        // An unreachable server must not hang the program.
        if (!timeoutGiven)
            add(QStringLiteral("connect_timeout"), QStringLiteral("10"));
        // Where the server's audit says a change was made, unless the URL names it.
        add(QStringLiteral("fallback_application_name"), workstationName());
        // Every text goes both ways as UTF-8.
        add(QStringLiteral("client_encoding"), QStringLiteral("UTF8"));
        for (size_t i = 0; i < m_keys.size(); ++i) {
            m_keyPtrs.push_back(m_keys[i].constData());
            m_valuePtrs.push_back(m_values[i].constData());
        }
        m_keyPtrs.push_back(nullptr);
        m_valuePtrs.push_back(nullptr);
    }

    const char* const* keys() const { return m_keyPtrs.data(); }
    const char* const* values() const { return m_valuePtrs.data(); }

private:
    void add(const QString& key, const QString& value) {
        if (value.isEmpty())
            return;
        m_keys.push_back(key.toUtf8());
        m_values.push_back(value.toUtf8());
    }

    std::vector<QByteArray> m_keys;
    std::vector<QByteArray> m_values;
    std::vector<const char*> m_keyPtrs;
    std::vector<const char*> m_valuePtrs;
};

} // namespace

bool PgConnection::serverAnswers(const Target& target) {
    const ConnectionParameters parameters(target);
    return PQpingParams(parameters.keys(), parameters.values(), 0) == PQPING_OK;
}

PgConnection::PgConnection(const Target& target) {
    const ConnectionParameters parameters(target);
    m_conn = PQconnectdbParams(parameters.keys(), parameters.values(), 0);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const QString reason = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
        PQfinish(m_conn);
        m_conn = nullptr;
        throw DbError(DbError::Kind::Connection, AppError::NotConnected,
                      QStringLiteral("No connection to the database server %1: %2")
                          .arg(target.display(), reason));
    }
    // Notices (such as "drop cascades to ...") are not for the user.
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
    try {
        execute(QStringLiteral("SET client_min_messages = warning"), {});
        // Compiling short statements costs more than it saves.
        execute(QStringLiteral("SET jit = off"), {});
        // A formulary stays in the server's memory: a lookup by index costs
        // about what a page read in order does, so that a search of a few
        // rows looks their parents up rather than hashing every node.
        execute(QStringLiteral("SET random_page_cost = 1.1"), {});
    } catch (...) {
        PQfinish(m_conn);
        throw;
    }
}

PgConnection::~PgConnection() {
    PQfinish(m_conn);
}

bool PgConnection::isOpen() const {
    return m_conn && PQstatus(m_conn) == CONNECTION_OK;
}

void PgConnection::setCommandTimeout(int seconds) {
    m_commandTimeout = seconds;
    execute(QStringLiteral("SET statement_timeout = %1").arg(qint64(seconds) * 1000), {});
}

void PgConnection::deferBegin() {
    m_beginPending = true;
}

void PgConnection::sendPendingBegin() {
    if (!std::exchange(m_beginPending, false))
        return;
    const Result begun(PQexec(m_conn, "BEGIN"));
    if (!begun.ok())
        fail(begun);
}

PgConnection::Result PgConnection::run(const QString& sql, const QVariantList& params) {
    // A transaction that sent nothing has nothing to end.
    if (m_beginPending && (sql == QLatin1String("COMMIT") || sql == QLatin1String("ROLLBACK"))) {
        m_beginPending = false;
        return Result(PQmakeEmptyPGresult(m_conn, PGRES_COMMAND_OK));
    }
    if (!params.isEmpty())
        return runPrepared(sql, params);
    if (m_beginPending)
        return pipeline({}, sql.toUtf8(), {}, false);
    Result result(PQexec(m_conn, sql.toUtf8().constData()));
    if (!result.ok())
        fail(result);
    return result;
}

PgConnection::Result PgConnection::runPrepared(const QString& sql, const QVariantList& params) {
    std::vector<QByteArray> texts(size_t(params.size()));
    std::vector<const char*> values(size_t(params.size()), nullptr);
    for (qsizetype i = 0; i < params.size(); ++i) {
        const QVariant& p = params[i];
        if (p.isNull())
            continue;
        if (!parameterText(p, texts[size_t(i)]))
            DbError::raise(Kind::Other, nulRefusal(QStringLiteral("Value %1").arg(i + 1)),
                           m_commandTimeout);
        values[size_t(i)] = texts[size_t(i)].constData();
    }

    for (int attempt = 0;; ++attempt) {
        auto found = m_prepared.constFind(sql);
        const bool known = found != m_prepared.cend();
        const QByteArray name = known ? *found : "formulary_" + QByteArray::number(++m_statements);
        Result result(nullptr);
        if (known && !m_beginPending)
            result = Result(PQexecPrepared(m_conn, name.constData(), int(values.size()),
                                           values.data(), nullptr, nullptr, 0));
        else
            result = pipeline(name, known ? QByteArray() : numberPlaceholders(sql), values, !known);
        if (!known)
            m_prepared.insert(sql, name);
        if (result.ok())
            return result;
        // A table changed under a cached statement so that its rows changed
        // shape: prepare it anew, and run it again where no transaction was spoiled.
        if (result.sqlState() == QLatin1String("0A000") &&
            QByteArray(PQresultErrorMessage(result.res)).contains("cached plan")) {
            m_prepared.remove(sql);
            Result(PQexec(m_conn, ("DEALLOCATE " + name).constData()));
            if (attempt == 0 && PQtransactionStatus(m_conn) == PQTRANS_IDLE)
                continue;
        }
        fail(result);
    }
}

PgConnection::Result PgConnection::nextResult() {
    Result result(PQgetResult(m_conn));
    const ExecStatusType status = result.res ? PQresultStatus(result.res) : PGRES_FATAL_ERROR;
    // Each statement's results end with a null; a sync's does not.
    if (result.res && status != PGRES_PIPELINE_SYNC)
        PQclear(PQgetResult(m_conn));
    return result;
}

// One round trip for what would take up to three: a pending BEGIN, the
// statement's preparation when it is new (the server infers the parameters'
// types from where they stand), and the statement itself, unnamed when it
// has no name. Throws when BEGIN or the preparation fails; the statement's
// own result goes back to the caller.
PgConnection::Result PgConnection::pipeline(const QByteArray& name, const QByteArray& text,
                                            const std::vector<const char*>& values, bool prepare) {
    const bool begin = std::exchange(m_beginPending, false);
    const int count = int(values.size());
    const bool sent =
        PQenterPipelineMode(m_conn) &&
        (!begin || PQsendQueryParams(m_conn, "BEGIN", 0, nullptr, nullptr, nullptr, nullptr, 0)) &&
        (!prepare || PQsendPrepare(m_conn, name.constData(), text.constData(), 0, nullptr)) &&
        (name.isEmpty() ? PQsendQueryParams(m_conn, text.constData(), count, nullptr, values.data(),
                                            nullptr, nullptr, 0)
                        : PQsendQueryPrepared(m_conn, name.constData(), count, values.data(),
                                              nullptr, nullptr, 0)) &&
        PQpipelineSync(m_conn);
    if (!sent)
        fail(Result(nullptr));
    const Result begun = begin ? nextResult() : Result(nullptr);
    const Result prepared = prepare ? nextResult() : Result(nullptr);
    Result executed = nextResult();
    const Result sync = nextResult();
    PQexitPipelineMode(m_conn);
    if (begin && !begun.ok())
        fail(begun);
    if (prepare && !prepared.ok())
        fail(prepared);
    return executed;
}

QString PgConnection::passwordVerifier(const QString& role, const QString& password) {
    QByteArray clear = password.toUtf8();
    char* made = PQencryptPasswordConn(m_conn, clear.constData(), role.toUtf8().constData(),
                                       "scram-sha-256");
    clear.fill('\0');
    if (!made)
        fail(Result(nullptr));
    const QString verifier = QString::fromLatin1(made);
    PQfreemem(made);
    return verifier;
}

void PgConnection::copyRows(const QString& table, const QStringList& columns,
                            const std::vector<QVariantList>& rows) {
    sendPendingBegin();
    const Result started(PQexec(m_conn, QStringLiteral("COPY %1 (%2) FROM STDIN")
                                            .arg(table, columns.join(u','))
                                            .toUtf8()
                                            .constData()));
    if (PQresultStatus(started.res) != PGRES_COPY_IN)
        fail(started);
    QByteArray buffer;
    QString refusal;
    for (size_t r = 0; r < rows.size() && refusal.isEmpty(); ++r) {
        const QVariantList& row = rows[r];
        for (qsizetype i = 0; i < row.size() && refusal.isEmpty(); ++i) {
            if (i > 0)
                buffer += '\t';
            if (!appendCopyValue(buffer, row[i]))
                refusal =
                    nulRefusal(QStringLiteral("Row %1's %2").arg(r + 1).arg(columns.value(i)));
        }
        buffer += '\n';
        if (buffer.size() >= CopyChunkBytes) {
            PQputCopyData(m_conn, buffer.constData(), int(buffer.size()));
            buffer.clear();
        }
    }
    if (refusal.isEmpty())
        PQputCopyData(m_conn, buffer.constData(), int(buffer.size()));
    PQputCopyEnd(m_conn, refusal.isEmpty() ? nullptr : "refused");
    Result finished(PQgetResult(m_conn));
    while (Result(PQgetResult(m_conn)).res) {
    }
    if (!refusal.isEmpty())
        DbError::raise(Kind::Other, refusal, m_commandTimeout);
    if (!finished.ok())
        fail(finished);
}

Recordset PgConnection::query(const QString& sql, const QVariantList& params) {
    const Result result = run(sql, params);
    const PGresult* res = result.res;
    const int columns = PQnfields(res);
    const int rows = PQntuples(res);
    QStringList fields;
    std::vector<QMetaType::Type> types;
    for (int c = 0; c < columns; ++c) {
        fields << QString::fromUtf8(PQfname(res, c));
        types.push_back(variantType(PQftype(res, c)));
    }
    std::vector<QVariant> values;
    values.reserve(size_t(rows) * size_t(columns));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c)
            values.push_back(toVariant(res, r, c, types[size_t(c)]));
    }
    return Recordset(std::move(fields), std::move(values));
}

qint64 PgConnection::execute(const QString& sql, const QVariantList& params) {
    const Result result = run(sql, params);
    return QByteArray(PQcmdTuples(result.res)).toLongLong();
}

void PgConnection::fail(const Result& result) const {
    const QString sqlState = result.sqlState();
    QString description;
    if (result.res && !sqlState.isEmpty()) {
        description = QString::fromUtf8(PQresultErrorField(result.res, PG_DIAG_MESSAGE_PRIMARY));
        const QString detail =
            QString::fromUtf8(PQresultErrorField(result.res, PG_DIAG_MESSAGE_DETAIL));
        if (!detail.isEmpty())
            description += QLatin1Char('\n') + detail;
    } else {
        description = QString::fromUtf8(result.res ? PQresultErrorMessage(result.res)
                                                   : PQerrorMessage(m_conn))
                          .trimmed();
        if (description.isEmpty())
            description = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
    }
    DbError::raise(classifyPostgres(sqlState, !isOpen()), description, m_commandTimeout);
}

} // namespace db::detail
