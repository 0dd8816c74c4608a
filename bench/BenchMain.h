// The benchmark programs that need Qt run from this main: the application is made before the
// benchmarks run (on the offscreen platform unless another one is asked for) and ends after
// them, inside main, so that nothing of Qt is left for the process's static objects to destroy
// after the application is gone.
#pragma once

#include <functional>

// Runs once the benchmarks are done, while the application still lives, in the order given:
// what a benchmark made for all of them (a drawing, its window) goes there.
void atBenchmarksEnd(std::function<void()> cleanUp);
