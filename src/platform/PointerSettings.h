#pragma once
// The desktop's pointer settings that a profile carries.

#include <memory>
#include <string>
#include <vector>

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
    [[nodiscard]] virtual bool setAcceleration(bool enhancePrecision) = 0;
    // Pointer speed on the scale 1..20 (10 is the desktop's middle).
    [[nodiscard]] virtual bool setSpeed(int speed) = 0;
    // Lines per wheel notch; -1 scrolls one screen per notch.
    [[nodiscard]] virtual bool setWheelScrollLines(int lines) = 0;
    // What the most recent call of each setting could not do, in plain English, one line
    // per problem, each starting with the setting's name ("Wheel scroll lines: GNOME has
    // no such setting"). A call replaces the lines of its own setting, so after an apply
    // that set all three the list describes that apply. A setting taken only in part (by
    // some devices, not all) has lines although its call returned true. May be read from
    // another thread than the one that sets.
    virtual std::vector<std::string> notApplied() const { return {}; }
};

// Makes the settings of the desktop the program runs on. They are made when the
// program's window is set up, not when the platform is: reaching a desktop's settings
// store can mean connecting to its display or session, which a later start that only
// hands over to the running program has no need of.
class PointerSettingsFactory {
public:
    virtual ~PointerSettingsFactory() = default;
    virtual std::unique_ptr<PointerSettings> makePointerSettings() = 0;
};

}  // namespace x5k
