#pragma once
// GNOME's pointer settings, kept in GSettings: schema org.gnome.desktop.peripherals.mouse.
//
//   speed          double -1..1, from the profile's 1..20 (DesktopPointerSettings.h)
//   accel-profile  'adaptive' when enhance pointer precision is on, 'flat' when off
//                  (GNOME's third value, 'default', is never written)
// The desktop's settings daemon (mutter, gnome-settings-daemon) watches these keys and
// applies them to every mouse at once, under Wayland and X11 alike. GNOME has no wheel
// scroll lines setting.
//
// The schema is looked up before use: a missing schema is reported instead of ending the
// program as g_settings_new() would.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/linux/DesktopPointerSettings.h"

typedef struct _GSettingsBackend GSettingsBackend;
typedef struct _GSettingsSchemaSource GSettingsSchemaSource;

namespace x5k {

inline constexpr const char* kGnomeMouseSchema = "org.gnome.desktop.peripherals.mouse";

struct GioRelease {
    void operator()(GSettingsBackend* backend) const;
    void operator()(GSettingsSchemaSource* source) const;
};
using SettingsBackendRef = std::unique_ptr<GSettingsBackend, GioRelease>;
using SchemaSourceRef = std::unique_ptr<GSettingsSchemaSource, GioRelease>;

// A private settings store in memory, gone when released; for trying settings out
// without touching the user's.
SettingsBackendRef NewMemorySettingsBackend();

// The compiled schemas (gschemas.compiled) of `folder` alone; null with `error` set when
// the folder holds none.
SchemaSourceRef SchemaSourceFromFolder(const std::filesystem::path& folder, std::string* error);

class GnomePointerSettings final : public ReportingPointerSettings {
public:
    // The user's settings: the installed schemas and the desktop's settings backend (dconf).
    GnomePointerSettings();
    // Settings from `schemas` kept in `backend`; either may be null for the default. Both
    // are referenced for the object's lifetime.
    GnomePointerSettings(GSettingsSchemaSource* schemas, GSettingsBackend* backend);
    ~GnomePointerSettings() override;
    GnomePointerSettings(const GnomePointerSettings&) = delete;
    GnomePointerSettings& operator=(const GnomePointerSettings&) = delete;

    bool setAcceleration(bool enhancePrecision) override;
    bool setSpeed(int speed) override;
    bool setWheelScrollLines(int lines) override;

    // The value of the mouse schema's `key` as GVariant text ("0.5", "'flat'"); nothing
    // when the schema or the key does not exist.
    std::optional<std::string> storedValue(const char* key) const;

private:
    bool write(Setting setting, const char* key, const char* valueText);

    GSettingsSchemaSource* schemas_ = nullptr;
    GSettingsBackend* backend_ = nullptr;
    bool defaultBackend_ = false;
};

}  // namespace x5k
