#include "stress/stress_run.h"
#include "support/formulary_fixture.h"

namespace {

class Stress : public test_support::FormularyTest {};

} // namespace

// Eight workstations on a server, four on one embedded database, for seconds;
// bench/soak_bench runs the same for minutes.
TEST_P(Stress, WorkstationsChangingAtOnceNeverHitAnotherEntry) {
    const bool server = GetParam() == db::Engine::PostgreSQL;
    const int workstations = server ? 8 : 4;
    const stress::Figures figures =
        stress::run(database->target(), workstations, std::chrono::seconds(server ? 8 : 6));
    std::printf("stress: %s (FORMULARY_STRESS_SEED replays it)\n",
                qPrintable(stress::describe(figures, workstations)));
    EXPECT_EQ(figures.wrongEntry, 0);
    EXPECT_EQ(figures.lost, 0);
    EXPECT_EQ(figures.unsound, 0);
    EXPECT_TRUE(figures.fatal.isEmpty()) << figures.fatal.join(u'\n').toStdString();
    EXPECT_GT(figures.done, 50) << "too little work to tell anything";
}

FORMULARY_ENGINE_TESTS(Stress);
