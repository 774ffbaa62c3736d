#include "editors/editor_test.h"

#include "database/formulary_status.h"
#include "editors/editor_commands.h"
#include "editors/frmDrugList.h"
#include "editors/frmList.h"
#include "platform/ui/flex_grid.h"
#include "platform/ui/keyed_tree.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

// Withdrawn generic names and drugs leave the editors' lists of available
// entries until "Show withdrawn" is ticked; the tree keeps them.
namespace {

const int ItemColumn = 4;

class WithdrawnTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        using namespace database::formulary_status;
        const Decision withdrawn{Status::Withdrawn, {}, {}, QDate(2026, 11, 4), {}, {}};
        ASSERT_TRUE(save(*conn, fixture->node(QStringLiteral("_1.2")), withdrawn)); // Ceftriaxone
        ASSERT_TRUE(save(*conn, fixture->node(QStringLiteral("_1.1.1.2")), withdrawn)); // AMX250S
    }

    // The left list's column as loaded, then with "Show withdrawn" ticked by
    // a click, then unticked again.
    static std::vector<QStringList> leftLists(QCheckBox& box, const ui::FlexGrid& grid, int col) {
        std::vector<QStringList> lists{column(grid, col)};
        EXPECT_FALSE(box.isChecked());
        EXPECT_EQ(box.text(), QStringLiteral("Show &withdrawn"));
        for (int i = 0; i < 2; ++i) {
            QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2));
            lists.push_back(column(grid, col));
        }
        return lists;
    }
};

} // namespace

TEST_P(WithdrawnTest, TheGenericNamesEditorLeavesOutWithdrawnNamesUnlessAsked) {
    start({.generic = true});
    std::vector<QStringList> lists;
    select(QStringLiteral("_2"));
    script.onModal(QStringLiteral("frmList"), [&](QDialog& dialog) {
        auto& window = static_cast<frmList&>(dialog);
        lists = leftLists(*window.chkWithdrawn, *window.flexMSHList1, 1);
        window.cmdCancel->click();
    });
    mnuNewGeneric_Click(*main);
    ASSERT_EQ(lists.size(), 3u);
    EXPECT_EQ(lists[0], QStringList({"Amoxicillin", "Ibuprofen"}));
    EXPECT_EQ(lists[1], QStringList({"Amoxicillin", "Ceftriaxone", "Ibuprofen"}));
    EXPECT_EQ(lists[2], lists[0]);
    open(QStringLiteral("_1"));
    EXPECT_NE(node(QStringLiteral("_1.2")), nullptr) << "the tree keeps it";
}

TEST_P(WithdrawnTest, TheDrugsEditorLeavesOutWithdrawnDrugsUnlessAsked) {
    start({.drug = true});
    for (const char* key : {"_2", "_2.1"})
        open(QString::fromLatin1(key));
    std::vector<QStringList> lists;
    select(QStringLiteral("_2.1"));
    script.onModal(QStringLiteral("frmDrugList"), [&](QDialog& dialog) {
        auto& window = static_cast<frmDrugList&>(dialog);
        lists = leftLists(*window.chkWithdrawn, *window.flexMSHList1, ItemColumn);
        window.cmdCancel->click();
    });
    mnuNewDrug_Click(*main);
    ASSERT_EQ(lists.size(), 3u);
    EXPECT_FALSE(lists[0].contains(QStringLiteral("AMX250S")));
    EXPECT_TRUE(lists[0].contains(QStringLiteral("AMX500")));
    EXPECT_TRUE(lists[1].contains(QStringLiteral("AMX250S")));
    EXPECT_EQ(lists[1].size(), lists[0].size() + 1);
    EXPECT_EQ(lists[2], lists[0]);
}

FORMULARY_ENGINE_TESTS(WithdrawnTest);
