#include "database/hospital.h"

#include "database/change.h"

namespace database {

std::optional<HospitalRecord> readHospital(db::Connection& c) {
    const db::Recordset rs = c.query(
        QStringLiteral("SELECT clientname, company, address1 FROM patient_data.tbHospitalInfo"));
    if (rs.eof())
        return std::nullopt;
    return HospitalRecord{rs.text(QStringLiteral("clientname")), rs.text(QStringLiteral("company")),
                          rs.text(QStringLiteral("address1"))};
}

bool saveHospital(db::Connection& c, const HospitalRecord& record) {
    if (onServer(c))
        return serverChange(c, QStringLiteral("hospital_save"),
                            {record.clientName, record.company, record.address})
            .toBool();
    ChangeTarget target{Entry::Hospital, {}};
    return runChange(c, target, [&] {
        c.execute(QStringLiteral("DELETE FROM patient_data.tbHospitalInfo"));
        c.execute(
            QStringLiteral("INSERT INTO patient_data.tbHospitalInfo (clientname, company, address1)"
                           " VALUES (?, ?, ?)"),
            {record.clientName, record.company, record.address});
        return true;
    });
}

} // namespace database
