#pragma once
// The desktop's pointer settings that a profile carries.

namespace x5k {

// Codes of the settings-changed notification sent after each setting.
inline constexpr unsigned kSettingMouseAcceleration = 0x0004;
inline constexpr unsigned kSettingMouseSpeed = 0x0071;
inline constexpr unsigned kSettingWheelScrollLines = 0x0069;

class PointerSettings {
public:
    virtual ~PointerSettings() = default;
    // Enhanced pointer precision: thresholds 6 and 10 with acceleration 1 when on,
    // 0, 0, 0 when off. Each call stores the setting in the user's settings and tells
    // running programs; false when the desktop did not take it.
    virtual bool setAcceleration(bool enhancePrecision) = 0;
    // Pointer speed on the scale 1..20 (10 is the desktop's middle).
    virtual bool setSpeed(int speed) = 0;
    // Lines per wheel notch; -1 scrolls one screen per notch.
    virtual bool setWheelScrollLines(int lines) = 0;
};

}  // namespace x5k
