// ALSA's devices through the library loaded on first use. ALSA's own "null" PCM needs no sound
// card, so the whole road (load, look, open, play) runs on any machine.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/virtual_time.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winmm/tests/wave_test_support.h"
#include "platform/winmm/wave_devices.h"

using namespace std::chrono_literals;
using namespace wavetest;

namespace {

constexpr const char* kLibraryVariable = "BELLTALE_LIBASOUND";

std::vector<std::string> standardNames(winmm::WaveDirection direction) {
    std::vector<std::string> names;
    for (UINT id : winmm::waveDevicesOwnedBy(winmm::kStandardOwner, direction))
        names.push_back(winmm::waveDeviceInfo(direction, id)->name);
    return names;
}

class AlsaDevicesTest : public ::testing::Test {
  protected:
    void TearDown() override { winmm::configureStandardWaveDevices("null"); }
};

TEST_F(AlsaDevicesTest, APcmIsListedOnlyWhenTheLibraryServesAndTheOthersStayEitherWay) {
    struct Case {
        const char* what;
        std::optional<std::string> library;
        bool listed;
    };
    const Case cases[] = {
        {"the system's library", std::nullopt, true},
        {"a library that is not there", "libasound-that-is-not-here.so.2", false},
        {"a library without ALSA's functions", "libm.so.6", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedEnv library(kLibraryVariable, c.library);
        winmm::configureStandardWaveDevices("alsa=null,alsa,null");
        for (auto direction : {winmm::WaveDirection::Output, winmm::WaveDirection::Input}) {
            const std::string null =
                direction == winmm::WaveDirection::Output ? "Null Output" : "Null Input";
            const std::vector<std::string> expected =
                c.listed ? std::vector<std::string>{"ALSA null", null}
                         : std::vector<std::string>{null};
            EXPECT_EQ(standardNames(direction), expected);
        }
    }
}

TEST_F(AlsaDevicesTest, PlaysThroughTheLoadedLibrary) {
    core::VirtualTime time;
    winmm::configureStandardWaveDevices("alsa=null");
    ASSERT_EQ(standardNames(winmm::WaveDirection::Output), std::vector<std::string>{"ALSA null"});
    const WAVEFORMATEX format = pcmFormat(8000, 1, 16);
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    auto data = pattern(4000);  // a quarter of a second
    WAVEHDR header{};
    header.lpData = reinterpret_cast<LPSTR>(data.data());
    header.dwBufferLength = static_cast<DWORD>(data.size());
    ASSERT_EQ(waveOutPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device, &header, sizeof header), MMSYSERR_NOERROR);
    time.advance(300ms);
    EXPECT_TRUE(header.dwFlags & WHDR_DONE);
    EXPECT_EQ(waveOutUnprepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

// A device listed while the library served, opened when it no longer does: the open fails as a
// device without a driver and leaves the other devices usable.
TEST_F(AlsaDevicesTest, OpeningWithoutTheLibraryFailsWithNoDriver) {
    winmm::configureStandardWaveDevices("alsa=null,null");
    ASSERT_EQ(standardNames(winmm::WaveDirection::Output),
              (std::vector<std::string>{"ALSA null", "Null Output"}));
    ScopedEnv library(kLibraryVariable, "libasound-that-is-not-here.so.2");
    const WAVEFORMATEX format = pcmFormat();
    HWAVEOUT out = reinterpret_cast<HWAVEOUT>(0x1);
    EXPECT_EQ(waveOutOpen(&out, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NODRIVER);
    HWAVEIN in = nullptr;
    EXPECT_EQ(waveInOpen(&in, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NODRIVER);
    ASSERT_EQ(waveOutOpen(&out, 1, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
}

}  // namespace
