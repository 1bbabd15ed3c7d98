#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "gui/DriverOptions.h"

namespace x5k {
namespace {

DriverOptions Parse(std::vector<std::string> words, const char* debugVariable = nullptr) {
    std::vector<char*> arguments;
    for (std::string& word : words) arguments.push_back(word.data());
    return ParseDriverOptions(arguments, debugVariable);
}

TEST(DriverOptionsTest, TheEmulatedMouseWithAndWithoutAStateFile) {
    struct Case {
        std::vector<std::string> words;
        bool emulated;
        std::string state;  // empty: none
        bool help;
        std::string error;
    };
    const Case cases[] = {
        {{}, false, "", false, ""},
        {{"--emulated-mouse"}, true, "", false, ""},
        {{"--emulated-mouse=/tmp/m.state"}, true, "/tmp/m.state", false, ""},
        {{"--emulated-mouse=a=b"}, true, "a=b", false, ""},
        // An empty state file name is no file name.
        {{"--emulated-mouse="}, false, "", false, "--emulated-mouse="},
        {{"--emulated-mousey"}, false, "", false, "--emulated-mousey"},
        {{"--help"}, false, "", true, ""},
        {{"-h", "--emulated-mouse"}, true, "", true, ""},
        {{"--verbose", "extra"}, false, "", false, "extra"},
        // Qt's own options, with their values, are left to Qt.
        {{"-session", "1234abcd", "--emulated-mouse"}, true, "", false, ""},
        {{"-platform", "offscreen"}, false, "", false, ""},
        {{"--display", ":1", "-reverse"}, false, "", false, ""},
        {{"-style=fusion"}, false, "", false, ""},
        {{"-session"}, false, "", false, ""},  // a value missing at the end
        {{"-sessions"}, false, "", false, "-sessions"},
    };
    for (const Case& c : cases) {
        const DriverOptions options = Parse(c.words);
        SCOPED_TRACE(c.words.empty() ? "(none)" : c.words.front());
        EXPECT_EQ(options.emulated, c.emulated);
        EXPECT_EQ(options.state ? options.state->string() : "", c.state);
        EXPECT_EQ(options.help, c.help);
        EXPECT_EQ(options.error, c.error);
    }
}

TEST(DriverOptionsTest, TheDiagnosticLogByOptionOrEnvironment) {
    struct Case {
        std::vector<std::string> words;
        const char* debugVariable;  // X5K_DEBUG; null when unset
        bool verbose;
        std::string error;
    };
    const Case cases[] = {
        {{}, nullptr, false, ""},
        {{"--verbose"}, nullptr, true, ""},
        {{"--emulated-mouse", "--verbose"}, nullptr, true, ""},
        {{}, "1", true, ""},
        {{}, "0", false, ""},
        {{}, "", false, ""},
        {{"--verbose"}, "0", true, ""},
        {{"-v"}, nullptr, false, "-v"},
        {{"--verbose=yes"}, nullptr, false, "--verbose=yes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.words.empty() ? "(none)" : c.words.back()) << " "
                                        << (c.debugVariable ? c.debugVariable : "unset"));
        const DriverOptions options = Parse(c.words, c.debugVariable);
        EXPECT_EQ(options.verbose, c.verbose);
        EXPECT_EQ(options.error, c.error);
    }
}

TEST(DriverOptionsTest, StartingHiddenAndWithTheSession) {
    struct Case {
        std::vector<std::string> words;
        std::optional<bool> autostart;  // nothing: the entry is left as it is
        bool hidden;
        std::string error;
    };
    const Case cases[] = {
        {{}, std::nullopt, false, ""},
        {{"--autostart=on"}, true, false, ""},
        {{"--autostart=off"}, false, false, ""},
        {{"--hidden"}, std::nullopt, true, ""},
        {{"--hidden", "--emulated-mouse"}, std::nullopt, true, ""},
        {{"--autostart=on", "--autostart=off"}, false, false, ""},  // the last one counts
        // Anything else is a usage error, never a guess.
        {{"--autostart"}, std::nullopt, false, "--autostart"},
        {{"--autostart="}, std::nullopt, false, "--autostart="},
        {{"--autostart=yes"}, std::nullopt, false, "--autostart=yes"},
        {{"--autostart=ON"}, std::nullopt, false, "--autostart=ON"},
        {{"--autostart", "on"}, std::nullopt, false, "--autostart"},
        {{"--hidden=1"}, std::nullopt, false, "--hidden=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words.empty() ? "(none)" : c.words.front());
        const DriverOptions options = Parse(c.words);
        EXPECT_EQ(options.autostart, c.autostart);
        EXPECT_EQ(options.hidden, c.hidden);
        EXPECT_EQ(options.error, c.error);
    }
}

}  // namespace
}  // namespace x5k
