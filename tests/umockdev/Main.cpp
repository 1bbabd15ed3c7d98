// Runs the suite inside umockdev's mock environment: without the preloaded library the
// program starts itself again under umockdev-wrapper.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
bool PreloadPresent() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr;
}
}  // namespace

int main(int argc, char** argv) {
    if (!PreloadPresent()) {
        // Under AddressSanitizer the preloaded library comes before the sanitizer's
        // runtime, which the runtime refuses unless told that the order is fine.
        std::string asan = "verify_asan_link_order=0";
        if (const char* old = std::getenv("ASAN_OPTIONS")) asan = std::string(old) + ":" + asan;
        setenv("ASAN_OPTIONS", asan.c_str(), 1);
        std::vector<char*> args{const_cast<char*>(UMOCKDEV_WRAPPER)};
        args.insert(args.end(), argv, argv + argc);
        args.push_back(nullptr);
        execv(UMOCKDEV_WRAPPER, args.data());
        std::perror("umockdev-wrapper");
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
