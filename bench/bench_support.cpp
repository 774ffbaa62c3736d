#include "bench_support.h"

#include "components/current_user/user_store.h"
#include "components/formulary_data/formulary.h"
#include "database/schema.h"
#include "database/user_rights.h"
#include "platform/db/connection.h"

#include <stdexcept>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <sys/resource.h>
#include <vector>

namespace bench {

double medianMs(const std::function<void()>& work, int runs, const std::function<void()>& before) {
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        if (before)
            before();
        QElapsedTimer timer;
        timer.start();
        work();
        if (i > 0)
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double peakMemoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void emptyServerDatabase(const QString& url) {
    db::Connection c(db::Target::parse(url));
    c.open();
    database::dropFormulary(c);
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

} // namespace bench
