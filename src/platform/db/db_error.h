#pragma once

#include "platform/app_error.h"

namespace db {

// An error of a statement, with what kind of failure it was, so that callers
// can tell a refused change from a broken connection.
class DbError : public AppError {
public:
    enum class Kind {
        Other,                // anything else: a faulty statement, a full disk, a corrupt file
        UniqueViolation,      // a unique or primary key already holds the value
        ForeignKeyViolation,  // a reference to a missing row, or a row still referenced
        CheckViolation,       // a CHECK or another rule of the schema refused the row
        NotNullViolation,     // a required column was left empty
        Deadlock,             // chosen as the victim of a lock cycle between connections
        SerializationFailure, // another connection changed what this transaction had read
        Busy,                 // another connection holds the lock and did not let go in time
        Connection,           // the database cannot be opened or the connection was lost
        Timeout,              // the statement ran past the command timeout and was cancelled
        ValueTooLong,         // a value exceeds its column's length or the engine's limit
        PermissionDenied,     // the server's rules do not let this user make the change
    };

    // The routine that meets the error names itself in it (AppError::raiseAgainFrom).
    DbError(Kind kind, long number, QString description)
        : AppError(number, std::move(description)), m_kind(kind) {}

    Kind kind() const { return m_kind; }

    bool isConstraintViolation() const {
        return m_kind == Kind::UniqueViolation || m_kind == Kind::ForeignKeyViolation ||
               m_kind == Kind::CheckViolation || m_kind == Kind::NotNullViolation;
    }

    // The database declined this statement or transaction and the stored data
    // is as it was; the connection goes on. A lost connection leaves the outcome
    // of the last statement unknown, and Other promises nothing.
    bool isRefusal() const { return m_kind != Kind::Other && m_kind != Kind::Connection; }

    // Throws the error of a failed statement on either engine: a timeout says
    // how long it waited, a connection error or any other keeps the engine's text.
    [[noreturn]] static void raise(Kind kind, const QString& description, int commandTimeout) {
        if (kind == Kind::Timeout)
            throw DbError(kind, AppError::CommandTimeout,
                          QStringLiteral("The database did not answer within %1 seconds.")
                              .arg(commandTimeout));
        throw DbError(kind, numberOf(kind),
                      description.isEmpty() ? QStringLiteral("The database refused the statement.")
                                            : description);
    }

private:
    static long numberOf(Kind kind) {
        if (kind == Kind::Connection)
            return AppError::NotConnected;
        return kind == Kind::PermissionDenied ? AppError::PermissionDenied : AppError::Database;
    }

    Kind m_kind;
};

} // namespace db
