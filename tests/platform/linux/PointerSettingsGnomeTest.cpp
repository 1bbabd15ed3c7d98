// GNOME's settings written into a private in-memory store, with schemas compiled from
// text here: the user's real settings and installed schemas are never used.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/linux/GnomePointerSettings.h"
#include "support/TempFolder.h"

namespace x5k {
namespace {

constexpr const char* kProfileEnum = R"(
  <enum id="org.gnome.desktop.GDesktopPointerAccelProfile">
    <value nick="default" value="0"/>
    <value nick="flat" value="1"/>
    <value nick="adaptive" value="2"/>
  </enum>)";

constexpr const char* kSpeedKey = R"(
    <key name="speed" type="d"><default>0</default><range min="-1" max="1"/></key>)";

constexpr const char* kProfileKey = R"(
    <key name="accel-profile" enum="org.gnome.desktop.GDesktopPointerAccelProfile">
      <default>'default'</default>
    </key>)";

std::string Schema(const std::string& id, const std::string& keys) {
    return std::string("<schemalist>") + kProfileEnum + "\n  <schema id=\"" + id +
           "\" path=\"/x5k/test/mouse/\">" + keys + "\n  </schema>\n</schemalist>\n";
}

class GnomeStore {
public:
    // Compiles `schemaXml`; false when the schema compiler is not installed.
    bool load(const std::string& schemaXml) {
        if (std::system("command -v glib-compile-schemas >/dev/null 2>&1") != 0) return false;
        std::ofstream(folder_ / "x5k.test.gschema.xml") << schemaXml;
        const std::string command =
            "glib-compile-schemas '" + folder_.path().string() + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
        std::string error;
        schemas_ = SchemaSourceFromFolder(folder_.path(), &error);
        EXPECT_TRUE(schemas_) << error;
        settings_ = std::make_unique<GnomePointerSettings>(schemas_.get(), backend_.get());
        return true;
    }
    GnomePointerSettings& settings() { return *settings_; }

private:
    test::TempFolder folder_;
    SchemaSourceRef schemas_;
    SettingsBackendRef backend_ = NewMemorySettingsBackend();
    std::unique_ptr<GnomePointerSettings> settings_;
};

#define LOAD_OR_SKIP(store, xml)                                                           \
    if (!(store).load(xml)) {                                                              \
        GTEST_SKIP() << "glib-compile-schemas is missing (Debian package libglib2.0-bin)"; \
    }

struct WriteCase {
    const char* name;
    std::function<bool(PointerSettings&)> call;
    const char* key;
    const char* stored;
};

class GnomeWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(GnomeWriteTest, StoresTheMappedValue) {
    GnomeStore store;
    LOAD_OR_SKIP(store, Schema(kGnomeMouseSchema, std::string(kSpeedKey) + kProfileKey));
    EXPECT_TRUE(GetParam().call(store.settings()));
    EXPECT_EQ(store.settings().storedValue(GetParam().key), GetParam().stored);
    EXPECT_TRUE(store.settings().notApplied().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GnomeWriteTest,
    ::testing::Values(
        WriteCase{"slowest", [](auto& s) { return s.setSpeed(1); }, "speed", "-1.0"},
        WriteCase{"middle", [](auto& s) { return s.setSpeed(10); }, "speed", "0.0"},
        WriteCase{"faster", [](auto& s) { return s.setSpeed(15); }, "speed", "0.5"},
        WriteCase{"fastest", [](auto& s) { return s.setSpeed(20); }, "speed", "1.0"},
        WriteCase{"below_range", [](auto& s) { return s.setSpeed(0); }, "speed", "-1.0"},
        WriteCase{"above_range", [](auto& s) { return s.setSpeed(25); }, "speed", "1.0"},
        WriteCase{"precision_on", [](auto& s) { return s.setAcceleration(true); }, "accel-profile",
                  "'adaptive'"},
        WriteCase{"precision_off", [](auto& s) { return s.setAcceleration(false); },
                  "accel-profile", "'flat'"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GnomePointerSettings, WheelScrollLinesAreReportedAsNotApplied) {
    GnomeStore store;
    LOAD_OR_SKIP(store, Schema(kGnomeMouseSchema, std::string(kSpeedKey) + kProfileKey));
    EXPECT_FALSE(store.settings().setWheelScrollLines(3));
    EXPECT_EQ(store.settings().notApplied(),
              std::vector<std::string>{"Wheel scroll lines: GNOME has no such setting"});
    EXPECT_FALSE(store.settings().setWheelScrollLines(-1));
    EXPECT_EQ(store.settings().notApplied(),
              std::vector<std::string>{
                  "Wheel scroll lines: no Linux desktop can scroll one screen per wheel notch"});
}

TEST(GnomePointerSettings, AMissingSchemaIsReportedNotFatal) {
    GnomeStore store;
    LOAD_OR_SKIP(store, Schema("org.example.other", kSpeedKey));
    EXPECT_FALSE(store.settings().setSpeed(12));
    EXPECT_FALSE(store.settings().setAcceleration(true));
    EXPECT_EQ(
        store.settings().notApplied(),
        (std::vector<std::string>{"Enhance pointer precision: the GNOME mouse settings "
                                  "(org.gnome.desktop.peripherals.mouse) are not installed",
                                  "Pointer speed: the GNOME mouse settings "
                                  "(org.gnome.desktop.peripherals.mouse) are not installed"}));
    EXPECT_EQ(store.settings().storedValue("speed"), std::nullopt);
}

TEST(GnomePointerSettings, AnOlderSchemaWithoutTheProfileStillTakesTheSpeed) {
    GnomeStore store;
    LOAD_OR_SKIP(store, Schema(kGnomeMouseSchema, kSpeedKey));
    EXPECT_FALSE(store.settings().setAcceleration(true));
    EXPECT_TRUE(store.settings().setSpeed(20));
    EXPECT_EQ(store.settings().storedValue("speed"), "1.0");
    EXPECT_EQ(store.settings().notApplied(),
              std::vector<std::string>{
                  "Enhance pointer precision: this GNOME version has no 'accel-profile' mouse "
                  "setting"});
}

TEST(GnomePointerSettings, ASchemaRangeNarrowerThanOursRefusesTheValue) {
    GnomeStore store;
    LOAD_OR_SKIP(
        store,
        Schema(
            kGnomeMouseSchema,
            R"(<key name="speed" type="d"><default>0</default><range min="-0.5" max="0.5"/></key>)"));
    EXPECT_FALSE(store.settings().setSpeed(20));
    EXPECT_EQ(store.settings().storedValue("speed"), "0.0");
    EXPECT_EQ(store.settings().notApplied(),
              std::vector<std::string>{"Pointer speed: GNOME does not accept 1.0 for 'speed'"});
}

}  // namespace
}  // namespace x5k
