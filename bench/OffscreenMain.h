#pragma once
// The main of the window benchmarks: a GUI application on Qt's offscreen platform, the
// build's program folder for the pictures and language files, and Google Benchmark.

namespace x5k::bench {

// A benchmark that timed something other than what it should sets this; the program then
// exits with 1.
extern bool gFailed;

}  // namespace x5k::bench
