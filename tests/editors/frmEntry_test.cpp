#include "core/logged_in_run.h"
#include "core/mdlFormulary.h"
#include "editors/frmEntry.h"
#include "platform/ui/dialogs.h"
#include "support/formulary_fixture.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <functional>

using test_support::LoggedInRunTest;

class frmEntryTest : public LoggedInRunTest {
protected:
    void SetUp() override {
        LoggedInRunTest::SetUp();
        fixture = std::make_unique<test_support::FormularyFixture>(database->target());
        Main();
        ASSERT_TRUE(mdlFormulary.objMainWindow);
    }
    void TearDown() override {
        entry.reset();
        fixture.reset();
        LoggedInRunTest::TearDown();
    }

    // Shows the dialog as its caller does, driven by the handler.
    void show(const QString& classtype, std::function<void(frmEntry&)> drive) {
        entry->classtype = classtype;
        script.onModal(QStringLiteral("frmEntry"),
                       [drive](QDialog& d) { drive(static_cast<frmEntry&>(d)); });
        ui::showModal(*entry);
    }
    static void type(frmEntry& e, const QString& name, const QString& description = {}) {
        QTest::keyClicks(e.txtNewClassification, name);
        QTest::keyClicks(e.txtDescription, description);
    }

    std::unique_ptr<test_support::FormularyFixture> fixture;
    std::unique_ptr<frmEntry> entry = std::make_unique<frmEntry>();
};

TEST_P(frmEntryTest, CaptionsFollowTheKindAndEveryOpeningStartsAfresh) {
    const struct {
        const char* classtype;
        const char* caption;
        const char* frame;
    } kinds[] = {
        {"2", "Generic Name Entry", "&1. Type New Generic Name"},
        {"1", "Drug Classification Entry", "&1. Type New Classification"},
        {"x", "Classification Entry", "&1. Type New Classification"},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.classtype);
        show(QLatin1String(k.classtype), [&k](frmEntry& e) {
            EXPECT_EQ(e.windowTitle(), QLatin1String(k.caption));
            EXPECT_EQ(e.fraEntry->title(), QLatin1String(k.frame));
            EXPECT_EQ(e.fraEntry2->title(), QStringLiteral("&2. Type Description"));
            EXPECT_TRUE(e.txtNewClassification->text().isEmpty());
            EXPECT_TRUE(e.txtDescription->toPlainText().isEmpty());
            EXPECT_FALSE(e.cmdOK->isEnabled());
            type(e, QStringLiteral("Left from before"), QStringLiteral("text"));
            e.cmdClose->click();
        });
        EXPECT_EQ(entry->ClassEntry(), QString());
    }
}

TEST_P(frmEntryTest, SaveIsOfferedOnlyForANameThatIsNotBlank) {
    show(QStringLiteral("1"), [](frmEntry& e) {
        QTest::keyClicks(e.txtNewClassification, QStringLiteral("   "));
        EXPECT_FALSE(e.cmdOK->isEnabled());
        QTest::keyClicks(e.txtNewClassification, QStringLiteral("A"));
        EXPECT_TRUE(e.cmdOK->isEnabled());
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(e.txtNewClassification, Qt::Key_Backspace);
        EXPECT_FALSE(e.cmdOK->isEnabled());
        e.cmdClose->click();
    });
}

TEST_P(frmEntryTest, SavingReturnsTheTextsAsTypedAndClosingReturnsNothing) {
    show(QStringLiteral("1"), [](frmEntry& e) {
        type(e, QStringLiteral("  Antiseptics "), QStringLiteral("For skin"));
        QTest::keyClick(e.txtDescription, Qt::Key_Return);
        QTest::keyClicks(e.txtDescription, QStringLiteral("and wounds "));
        e.cmdOK->click();
        EXPECT_FALSE(e.isVisible());
    });
    EXPECT_EQ(entry->ClassEntry(), QStringLiteral("  Antiseptics "));
    EXPECT_EQ(entry->DescriptionEntry(), QStringLiteral("For skin\nand wounds "));
    EXPECT_EQ(entry->classtype, QStringLiteral("1"));

    for (const bool closeBox : {false, true}) {
        show(QStringLiteral("1"), [closeBox](frmEntry& e) {
            type(e, QStringLiteral("Never saved"), QStringLiteral("text"));
            closeBox ? (void)e.close() : e.cmdClose->click();
        });
        EXPECT_EQ(entry->ClassEntry(), QString());
        EXPECT_EQ(entry->DescriptionEntry(), QString());
    }
    EXPECT_TRUE(script.messages().empty());
}

TEST_P(frmEntryTest, ANameAClassificationHasIsRefusedInBothKinds) {
    // "Antibacterials" is a classification, "Ibuprofen" only a generic name.
    const struct {
        const char* classtype;
        const char* name;
        bool refused;
    } cases[] = {
        {"1", " Antibacterials ", true},
        {"2", "Antibacterials", true},
        {"2", "Ibuprofen", false},
        {"1", "antibacterials", false},
        {"1", "Children's medicines", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.classtype) + " " + c.name);
        const auto messages = script.messages().size();
        if (c.refused)
            script.answerNext(ui::Answer::OK);
        show(QLatin1String(c.classtype), [&c](frmEntry& e) {
            type(e, QLatin1String(c.name), QStringLiteral("kept"));
            e.cmdOK->click();
            EXPECT_EQ(e.isVisible(), c.refused);
            EXPECT_EQ(e.txtNewClassification->text(), QLatin1String(c.name));
            EXPECT_EQ(e.txtDescription->toPlainText(), QStringLiteral("kept"));
            e.cmdClose->click();
        });
        ASSERT_EQ(script.messages().size(), messages + (c.refused ? 1 : 0));
        if (c.refused) {
            EXPECT_EQ(script.messages().back().text, QStringLiteral("Classification name exists."));
            EXPECT_EQ(script.messages().back().icon, ui::Icon::Information);
        }
        EXPECT_EQ(entry->ClassEntry(), c.refused ? QString() : QLatin1String(c.name));
    }
}

// Lengths count the characters of the folded, composed text, not Qt's UTF-16
// units: "e" with a combining accent is one, an emoji is one in two units.
TEST_P(frmEntryTest, TypingAndPastingStopAtTheNamesLimit) {
    show(QStringLiteral("1"), [](frmEntry& e) {
        QTest::keyClicks(e.txtNewClassification, QString(105, u'a'));
        EXPECT_EQ(e.txtNewClassification->text(), QString(100, u'a'));

        e.txtNewClassification->clear();
        const QString decomposed = QStringLiteral("e\u0301").repeated(100);
        e.txtNewClassification->insert(decomposed);
        EXPECT_EQ(e.txtNewClassification->text(), decomposed) << "200 units, 100 characters";

        e.txtNewClassification->clear();
        const QString emoji = QStringLiteral("\U0001F48A");
        e.txtNewClassification->insert(emoji.repeated(100));
        EXPECT_EQ(e.txtNewClassification->text(), emoji.repeated(100));
        e.txtNewClassification->insert(QStringLiteral("x"));
        EXPECT_EQ(e.txtNewClassification->text(), emoji.repeated(100));

        e.txtNewClassification->clear();
        e.txtNewClassification->insert(QStringLiteral("A\u0007B"));
        EXPECT_EQ(e.txtNewClassification->text(), QString()) << "a pasted control character";

        e.txtDescription->insertPlainText(QString(300, u'd'));
        EXPECT_EQ(e.txtDescription->toPlainText(), QString()) << "a paste over the limit";
        QTest::keyClicks(e.txtDescription, QStringLiteral("line"));
        QTest::keyClick(e.txtDescription, Qt::Key_Return);
        QTest::keyClicks(e.txtDescription, QStringLiteral("two"));
        EXPECT_EQ(e.txtDescription->toPlainText(), QStringLiteral("line\ntwo"));
        e.cmdClose->click();
    });
}

FORMULARY_ENGINE_TESTS(frmEntryTest);
