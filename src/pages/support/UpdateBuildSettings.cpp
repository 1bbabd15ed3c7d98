#include "pages/support/UpdateCheck.h"

// Both come from the build's configuration (X5K_UPDATE_SERVER, X5K_FLASHER).
#ifndef X5K_UPDATE_SERVER
#define X5K_UPDATE_SERVER ""
#endif
#ifndef X5K_FLASHER
#define X5K_FLASHER "FWUpdate/ZazareVA"
#endif

namespace x5k::supportpage {

UpdateSettings BuiltInUpdateSettings(const std::filesystem::path& programFolder,
                                     const std::filesystem::path& dataFolder) {
    return {X5K_UPDATE_SERVER, programFolder, dataFolder, X5K_FLASHER};
}

}  // namespace x5k::supportpage
