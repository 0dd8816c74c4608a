// The monkey in the drawing window from fixed seeds: a short run of every kind of event, with
// the checks of what must always hold every hundred events. A longer run is the fuzz target
// fuzz_monkey; a failing seed is named.
#include "tests/engine/Monkey.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

TEST(Monkey, RandomEventsInTheWindowKeepTheDrawingWholeAndEveryStepUndoable) {
    // KWL_MONKEY_EVENTS runs longer by hand (events over both seeds).
    std::size_t events = 2000;
    if (const char* e = std::getenv("KWL_MONKEY_EVENTS"))
        std::from_chars(e, e + std::strlen(e), events);
    // KWL_MONKEY_SEED runs that seed alone (to follow a failure up).
    std::vector<std::uint64_t> seeds = {1250, 7};
    if (const char* e = std::getenv("KWL_MONKEY_SEED")) {
        std::uint64_t seed = 0;
        std::from_chars(e, e + std::strlen(e), seed);
        seeds = {seed};
    }
    for (const std::uint64_t seed : seeds) {
        cad::monkey::Tally tally;
        const auto failure = cad::monkey::run(cad::monkey::seeded(seed), {events / 2, 100}, &tally);
        EXPECT_FALSE(failure) << "seed " << seed << ": " << failure.value_or("");
        // The events do change the drawing: there are steps to take back.
        EXPECT_GT(tally.steps, tally.checks) << "seed " << seed;
        RecordProperty("steps" + std::to_string(seed), static_cast<int>(tally.steps));
    }
}

} // namespace
