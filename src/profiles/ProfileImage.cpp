#include "profiles/ProfileImage.h"

#include "functions/FunctionCatalogue.h"

namespace x5k {

ProfileImage DefaultProfile(bool chinese) {
    using namespace profile;
    ProfileImage image;
    image.set(kMagic, static_cast<int32_t>(kMagicValue));
    for (int b = 0; b < kButtonCount; ++b) {
        image.set(FunctionCode(b), kDefaultFunctionCodes[b]);
        image.setText(DisplayName(b), FunctionName(kDefaultFunctionCodes[b], chinese));
    }
    constexpr int32_t kResolutions[] = {750, 1000, 1500, 2000, 3000};
    for (int slot = 0; slot < 5; ++slot) image.set(Resolution(slot), kResolutions[slot]);
    image.set(kSensorHeight, 15);
    image.set(kReportRate, 1);
    image.set(kLightingMode, 4);
    image.set(kLightingColour, 0x000000FF);
    image.set(kColourSource, 1);
    image.set(kPresetSwatch, 0);
    image.set(kLightSwitch, 1);
    image.set(kPrecision, 0);
    image.set(kPointerSpeed, 10);
    image.set(kMode1Level, 5);
    image.set(kMode2Level, 3);
    image.set(kScrollLines, 3);
    return image;
}

}  // namespace x5k
