#include "main_window_test.h"

#include "core/mdlFormulary.h"
#include "platform/ui/keyed_tree.h"
#include "tree/frmFormulary.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <functional>

using test_support::MainWindowTest;

// Another workstation deletes an entry this one shows and adds another, which
// gets the freed key again. Every command on the stale node is refused with
// a message, the node leaves the tree, and the new entry is left alone.
class StaleNodeTest : public MainWindowTest {
protected:
    static QString gone() {
        return QStringLiteral("This entry no longer exists: another workstation has deleted or "
                              "replaced it. It is taken out of the tree.");
    }

    // The generic name placed under the classification; its key.
    QString placeGeneric(const QString& classificationKey, const QString& name) {
        QString key = classificationKey + QStringLiteral(".9");
        EXPECT_TRUE(fixture->formulary.Generics.AddGeneric(fixture->node(classificationKey), key,
                                                           {}, fixture->generic.value(name)));
        return key;
    }

    QString storedNodeName(const QString& key) {
        return conn
            ->query(QStringLiteral("SELECT NodeName FROM inventory.tbFormularyNode WHERE Node_Key"
                                   " = ?"),
                    {key})
            .text(QStringLiteral("NodeName"));
    }

    int storedChildren(const QString& key) {
        return conn
            ->query(QStringLiteral("SELECT COUNT(*) FROM inventory.tbFormularyNode"
                                   " WHERE Node_Parent = ?"),
                    {key})
            .field(0)
            .toInt();
    }
};

TEST_P(StaleNodeTest, EveryCommandOnAClassificationReplacedElsewhereIsRefused) {
    struct Case {
        const char* command;
        std::function<void(frmFormulary&)> give;
    };
    const Case cases[] = {
        {"Delete key", [](frmFormulary& w) { QTest::keyClick(w.treFormulary, Qt::Key_Delete); }},
        {"Rename",
         [](frmFormulary& w) { ASSERT_TRUE(test_support::chooseFromMenus(*w.mnuRename)); }},
        {"New Classification",
         [](frmFormulary& w) {
             ASSERT_TRUE(test_support::chooseFromMenus(*w.mnuNewClassification));
         }},
        {"New Generic",
         [](frmFormulary& w) { ASSERT_TRUE(test_support::chooseFromMenus(*w.mnuNewGeneric)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const QString key = addClassification(QStringLiteral("_0"), QStringLiteral("Leaf X"));
        frmFormulary& w = open();
        click(key);
        ASSERT_TRUE(fixture->formulary.Classifications.DeleteClassification(fixture->node(key)));
        ASSERT_EQ(addClassification(QStringLiteral("_0"), QStringLiteral("Leaf Y")), key)
            << "the freed key is taken again";
        const std::size_t messages = script.messages().size();
        const std::size_t modals = script.modalsShown().size();
        script.answerNext(ui::Answer::OK);

        c.give(w);
        settle();

        ASSERT_EQ(script.messages().size(), messages + 1);
        EXPECT_EQ(script.messages().back().text, gone());
        EXPECT_EQ(script.modalsShown().size(), modals) << "no dialog, no editor";
        EXPECT_EQ(node(key), nullptr);
        EXPECT_EQ(storedName(key), QStringLiteral("Leaf Y"));
        EXPECT_EQ(storedChildren(key), 0);
        EXPECT_EQ(w.treFormulary->findChild<QLineEdit*>(), nullptr) << "no label editing";
        ASSERT_TRUE(fixture->formulary.Classifications.DeleteClassification(fixture->node(key)));
        mdlFormulary.clear();
    }
}

TEST_P(StaleNodeTest, CommandsOnAGenericNameReplacedElsewhereAreRefused) {
    const QString key = QStringLiteral("_1.2"); // Ceftriaxone, no drugs
    for (const char* command : {"New Drug", "right click"}) {
        SCOPED_TRACE(command);
        QString placed = key;
        ASSERT_TRUE(fixture->formulary.Generics.AddGeneric(fixture->node(QStringLiteral("_1")),
                                                           placed, {},
                                                           fixture->generic.value("Ceftriaxone")));
        frmFormulary& w = open();
        click(QStringLiteral("_1"));
        click(key);
        ASSERT_TRUE(
            fixture->formulary.Generics.DeleteGeneric(fixture->generic.value("Ceftriaxone")));
        QString reused = key;
        ASSERT_TRUE(fixture->formulary.Generics.AddGeneric(
            fixture->node(QStringLiteral("_1")), reused, {}, fixture->generic.value("Ibuprofen")));
        ASSERT_EQ(reused, key);
        const std::size_t messages = script.messages().size();
        script.answerNext(ui::Answer::OK);

        // A right click offers Other Details, which would open another entry's.
        if (QLatin1String(command) == QLatin1String("right click"))
            pressRight(key);
        else
            ASSERT_TRUE(test_support::chooseFromMenus(*w.mnuNewDrug));

        ASSERT_EQ(script.messages().size(), messages + 1);
        EXPECT_EQ(script.messages().back().text, gone());
        EXPECT_TRUE(script.modalsShown().empty());
        EXPECT_EQ(node(key), nullptr);
        EXPECT_EQ(storedNodeName(key), QStringLiteral("Ibuprofen"));
        EXPECT_EQ(storedChildren(key), 0);
        ASSERT_TRUE(fixture->formulary.Generics.DeleteGeneric(fixture->generic.value("Ibuprofen")));
        mdlFormulary.clear();
    }
}

// The window's check passed, and the entry was replaced before the change
// itself: the change function refuses, with the command's own refusal text.
TEST_P(StaleNodeTest, AnEntryReplacedDuringTheCommandIsRefusedByTheChangeItself) {
    const QString key = addClassification(QStringLiteral("_0"), QStringLiteral("Leaf X"));
    frmFormulary& w = open();
    click(key);
    // Replaced while "Are you sure to delete this classification?" is asked.
    script.answerNext([&](const ui::MessageShown&) {
        EXPECT_TRUE(fixture->formulary.Classifications.DeleteClassification(fixture->node(key)));
        EXPECT_EQ(addClassification(QStringLiteral("_0"), QStringLiteral("Leaf Y")), key);
        return ui::Answer::Yes;
    });
    script.answerNext(ui::Answer::OK);

    QTest::keyClick(w.treFormulary, Qt::Key_Delete);

    ASSERT_EQ(script.messages().size(), 2u);
    EXPECT_EQ(script.messages()[1].text, QStringLiteral("Unable to delete this classification."));
    EXPECT_EQ(node(key), nullptr);
    EXPECT_EQ(storedName(key), QStringLiteral("Leaf Y"));
}

FORMULARY_ENGINE_TESTS(StaleNodeTest);
