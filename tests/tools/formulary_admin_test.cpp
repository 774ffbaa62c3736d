#include "admin.h"

#include "components/current_user/user_store.h"
#include "database/user_rights.h"
#include "platform/db/connection.h"
#include "support/log_in.h"
#include "support/test_database.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <deque>

namespace {

struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

// Runs formulary-admin in the test, with scripted answers to the password prompts.
Outcome runTool(const QStringList& args, std::deque<QString> answers = {}) {
    Outcome run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    admin::AdminIo io{out, err, [&](const QString&) -> std::optional<QString> {
                          if (answers.empty())
                              return std::nullopt;
                          QString next = answers.front();
                          answers.pop_front();
                          return next;
                      }};
    run.code = admin::runAdmin(args, io);
    out.flush();
    err.flush();
    return run;
}

std::string describe(const QStringList& args, const Outcome& run) {
    return QStringLiteral("formulary-admin %1 -> %2\nout: %3\nerr: %4")
        .arg(args.join(QLatin1Char(' ')))
        .arg(run.code)
        .arg(run.out, run.err)
        .toStdString();
}

// Files and folders of one test.
class Scratch {
public:
    QString file(const QString& name, const QByteArray& content) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        return path;
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

const QByteArray kItemHeader =
    "itemid,name,description,indication,dosage,administration,preparation\n";

} // namespace

TEST(AdminCommandLine, WrongCommandLinesAreRefusedWithClearErrors) {
    Scratch s;
    const QString pw = s.file(QStringLiteral("pw"), "secret-1\n");
    const QString folder = s.path(QStringLiteral("db"));
    struct Case {
        QStringList args;
        int code;
        QString message;
    };
    const std::vector<Case> cases = {
        {{}, admin::UsageFault, "no command given"},
        {{"frobnicate"}, admin::UsageFault, "unknown command \"frobnicate\""},
        {{"user"}, admin::UsageFault, "user passwd USER"},
        {{"user", "frob"}, admin::UsageFault, "unknown command \"user frob\""},
        {{"init"}, admin::UsageFault, "init needs TARGET"},
        {{"init", folder, "extra"}, admin::UsageFault, "init takes TARGET, not \"extra\""},
        {{"init", folder, "--bogus"}, admin::UsageFault, "init has no option --bogus"},
        {{"init", folder, "--password-file"}, admin::UsageFault, "--password-file needs a value"},
        {{"init", folder, "--password-file", s.path("missing")},
         admin::Failed,
         "Cannot read the password file"},
        {{"init", folder, "--password-file", s.file("empty", "\n")},
         admin::Failed,
         "holds no password"},
        {{"init", folder}, admin::Failed, "no terminal to ask for the password"},
        {{"upgrade", "postgresql://localhost"}, admin::Failed, "names no database"},
        {{"upgrade", folder}, admin::Failed, "There is no formulary database"},
        {{"demo"}, admin::UsageFault, "demo needs TARGET"},
        {{"generate", "many", folder}, admin::UsageFault, "N is a whole number"},
        {{"generate", "0", folder}, admin::UsageFault, "N is a whole number"},
        {{"generate", "100"}, admin::UsageFault, "generate needs N TARGET"},
        {{"user", "add", "bob", "--database", folder},
         admin::UsageFault,
         "user add needs --first-name"},
        {{"user", "admin", "bob", "maybe", "--database", folder}, admin::UsageFault, "yes or no"},
        {{"user", "list", "--database", folder}, admin::Failed, "There is no formulary database"},
        {{"import-items"}, admin::UsageFault, "import-items needs FILE.csv"},
        {{"location", "extra"}, admin::UsageFault, "location takes no arguments"},
    };
    for (const Case& c : cases) {
        const Outcome run = runTool(c.args);
        EXPECT_EQ(run.code, c.code) << describe(c.args, run);
        EXPECT_TRUE(run.err.contains(c.message)) << describe(c.args, run);
        EXPECT_TRUE(run.out.isEmpty()) << describe(c.args, run);
    }
    // A refused command leaves no database behind.
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST(AdminCommandLine, EveryCommandHasHelp) {
    const Outcome overview = runTool({QStringLiteral("--help")});
    ASSERT_EQ(overview.code, admin::Success);
    const QStringList commands = {"init",        "upgrade",     "demo",       "user add",
                                  "user passwd", "user class",  "user admin", "user disable",
                                  "user enable", "user rights", "user list",  "import-items",
                                  "generate",    "location"};
    for (const QString& command : commands) {
        EXPECT_TRUE(overview.out.contains(QStringLiteral("  ") + command + QLatin1Char(' ')))
            << command.toStdString();
        const QStringList args = command.split(QLatin1Char(' ')) << QStringLiteral("--help");
        const Outcome run = runTool(args);
        EXPECT_EQ(run.code, admin::Success) << describe(args, run);
        EXPECT_TRUE(run.out.startsWith(QStringLiteral("Usage: formulary-admin ") + command))
            << describe(args, run);
    }
    EXPECT_EQ(runTool({QStringLiteral("user"), QStringLiteral("--help")}).code, admin::Success);
}

TEST(AdminCommandLine, InitAsksForThePasswordTwice) {
    Scratch s;
    const QString folder = s.path(QStringLiteral("db"));
    const Outcome differ =
        runTool({QStringLiteral("init"), folder}, {QStringLiteral("one"), QStringLiteral("two")});
    EXPECT_EQ(differ.code, admin::Failed);
    EXPECT_TRUE(differ.err.contains(QStringLiteral("differ"))) << differ.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder));

    const Outcome run = runTool({QStringLiteral("init"), folder},
                                {QStringLiteral("s3cret pass"), QStringLiteral("s3cret pass")});
    ASSERT_EQ(run.code, admin::Success) << run.err.toStdString();
    db::Connection c(db::Target::parse(folder));
    c.open();
    EXPECT_TRUE(test_support::canLogIn(c, QStringLiteral("admin"), QStringLiteral("s3cret pass")));
}

TEST(AdminCommandLine, LocationFollowsFormularyDatabase) {
    qputenv("FORMULARY_DATABASE", "postgresql://db.example/formulary");
    const Outcome run = runTool({QStringLiteral("location")});
    qunsetenv("FORMULARY_DATABASE");
    EXPECT_EQ(run.code, admin::Success);
    EXPECT_EQ(run.out, QStringLiteral("postgresql://db.example/formulary\n"));
    const Outcome fallback = runTool({QStringLiteral("location")});
    EXPECT_TRUE(fallback.out.trimmed().endsWith(QStringLiteral("/database")))
        << fallback.out.toStdString();
}

namespace {

// A test on each engine with an empty database (no schema) as the target.
class AdminTool : public testing::TestWithParam<db::Engine> {
protected:
    void SetUp() override {
        empty = std::make_unique<test_support::TestDatabase>(GetParam(), false);
        target = empty->target();
        password = s.file(QStringLiteral("pw"), "first-secret\n");
    }

    Outcome ok(const QStringList& args) {
        const Outcome run = runTool(args);
        EXPECT_EQ(run.code, admin::Success) << describe(args, run);
        return run;
    }

    Outcome fails(const QStringList& args, const QString& message) {
        const Outcome run = runTool(args);
        EXPECT_EQ(run.code, admin::Failed) << describe(args, run);
        EXPECT_TRUE(run.err.contains(message)) << describe(args, run);
        return run;
    }

    void init() {
        ok({QStringLiteral("init"), target, QStringLiteral("--password-file"), password});
    }

    QStringList onDatabase(QStringList args) const {
        return args << QStringLiteral("--database") << target;
    }

    Scratch s;
    std::unique_ptr<test_support::TestDatabase> empty;
    QString target;
    QString password;
};

} // namespace

TEST_P(AdminTool, InitMakesAnAdministratorWithAllRightsOnce) {
    init();
    auto c = empty->connect();
    EXPECT_TRUE(
        test_support::canLogIn(*c, QStringLiteral("admin"), QStringLiteral("first-secret")));
    const auto user = current_user::findUser(*c, QStringLiteral("admin"));
    ASSERT_TRUE(user);
    EXPECT_TRUE(user->isadmin);
    const db::Recordset rights =
        c->query(QStringLiteral("SELECT isClassification, isDrug, isGeneric, isOtherDetails FROM "
                                "inventory.tbforUserSettings"
                                " WHERE userid = ?"),
                 {user->employeecode});
    ASSERT_FALSE(rights.eof());
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(rights.field(i).toBool()) << i;

    fails({QStringLiteral("init"), target, QStringLiteral("--password-file"), password},
          QStringLiteral("has users already"));
    EXPECT_TRUE(ok({QStringLiteral("upgrade"), target}).out.contains(QStringLiteral("is current")));
    EXPECT_TRUE(ok(onDatabase({QStringLiteral("user"), QStringLiteral("list")}))
                    .out.contains(QStringLiteral("Formulary Administrator")));
}

// A user without a log-in role (from before server log-ins) is named by
// upgrade and gets a role with the first password set; a name another role
// of the server holds is refused with a clear message.
TEST_P(AdminTool, ServerLogInsAreMadeForUsersWithoutOne) {
    if (GetParam() != db::Engine::PostgreSQL)
        GTEST_SKIP() << "log-in roles exist only on a server";
    auto c = empty->connect();
    c->execute(QStringLiteral("CREATE ROLE taken_elsewhere"));
    fails({QStringLiteral("init"), target, QStringLiteral("--user"),
           QStringLiteral("taken_elsewhere"), QStringLiteral("--password-file"), password},
          QStringLiteral("has a role named \"taken_elsewhere\" already"));
    c->execute(QStringLiteral("DROP ROLE taken_elsewhere"));

    init();
    ok(onDatabase({"user", "add", "bob", "--first-name", "Bob", "--last-name", "Jones",
                   "--employee-code", "E42", "--password-file", password}));
    c->execute(QStringLiteral("DROP ROLE bob"));
    EXPECT_TRUE(ok({QStringLiteral("upgrade"), target})
                    .out.contains(QStringLiteral("have no log-in yet; set each one's password with "
                                                 "\"formulary-admin user passwd NAME\": bob")));
    ok(onDatabase({"user", "passwd", "bob", "--password-file", password}));
    EXPECT_TRUE(test_support::canLogIn(*c, QStringLiteral("bob"), QStringLiteral("first-secret")));
    EXPECT_FALSE(ok({QStringLiteral("upgrade"), target}).out.contains(QStringLiteral("bob")));
}

// On a server the tool runs as an administrator of the program as well as
// the owner; any other user is refused by the server.
TEST_P(AdminTool, OnlyAdministratorsChangeUsersOnAServer) {
    if (GetParam() != db::Engine::PostgreSQL)
        GTEST_SKIP() << "log-in roles exist only on a server";
    init();
    ok(onDatabase({"user", "add", "ann", "--first-name", "Ann", "--last-name", "Lee",
                   "--employee-code", "E50", "--password-file", password}));
    const auto as = [&](const QString& user) {
        db::Target t = db::Target::parse(target);
        t.user = user;
        t.password = QStringLiteral("first-secret");
        return QStringLiteral("postgresql://%1:%2@%3:%4/%5")
            .arg(t.user, t.password, t.host)
            .arg(t.port)
            .arg(t.database);
    };
    const QStringList addCarl = {"user",  "add",
                                 "carl",  "--first-name",
                                 "Carl",  "--last-name",
                                 "Berg",  "--employee-code",
                                 "E51",   "--password-file",
                                 password};
    fails(QStringList(addCarl) << QStringLiteral("--database") << as(QStringLiteral("ann")),
          QStringLiteral("The user \"ann\" has no right to change users"));
    ok(QStringList(addCarl) << QStringLiteral("--database") << as(QStringLiteral("admin")));
    auto c = empty->connect();
    EXPECT_TRUE(test_support::canLogIn(*c, QStringLiteral("carl"), QStringLiteral("first-secret")));
}

TEST_P(AdminTool, UserCommandsChangeUsers) {
    init();
    const QStringList addBob =
        onDatabase({"user", "add", "bob", "--first-name", "Bob", "--last-name", "Jones",
                    "--employee-code", "E42", "--class", "BB", "--password-file", password});
    ok(addBob);
    fails(addBob, QStringLiteral("employee code \"E42\" belongs to another user"));
    fails(onDatabase({"user", "add", "bob", "--first-name", "Bob", "--last-name", "Jones",
                      "--employee-code", "E43", "--password-file", password}),
          QStringLiteral("user named \"bob\" exists already"));

    const QString newPassword = s.file(QStringLiteral("pw2"), "second-secret\r\n");
    ok(onDatabase({"user", "passwd", "bob", "--password-file", newPassword}));
    fails(onDatabase({"user", "passwd", "nobody", "--password-file", newPassword}),
          QStringLiteral("no user named \"nobody\""));
    ok(onDatabase({"user", "class", "bob", "AA"}));
    ok(onDatabase({"user", "admin", "bob", "yes"}));
    fails(onDatabase({"user", "class", "nobody", "AA"}), QStringLiteral("nobody"));

    auto c = empty->connect();
    EXPECT_TRUE(test_support::canLogIn(*c, QStringLiteral("bob"), QStringLiteral("second-secret")));
    const auto bob = current_user::findUser(*c, QStringLiteral("bob"));
    ASSERT_TRUE(bob);
    EXPECT_EQ(bob->rightsclass, QStringLiteral("AA"));
    EXPECT_TRUE(bob->isadmin);
    EXPECT_EQ(bob->initials, QStringLiteral("BJ"));

    // Without --database, FORMULARY_DATABASE names the database.
    qputenv("FORMULARY_DATABASE", target.toUtf8());
    const Outcome list = runTool({QStringLiteral("user"), QStringLiteral("list")});
    qunsetenv("FORMULARY_DATABASE");
    EXPECT_EQ(list.code, admin::Success) << list.err.toStdString();
    EXPECT_TRUE(list.out.contains(QStringLiteral("Bob Jones"))) << list.out.toStdString();
}

TEST_P(AdminTool, ClassesRightsAndDisabling) {
    init();
    ok(onDatabase({"user", "add", "ann", "--first-name", "Ann", "--last-name", "Lee",
                   "--employee-code", "E50", "--class", "bb", "--password-file", password}));
    fails(onDatabase({"user", "class", "ann", "CC"}), QStringLiteral("\"AA\" or \"BB\""));
    ok(onDatabase({"user", "class", "ann", "aa"}));
    ok(onDatabase(
        {"user", "rights", "ann", "--classification", "yes", "--drug", "YES", "--generic", "no"}));
    for (const auto& [args, message] :
         {std::pair{QStringList{"user", "rights", "ann"}, "needs at least one"},
          std::pair{QStringList{"user", "rights", "ann", "--drug", "maybe"}, "yes or no"}}) {
        const Outcome run = runTool(onDatabase(args));
        EXPECT_EQ(run.code, admin::UsageFault) << describe(args, run);
        EXPECT_TRUE(run.err.contains(QLatin1String(message))) << describe(args, run);
    }
    fails(onDatabase({"user", "rights", "nobody", "--drug", "yes"}),
          QStringLiteral("no user named \"nobody\""));

    auto c = empty->connect();
    EXPECT_EQ(current_user::findUser(*c, QStringLiteral("ann"))->rightsclass, QStringLiteral("AA"));
    const database::UserRights rights = database::ReadUserRights(*c, QStringLiteral("E50"));
    EXPECT_TRUE(rights.isClassification);
    EXPECT_TRUE(rights.isDrug);
    EXPECT_FALSE(rights.isGeneric);
    EXPECT_FALSE(rights.isOtherDetails);

    if (GetParam() == db::Engine::SQLite) {
        fails(onDatabase({"user", "disable", "ann"}), QStringLiteral("Only users of a database"));
        return;
    }
    ok(onDatabase({"user", "disable", "ann"}));
    EXPECT_FALSE(test_support::canLogIn(*c, QStringLiteral("ann"), QStringLiteral("first-secret")));
    ok(onDatabase({"user", "enable", "ann"}));
    EXPECT_TRUE(test_support::canLogIn(*c, QStringLiteral("ann"), QStringLiteral("first-secret")));
}

TEST_P(AdminTool, DemoAndImportItems) {
    EXPECT_TRUE(ok({QStringLiteral("demo"), target})
                    .out.contains(QStringLiteral("pharmacist / pharmacist-demo")));
    fails({QStringLiteral("demo"), target}, QStringLiteral("already holds a formulary"));

    auto c = empty->connect();
    auto itemCount = [&] {
        return c->query(QStringLiteral("SELECT COUNT(*) FROM inventory.tbinvmaster"))
            .field(0)
            .toInt();
    };
    const int before = itemCount();
    const QString bad = s.file(QStringLiteral("bad.csv"),
                               kItemHeader + "N1,New item,5 mg tablet,,,,\nN2,\"Unclosed,,,,,\n");
    fails(onDatabase({QStringLiteral("import-items"), bad}),
          QStringLiteral("bad.csv, line 3: a quoted field is not closed"));
    EXPECT_EQ(itemCount(), before);

    const QString good =
        s.file(QStringLiteral("good.csv"),
               kItemHeader + "N1,New item,5 mg tablet,,,,\n10010001,Propofol,1% 20 mL,,,,\n");
    EXPECT_TRUE(ok(onDatabase({QStringLiteral("import-items"), good}))
                    .out.contains(QStringLiteral("1 new, 1 updated")));
    EXPECT_EQ(itemCount(), before + 1);
}

TEST_P(AdminTool, GenerateFillsAnEmptyDatabaseOnly) {
    const Outcome run = ok({QStringLiteral("generate"), QStringLiteral("300"), target});
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("Generated 300 nodes"))) << run.out.toStdString();
    fails({QStringLiteral("generate"), QStringLiteral("300"), target},
          QStringLiteral("already holds a formulary"));
    auto c = empty->connect();
    EXPECT_EQ(
        c->query(QStringLiteral("SELECT COUNT(*) FROM inventory.tbFormularyNode")).field(0).toInt(),
        301);
}

INSTANTIATE_TEST_SUITE_P(Engines, AdminTool, testing::ValuesIn(test_support::engines()),
                         test_support::engineName);
