// Which standard wave devices a process starts with: the environment, else the registry in the
// program folder, else the default.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winmm/tests/wave_test_support.h"
#include "platform/winmm/wave_devices.h"

using namespace wavetest;

namespace {

void storeDeviceList(const std::string& list) {
    ASSERT_EQ(registry::writeString(HKEY_LOCAL_MACHINE, winmm::kWaveDevicesKey,
                                    winmm::kWaveDevicesValue, list),
              ERROR_SUCCESS);
}

TEST(StandardWaveDeviceSetting, EnvironmentThenRegistryThenDefault) {
    struct Case {
        const char* what;
        std::optional<std::string> environment;
        std::optional<std::string> stored;  // nothing: no value in the registry
        std::string expected;
    };
    const Case cases[] = {
        {"the environment wins", "null", "file-in=/tmp/in.wav", "null"},
        {"an empty environment means no devices", "", "null", ""},
        {"the registry without the environment", std::nullopt, "null,file-out=/tmp/o.wav",
         "null,file-out=/tmp/o.wav"},
        {"nothing stored", std::nullopt, std::nullopt, "alsa,null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir home;
        ScopedEnv programFolder("BELLTALE_HOME", home.path.string());
        ScopedEnv devices("BELLTALE_WAVE_DEVICES", c.environment);
        if (c.stored)
            storeDeviceList(*c.stored);
        EXPECT_EQ(winmm::standardWaveDeviceSetting(), c.expected);
    }
}

TEST(StandardWaveDeviceSetting, AMissingProgramFolderIsNeitherReadNorCreated) {
    TempDir parent;
    const std::filesystem::path missing = parent / "not-yet";
    ScopedEnv programFolder("BELLTALE_HOME", missing.string());
    ScopedEnv devices("BELLTALE_WAVE_DEVICES", std::nullopt);
    EXPECT_EQ(winmm::standardWaveDeviceSetting(), "alsa,null");
    EXPECT_FALSE(std::filesystem::exists(missing));
}

// The table is configured once per process, at its first use, so this runs in a fresh process.
// Loading the libraries configured nothing; the first query brings the registry's list and the
// telephone lines' devices after it.
TEST(StandardWaveDeviceSettingDeathTest, TheFirstDeviceQueryTakesTheRegistrysList) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir home;
    ScopedEnv programFolder("BELLTALE_HOME", home.path.string());
    ScopedEnv devices("BELLTALE_WAVE_DEVICES", std::nullopt);
    storeDeviceList("file-out=" + (home / "played.wav").string());
    EXPECT_EXIT(
        {
            WAVEOUTCAPSA caps{};
            const bool asStored =
                waveOutGetDevCapsA(0, &caps, sizeof caps) == MMSYSERR_NOERROR &&
                std::string(caps.szPname) == "File Output played.wav" &&
                winmm::waveDevicesOwnedBy(winmm::kStandardOwner, winmm::WaveDirection::Output)
                        .size() == 1 &&
                winmm::waveDevicesOwnedBy(winmm::kStandardOwner, winmm::WaveDirection::Input)
                    .empty();
            const bool linesFollow =
                winmm::waveDevicesOwnedBy("line:0", winmm::WaveDirection::Output) ==
                std::vector<UINT>{1};
            std::exit(asStored && linesFollow ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
