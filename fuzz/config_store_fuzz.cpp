// libFuzzer target for the profile loaders: "ConfigInfo.cfg" and the five profile files.
// The first byte says which files exist (bits 0-4 the profiles, bit 5 the block), whether
// writes are denied at start-up (bit 6) and the built-in language (bit 7); then come the block's 8,000 bytes and one
// profile image after another. Whatever they hold, start-up must leave one current
// entry, a profile in the image and the current entry's macros in hand, switching and
// saving must keep to their files, and no stored path may lead the writes elsewhere.
#include <algorithm>
#include <atomic>

#include "MemoryFileSystem.h"
#include "functions/Assignment.h"
#include "macros/MacroTable.h"
#include "profiles/ConfigStore.h"
#include "support/RecordingUserMessages.h"

namespace {

bool HoldsProfile(const x5k::ProfileImage& image) {
    return static_cast<uint32_t>(image.get(x5k::profile::kMagic)) == x5k::profile::kMagicValue;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace x5k;
    if (size == 0) return 0;
    const uint8_t control = data[0];
    std::span<const uint8_t> rest(data + 1, size - 1);
    const auto take = [&rest](size_t n) {
        const auto part = rest.first(std::min(n, rest.size()));
        rest = rest.subspan(part.size());
        return part;
    };

    fuzz::MemoryFileSystem files;
    test::RecordingUserMessages messages;
    const InterfaceStrings strings;
    const std::atomic<bool> chinese{(control & 0x80) != 0};
    ConfigStore store(files, messages, strings, chinese, "/data");
    const auto block = take(config::kSize);
    if (control & 0x20) files.put(store.blockPath(), block);
    for (int e = 0; e < kProfileCount; ++e) {
        const auto image = take(profile::kSize);
        if (control & (1u << e)) files.put(store.profilePath(e), image);
    }
    if (control & 0x40) files.writeError = FileError::AccessDenied;

    store.loadConfiguration();
    const int current = store.currentEntry();
    if (current < 0 || current >= kProfileCount || !HoldsProfile(store.image())) __builtin_trap();
    for (int b = 0; b < kButtonCount; ++b) {
        if (store.workingMacroIds()[static_cast<size_t>(b)] !=
            store.block().get(config::MacroId(current, b))) {
            __builtin_trap();
        }
    }
    for (int e = 0; e < kProfileCount; ++e) {
        if (store.block().text(config::ProfilePath(e)) != store.profilePath(e).string()) {
            __builtin_trap();
        }
    }

    // What the pages and the apply worker read from the profile.
    ProfileImage& image = store.image();
    for (int b = 0; b < kButtonCount; ++b) {
        image.text(profile::DisplayName(b));
        image.text(profile::HostActionPath(b));
        IsModified(image, b);
        TranslateDefaultName(image, b, chinese);
        IsMacroBound(store.workingMacroIds()[static_cast<size_t>(b)], store.block(), image);
    }

    if (control & 0x40) files.writeError = FileError::None;
    for (int e = 0; e < kProfileCount; ++e) {
        const ProfileImage before = store.image();
        const int was = store.currentEntry();
        if (store.switchProfile(e)) {
            if (store.currentEntry() != e || !HoldsProfile(store.image())) __builtin_trap();
            for (int other = 0; other < kProfileCount; ++other) {
                if ((store.block().get(config::CurrentFlag(other)) != 0) != (other == e)) {
                    __builtin_trap();
                }
            }
        } else if (store.currentEntry() != was || !(store.image() == before)) {
            __builtin_trap();
        }
    }
    if (store.saveAfterApply()) {
        const auto* saved = files.find(store.profilePath(store.currentEntry()));
        const auto* savedBlock = files.find(store.blockPath());
        if (!saved || !savedBlock || saved->size() != profile::kSize ||
            !std::equal(saved->begin(), saved->end(), store.image().bytes().begin()) ||
            savedBlock->size() != config::kSize) {
            __builtin_trap();
        }
    }
    if (!(store.snapshot().image == store.image())) __builtin_trap();

    // Every file written is one of the six in the data folder's "Profile" folder.
    for (const auto& path : files.paths()) {
        bool known = path == store.blockPath();
        for (int e = 0; e < kProfileCount; ++e) known |= path == store.profilePath(e);
        if (!known) __builtin_trap();
    }
    return 0;
}
