// A monkey in the drawing window: random clicks, drags, double clicks, keys, typed values and
// commands (drawing, editing, undo and redo, the clipboard, properties with OK or Cancel,
// layers), chosen by a source of numbers, with what must always hold checked on the way:
// - the spatial index answers as a look at every entity does,
// - the drawing writes, reads back, and writes the same bytes again,
// - taking back every step since a check gives the drawing of that check, and making them
//   anew the drawing before.
// A test runs it from seeds; a fuzz target runs it from the fuzzer's bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace cad::monkey {

// Gives a number in [0, n) for n > 0.
using Choice = std::function<std::uint32_t(std::uint32_t n)>;

struct Options {
    std::size_t events = 1000;
    std::size_t checkEvery = 100; // events between checks (and undo-all rounds)
};

// What a run did: the checks that passed and the undo steps they took back and made anew.
struct Tally {
    std::size_t checks = 0, steps = 0;
};

// Runs the monkey on a fresh engine (the engine is reset before and after). Nothing when all
// held, else what failed, after which events (the last ones are named).
std::optional<std::string> run(const Choice& choose, const Options& options,
                               Tally* tally = nullptr);

// A source of choices from a seed.
Choice seeded(std::uint64_t seed);

} // namespace cad::monkey
