// libFuzzer target for the "Sts.cfg" loader: any bytes must load as the six counters
// (a short file zero-filled, a long one cut), and saving writes exactly those counters.
#include <algorithm>

#include "MemoryFileSystem.h"
#include "pages/statistics/StatsRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace x5k;
    using statistics::StatsRecord;
    fuzz::MemoryFileSystem files;
    files.put("/data/Sts.cfg", {data, size});
    statistics::StatsFile stats(files, "/data/Sts.cfg");
    if (stats.load() != FileError::None) __builtin_trap();

    StatsRecord expected;
    std::copy_n(data, std::min(size, StatsRecord::kSize), expected.bytes().begin());
    if (!(stats.record() == expected)) __builtin_trap();
    for (size_t c = 0; c < statistics::kCounterCount; ++c) {
        const auto which = static_cast<statistics::Counter>(c);
        if (stats.record().counter(which) != GetU32(expected.bytes(), 4 * c)) __builtin_trap();
    }
    if (!stats.save()) __builtin_trap();
    const std::vector<uint8_t>& written = *files.find("/data/Sts.cfg");
    if (!std::equal(written.begin(), written.end(), expected.bytes().begin(),
                    expected.bytes().end())) {
        __builtin_trap();
    }
    return 0;
}
