#pragma once

#include "platform/db/connection.h"

#include <optional>

namespace database {

// The hospital's record that heads every report.
struct HospitalRecord {
    QString clientName;
    QString company;
    QString address;
};

// The first record; nothing when none is kept.
std::optional<HospitalRecord> readHospital(db::Connection& connection);

// Replaces the hospital's record as one change; false when the database refuses it.
bool saveHospital(db::Connection& connection, const HospitalRecord& record);

} // namespace database
