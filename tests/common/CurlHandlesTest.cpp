// The libcurl layer: libcurl is loaded by its first use, and a hold keeps other threads from
// loading it until released.
#include "common/CurlHandles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <dlfcn.h>
#include <thread>

namespace {

bool libcurlLoaded() {
    void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_NOLOAD);
    if (library)
        dlclose(library); // only drops the reference RTLD_NOLOAD took
    return library != nullptr;
}

} // namespace

// Each test runs in a process of its own (one test per ctest entry), so libcurl starts unloaded.
TEST(CurlHandles, LibcurlIsLoadedOnlyByItsFirstUseAndWaitsWhileHeld) {
    ASSERT_FALSE(libcurlLoaded()) << "libcurl is loaded with the program";

    curlhandles::hold();
    // A multi handle made now loads nothing; it is used on another thread later.
    curlhandles::Multi multi = curlhandles::newMulti();
    ASSERT_TRUE(multi);
    EXPECT_FALSE(libcurlLoaded());

    std::atomic<bool> done = false;
    curlhandles::Easy easy;
    std::thread network([&] {
        easy = curlhandles::newEasy();
        done = true;
    });
    // Well inside the hold limit: the other thread must still be waiting.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(done);
    EXPECT_FALSE(libcurlLoaded());

    curlhandles::release();
    network.join();
    EXPECT_TRUE(easy);
    EXPECT_TRUE(libcurlLoaded());
    ASSERT_EQ(curl_multi_add_handle(multi.get(), easy.get()), CURLM_OK);
    EXPECT_EQ(curl_multi_remove_handle(multi.get(), easy.get()), CURLM_OK);
}

TEST(CurlHandles, TheHoldersOwnThreadIsNotHeld) {
    curlhandles::hold();
    const curlhandles::Easy easy = curlhandles::newEasy();
    EXPECT_TRUE(easy);
    EXPECT_TRUE(libcurlLoaded());
    curlhandles::HeaderList headers;
    EXPECT_TRUE(headers.append("Accept: */*"));
    curlhandles::release();
}
