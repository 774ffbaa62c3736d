#include "bench_support.h"

#include "components/current_user/user_store.h"
#include "components/formulary_data/formulary.h"
#include "database/item_import.h"
#include "database/schema.h"
#include "database/user_rights.h"
#include "platform/db/connection.h"

#include <stdexcept>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

namespace bench {

namespace {

const char* const kMedicines[] = {"Amoxicillin", "Paracetamol", "Ibuprofen",   "Metformin",
                                  "Amlodipine",  "Omeprazole",  "Ceftriaxone", "Salbutamol"};
const char* const kForms[] = {"tablet, film-coated", "capsule", "oral suspension",
                              "powder for injection"};
const char* const kRoutes[] = {"Oral", "Intravenous", "Inhalation"};

// One stock item's line, as spreadsheets write them.
QByteArray itemLine(int i, const QString& pack) {
    const QString medicine = QString::fromLatin1(kMedicines[i % std::size(kMedicines)]) + pack;
    return QStringLiteral("ITM%1,%2 %3 mg,\"%2 %3 mg %4\",\"For \"\"%5\"\" and %6\","
                          "\"1 dose\r\ntwice daily\",%7,%8\r\n")
        .arg(i, 7, 10, QLatin1Char('0'))
        .arg(medicine)
        .arg(5 * (1 + i % 40))
        .arg(QString::fromLatin1(kForms[i % std::size(kForms)]))
        .arg(i % 2 ? QStringLiteral("pain") : QStringLiteral("fever"))
        .arg(i % 3 ? QStringLiteral("infection") : QStringLiteral("inflammation"))
        .arg(QString::fromLatin1(kRoutes[i % std::size(kRoutes)]))
        .arg(i % 4 ? QString() : QStringLiteral("Dilute in 100 mL saline"))
        .toUtf8();
}

} // namespace

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double msOf(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

double medianMs(const std::function<void()>& work, int runs, const std::function<void()>& before) {
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        if (before)
            before();
        const double ms = msOf(work);
        if (i > 0)
            times.push_back(ms);
    }
    return median(std::move(times));
}

double peakMemoryMb() {
    // The high-water mark of this program's own memory, which resetPeakMemory
    // can start anew: getrusage's would also count a parent's resident memory
    // at the fork that started this one.
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        throw std::runtime_error("/proc/self/status cannot be read");
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    throw std::runtime_error("/proc/self/status has no VmHWM line");
}

void resetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        throw std::runtime_error("/proc/self/clear_refs cannot be written");
}

void emptyServerDatabase(const QString& url) {
    db::Connection c(db::Target::parse(url));
    c.open();
    database::dropFormulary(c);
}

namespace {

// The id of the node of that type with the most children of the other type.
qint64 busiest(db::Connection& c, const QString& idColumn, const QString& childType) {
    return c
        .query(QStringLiteral("SELECT p.%1 FROM inventory.tbFormularyNode p"
                              " JOIN inventory.tbFormularyNode n ON n.Node_Parent = p.Node_Key"
                              " WHERE n.node_type = ? GROUP BY p.%1"
                              " ORDER BY COUNT(*) DESC, p.%1")
                   .arg(idColumn),
               {childType})
        .field(0)
        .toLongLong();
}

} // namespace

qint64 busiestClassification(db::Connection& c) {
    return busiest(c, QStringLiteral("ClassificationID"), QStringLiteral("2"));
}

qint64 busiestGeneric(db::Connection& c) {
    return busiest(c, QStringLiteral("GenericID"), QStringLiteral("3"));
}

void addUser(db::Connection& c) {
    current_user::UserRecord user;
    user.employeecode = QStringLiteral("B-1");
    user.username = UserName;
    user.firstname = user.lastname = QStringLiteral("Bench");
    user.initials = QStringLiteral("BE");
    user.rightsclass = QStringLiteral("AA");
    current_user::addUser(c, user, UserPassword);
    if (!database::SetAllRights(c, user.employeecode, true))
        throw std::runtime_error("the benchmarks' user got no rights");
}

std::vector<Engine> engines(const QTemporaryDir& folder, const QString& serverName) {
    std::vector<Engine> list{
        {QStringLiteral("sqlite"), folder.filePath(QStringLiteral("formulary")), false}};
    const QString server = qEnvironmentVariable("FORMULARY_BENCH_PG_URL");
    if (!server.isEmpty()) {
        emptyServerDatabase(server);
        list.push_back({serverName, server, true});
    }
    return list;
}

QString addWideClassification(const QString& target, int children) {
    formulary_data::Formulary formulary;
    if (!formulary.Connect(target))
        throw std::runtime_error("the formulary component could not connect");
    return addWideClassification(formulary, children);
}

QString addWideClassification(formulary_data::Formulary& formulary, int children) {
    auto& nodes = formulary.NodeFormulary;
    const auto taken = nodes.ChildNumbers(QStringLiteral("_0"));
    QString wide = QStringLiteral("_%1").arg(*std::max_element(taken.begin(), taken.end()) + 1);
    formulary.Classifications.AddClassification(nodes.RootIdentity(), wide, QStringLiteral("Wide"),
                                                0);
    const database::NodeIdentity parent = nodes.IdentityOf(wide).value();
    for (int i = 1; i <= children; ++i) {
        QString key = wide + QStringLiteral(".%1").arg(i);
        formulary.Classifications.AddClassification(parent, key, QStringLiteral("Wide %1").arg(i),
                                                    0);
    }
    return wide;
}

void writeItemsFile(const QString& path, int items, int first, const QString& pack) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("the item file cannot be written");
    file.write(database::ItemColumns.join(QLatin1Char(',')).toUtf8() + "\r\n");
    for (int i = first; i < first + items; ++i)
        file.write(itemLine(i, pack));
}

} // namespace bench
