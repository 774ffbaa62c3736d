#include "components/formulary_data/formulary.h"

#include "database/schema.h"
#include "platform/app_error.h"

namespace formulary_data {

namespace {
// The component's own statements may run as long as the program's.
constexpr int CommandTimeoutSeconds = 240;
} // namespace

Formulary::Formulary()
    : NodeFormulary(*this), Classifications(*this), Generics(*this), Drugs(*this) {}

Formulary::~Formulary() = default;

bool Formulary::Connect(const QString& connectionstr) {
    try {
        auto connection = std::make_unique<db::Connection>(db::Target::parse(connectionstr));
        connection->open();
        connection->setCommandTimeout(CommandTimeoutSeconds);
        if (database::schemaVersion(*connection) != database::CurrentSchemaVersion)
            return false;
        m_connection = std::move(connection);
        return true;
    } catch (const AppError&) {
        return false;
    }
}

bool Formulary::isConnected() const {
    return m_connection && m_connection->isOpen();
}

db::Connection& Formulary::connection() {
    if (!isConnected())
        throw AppError(AppError::NotConnected, QStringLiteral("The formulary is not connected."));
    return *m_connection;
}

} // namespace formulary_data
