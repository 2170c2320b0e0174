// The watch krelan-demo --live keeps on its folder of shader pieces, both
// ways: inotify, and polling every 250 ms where inotify is missing.
#include "folder_watch.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

namespace {

int64_t now_ms()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Asks the watch until it reports a change or `ms` pass.
bool changed_within(FolderWatch* watch, int ms)
{
    const int64_t end = now_ms() + ms;
    while (now_ms() < end) {
        if (folders_changed(watch, now_ms())) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class FolderWatchTest : public testing::TestWithParam<WatchMode> {
protected:
    void SetUp() override
    {
        char name[] = "/tmp/krelan-watch-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        write(dir + "/sphere.glsl", "void main() {}\n");
    }
    void TearDown() override
    {
        for (const char* f : {"sphere.glsl", "new.glsl", ".sphere.tmp"})
            std::remove((dir + "/" + f).c_str());
        rmdir(dir.c_str());
    }
    std::string dir;
};

}  // namespace

// The ways editors save: in place, through a temporary file moved over the
// old one (sed -i, vim), a new file, a removal. Each is seen once, and a
// quiet folder reports nothing.
TEST_P(FolderWatchTest, SeesEveryWayOfSavingAndNothingElse)
{
    FolderWatch watch;
    watch_folders({dir, dir + "/missing"}, GetParam(), &watch);
    EXPECT_EQ(watch_uses_inotify(watch), GetParam() == WATCH_INOTIFY);
    EXPECT_FALSE(changed_within(&watch, 400)) << "nothing saved yet";

    // Polling compares times and sizes: a different size is seen even
    // within the file system's time resolution.
    write(dir + "/sphere.glsl", "void main() { }\n");
    EXPECT_TRUE(changed_within(&watch, 1000)) << "written in place";
    EXPECT_FALSE(changed_within(&watch, 400)) << "reported once";

    write(dir + "/.sphere.tmp", "void main() {  }\n");
    ASSERT_EQ(std::rename((dir + "/.sphere.tmp").c_str(), (dir + "/sphere.glsl").c_str()), 0);
    EXPECT_TRUE(changed_within(&watch, 1000)) << "moved over";

    write(dir + "/new.glsl", "x");
    EXPECT_TRUE(changed_within(&watch, 1000)) << "created";
    std::remove((dir + "/new.glsl").c_str());
    EXPECT_TRUE(changed_within(&watch, 1000)) << "removed";
    stop_watching(&watch);
}

// Polling looks no more often than every 250 ms, however often it is asked.
TEST(FolderWatchPolling, LooksAtMostEveryQuarterSecond)
{
    char name[] = "/tmp/krelan-watch-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const std::string dir = name;
    FolderWatch watch;
    watch_folders({dir}, WATCH_POLL, &watch);
    EXPECT_FALSE(folders_changed(&watch, 1000));  // looks now; next look from 1250
    write(dir + "/a.glsl", "x");
    EXPECT_FALSE(folders_changed(&watch, 1249));
    EXPECT_TRUE(folders_changed(&watch, 1250));
    stop_watching(&watch);
    std::remove((dir + "/a.glsl").c_str());
    rmdir(dir.c_str());
}

INSTANTIATE_TEST_SUITE_P(BothWays, FolderWatchTest, testing::Values(WATCH_INOTIFY, WATCH_POLL),
                         [](const testing::TestParamInfo<WatchMode>& info) {
                             return info.param == WATCH_INOTIFY ? "Inotify" : "Polling";
                         });
