// Whether a session bus is there, and the environment the program's children get.

#include "platform/linux/SessionBus.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace x5k {
namespace {

// A listening socket at `path`, as the bus daemon leaves it.
void MakeSocket(const std::filesystem::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

TEST(SessionBus, KnownFromTheAddressOrTheRuntimeFoldersSocket) {
    test::TempFolder withSocket, withFile, empty;
    MakeSocket(withSocket / "bus");
    test::WriteBytes(withFile / "bus", {1});
    const std::string socketFolder = withSocket.path().string();
    const std::string fileFolder = withFile.path().string();
    const std::string emptyFolder = empty.path().string();
    struct Case {
        const char* address;
        const char* runtimeDir;
        bool known;
    };
    const Case cases[] = {
        {"unix:path=/run/user/1000/bus", nullptr, true},
        {"unix:path=/run/user/1000/bus", emptyFolder.c_str(), true},
        {nullptr, socketFolder.c_str(), true},
        {"", socketFolder.c_str(), true},
        {nullptr, fileFolder.c_str(), false},
        {nullptr, emptyFolder.c_str(), false},
        {"", "", false},
        {nullptr, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.address ? c.address : "(unset)") + " " +
                     (c.runtimeDir ? c.runtimeDir : "(unset)"));
        EXPECT_EQ(SessionBusKnown(c.address, c.runtimeDir), c.known);
    }
}

// Started programs look for a bus themselves: only the stand-in is taken out.
TEST(SessionBus, ChildrenDoNotInheritTheStandIn) {
    std::string ours = std::string(kSessionBusVariable) + "=" + kNoSessionBus;
    std::string real = std::string(kSessionBusVariable) + "=unix:path=/run/user/1/bus";
    std::string home = "HOME=/home/u", path = "PATH=/usr/bin";
    struct Case {
        std::vector<char*> environment;
        std::vector<std::string> kept;
    };
    const Case cases[] = {
        {{home.data(), ours.data(), path.data(), nullptr}, {home, path}},
        {{home.data(), real.data(), nullptr}, {home, real}},
        {{ours.data(), nullptr}, {}},
        {{nullptr}, {}},
    };
    for (const Case& c : cases) {
        const std::vector<char*> child = ChildEnvironment(c.environment.data());
        ASSERT_FALSE(child.empty());
        EXPECT_EQ(child.back(), nullptr);
        EXPECT_EQ(std::vector<std::string>(child.begin(), child.end() - 1), c.kept);
    }
}

}  // namespace
}  // namespace x5k
