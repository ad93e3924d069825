// The udev tests' main: they need umockdev's preload library, which makes
// /sys, /dev and udev's netlink socket in this process those of the testbed.
// Started without it (by ctest, or by hand), the program starts itself again
// with the library preloaded, so that it runs the same either way. In a
// sanitizer build the address sanitizer's own library has to come first.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* kPreload = "libumockdev-preload.so.0";

#if defined(__SANITIZE_ADDRESS__)
extern "C" void __asan_init();

std::string SanitizerRuntime()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&__asan_init), &info) == 0 || info.dli_fname == nullptr)
        return {};
    return info.dli_fname;
}
#else
std::string SanitizerRuntime()
{
    return {};
}
#endif

bool PreloadActive()
{
    const char* szPreload = std::getenv("LD_PRELOAD");
    return szPreload != nullptr && std::strstr(szPreload, "libumockdev-preload") != nullptr;
}

void RestartWithPreload(char** argv)
{
    std::string strPreload = kPreload;
    if (const std::string strRuntime = SanitizerRuntime(); !strRuntime.empty())
        strPreload = strRuntime + ":" + strPreload;
    if (const char* szOld = std::getenv("LD_PRELOAD"); szOld != nullptr && *szOld != '\0')
        strPreload += std::string(":") + szOld;
    ::setenv("LD_PRELOAD", strPreload.c_str(), 1);
    ::execv("/proc/self/exe", argv);
    std::perror("udev tests: cannot start again under umockdev");
}

}  // namespace

int main(int argc, char** argv)
{
    if (!PreloadActive()) {
        RestartWithPreload(argv);
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
