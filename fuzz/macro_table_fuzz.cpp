// libFuzzer target for the "Macro.cfg" reader: any bytes must load into the 500 slots,
// list, name and show their events without reading past a record, and a table written
// back must hold exactly what was read. The store lives across runs (each load replaces
// every slot), since making a 2 MB table per run would slow the fuzzer tenfold.
#include <algorithm>
#include <cstring>

#include "MemoryFileSystem.h"
#include "macros/MacroTable.h"
#include "support/RecordingUserMessages.h"
#include "support/VirtualClock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace x5k;
    static fuzz::MemoryFileSystem files;
    static test::VirtualClock clock;
    static test::RecordingUserMessages messages;
    static const InterfaceStrings strings;
    static MacroStore store(files, clock, messages, strings, "/data");
    files.put(store.filePath(), {data, size});
    if (!store.loadFile()) __builtin_trap();

    const MacroTable& table = store.table();
    for (int group = 0; group <= macro::kGroupCount; ++group) {
        for (const MacroListRow& row : table.listGroup(group)) {
            if (table.nameOf(row.id) != table.slot(*table.slotOf(row.id)).text(macro::kName)) {
                __builtin_trap();
            }
        }
    }
    for (int s = 0; s < MacroTable::kSlotCount; ++s) {
        const MacroRecord record = table.slot(s);
        if (!IsInUse(record)) continue;
        const RecordRows shown = RowsOfRecord(record);
        if (shown.rows.size() > static_cast<size_t>(macro::kMaxEvents)) __builtin_trap();
    }
    table.newId(macro::kDefaultGroup, static_cast<uint32_t>(size));

    // Writing the table back keeps every byte read (and zero past a short file).
    store.saveFile();
    if (!store.flush()) __builtin_trap();
    const std::vector<uint8_t>& written = *files.find(store.filePath());
    const size_t kept = std::min(size, MacroTable::kFileSize);
    // memcmp rather than a loop: the fuzzer would trace every byte compared.
    static const std::vector<uint8_t> zeros(MacroTable::kFileSize);
    if (written.size() != MacroTable::kFileSize || std::memcmp(data, written.data(), kept) != 0 ||
        std::memcmp(written.data() + kept, zeros.data(), written.size() - kept) != 0) {
        __builtin_trap();
    }
    return 0;
}
