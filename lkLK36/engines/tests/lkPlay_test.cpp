#include "lkLK36/engines/lkPlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/testing/recording_vantage_form.h"
#include "lkLK36/engines/tests/wave_engine_support.h"
#include "platform/core/virtual_time.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/testing/scripted_dialogs.h"

using namespace std::chrono_literals;
using namespace wavetest;

namespace {

const winmm::SampleFormat kPcm8k16{WAVE_FORMAT_PCM, 1, 8000, 16};

// A Play engine on a file-out device, in virtual time, with its events in one trace.
class PlayEngine : public ::testing::Test {
  protected:
    PlayEngine() {
        winmm::configureStandardWaveDevices("file-out=" + played().string() + ",null");
        engine = std::make_unique<TlkPlayInternal>();
        engine->SetDeviceID(outputNamed("File Output played.wav"));
        engine->OnLoaded = [this](TlkPlayInternal&) { trace.push_back("OnLoaded"); };
        engine->OnDone = [this](TlkPlayInternal&) { trace.push_back("OnDone"); };
        engine->OnLoop = [this](TlkPlayInternal& e) {
            trace.push_back("OnLoop");
            loopPositions.push_back(e.PositionByte());
        };
        engine->OnError = [this] { trace.push_back("OnError " + engine->Error().Name()); };
    }
    ~PlayEngine() override {
        engine.reset();
        winmm::configureStandardWaveDevices("null");
    }

    std::filesystem::path played() const { return dir / "played.wav"; }
    // A file of `bytes` bytes of the test pattern in `format`.
    std::string wave(const std::string& name, std::size_t bytes, unsigned seed = 1,
                     const winmm::SampleFormat& format = kPcm8k16) {
        writeWave(dir / name, format, pattern(bytes, seed));
        return (dir / name).string();
    }
    std::string broken(const std::string& name, const std::vector<std::uint8_t>& image) {
        writeBytes(dir / name, image);
        return (dir / name).string();
    }

    core::VirtualTime time;
    OwnProgramFolder folder;
    TempDir dir;
    std::unique_ptr<TlkPlayInternal> engine;
    std::vector<std::string> trace;
    std::vector<LONG> loopPositions;
};

TEST_F(PlayEngine, PlaysAListBackToBackAsOneBufferAndSaysWhenDone) {
    const std::string a = wave("a.wav", 1600, 1);
    wave("b.wav", 3200, 2);
    wave("c.wav", 800, 3);
    // The second item has no folder, the third no extension... and the first has neither.
    const std::string list = (dir / "a").string() + ", b, c.wav";
    engine->SetSourceFileName(list);
    EXPECT_TRUE(engine->Source.Valid);
    EXPECT_EQ(engine->Source.Format.Bytes(), 5600);
    EXPECT_EQ(engine->Source.Format.ID(), wfPCM08000M16);
    EXPECT_DOUBLE_EQ(engine->Source.Format.Seconds(), 0.35);

    engine->SetDeviceActive(true);
    EXPECT_TRUE(engine->Device.Active);
    EXPECT_TRUE(engine->deviceOpen());
    EXPECT_EQ(trace, (std::vector<std::string>{"OnLoaded"}));
    time.advance(200ms);
    EXPECT_EQ(engine->PositionByte(), 3200);
    EXPECT_EQ(engine->PositionPercent(), 57);
    EXPECT_DOUBLE_EQ(engine->PositionSecond(), 0.2);
    time.advance(200ms);

    EXPECT_EQ(trace, (std::vector<std::string>{"OnLoaded", "OnDone"}));
    EXPECT_FALSE(engine->Device.Active);
    EXPECT_FALSE(engine->deviceOpen());
    EXPECT_FALSE(engine->dataLoaded());
    std::vector<std::uint8_t> expected = pattern(1600, 1);
    for (auto [bytes, seed] : {std::pair{3200u, 2u}, {800u, 3u}}) {
        const auto part = pattern(bytes, seed);
        expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(samplesOf(played()), expected);

    // Starting again plays the same list again; the stored name never changes.
    engine->SetDeviceActive(true);
    time.advance(1s);
    EXPECT_EQ(engine->Source.FileName, list);
    EXPECT_EQ(trace, (std::vector<std::string>{"OnLoaded", "OnDone", "OnLoaded", "OnDone"}));
    EXPECT_EQ(samplesOf(played()), expected);
    EXPECT_EQ(a, (dir / "a.wav").string());
}

TEST_F(PlayEngine, TheMonitorOpensOnItsLogWithAReadableListOrAfterAnError) {
    struct Case {
        const char* what;
        std::string list;
        const char* page;
    };
    const Case cases[] = {
        {"no list", "", "showSourcePage"},
        {"a readable list", wave("a.wav", 1600), "showLogPage"},
        {"a missing file", (dir / "gone.wav").string(), "showLogPage"},
    };
    RecordingVantageForms forms;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        engine->SetSourceFileName(c.list);
        engine->Vantage().SetVisible(true);
        const auto& calls = forms.last().calls;
        EXPECT_NE(std::find(calls.begin(), calls.end(), c.page), calls.end());
        engine->Vantage().SetVisible(false);
    }
}

TEST_F(PlayEngine, FilesThatCannotBePlayedAreNamedInTheLog) {
    const WAVEFORMATEX pcm = pcmFormat();
    struct Case {
        const char* what;
        std::vector<std::uint8_t> image;  // empty: no file at all
        LONG code;
    };
    const Case cases[] = {
        {"missing", {}, WAV_ERROR_FILEOPEN},
        {"not RIFF", {'J', 'U', 'N', 'K', 0, 0, 0, 0}, WAV_ERROR_FILECORRUPT},
        {"not WAVE", RiffImage().chunk("fmt ", RiffImage::format(pcm)).image("AVI "),
         WAV_ERROR_FILECORRUPT},
        {"no fmt chunk", RiffImage().chunk("data", {1, 2}).image(), WAV_ERROR_FILECORRUPT},
        {"no data chunk", RiffImage().chunk("fmt ", RiffImage::format(pcm)).image(),
         WAV_ERROR_FILECORRUPT},
        {"empty data chunk",
         RiffImage().chunk("fmt ", RiffImage::format(pcm)).chunk("data", {}).image(),
         WAV_ERROR_FILECORRUPT},
        {"data chunk larger than the file",
         RiffImage()
             .chunk("fmt ", RiffImage::format(pcm))
             .claimedChunk("data", 0x7FFFFFF0, 64)
             .image(),
         WAV_ERROR_FILECORRUPT},
        {"format chunk larger than the file",
         RiffImage().claimedChunk("fmt ", 0x40000000, 16).image(), WAV_ERROR_FILECORRUPT},
    };
    engine->Vantage().SetDevEnv(deDelphi);  // file names keep their dots
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name =
            c.image.empty() ? (dir / "nowhere" / "x.wav").string() : broken("x.wav", c.image);
        engine->SetSourceFileName(name);
        EXPECT_EQ(engine->Error().Number(), c.code);
        EXPECT_FALSE(engine->Source.Valid);
        EXPECT_EQ(engine->log().Lines().back(), "    File: " + name);
        engine->SetDeviceActive(true);
        EXPECT_FALSE(engine->Device.Active);
        EXPECT_EQ(engine->Error().Number(), c.code);
        EXPECT_FALSE(engine->deviceOpen());
        EXPECT_FALSE(engine->dataLoaded());
    }
    engine->SetSourceFileName((dir / "nowhere" / "x.wav").string());
    EXPECT_NE(std::find(engine->log().Lines().begin(), engine->log().Lines().end(),
                        "MMIOERR_PATHNOTFOUND"),
              engine->log().Lines().end());
}

TEST_F(PlayEngine, ASecondFormatInTheListIsRefused) {
    wave("a.wav", 1600, 1);
    const std::string b = wave("b.wav", 800, 2, {WAVE_FORMAT_MULAW, 1, 8000, 8});
    engine->Vantage().SetDevEnv(deDelphi);
    engine->SetSourceFileName((dir / "a.wav").string() + ",b.wav");
    EXPECT_EQ(engine->Error().Name(), "WAV_ERROR_FORMATMISMATCH");
    EXPECT_FALSE(engine->Source.Valid);
    EXPECT_EQ(engine->log().Lines().back(), "    File: " + b);
    engine->SetDeviceActive(true);
    EXPECT_FALSE(engine->Device.Active);
    // The start reloads the list (one report), then reads the data for playing (another).
    EXPECT_EQ(trace, std::vector<std::string>(3, "OnError WAV_ERROR_FORMATMISMATCH"));
}

TEST_F(PlayEngine, AMuLawFileIsPresetEighteenAndAnOddRateMatchesNone) {
    engine->SetSourceFileName(wave("u.wav", 800, 1, {WAVE_FORMAT_MULAW, 1, 8000, 8}));
    EXPECT_EQ(engine->Source.Format.ID(), wfuLaw08000M08);
    EXPECT_EQ(engine->Source.Format.Name(), "uLaw 8,000 Hz, 8-bit, Mono");
    engine->SetSourceFileName(wave("w.wav", 960, 1, {WAVE_FORMAT_PCM, 1, 48000, 16}));
    EXPECT_EQ(engine->Source.Format.ID(), wfUnknown);
    EXPECT_EQ(engine->Source.Format.Name(), "Unknown");
    EXPECT_EQ(engine->Source.Format.SamplesPerSec(), 48000);
}

TEST_F(PlayEngine, LoopsUntilTheHostStopsWithoutOnDone) {
    engine->SetSourceFileName(wave("a.wav", 1600));  // 100 ms
    engine->SetDeviceLoop(true);
    engine->SetDeviceActive(true);
    time.advance(150ms);
    EXPECT_EQ(engine->PositionByte(), 800) << "the second pass counts from the buffer's start";
    time.advance(100ms);
    EXPECT_EQ(trace, (std::vector<std::string>{"OnLoaded", "OnLoop", "OnLoop"}));
    EXPECT_LT(loopPositions.back(), 1600);
    engine->SetDeviceActive(false);
    EXPECT_FALSE(engine->Device.Active);
    EXPECT_FALSE(engine->deviceOpen());
    time.advance(500ms);
    EXPECT_EQ(trace, (std::vector<std::string>{"OnLoaded", "OnLoop", "OnLoop"}));
}

TEST_F(PlayEngine, WaitReturnsAfterTheEnd) {
    engine->SetSourceFileName(wave("a.wav", 48000));  // 3 s
    engine->SetDeviceWait(true);
    const std::int64_t before = core::tickCount64();
    engine->SetDeviceActive(true);
    EXPECT_GE(core::tickCount64() - before, 3000);
    EXPECT_LT(core::tickCount64() - before, 3200);
    EXPECT_EQ(trace, (std::vector<std::string>{"OnLoaded", "OnDone"}));
    EXPECT_FALSE(engine->Device.Active);
    EXPECT_EQ(lastLines(*engine, 1), (std::vector<std::string>{"\tWaiting complete"}));
}

TEST_F(PlayEngine, WaitingOnALoopTimesOutAndReleasesEverything) {
    engine->Vantage().SetDevEnv(deDelphi);            // the texts as written
    engine->SetSourceFileName(wave("a.wav", 16000));  // 1 s
    engine->SetDeviceWait(true);
    engine->SetDeviceLoop(true);
    engine->SetDeviceActive(true);
    EXPECT_EQ(engine->Error().Name(), "WAV_ERROR_TIMEOUT");
    EXPECT_FALSE(engine->Device.Active);
    EXPECT_FALSE(engine->deviceOpen());
    EXPECT_FALSE(engine->dataLoaded());
    // The device's own level, given back on the way out, is logged as a plain number.
    const auto& lines = engine->log().Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "\tReset system volume := 100"), lines.end());
}

// A file too large for the memory there is ends the start with -7 and frees everything.
TEST_F(PlayEngine, DataThatFindsNoMemoryIsReportedAndLeavesNothingOpen) {
    if (!LargeAllocationsFail::usable())
        GTEST_SKIP() << "sanitizers manage memory of their own";
    const std::uint32_t size = 16 << 20;  // mostly a hole in the file
    writeBytes(dir / "big.wav", RiffImage()
                                    .chunk("fmt ", RiffImage::format(pcmFormat()))
                                    .claimedChunk("data", size, 16)
                                    .image());
    std::filesystem::resize_file(dir / "big.wav", size + 64);
    engine->SetSourceFileName((dir / "big.wav").string());
    ASSERT_TRUE(engine->Source.Valid) << engine->Error().Name();
    {
        const LargeAllocationsFail noMemory(8 << 20);
        engine->SetDeviceActive(true);
    }
    EXPECT_EQ(trace, (std::vector<std::string>{"OnError WAV_ERROR_NOMEMORY"}));
    EXPECT_FALSE(engine->Device.Active);
    EXPECT_FALSE(engine->deviceOpen());
    EXPECT_FALSE(engine->dataLoaded());
    // Nothing is held: a small file plays next.
    engine->SetSourceFileName(wave("a.wav", 1600));
    engine->SetDeviceActive(true);
    time.advance(200ms);
    EXPECT_EQ(samplesOf(played()), pattern(1600));
}

TEST_F(PlayEngine, AStartWhilePausedLoadsOnceAndPlaysWhenThePauseEnds) {
    engine->SetSourceFileName(wave("a.wav", 1600));
    engine->SetDevicePause(true);
    engine->SetDeviceActive(true);
    EXPECT_TRUE(engine->Device.Active);
    EXPECT_TRUE(engine->dataLoaded());
    EXPECT_FALSE(engine->deviceOpen());
    time.advance(1s);
    engine->SetDevicePause(false);
    EXPECT_TRUE(engine->deviceOpen());
    time.advance(50ms);
    engine->SetDevicePause(true);
    const LONG paused = engine->PositionByte();
    EXPECT_EQ(paused, 800);
    time.advance(1s);
    EXPECT_EQ(engine->PositionByte(), paused);
    engine->SetDevicePause(false);
    time.advance(100ms);
    EXPECT_EQ(trace, (std::vector<std::string>{"OnLoaded", "OnDone"}));
    EXPECT_EQ(samplesOf(played()), pattern(1600));
}

TEST_F(PlayEngine, VolumeIsTheSameOnBothChannelsAndGivenBackAtTheEnd) {
    const UINT id = static_cast<UINT>(engine->Device.ID);
    waveOutSetVolume(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(id)), 0x40004000);
    engine->SetSourceFileName(wave("a.wav", 1600));
    engine->SetVolumeDefault(false);
    engine->SetVolumePosition(101);
    EXPECT_EQ(engine->Error().Number(), WAV_ERROR_INVALIDVOLUME);
    EXPECT_EQ(engine->Volume.Position, 50);

    struct Case {
        LONG percent;
        DWORD volume;
    };
    for (const Case c : {Case{0, 0x00000000}, Case{50, 0x80008000}, Case{100, 0xFFFFFFFF}}) {
        SCOPED_TRACE(c.percent);
        engine->SetVolumePosition(c.percent);
        engine->SetDeviceActive(true);
        DWORD volume = 0;
        waveOutGetVolume(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(id)), &volume);
        EXPECT_EQ(volume, c.volume);
        time.advance(200ms);
        waveOutGetVolume(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(id)), &volume);
        EXPECT_EQ(volume, 0x40004000u) << "Reset gives the device its volume back";
    }
    // Default takes the device's own volume as the position.
    engine->SetVolumeDefault(true);
    engine->SetDeviceActive(true);
    EXPECT_EQ(engine->Volume.Position, 25);
    engine->SetDeviceActive(false);
}

TEST_F(PlayEngine, MaxSizeAsksWhetherToGoOn) {
    engine->SetSourceFileName(wave("a.wav", 4096));
    engine->SetSourceMaxSize(2);
    for (bool goOn : {false, true}) {
        SCOPED_TRACE(goOn);
        trace.clear();
        engine->OnWarning = [&](TlkPlayInternal& e, bool& Continue) {
            trace.push_back("OnWarning " + e.Error().Name());
            Continue = goOn;
        };
        engine->SetDeviceActive(true);
        EXPECT_EQ(engine->Device.Active, goOn);
        EXPECT_EQ(engine->deviceOpen(), goOn);
        time.advance(1s);
        if (goOn)
            EXPECT_EQ(trace, (std::vector<std::string>{"OnWarning WAV_ERROR_FILETOOBIG", "OnLoaded",
                                                       "OnDone"}));
        else
            EXPECT_EQ(trace, (std::vector<std::string>{"OnWarning WAV_ERROR_FILETOOBIG",
                                                       "OnError WAV_ERROR_CANCELED"}));
    }
    // Without a handler the warning box decides, and without the box the play is cancelled.
    engine->OnWarning = nullptr;
    engine->SetDeviceActive(true);
    EXPECT_EQ(engine->Error().Name(), "WAV_ERROR_CANCELED");
    ui::ScriptedDialogs dialogs;
    dialogs.answerMsgBox(ui::vbOK);
    engine->Popup.OnWarning = true;
    engine->SetDeviceActive(true);
    EXPECT_TRUE(engine->Device.Active);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, "Warning: WAV_ERROR_FILETOOBIG");
    EXPECT_EQ(dialogs.shown()[0].title, "Orvane Quillon - lkPlay");
    EXPECT_EQ(dialogs.shown()[0].flags, 49);
    engine->SetDeviceActive(false);
}

TEST_F(PlayEngine, AFormatTheDeviceRefusesLeavesNothingBehind) {
    WAVEFORMATEX ima{WAVE_FORMAT_IMA_ADPCM, 1, 8000, 4000, 1, 4, 0};
    engine->SetSourceFileName(broken(
        "ima.wav",
        RiffImage().chunk("fmt ", RiffImage::format(ima)).chunk("data", pattern(400)).image()));
    EXPECT_EQ(engine->Source.Format.ID(), wfIMAADPCM08000M04);
    engine->SetDeviceActive(true);
    EXPECT_EQ(engine->Error().Name(), "WAVERR_BADFORMAT");
    EXPECT_FALSE(engine->Device.Active);
    EXPECT_FALSE(engine->deviceOpen());
    EXPECT_FALSE(engine->dataLoaded());
    EXPECT_EQ(trace, (std::vector<std::string>{"OnLoaded", "OnError WAVERR_BADFORMAT"}));
}

TEST_F(PlayEngine, AZeroByteRateDividesNothing) {
    WAVEFORMATEX zero{WAVE_FORMAT_PCM, 1, 8000, 0, 2, 16, 0};
    engine->SetSourceFileName(broken(
        "z.wav",
        RiffImage().chunk("fmt ", RiffImage::format(zero)).chunk("data", pattern(400)).image()));
    EXPECT_EQ(engine->Source.Format.Seconds(), 0.0);
    EXPECT_EQ(engine->PositionSecond(), 0.0);
}

TEST_F(PlayEngine, DeviceSettersGuardTheirValues) {
    const LONG id = engine->Device.ID;
    engine->SetDeviceID(engine->Device.Count);
    EXPECT_EQ(engine->Error().Name(), "MMSYSERR_BADDEVICEID");
    EXPECT_EQ(engine->Device.ID, id);
    engine->SetDeviceName("no such device");
    EXPECT_EQ(engine->Error().Name(), "MMSYSERR_BADDEVICEID");
    engine->SetDeviceName("Null Output");
    EXPECT_EQ(engine->Device.ID, outputNamed("Null Output"));
    EXPECT_EQ(engine->DeviceList().at(static_cast<std::size_t>(engine->Device.ID)), "Null Output");
    engine->SetSourceFileName(wave("a.wav", 16000));
    engine->SetDeviceActive(true);
    engine->SetDeviceDelay(100);
    EXPECT_EQ(engine->Error().Name(), "WAV_ERROR_DEVICEACTIVE");
    EXPECT_EQ(engine->Device.Delay, 0);
    engine->SetDeviceActive(false);
}

// A control destroyed while it plays tells nobody and leaves the device free for the next.
TEST_F(PlayEngine, DestroyedWhilePlayingItLetsTheDeviceGo) {
    const LONG id = engine->Device.ID;
    const auto device = reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(id));
    waveOutSetVolume(device, 0x40004000);
    engine->SetVolumeDefault(false);
    engine->SetVolumePosition(100);
    engine->SetSourceFileName(wave("a.wav", 16000));
    engine->SetDeviceActive(true);
    time.advance(300ms);
    engine.reset();
    time.advance(2s);
    EXPECT_EQ(trace, (std::vector<std::string>{"OnLoaded"}));
    DWORD volume = 0;
    waveOutGetVolume(device, &volume);
    EXPECT_EQ(volume, 0x40004000u) << "the next player finds the device's own level";
    TlkPlayInternal next;
    next.SetDeviceID(id);
    next.SetSourceFileName((dir / "a.wav").string());
    next.SetDeviceActive(true);
    EXPECT_TRUE(next.deviceOpen()) << next.Error().Name();
    next.SetDeviceActive(false);
}

// A play from start to end as the log tells it, with every optional step switched on.
TEST_F(PlayEngine, APlayIsLoggedStepByStep) {
    engine->Vantage().SetDevEnv(deDelphi);  // the texts as written
    engine->log().SetCount(1000);
    engine->SetSourceFileName(wave("a.wav", 1600));
    engine->Popup.OnError = true;
    engine->Popup.OnTimer = true;
    engine->SetDeviceDelay(200);
    engine->SetTimerInterval(60);
    const std::size_t mark = engine->log().Lines().size();
    engine->SetDeviceActive(true);
    time.advance(400ms);
    const TlkStringList& lines = engine->log().Lines();
    EXPECT_EQ(
        std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(mark), lines.end()),
        (std::vector<std::string>{
            "Device.Active := True",
            "OnLoaded",
            "\tAllocate Window Handle",
            "\tStore system volume := 100",
            "Volume.Position := 100",
            "\tVolume.Position := System volume (100)",
            "Windows message \"MM_WOM_OPEN\"",
            "OnTimer",
            "\tVolume.Position = [100]",
            "\tPosition.Byte = [960]",
            "\tPosition.Percent = [60%]",
            "\tPosition.Second = [0.06]",
            "Windows message \"MM_WOM_DONE\"",
            "Device.Active = False",
            "\tReset system volume = [100]",
            "\tDelaying",
            "\t\t\tlkPlay.Device.Delay = 200 //nilliseconds",
            "\tComplete",
            "\tDeallocate Window Handle",
            "OnDone",
        }));
}

}  // namespace
