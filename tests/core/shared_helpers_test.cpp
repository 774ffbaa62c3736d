#include "core/mdlFormulary.h"
#include "core/shared_helpers.h"
#include "platform/ui/flex_grid.h"
#include "support/test_database.h"

using test_support::EngineTest;

namespace {

class NewNodeKeyTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        mdlFormulary.objFormulary = std::make_unique<formulary_data::Formulary>();
        ASSERT_TRUE(mdlFormulary.objFormulary->Connect(database->target()));
        for (const char* key : {"_1", "_2", "_3", "_3.1", "_3.3"}) {
            QString k = QLatin1String(key);
            const QString parent = k.contains(QLatin1Char('.')) ? k.section(QLatin1Char('.'), 0, 0)
                                                                : QStringLiteral("_0");
            auto& formulary = *mdlFormulary.objFormulary;
            ASSERT_TRUE(formulary.Classifications.AddClassification(
                formulary.NodeFormulary.IdentityOf(parent).value(), k, k, 0));
        }
    }
    void TearDown() override {
        mdlFormulary.clear();
        EngineTest::TearDown();
    }
};

} // namespace

TEST_P(NewNodeKeyTest, TriesTheCountDownwardsThenUpwards) {
    const struct {
        const char* parent;
        int count;
        const char* key;
    } cases[] = {
        {"_0", 3, "_4"},   // _3, _2, _1 taken, then _1, _2, _3 again, then _4
        {"_3", 2, "_3.2"}, // the gap left by a deleted child first
        {"_3", 0, "_3.2"}, // upwards from 1
        {"_12.3", 0, "_12.3.1"}, {"_0", 5, "_5"}, // a count above the stored children
        {"_3", -1, "_3.2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NewNodeKey(QLatin1String(c.parent), c.count), QLatin1String(c.key))
            << c.parent << " " << c.count;
}

FORMULARY_ENGINE_TESTS(NewNodeKeyTest);

TEST(SharedHelpers, ImageKeysAndNulls) {
    EXPECT_EQ(NodeImageKey(QStringLiteral("1")), QStringLiteral("bookclose"));
    EXPECT_EQ(NodeImageKey(QStringLiteral("2")), QStringLiteral("capsule"));
    EXPECT_EQ(NodeImageKey(QStringLiteral("3")), QStringLiteral("tablet"));
    EXPECT_EQ(NodeImageKey(QString()), QString());
    EXPECT_EQ(NodeImageKey(QStringLiteral("4")), QString());
    EXPECT_EQ(IfNull(QVariant(), false).toBool(), false);
    EXPECT_EQ(IfNull(QVariant(QMetaType::fromType<QString>()), QStringLiteral("x")).toString(),
              QStringLiteral("x"));
    EXPECT_EQ(IfNull(QStringLiteral("y"), QStringLiteral("x")).toString(), QStringLiteral("y"));
}

TEST(SharedHelpers, TicksCountOnlyTheMark) {
    ui::FlexGrid grid;
    grid.setCols(7);
    grid.setRows(4);
    EXPECT_FALSE(HasCheckedRows(grid));
    grid.setTextMatrix(2, TickColumn, QStringLiteral("x"));
    grid.setCellPicture(2, 0, 1);
    EXPECT_FALSE(HasCheckedRows(grid)); // a picture or another text is no tick
    grid.setTextMatrix(3, TickColumn, TickMark);
    EXPECT_TRUE(HasCheckedRows(grid));
    ClearChecks(grid, 0, 1, true);
    EXPECT_FALSE(HasCheckedRows(grid));
    EXPECT_EQ(grid.cellPicture(2, 0), 2);
    grid.setTextMatrix(1, TickColumn, TickMark);
    ClearChecks(grid, 0, 5, false); // a first row past the last changes nothing
    EXPECT_TRUE(HasCheckedRows(grid));
}
