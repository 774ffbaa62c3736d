#include "database/hospital.h"

#include "database/change.h"

namespace database {

namespace {

// The record as the audit shows it: its three texts on three lines.
QString recordText(const HospitalRecord& record) {
    return QStringList{record.clientName, record.company, record.address}.join(u'\n');
}

} // namespace

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
        const auto was = readHospital(c);
        const QVariant before = was ? QVariant(recordText(*was)) : QVariant();
        if (const QString after = recordText(record); before != after)
            target.note(QStringLiteral("hospital record changed"), record.clientName, {}, before,
                        after);
        c.execute(QStringLiteral("DELETE FROM patient_data.tbHospitalInfo"));
        c.execute(
            QStringLiteral("INSERT INTO patient_data.tbHospitalInfo (clientname, company, address1)"
                           " VALUES (?, ?, ?)"),
            {record.clientName, record.company, record.address});
        return true;
    });
}

} // namespace database
