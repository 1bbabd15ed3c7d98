// The X11 session's failure handling: Xlib's process-wide handlers routed by hand, and a
// stand-in X server in a thread of the test that answers just enough of the protocol for
// a connection and then goes away, as a server that ends or crashes does.

#include <gtest/gtest.h>
#include <poll.h>
#include <stddef.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/X11PointerSettings.h"
#include "support/TempFolder.h"

// Xlib's macros (None, Status, Bool) would clash with the headers above.
#include <X11/Xlib.h>

namespace x5k {
namespace {

// ---- the route of Xlib's handlers -------------------------------------------------------

// Stand-ins for the handlers a toolkit installed before the route: they record whom they
// were called for.
std::vector<Display*> g_toolkitErrors;
std::vector<Display*> g_toolkitIOErrors;

int ToolkitError(Display* display, XErrorEvent*) {
    g_toolkitErrors.push_back(display);
    return 0;
}

int ToolkitIOError(Display* display) {
    g_toolkitIOErrors.push_back(display);
    return 0;
}

int OtherError(Display*, XErrorEvent*) {
    return 0;
}

// The handlers Xlib would call now.
XErrorHandler InstalledError() {
    const XErrorHandler installed = XSetErrorHandler(&OtherError);
    XSetErrorHandler(installed);
    return installed;
}

XIOErrorHandler InstalledIOError() {
    const XIOErrorHandler installed = XSetIOErrorHandler(&ToolkitIOError);
    XSetIOErrorHandler(installed);
    return installed;
}

// Puts the toolkit's stand-ins in place for a test, and Xlib's own back after it.
class ToolkitHandlers : public ::testing::Test {
protected:
    void SetUp() override {
        g_toolkitErrors.clear();
        g_toolkitIOErrors.clear();
        xlibError_ = XSetErrorHandler(&ToolkitError);
        xlibIOError_ = XSetIOErrorHandler(&ToolkitIOError);
    }
    void TearDown() override {
        XSetErrorHandler(xlibError_);
        XSetIOErrorHandler(xlibIOError_);
    }

    // Two connections the handlers are told apart by; Xlib's handlers only compare them.
    int storage_[2] = {};
    Display* const session_ = reinterpret_cast<Display*>(&storage_[0]);
    Display* const toolkit_ = reinterpret_cast<Display*>(&storage_[1]);

private:
    XErrorHandler xlibError_ = nullptr;
    XIOErrorHandler xlibIOError_ = nullptr;
};

enum class Failure { Request, Connection, ExitStep };

struct RouteCase {
    const char* name;
    bool sessionsOwn;  // the failure is on the session's display, else on the toolkit's
    Failure failure;
    int counted;        // failed requests counted for the session
    bool lost;          // the session's connection taken for lost
    int toolkitErrors;  // calls that reached the toolkit's handlers
    int toolkitIOErrors;
};

using X11ErrorRouteTest = ToolkitHandlers;
class X11ErrorRouteCases : public X11ErrorRouteTest,
                           public ::testing::WithParamInterface<RouteCase> {};

TEST_P(X11ErrorRouteCases, TheSessionsFailuresStayWithItOthersGoOn) {
    const RouteCase& c = GetParam();
    X11ErrorRoute route;
    route.watch(session_);
    Display* display = c.sessionsOwn ? session_ : toolkit_;
    XErrorEvent event{};
    switch (c.failure) {
        case Failure::Request:
            InstalledError()(display, &event);
            InstalledError()(display, &event);
            break;
        case Failure::Connection:
            InstalledIOError()(display);
            break;
        case Failure::ExitStep:
            X11ErrorRoute::EndSession(display, nullptr);
            break;
    }
    EXPECT_EQ(route.takeErrors(), c.counted);
    EXPECT_EQ(route.takeErrors(), 0);
    EXPECT_EQ(route.connectionLost(), c.lost);
    EXPECT_EQ(g_toolkitErrors.size(), static_cast<size_t>(c.toolkitErrors));
    EXPECT_EQ(g_toolkitIOErrors.size(), static_cast<size_t>(c.toolkitIOErrors));
    for (Display* passed : g_toolkitErrors) EXPECT_EQ(passed, toolkit_);
    for (Display* passed : g_toolkitIOErrors) EXPECT_EQ(passed, toolkit_);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, X11ErrorRouteCases,
    ::testing::Values(RouteCase{"own_failed_request", true, Failure::Request, 2, false, 0, 0},
                      // A toolkit's failed request is not the session's device refusing.
                      RouteCase{"toolkits_failed_request", false, Failure::Request, 0, false, 2, 0},
                      // The toolkit's handler would end the program: not for the session's.
                      RouteCase{"own_lost_connection", true, Failure::Connection, 0, true, 0, 0},
                      RouteCase{"toolkits_lost_connection", false, Failure::Connection, 0, false, 0,
                                1},
                      RouteCase{"own_exit_step", true, Failure::ExitStep, 0, true, 0, 0},
                      RouteCase{"toolkits_exit_step", false, Failure::ExitStep, 0, false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(X11ErrorRouteTest, BeforeItsDisplayIsOpenEverythingGoesOn) {
    X11ErrorRoute route;
    XErrorEvent event{};
    InstalledError()(session_, &event);
    InstalledIOError()(session_);
    EXPECT_EQ(route.takeErrors(), 0);
    EXPECT_FALSE(route.connectionLost());
    EXPECT_EQ(g_toolkitErrors.size(), 1u);
    EXPECT_EQ(g_toolkitIOErrors.size(), 1u);
}

TEST_F(X11ErrorRouteTest, AfterwardsThePreviousHandlersAreBack) {
    {
        X11ErrorRoute route;
        route.watch(session_);
        EXPECT_NE(InstalledError(), &ToolkitError);
        EXPECT_NE(InstalledIOError(), &ToolkitIOError);
    }
    EXPECT_EQ(InstalledError(), &ToolkitError);
    EXPECT_EQ(InstalledIOError(), &ToolkitIOError);
    // A new route starts clean.
    X11ErrorRoute next;
    EXPECT_EQ(next.takeErrors(), 0);
    EXPECT_FALSE(next.connectionLost());
}

TEST_F(X11ErrorRouteTest, AHandlerSomeoneElseInstalledMeanwhileStays) {
    {
        X11ErrorRoute route;
        XSetErrorHandler(&OtherError);
    }
    EXPECT_EQ(InstalledError(), &OtherError);
    EXPECT_EQ(InstalledIOError(), &ToolkitIOError);
}

TEST_F(X11ErrorRouteTest, OnlyOneRouteAtATime) {
    std::atomic<bool> secondStarted{false};
    std::optional<X11ErrorRoute> first(std::in_place);
    first->watch(session_);
    std::thread other([&] {
        X11ErrorRoute second;
        secondStarted = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(secondStarted);
    first.reset();
    other.join();
    EXPECT_TRUE(secondStarted);
}

// ---- a server that goes away ------------------------------------------------------------

// Where the stand-in server stops answering.
enum class Vanish {
    Never,     // it answers, and has no XInput extension
    AtXInput,  // when asked whether XInput is there
    // When asked for the XInput 2 version. (Not at libXi's first request on a connection,
    // the XInput 1 version: libXi itself then reads the version it failed to get.)
    AtXIVersion,
    AtDeviceList,  // when asked for the devices
};

// Listens on the abstract socket of a free display number, as an X server does, and serves
// one connection: the connection setup and the requests Xlib and XInput make until the
// point where it vanishes. Little-endian clients only.
class StandInXServer {
public:
    explicit StandInXServer(Vanish vanish) : vanish_(vanish) {
        for (int number = 4700 + ::getpid() % 1000; number < 5900; ++number) {
            listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const std::string name = "/tmp/.X11-unix/X" + std::to_string(number);
            std::memcpy(address.sun_path + 1, name.data(), name.size());
            const auto length =
                static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
            if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                ::listen(listener_, 1) == 0) {
                display_ = ":" + std::to_string(number);
                break;
            }
            ::close(listener_);
            listener_ = -1;
        }
        if (listener_ >= 0) thread_ = std::thread([this] { serve(); });
    }
    ~StandInXServer() {
        if (thread_.joinable()) thread_.join();
        if (listener_ >= 0) ::close(listener_);
    }
    StandInXServer(const StandInXServer&) = delete;
    StandInXServer& operator=(const StandInXServer&) = delete;

    const std::string& display() const { return display_; }
    // Requests it did not know how to answer (it went away at the first).
    std::vector<std::string> unknown() const {
        std::lock_guard lock(mutex_);
        return unknown_;
    }
    bool vanished() const { return vanished_; }

private:
    void serve() {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 5000) != 1) return;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) return;
        if (setUp(client)) {
            while (answer(client)) {
            }
        }
        ::shutdown(client, SHUT_RDWR);
        ::close(client);
    }

    static bool ReadAll(int fd, uint8_t* data, size_t size) {
        while (size > 0) {
            pollfd ready{fd, POLLIN, 0};
            if (::poll(&ready, 1, 5000) != 1) return false;
            const ssize_t n = ::read(fd, data, size);
            if (n <= 0) return false;
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    static bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
        return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }

    static void Put16(std::vector<uint8_t>& out, size_t at, uint16_t value) {
        out[at] = static_cast<uint8_t>(value);
        out[at + 1] = static_cast<uint8_t>(value >> 8);
    }
    static void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
        Put16(out, at, static_cast<uint16_t>(value));
        Put16(out, at + 2, static_cast<uint16_t>(value >> 16));
    }

    // The client's setup request, then a server with one 24-bit TrueColor screen.
    static bool setUp(int client) {
        uint8_t head[12];
        if (!ReadAll(client, head, sizeof head) || head[0] != 'l') return false;
        const size_t nameLength = head[6] | head[7] << 8;
        const size_t dataLength = head[8] | head[9] << 8;
        std::vector<uint8_t> auth(((nameLength + 3) & ~3u) + ((dataLength + 3) & ~3u));
        if (!ReadAll(client, auth.data(), auth.size())) return false;

        std::vector<uint8_t> reply(8 + 32 + 8 + 16 + 72, 0);
        reply[0] = 1;                             // success
        Put16(reply, 2, 11);                      // protocol 11.0
        Put16(reply, 6, (reply.size() - 8) / 4);  // what follows, in words
        Put32(reply, 8, 12101000);                // release
        Put32(reply, 12, 0x00400000);             // resource id base
        Put32(reply, 16, 0x001FFFFF);             // resource id mask
        Put16(reply, 24, 8);                      // vendor name length
        Put16(reply, 26, 0xFFFF);                 // largest request
        reply[28] = 1;                            // screens
        reply[29] = 2;                            // pixmap formats
        reply[32] = 32;                           // bitmap scanline unit
        reply[33] = 32;                           // bitmap scanline pad
        reply[34] = 8;                            // keycodes 8..255
        reply[35] = 255;
        std::memcpy(&reply[40], "x5k-test", 8);
        const uint8_t formats[16] = {1, 1, 32, 0, 0, 0, 0, 0, 24, 32, 32, 0, 0, 0, 0, 0};
        std::memcpy(&reply[48], formats, sizeof formats);
        const size_t screen = 64;
        Put32(reply, screen, 0x100);         // root window
        Put32(reply, screen + 4, 0x20);      // default colormap
        Put32(reply, screen + 8, 0xFFFFFF);  // white
        Put16(reply, screen + 20, 1024);     // pixels
        Put16(reply, screen + 22, 768);
        Put16(reply, screen + 24, 270);  // millimetres
        Put16(reply, screen + 26, 203);
        Put16(reply, screen + 28, 1);  // installed colormaps
        Put16(reply, screen + 30, 1);
        Put32(reply, screen + 32, 0x21);  // root visual
        reply[screen + 38] = 24;          // root depth
        reply[screen + 39] = 1;           // depths
        const size_t depth = screen + 40;
        reply[depth] = 24;
        Put16(reply, depth + 2, 1);  // visuals
        const size_t visual = depth + 8;
        Put32(reply, visual, 0x21);
        reply[visual + 4] = 4;  // TrueColor
        reply[visual + 5] = 8;  // bits per colour
        Put16(reply, visual + 6, 256);
        Put32(reply, visual + 8, 0xFF0000);
        Put32(reply, visual + 12, 0x00FF00);
        Put32(reply, visual + 16, 0x0000FF);
        return WriteAll(client, reply);
    }

    // Reads one request and answers it; false once the server is gone.
    bool answer(int client) {
        uint8_t head[4];
        if (!ReadAll(client, head, sizeof head)) return false;
        const size_t words = head[2] | head[3] << 8;
        if (words == 0) return false;  // a big request: never sent to this server
        std::vector<uint8_t> body(words * 4 - 4);
        if (!ReadAll(client, body.data(), body.size())) return false;
        const uint16_t sequence = ++sequence_;
        std::vector<uint8_t> reply(32, 0);
        reply[0] = 1;
        Put16(reply, 2, sequence);
        constexpr uint8_t kXInput = 131;
        switch (head[0]) {
            case 55:  // CreateGC
            case 60:  // FreeGC
                return true;
            case 20:  // GetProperty: none
                break;
            case 43:  // GetInputFocus
                Put32(reply, 8, 0x100);
                break;
            case 98: {  // QueryExtension
                const size_t length = body[0] | body[1] << 8;
                const std::string name(body.begin() + 4, body.begin() + 4 + length);
                if (name == "XInputExtension") {
                    if (vanish_ == Vanish::AtXInput) return vanish();
                    if (vanish_ != Vanish::Never) {
                        reply[8] = 1;  // present
                        reply[9] = kXInput;
                        reply[10] = 66;   // first event
                        reply[11] = 129;  // first error
                    }
                }
                break;
            }
            case kXInput:
                if (head[1] == 47 && vanish_ == Vanish::AtXIVersion) return vanish();
                if (head[1] == 1 || head[1] == 47) {  // GetExtensionVersion, XIQueryVersion
                    reply[1] = head[1];
                    Put16(reply, 8, 2);
                    Put16(reply, 10, 4);
                    reply[12] = 1;  // present (GetExtensionVersion)
                    break;
                }
                if (head[1] == 48 && vanish_ == Vanish::AtDeviceList) return vanish();
                [[fallthrough]];
            default: {
                std::lock_guard lock(mutex_);
                unknown_.push_back(std::to_string(head[0]) + "." + std::to_string(head[1]));
                return false;
            }
        }
        return WriteAll(client, reply);
    }

    bool vanish() {
        vanished_ = true;
        return false;
    }

    const Vanish vanish_;
    int listener_ = -1;
    std::string display_;
    std::thread thread_;
    uint16_t sequence_ = 0;
    std::atomic<bool> vanished_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> unknown_;
};

// Points Xlib at an authority file of the test's own, never the user's.
class X11StandInServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* value = std::getenv("XAUTHORITY")) saved_ = value;
        ::setenv("XAUTHORITY", (folder_ / "Xauthority").c_str(), 1);
    }
    void TearDown() override {
        if (saved_) {
            ::setenv("XAUTHORITY", saved_->c_str(), 1);
        } else {
            ::unsetenv("XAUTHORITY");
        }
    }

private:
    test::TempFolder folder_;
    std::optional<std::string> saved_;
};

TEST_F(X11StandInServerTest, AServerWithoutXInputIsReported) {
    StandInXServer server(Vanish::Never);
    ASSERT_FALSE(server.display().empty());
    X11PointerSettings settings(server.display());
    EXPECT_FALSE(settings.setSpeed(12));
    EXPECT_EQ(settings.notApplied(),
              std::vector<std::string>{"Pointer speed: the X server does not offer XInput 2"});
    EXPECT_EQ(server.unknown(), std::vector<std::string>{});
}

struct VanishCase {
    const char* name;
    Vanish vanish;
};

class X11ServerGoesAwayTest : public X11StandInServerTest,
                              public ::testing::WithParamInterface<VanishCase> {};

// Xlib's own handling would end the whole program here.
TEST_P(X11ServerGoesAwayTest, OnlyTheAttemptEnds) {
    const XErrorHandler error = InstalledError();
    const XIOErrorHandler ioError = InstalledIOError();
    {
        StandInXServer server(GetParam().vanish);
        ASSERT_FALSE(server.display().empty());
        X11PointerSettings settings(server.display());
        EXPECT_FALSE(settings.setAcceleration(true));
        EXPECT_EQ(settings.notApplied(),
                  std::vector<std::string>{"Enhance pointer precision: the connection to the X "
                                           "display '" +
                                           server.display() + "' was lost"});
        EXPECT_TRUE(server.vanished());
        EXPECT_EQ(server.unknown(), std::vector<std::string>{});
    }
    // The handlers in place before are back.
    EXPECT_EQ(InstalledError(), error);
    EXPECT_EQ(InstalledIOError(), ioError);
}

INSTANTIATE_TEST_SUITE_P(Cases, X11ServerGoesAwayTest,
                         ::testing::Values(VanishCase{"asked_for_xinput", Vanish::AtXInput},
                                           VanishCase{"asked_for_xinput_2", Vanish::AtXIVersion},
                                           VanishCase{"asked_for_devices", Vanish::AtDeviceList}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace x5k
