#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "common/DiagnosticLog.h"
#include "support/RecordingLogSink.h"

namespace x5k {
namespace {

int gEvaluations = 0;
int Counted() {
    return ++gEvaluations;
}

// Off, a log call must not even evaluate its pieces: that is what makes it free.
TEST(DiagnosticLog, OffEvaluatesNothingOnWritesEverything) {
    gEvaluations = 0;
    X5K_LOG("never built ", Counted());
    EXPECT_EQ(gEvaluations, 0);
    EXPECT_FALSE(diagnostic::enabled());

    test::RecordingLogSink sink;
    EXPECT_TRUE(diagnostic::enabled());
    const std::vector<uint8_t> report{0x07, 0x0C, 0x01, 0xFF};
    X5K_LOG("hid: sent ", diagnostic::Hex{report}, " #", Counted(), " ",
            SysResult::failure(EPIPE, "ioctl (HIDIOCSFEATURE)"));
    EXPECT_EQ(gEvaluations, 1);
    EXPECT_EQ(sink.lines(), std::vector<std::string>{
                                "hid: sent 07 0C 01 FF #1 ioctl (HIDIOCSFEATURE): Broken pipe"});
}

TEST(DiagnosticLog, SinkRemovedTurnsTheLogOff) {
    { test::RecordingLogSink sink; }
    EXPECT_FALSE(diagnostic::enabled());
}

TEST(DiagnosticLog, EnvironmentSwitch) {
    struct Case {
        const char* value;
        bool on;
    };
    const Case cases[] = {{nullptr, false}, {"", false},   {"0", false},
                          {"1", true},      {"yes", true}, {"2", true}};
    for (const Case& c : cases) {
        EXPECT_EQ(diagnostic::requestedByEnvironment(c.value), c.on)
            << (c.value ? c.value : "unset");
    }
}

TEST(SysResult, DescribesTheCause) {
    struct Case {
        SysResult result;
        const char* text;
    };
    const Case cases[] = {
        {SysResult::success(), "ok"},
        {SysResult::failure(EACCES, "open (read-write)"), "open (read-write): Permission denied"},
        {SysResult::failure(ENODEV, "write"), "write: No such device"},
        {SysResult::failure(EIO, ""), "call: Input/output error"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result.describe(), c.text);
        EXPECT_EQ(c.result.ok(), c.result.code == 0);
    }
}

}  // namespace
}  // namespace x5k
