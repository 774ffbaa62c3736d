#pragma once

#include "platform/app_error.h"

namespace db {

// An error of a statement, with what kind of failure it was, so that callers
// can tell a refused change from a broken connection.
class DbError : public AppError {
public:
    enum class Kind { Other, Constraint, Timeout, Connection };

    DbError(Kind kind, long number, QString description, QString source)
        : AppError(number, std::move(description), std::move(source)), m_kind(kind) {}

    Kind kind() const { return m_kind; }
    bool isConstraintViolation() const { return m_kind == Kind::Constraint; }

private:
    Kind m_kind;
};

} // namespace db
