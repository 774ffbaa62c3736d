#include "admin/frmUserSettings.h"
#include "admin/user_settings_command.h"
#include "components/current_user/user_store.h"
#include "core/logged_in_run.h"
#include "core/mdlFormulary.h"
#include "platform/ui/flex_grid.h"
#include "tree/frmFormulary.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

using test_support::LoggedInRunTest;

namespace {

// The boxes in the order of the table's columns.
struct Rights {
    bool classification = false;
    bool generic = false;
    bool drug = false;
    bool otherDetails = false;
    bool operator==(const Rights&) const = default;
};

void PrintTo(const Rights& r, std::ostream* os) {
    *os << "{class " << r.classification << ", generic " << r.generic << ", drug " << r.drug
        << ", other " << r.otherDetails << "}";
}

Rights shownRights(const frmUserSettings& form) {
    return {form.chkClassification->isChecked(), form.chkGeneric->isChecked(),
            form.chkDrug->isChecked(), form.chkOtherDetails->isChecked()};
}

void clickRow(ui::FlexGrid& grid, int row) {
    const QRect cell = grid.visualRect(grid.model()->index(row - 1, 1));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
}

class UserSettingsTest : public LoggedInRunTest {
protected:
    void SetUp() override {
        LoggedInRunTest::SetUp();
        // Listed by last name: Alvarez, Brown, then the pharmacist (Test).
        addPerson(QStringLiteral("E-ana"), QStringLiteral("ana"), QStringLiteral("Alvarez"));
        addPerson(QStringLiteral("E-bo"), QStringLiteral("bo"), QStringLiteral("Brown"));
        conn->execute(
            QStringLiteral("INSERT INTO inventory.tbforUserSettings"
                           " (userid, isClassification, isDrug, isGeneric, isOtherDetails)"
                           " VALUES ('E-ana', ?, NULL, ?, ?)"),
            {true, true, false});
    }

    void addPerson(const QString& code, const QString& userName, const QString& lastName) {
        current_user::UserRecord user;
        user.employeecode = code;
        user.username = userName;
        user.firstname = userName;
        user.lastname = lastName;
        user.initials = QStringLiteral("XX");
        user.rightsclass = QStringLiteral("AA");
        current_user::addUser(*conn, user, Password);
    }

    // The stored row of a user: -1 for a Null column; nullopt without a row.
    std::optional<std::vector<int>> storedRights(const QString& userId) {
        db::Recordset rs =
            conn->query(QStringLiteral("SELECT isClassification, isGeneric, isDrug, isOtherDetails"
                                       " FROM inventory.tbforUserSettings WHERE userid = ?"),
                        {userId});
        if (rs.eof())
            return std::nullopt;
        std::vector<int> values;
        for (int i = 0; i < 4; ++i)
            values.push_back(rs.field(i).isNull() ? -1 : int(rs.field(i).toBool()));
        return values;
    }

    // Opened by an administrator, whose changes the database takes.
    std::unique_ptr<frmUserSettings> openWindow() {
        current_user::setAdministrator(*conn, QStringLiteral("pharmacist"), true);
        Main();
        auto form = std::make_unique<frmUserSettings>(mdlFormulary.objMainWindow.get());
        form->Form_Load();
        form->show();
        return form;
    }
};

} // namespace

TEST_P(UserSettingsTest, OpeningListsEveryUserAndShowsTheFirstUsersRights) {
    const auto form = openWindow();
    const ui::FlexGrid& grid = *form->flexMSH;

    EXPECT_EQ(form->windowTitle(), QStringLiteral("Form1"));
    ASSERT_EQ(grid.rows(), 4);
    EXPECT_EQ(grid.textMatrix(1, 0), QStringLiteral("E-ana"));
    EXPECT_EQ(grid.textMatrix(1, 1), QStringLiteral("Alvarez, ana"));
    EXPECT_EQ(grid.textMatrix(2, 0), QStringLiteral("E-bo"));
    EXPECT_EQ(grid.textMatrix(3, 0), QStringLiteral("E-pharmacist"));
    EXPECT_EQ(grid.row(), 1);
    // A fifth of the shown grid's width, and the rest.
    EXPECT_NEAR(5 * grid.colWidth(0), grid.widthTwips(), 5);
    EXPECT_EQ(grid.colWidth(1), 4 * grid.colWidth(0));
    // A Null right shows as a cleared box.
    EXPECT_EQ(shownRights(*form), (Rights{true, true, false, false}));
}

TEST_P(UserSettingsTest, EachClickIsStoredForTheSelectedUserCreatingTheRow) {
    const auto form = openWindow();

    clickRow(*form->flexMSH, 2);
    EXPECT_EQ(shownRights(*form), Rights{});
    // Looking at a user writes nothing.
    EXPECT_FALSE(storedRights(QStringLiteral("E-bo")));

    form->chkDrug->click();
    EXPECT_EQ(storedRights(QStringLiteral("E-bo")), (std::vector<int>{-1, -1, 1, -1}));
    form->chkOtherDetails->click();
    form->chkDrug->click();
    EXPECT_EQ(storedRights(QStringLiteral("E-bo")), (std::vector<int>{-1, -1, 0, 1}));

    clickRow(*form->flexMSH, 1);
    EXPECT_EQ(shownRights(*form), (Rights{true, true, false, false}));
    form->chkGeneric->click();
    EXPECT_EQ(storedRights(QStringLiteral("E-ana")), (std::vector<int>{1, 0, -1, 0}));
    EXPECT_EQ(storedRights(QStringLiteral("E-bo")), (std::vector<int>{-1, -1, 0, 1}));
}

// Each user looked at stays coloured, so that the administrator sees whom
// they have been through, until the list is read again.
TEST_P(UserSettingsTest, RowsLookedAtStayColouredUntilTheListReloads) {
    const auto form = openWindow();
    ui::FlexGrid& grid = *form->flexMSH;
    EXPECT_TRUE(grid.rowHighlighted(1)) << "the first user is shown";

    clickRow(grid, 3);
    clickRow(grid, 2);
    for (int row = 1; row <= 3; ++row)
        EXPECT_TRUE(grid.rowHighlighted(row)) << row;
    EXPECT_EQ(grid.model()->index(2, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
              QPalette().color(QPalette::Highlight));

    QTest::keyClick(form->txtSearch, Qt::Key_Return);
    EXPECT_TRUE(grid.rowHighlighted(1));
    EXPECT_FALSE(grid.rowHighlighted(2));
    EXPECT_FALSE(grid.rowHighlighted(3));
}

TEST_P(UserSettingsTest, EnterSearchesByTrimmedLastName) {
    const auto form = openWindow();
    clickRow(*form->flexMSH, 1);

    QTest::keyClicks(form->txtSearch, QStringLiteral("  bRo "));
    QTest::keyClick(form->txtSearch, Qt::Key_Return);

    ASSERT_EQ(form->flexMSH->rows(), 2);
    EXPECT_EQ(form->flexMSH->textMatrix(1, 0), QStringLiteral("E-bo"));
    EXPECT_EQ(shownRights(*form), Rights{});
}

TEST_P(UserSettingsTest, WithNoUserListedTheBoxesChangeNothing) {
    const auto form = openWindow();

    QTest::keyClicks(form->txtSearch, QStringLiteral("Nobody"));
    QTest::keyClick(form->txtSearch, Qt::Key_Return);
    ASSERT_EQ(form->flexMSH->rows(), 2);
    EXPECT_TRUE(form->flexMSH->textMatrix(1, 0).isEmpty());
    // The boxes still show the user shown before.
    EXPECT_EQ(shownRights(*form), (Rights{true, true, false, false}));

    form->chkDrug->click();
    form->chkClassification->click();

    EXPECT_EQ(shownRights(*form), (Rights{true, true, false, false}));
    EXPECT_EQ(
        conn->query(QStringLiteral("SELECT userid FROM inventory.tbforUserSettings")).recordCount(),
        1);
    EXPECT_EQ(storedRights(QStringLiteral("E-ana")), (std::vector<int>{1, 1, -1, 0}));
}

FORMULARY_ENGINE_TESTS(UserSettingsTest);

class UserSettingsCommandTest : public UserSettingsTest {};

TEST_P(UserSettingsCommandTest, AdministratorsOpenTheWindowAndOwnChangesApplyAtClose) {
    addUser(QStringLiteral("chief"), QStringLiteral("CH"), QStringLiteral("AA"), true);
    logInAs(QStringLiteral("chief"));
    Main();
    ASSERT_FALSE(mdlFormulary.isGeneric);
    bool unchangedWhileOpen = false;
    script.onModal(QStringLiteral("frmUserSettings"), [&](QDialog& d) {
        auto& form = dynamic_cast<frmUserSettings&>(d);
        ASSERT_EQ(form.flexMSH->textMatrix(3, 0), QStringLiteral("E-chief"));
        clickRow(*form.flexMSH, 3);
        form.chkGeneric->click();
        form.chkOtherDetails->click();
        unchangedWhileOpen = !mdlFormulary.isGeneric;
    });

    mnuUserSettings_Click(*mdlFormulary.objMainWindow);

    EXPECT_TRUE(unchangedWhileOpen);
    EXPECT_TRUE(mdlFormulary.isGeneric);
    EXPECT_TRUE(mdlFormulary.isOtherDetails);
    EXPECT_FALSE(mdlFormulary.isClassification);
    EXPECT_FALSE(mdlFormulary.isDrug);
    EXPECT_TRUE(script.messages().empty());
}

// Without the window, the command still reads the current user's rights anew.
TEST_P(UserSettingsCommandTest, OthersGetNoWindowButTheirRightsAreReadAgain) {
    addUser(QStringLiteral("chief"), QStringLiteral("CH"), QStringLiteral("BB"), true);
    struct Case {
        const char* user;
        const char* employee;
        std::size_t messages;
    };
    for (const Case& c : {Case{"pharmacist", "E-pharmacist", 0}, Case{"chief", "E-chief", 1}}) {
        SCOPED_TRACE(c.user);
        logInAs(QLatin1String(c.user));
        Main();
        ASSERT_FALSE(mdlFormulary.isDrug);
        conn->execute(QStringLiteral("INSERT INTO inventory.tbforUserSettings (userid, isDrug)"
                                     " VALUES (?, ?)"),
                      {QLatin1String(c.employee), true});
        if (c.messages)
            script.answerNext(ui::Answer::OK);
        const std::size_t before = script.messages().size();

        mnuUserSettings_Click(*mdlFormulary.objMainWindow);

        EXPECT_TRUE(script.modalsShown().empty());
        ASSERT_EQ(script.messages().size() - before, c.messages);
        if (c.messages) {
            EXPECT_EQ(script.messages().back().text, QStringLiteral("Not authorized!"));
        }
        EXPECT_TRUE(mdlFormulary.isDrug);
        mdlFormulary.clear();
    }
}

FORMULARY_ENGINE_TESTS(UserSettingsCommandTest);
