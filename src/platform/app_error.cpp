#include "platform/app_error.h"

AppError::AppError(long number, QString description, QString source)
    : std::runtime_error(description.toStdString()), m_number(number),
      m_description(std::move(description)), m_source(std::move(source)) {}

AppError AppError::raisedFrom(const QString& source) const {
    AppError copy = *this;
    copy.m_source = source;
    return copy;
}

void AppError::raiseAgainFrom(const QString& routine) {
    try {
        throw;
    } catch (AppError& error) {
        if (error.m_source.isEmpty())
            error.m_source = routine;
        throw;
    }
}
