#define G_SETTINGS_ENABLE_BACKEND
#include "platform/linux/GnomePointerSettings.h"

#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <charconv>
#include <cstring>
#include <string_view>

namespace x5k {
namespace {

// GVariant text of a double that reads back the same in every locale.
std::string DoubleText(double value) {
    char buffer[40];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, ec == std::errc{} ? end : buffer);
    // GVariant's text format needs a decimal point or exponent to read a double.
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

struct SchemaRelease {
    void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
    void operator()(GSettingsSchemaKey* key) const { g_settings_schema_key_unref(key); }
    void operator()(GSettings* settings) const { g_object_unref(settings); }
    void operator()(GVariant* value) const { g_variant_unref(value); }
};

}  // namespace

void GioRelease::operator()(GSettingsBackend* backend) const {
    g_object_unref(backend);
}
void GioRelease::operator()(GSettingsSchemaSource* source) const {
    g_settings_schema_source_unref(source);
}

SettingsBackendRef NewMemorySettingsBackend() {
    return SettingsBackendRef(g_memory_settings_backend_new());
}

SchemaSourceRef SchemaSourceFromFolder(const std::filesystem::path& folder, std::string* error) {
    GError* failure = nullptr;
    GSettingsSchemaSource* source =
        g_settings_schema_source_new_from_directory(folder.c_str(), nullptr, FALSE, &failure);
    if (source == nullptr && error != nullptr) {
        *error = failure != nullptr ? failure->message : "no schemas";
    }
    g_clear_error(&failure);
    return SchemaSourceRef(source);
}

GnomePointerSettings::GnomePointerSettings() : GnomePointerSettings(nullptr, nullptr) {}

GnomePointerSettings::GnomePointerSettings(GSettingsSchemaSource* schemas,
                                           GSettingsBackend* backend) {
    // The default source is null when no schema at all is installed.
    if (schemas == nullptr) schemas = g_settings_schema_source_get_default();
    if (schemas != nullptr) schemas_ = g_settings_schema_source_ref(schemas);
    if (backend == nullptr) {
        backend = g_settings_backend_get_default();  // a new reference
        defaultBackend_ = true;
    } else {
        g_object_ref(backend);
    }
    backend_ = backend;
}

GnomePointerSettings::~GnomePointerSettings() {
    if (schemas_ != nullptr) g_settings_schema_source_unref(schemas_);
    if (backend_ != nullptr) g_object_unref(backend_);
}

bool GnomePointerSettings::write(Setting setting, const char* key, const char* valueText) {
    // Without dconf GIO falls back to a store in memory: nothing would reach the desktop.
    if (defaultBackend_ && backend_ != nullptr &&
        std::strcmp(G_OBJECT_TYPE_NAME(backend_), "GMemorySettingsBackend") == 0) {
        return report(setting, false,
                      {"GSettings has no settings store here (dconf is not installed), so the "
                       "desktop would never see the change"});
    }
    std::unique_ptr<GSettingsSchema, SchemaRelease> schema(
        schemas_ ? g_settings_schema_source_lookup(schemas_, kGnomeMouseSchema, TRUE) : nullptr);
    if (!schema) {
        return report(setting, false,
                      {std::string("the GNOME mouse settings (") + kGnomeMouseSchema +
                       ") are not installed"});
    }
    if (!g_settings_schema_has_key(schema.get(), key)) {
        return report(setting, false,
                      {std::string("this GNOME version has no '") + key + "' mouse setting"});
    }
    std::unique_ptr<GSettingsSchemaKey, SchemaRelease> schemaKey(
        g_settings_schema_get_key(schema.get(), key));
    const GVariantType* type = g_settings_schema_key_get_value_type(schemaKey.get());
    std::unique_ptr<GVariant, SchemaRelease> value(
        g_variant_parse(type, valueText, nullptr, nullptr, nullptr));
    if (!value || !g_settings_schema_key_range_check(schemaKey.get(), value.get())) {
        return report(setting, false,
                      {std::string("GNOME does not accept ") + valueText + " for '" + key + "'"});
    }
    std::unique_ptr<GSettings, SchemaRelease> settings(
        g_settings_new_full(schema.get(), backend_, nullptr));
    if (!g_settings_is_writable(settings.get(), key)) {
        return report(setting, false,
                      {std::string("'") + key + "' is locked by the system administrator"});
    }
    if (!g_settings_set_value(settings.get(), key, value.get())) {
        return report(setting, false, {std::string("GNOME refused the value for '") + key + "'"});
    }
    // Writes to dconf go out asynchronously; wait until they are stored.
    g_settings_sync();
    return report(setting, true, {});
}

bool GnomePointerSettings::setAcceleration(bool enhancePrecision) {
    return write(Setting::Acceleration, "accel-profile",
                 enhancePrecision ? "'adaptive'" : "'flat'");
}

bool GnomePointerSettings::setSpeed(int speed) {
    return write(Setting::Speed, "speed", DoubleText(LibinputSpeed(speed)).c_str());
}

bool GnomePointerSettings::setWheelScrollLines(int lines) {
    return report(Setting::WheelScrollLines, false,
                  {WheelScrollLinesProblem(lines).value_or("GNOME has no such setting")});
}

std::optional<std::string> GnomePointerSettings::storedValue(const char* key) const {
    if (schemas_ == nullptr) return std::nullopt;
    std::unique_ptr<GSettingsSchema, SchemaRelease> schema(
        g_settings_schema_source_lookup(schemas_, kGnomeMouseSchema, TRUE));
    if (!schema || !g_settings_schema_has_key(schema.get(), key)) return std::nullopt;
    std::unique_ptr<GSettings, SchemaRelease> settings(
        g_settings_new_full(schema.get(), backend_, nullptr));
    std::unique_ptr<GVariant, SchemaRelease> value(g_settings_get_value(settings.get(), key));
    gchar* text = g_variant_print(value.get(), FALSE);
    std::string result(text);
    g_free(text);
    return result;
}

}  // namespace x5k
