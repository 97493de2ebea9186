#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/clock.h"
#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/registry/registry.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/mod_clock.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr std::string_view kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class ModClock : public ::testing::Test {
  protected:
    fs::path autostartEntry() const {
        return m_folder.config() / "autostart" / "belltale-Belltale.desktop";
    }

    vevuzer::testing::FreshProgramFolder m_folder;
};

TEST_F(ModClock, GetWinDirIsTheWindowsFolderWithoutATrailingSeparator) {
    const std::string folder = mod_clock::GetWinDir();
    EXPECT_EQ(fs::path(folder), m_folder.home() / "windows");
    EXPECT_NE(folder.back(), '/');
    EXPECT_TRUE(fs::is_directory(folder));
}

// A pause lets timers and posted work run and returns after exactly its length.
class PauseTest : public ::testing::Test {
  protected:
    struct Run {
        std::int64_t elapsedMs;
        int ticks;
        bool postedRan;
    };
    // A one-second timer started half a second before the pause.
    static Run pauseFor(int seconds) {
        int ticks = 0;
        bool postedRan = false;
        core::Timer everySecond([&] { ++ticks; });
        everySecond.setInterval(1000);
        Sleep(500);
        core::post([&] { postedRan = true; });
        const std::int64_t start = core::tickCount64();
        mod_clock::Pause(seconds);
        return {core::tickCount64() - start, ticks, postedRan};
    }
};

TEST_F(PauseTest, ReturnsAfterItsSecondsHavingLetTimersAndMessagesRun) {
    core::VirtualTime time;
    const Run run = pauseFor(3);
    EXPECT_EQ(run.elapsedMs, 3000) << time.pending();
    EXPECT_EQ(run.ticks, 3);
    EXPECT_TRUE(run.postedRan);
}

TEST_F(PauseTest, EndsOnTimeAcrossMidnight) {
    core::VirtualTime time(core::oleDateFrom({2026, 3, 2, 23, 59, 59, 0}));
    const Run run = pauseFor(3);
    EXPECT_EQ(run.elapsedMs, 3000);
    const core::DateParts after = core::datePartsOf(core::now());
    EXPECT_EQ(after.day, 3);
    EXPECT_EQ(after.second, 2);
}

TEST_F(PauseTest, KeepsItsLengthWithinAByte) {
    core::VirtualTime time;
    struct Case {
        int seconds;
        std::int64_t elapsedMs;
    };
    static constexpr Case cases[] = {{0, 0}, {-5, 0}, {1, 1000}, {255, 255000}, {1000, 255000}};
    for (const Case& row : cases) {
        SCOPED_TRACE(row.seconds);
        const std::int64_t start = core::tickCount64();
        mod_clock::Pause(row.seconds);
        EXPECT_EQ(core::tickCount64() - start, row.elapsedMs);
    }
}

TEST_F(ModClock, RegReadStringGivesTheTextOfAStringValueElseTheDefault) {
    constexpr std::string_view key = "Software\\Belltale test";
    registry::writeString(HKEY_CURRENT_USER, key, "text", "hello there");
    registry::writeString(HKEY_CURRENT_USER, key, "empty", "");
    registry::writeDword(HKEY_CURRENT_USER, key, "number", 42);
    const std::string withNul("before\0after", 12);
    registry::writeString(HKEY_CURRENT_USER, key, "nul", withNul);
    HKEY handle = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Belltale test", &handle), ERROR_SUCCESS);
    const std::string expanded = "%HOME%";
    RegSetValueExA(handle, "expand", 0, REG_EXPAND_SZ,
                   reinterpret_cast<const BYTE*>(expanded.c_str()),
                   static_cast<DWORD>(expanded.size() + 1));
    RegCloseKey(handle);

    struct Case {
        std::string_view subKey;
        std::string_view value;
        std::string_view expected;
    };
    static constexpr Case cases[] = {
        {key, "text", "hello there"},
        {key, "TEXT", "hello there"},  // names ignore case
        {key, "empty", ""},
        {key, "nul", "before"},
        {key, "number", "default"},
        {key, "expand", "default"},  // only plain text values are read
        {key, "missing", "default"},
        {"Software\\No such key", "text", "default"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(std::string(row.subKey) + " / " + std::string(row.value));
        EXPECT_EQ(mod_clock::RegReadString(HKEY_CURRENT_USER, row.subKey, row.value, "default"),
                  row.expected);
    }
    EXPECT_EQ(mod_clock::RegReadString(HKEY_CURRENT_USER, key, "missing"), "");
}

TEST_F(ModClock, RegWriteStringCreatesTheKeyAndStoresText) {
    mod_clock::RegWriteString(HKEY_CURRENT_USER, "Software\\New\\Deeper", "name", "text, with=all");
    EXPECT_EQ(registry::readString(HKEY_CURRENT_USER, "Software\\New\\Deeper", "name"),
              std::optional<std::string>("text, with=all"));
    // A key given as the number a Long holds works as the predefined key does.
    const auto machine = reinterpret_cast<HKEY>(std::intptr_t{LONG(0x80000002)});
    mod_clock::RegWriteString(machine, "SOFTWARE\\Belltale test", "name", "machine");
    EXPECT_EQ(mod_clock::RegReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Belltale test", "name"),
              "machine");
}

TEST_F(ModClock, TheRunValueWritesAndRemovesTheAutostartEntry) {
    const std::string command = (m_folder.home() / "vidiriz.are").string();
    mod_clock::RegWriteString(HKEY_LOCAL_MACHINE, kRunKey, "Belltale", command);
    EXPECT_EQ(mod_clock::RegReadString(HKEY_LOCAL_MACHINE, kRunKey, "Belltale"), command);
    ASSERT_TRUE(fs::exists(autostartEntry()));
    const std::string entry = core::readFile(autostartEntry()).value_or("");
    EXPECT_NE(entry.find("Exec="), std::string::npos) << entry;
    EXPECT_NE(entry.find("vevuzer"), std::string::npos) << entry;

    // Switched off, the value is emptied, never deleted, and the entry goes.
    mod_clock::RegWriteString(HKEY_LOCAL_MACHINE, kRunKey, "Belltale", "");
    EXPECT_EQ(mod_clock::RegReadString(HKEY_LOCAL_MACHINE, kRunKey, "Belltale", "missing"), "");
    EXPECT_FALSE(fs::exists(autostartEntry()));
}

TEST_F(ModClock, FindsNoDialUpAndAsksTheOnlineTest) {
    mod_clock::HangUpAllDialUp();  // nothing to hang up on this desktop; returns at once

    const char* old = std::getenv("BELLTALE_ONLINE");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("BELLTALE_ONLINE", "1", 1);
    EXPECT_TRUE(mod_clock::IsInternetConnected());
    ::setenv("BELLTALE_ONLINE", "0", 1);
    EXPECT_FALSE(mod_clock::IsInternetConnected());
    saved ? ::setenv("BELLTALE_ONLINE", saved->c_str(), 1) : ::unsetenv("BELLTALE_ONLINE");
}

}  // namespace
