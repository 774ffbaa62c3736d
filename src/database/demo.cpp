#include "database/demo.h"

#include "components/current_user/user_store.h"
#include "components/formulary_data/formulary.h"
#include "components/formulary_data/node_store.h"
#include "database/csv.h"
#include "database/formulary_status.h"
#include "database/hospital.h"
#include "database/item_import.h"
#include "database/other_details.h"
#include "database/setup.h"
#include "database/user_rights.h"
#include "platform/app_error.h"
#include "platform/db/transaction.h"

#include <QFile>

namespace database {

namespace {

QByteArray demoFile(const QString& name) {
    QFile file(QStringLiteral(":/demo/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(AppError::InvalidArgument,
                       QStringLiteral("The demo file %1 is missing.").arg(name));
    return file.readAll();
}

// The data records of a demo CSV file, checked against its header.
std::vector<CsvRecord> demoRecords(const QString& name, const QStringList& header) {
    std::vector<CsvRecord> records = parseCsv(demoFile(name), name);
    if (records.empty() || records.front().fields != header)
        rejectLine(name, 1,
                   QStringLiteral("the header is not %1.").arg(header.join(QLatin1Char(','))));
    records.erase(records.begin());
    for (const CsvRecord& r : records)
        if (r.fields.size() != header.size())
            rejectLine(name, r.line,
                       QStringLiteral("%1 fields where %2 are expected.")
                           .arg(r.fields.size())
                           .arg(header.size()));
    return records;
}

const QString kTreeFile = QStringLiteral("formulary.txt");

// Writes the tree of formulary.txt through the component: one entry a line,
// two spaces of indentation a level, "C name" a classification, "G name" a
// generic name (under no classification at indentation 0), "D itemid" a drug.
class TreeWriter {
public:
    TreeWriter(formulary_data::Formulary& formulary, DemoSummary& summary)
        : m_formulary(formulary), m_summary(summary) {}

    void write(const QString& text) {
        int line = 0;
        for (const QString& raw : text.split(QLatin1Char('\n'))) {
            ++line;
            const QString entry = raw.trimmed();
            if (entry.isEmpty() || entry.startsWith(QLatin1Char('#')))
                continue;
            const qsizetype indent = raw.indexOf(entry.at(0));
            if (indent % 2 != 0 || indent / 2 > qsizetype(m_open.size()) || entry.size() < 3 ||
                entry.at(1) != QLatin1Char(' '))
                rejectLine(kTreeFile, line,
                           QStringLiteral("not an entry at a known level: %1").arg(raw));
            m_open.resize(std::size_t(indent / 2));
            add(line, entry.at(0), entry.mid(2).trimmed());
        }
    }

private:
    static constexpr QChar Root = u'R', Classification = u'C', Generic = u'G', Drug = u'D';

    struct Open {
        QChar kind;
        database::NodeIdentity node;
        qint64 children = 0;
    };

    void add(int line, QChar kind, const QString& text) {
        Open& parent = m_open.empty() ? m_root : m_open.back();
        QString key;
        bool done = false;
        if (kind == Generic && parent.kind == Root) {
            // A generic name under no classification has no node.
            done = m_formulary.Generics.NewGeneric(text);
            m_summary.unassignedGenerics += done;
        } else if (kind == Classification &&
                   (parent.kind == Root || parent.kind == Classification)) {
            key = nextKey(parent);
            done = m_formulary.Classifications.AddClassification(parent.node, key, text, 0);
            m_summary.classifications += done;
        } else if (kind == Generic && parent.kind == Classification) {
            key = nextKey(parent);
            done = m_formulary.Generics.AddGeneric(parent.node, key, text, 0);
            m_summary.generics += done;
        } else if (kind == Drug && parent.kind == Generic && !parent.node.key.isEmpty()) {
            key = nextKey(parent);
            done = m_formulary.Drugs.AddDrug(parent.node, key, {}, text);
            m_summary.drugs += done;
        }
        if (!done)
            rejectLine(
                kTreeFile, line,
                QStringLiteral("the entry \"%1 %2\" cannot be placed here.").arg(kind).arg(text));
        // Nothing goes under a drug: its node need not be looked up.
        m_open.push_back({kind, kind == Drug ? database::NodeIdentity{} : stored(key)});
    }

    // The node as stored, for the entries placed under it.
    database::NodeIdentity stored(const QString& key) {
        if (key.isEmpty())
            return {};
        return m_formulary.NodeFormulary.IdentityOf(key).value_or(database::NodeIdentity{});
    }

    static QString nextKey(Open& parent) {
        return formulary_data::node_store::childKey(parent.node.key, ++parent.children);
    }

    formulary_data::Formulary& m_formulary;
    DemoSummary& m_summary;
    Open m_root{Root, formulary_data::NodeFormularyObject::RootIdentity()};
    std::vector<Open> m_open;
};

int writeOtherDetails(db::Connection& c) {
    const std::vector<CsvRecord> rows =
        demoRecords(QStringLiteral("other_details.csv"),
                    {QStringLiteral("genericname"), QStringLiteral("otherdetails")});
    for (const CsvRecord& row : rows) {
        const db::Recordset generic = c.query(
            QStringLiteral("SELECT GenericID FROM inventory.tbforgeneric WHERE genericname = ?"),
            {row.fields[0]});
        if (generic.eof())
            rejectLine(QStringLiteral("other_details.csv"), row.line,
                       QStringLiteral("no generic name \"%1\".").arg(row.fields[0]));
        if (!SaveOtherDetails(c, generic.field(0).toLongLong(), row.fields[1]))
            rejectLine(QStringLiteral("other_details.csv"), row.line,
                       QStringLiteral("the database refused the other details."));
    }
    return int(rows.size());
}

current_user::UserRecord demoUser(const char* code, const char* userName, const char* first,
                                  const char* last, const char* rightsClass, bool isAdmin) {
    current_user::UserRecord user;
    user.employeecode = QLatin1String(code);
    user.username = QLatin1String(userName);
    user.firstname = QLatin1String(first);
    user.lastname = QLatin1String(last);
    user.initials = QString(QLatin1Char(first[0])) + QLatin1Char(last[0]);
    user.rightsclass = QLatin1String(rightsClass);
    user.isadmin = isAdmin;
    return user;
}

struct DemoUser {
    current_user::UserRecord record;
    bool rights;
};

int writeUsers(db::Connection& c) {
    const std::vector<DemoUser> users = {
        {demoUser("1001", "admin", "Helen", "Marsh", "AA", true), true},
        {demoUser("1002", "pharmacist", "Daniel", "Okafor", "AA", false), true},
        {demoUser("1003", "viewer", "Priya", "Nair", "BB", false), false},
    };
    for (const DemoUser& user : users) {
        current_user::addUser(c, user.record, user.record.username + QStringLiteral("-demo"));
        if (!SetAllRights(c, user.record.employeecode, user.rights))
            throw AppError(AppError::Database,
                           QStringLiteral("The database refused the rights of the demo users."));
    }
    return int(users.size());
}

void writeHospital(db::Connection& c) {
    const std::vector<CsvRecord> hospital = demoRecords(
        QStringLiteral("hospital.csv"),
        {QStringLiteral("clientname"), QStringLiteral("company"), QStringLiteral("address1")});
    if (hospital.size() != 1)
        rejectLine(QStringLiteral("hospital.csv"), 2,
                   QStringLiteral("one hospital record is expected."));
    if (!saveHospital(c, {hospital[0].fields[0], hospital[0].fields[1], hospital[0].fields[2]}))
        rejectLine(QStringLiteral("hospital.csv"), 2,
                   QStringLiteral("the database refused the hospital record."));
}

// The restriction categories committees use most.
void writeRestrictions(db::Connection& c) {
    for (const char* name :
         {"Specialist only", "Microbiology approval", "Outpatient only", "Named patient"})
        if (formulary_status::addRestriction(c, QLatin1String(name)) !=
            formulary_status::CategoryResult::Done)
            throw AppError(AppError::Database,
                           QStringLiteral("The database refused the restriction category \"%1\".")
                               .arg(QLatin1String(name)));
}

} // namespace

DemoSummary loadDemo(const QString& target) {
    openCreating(target); // creates the database and its schema; the component connects anew
    formulary_data::Formulary formulary;
    if (!formulary.Connect(target))
        throw AppError(AppError::NotConnected, QStringLiteral("The database %1 cannot be opened.")
                                                   .arg(db::Target::parse(target).display()));
    db::Connection& c = formulary.connection();
    requireEmptyFormulary(c);
    // The hospital's record lives in the other database file, so it has its own
    // transaction; a retry after a failure below replaces it.
    writeHospital(c);
    DemoSummary summary;
    // Items, tree, details and users in one transaction: all or nothing.
    db::Transaction t(c);
    const std::vector<StockItem> items =
        readItems(demoFile(QStringLiteral("items.csv")), QStringLiteral("items.csv")).items;
    saveItems(c, items);
    summary.items = int(items.size());
    TreeWriter(formulary, summary)
        .write(QString::fromUtf8(demoFile(QStringLiteral("formulary.txt"))));
    summary.otherDetails = writeOtherDetails(c);
    summary.users = writeUsers(c);
    writeRestrictions(c);
    t.commit();
    return summary;
}

} // namespace database
