// The device members the Play and Record engines share, each engine with its own rule for the
// blanks around a device's name.
#include "lkLK36/engines/wave_device_choice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "lkLK36/engines/lkPlay.h"
#include "lkLK36/engines/lkRecord.h"
#include "lkLK36/engines/tests/wave_engine_support.h"
#include "platform/core/virtual_time.h"

namespace {

using wavetest::lastLines;

// A device that opens on any PCM and does nothing; only its name matters here.
class QuietDevice : public winmm::WaveDeviceBackend {
  public:
    bool supports(const winmm::PcmFormat&) const override { return true; }
    winmm::PcmFormat mappedFormat(const winmm::PcmFormat& client) const override { return client; }
    std::unique_ptr<winmm::WaveStream> open(const winmm::PcmFormat&, MMRESULT& error) override {
        error = MMSYSERR_NOERROR;
        return std::make_unique<winmm::WaveStream>();
    }
};

constexpr const char* kPadded = "  Padded Device  ";

class WaveDeviceChoice : public ::testing::Test {
  protected:
    WaveDeviceChoice() {
        winmm::configureStandardWaveDevices("null");
        for (auto direction : {winmm::WaveDirection::Output, winmm::WaveDirection::Input})
            winmm::registerWaveDevice({kPadded, direction, "padded"},
                                      std::make_shared<QuietDevice>());
    }
    ~WaveDeviceChoice() override {
        for (auto direction : {winmm::WaveDirection::Output, winmm::WaveDirection::Input}) {
            for (UINT id : winmm::waveDevicesOwnedBy("padded", direction))
                winmm::unregisterWaveDevice(direction, id);
        }
    }

    // The engine lists the padded device as `listed`, is chosen by that name and not by the
    // other engine's, and keeps its choice when the ID is out of range.
    template <class Engine>
    void expectChoice(Engine& engine, const std::string& listed, const std::string& notListed) {
        engine.Vantage().SetDevEnv(deDelphi);  // the log lines as written
        const LONG id = engine.Device.Count - 1;
        ASSERT_GE(id, 1);
        EXPECT_EQ(engine.DeviceList().at(static_cast<std::size_t>(id)), listed);
        EXPECT_EQ(engine.Device.ID, 0);
        engine.SetDeviceName(notListed);
        EXPECT_EQ(engine.Error().Name(), "MMSYSERR_BADDEVICEID");
        EXPECT_EQ(engine.Device.ID, 0);
        engine.SetDeviceName(listed);
        EXPECT_EQ(engine.Error().Number(), 0);
        EXPECT_EQ(engine.Device.ID, id);
        EXPECT_EQ(engine.Device.Name, listed);
        EXPECT_EQ(lastLines(engine, 3),
                  (std::vector<std::string>{"Device.ID := " + std::to_string(id),
                                            "\tDevice.Count = " + std::to_string(id + 1),
                                            "\tDevice.Name = '" + listed + "'"}));
        engine.SetDeviceID(id + 1);
        EXPECT_EQ(engine.Error().Name(), "MMSYSERR_BADDEVICEID");
        EXPECT_EQ(engine.Device.ID, id);
        EXPECT_EQ(engine.Device.Name, listed);
    }

    core::VirtualTime time;
    OwnProgramFolder folder;
};

TEST_F(WaveDeviceChoice, ThePlayerTrimsBothEnds) {
    TlkPlayInternal player;
    expectChoice(player, "Padded Device", "  Padded Device");
}

TEST_F(WaveDeviceChoice, TheRecorderTrimsTrailingBlanksOnly) {
    TlkRecordInternal recorder;
    expectChoice(recorder, "  Padded Device", "Padded Device");
}

}  // namespace
