#include "lkLK36/engines/lkRecord.h"

#include "lkLK36/engines/lkPlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include <sys/resource.h>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/tests/wave_engine_support.h"
#include "platform/core/virtual_time.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "platform/winmm/wave_format.h"

using namespace std::chrono_literals;
using namespace wavetest;

namespace {

const winmm::SampleFormat kPcm8k16{WAVE_FORMAT_PCM, 1, 8000, 16};
constexpr std::size_t kSourceBytes = 160000;  // 10 s at 8 kHz, 16-bit mono

std::uint32_t word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// What soxi says of a file: rate, channels and samples.
std::string soxi(const std::filesystem::path& file) {
    const std::string command = "soxi -r '" + file.string() + "' && soxi -c '" + file.string() +
                                "' && soxi -s '" + file.string() + "'";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char line[128];
        while (fgets(line, sizeof line, pipe))
            out += line;
        pclose(pipe);
    }
    return out;
}

// A Record engine on a file-in device that "hears" a known pattern, in virtual time, with its
// events in one trace.
class RecordEngine : public ::testing::Test {
  protected:
    RecordEngine() {
        writeWave(dir / "heard.wav", kPcm8k16, pattern(kSourceBytes));
        winmm::configureStandardWaveDevices("file-in=" + (dir / "heard.wav").string() +
                                            ",file-out=" + (dir / "played.wav").string());
        engine = std::make_unique<TlkRecordInternal>();
        engine->SetDeviceID(inputNamed("File Input heard.wav"));
        engine->SetSourceFileName(file().string());
        engine->OnDone = [this](TlkRecordInternal&) { trace.push_back("OnDone"); };
        engine->OnError = [this] { trace.push_back("OnError " + engine->Error().Name()); };
    }
    ~RecordEngine() override {
        engine.reset();
        winmm::configureStandardWaveDevices("null");
    }

    std::filesystem::path file() const { return dir / "call.wav"; }
    std::vector<std::uint8_t> heard(std::size_t from, std::size_t bytes) const {
        const auto all = pattern(kSourceBytes);
        return {all.begin() + static_cast<std::ptrdiff_t>(from),
                all.begin() + static_cast<std::ptrdiff_t>(from + bytes)};
    }
    void record(std::chrono::milliseconds length) {
        engine->SetDeviceActive(true);
        time.advance(length);
        engine->SetDeviceActive(false);
    }

    core::VirtualTime time;
    OwnProgramFolder folder;
    TempDir dir;
    std::unique_ptr<TlkRecordInternal> engine;
    std::vector<std::string> trace;
};

TEST_F(RecordEngine, WritesWhatItHeardAfterAFortySixByteHeader) {
    record(3500ms);  // three full buffers and half of a fourth
    EXPECT_FALSE(engine->Device.Active);
    EXPECT_FALSE(engine->deviceOpen());
    EXPECT_EQ(engine->bufferCount(), 0u);
    EXPECT_EQ(trace, (std::vector<std::string>{"OnDone"}));
    EXPECT_EQ(engine->Source.Format.Bytes(), 56000);
    EXPECT_DOUBLE_EQ(engine->Source.Format.Seconds(), 3.5);

    const auto bytes = readBytes(file());
    ASSERT_EQ(bytes.size(), 46u + 56000u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(word(bytes, 4), 56000u + 38u);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(word(bytes, 16), 18u);
    const WAVEFORMATEX expected{WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
    EXPECT_EQ(std::memcmp(bytes.data() + 20, &expected, sizeof expected), 0);
    EXPECT_EQ(std::string(bytes.begin() + 38, bytes.begin() + 42), "data");
    EXPECT_EQ(word(bytes, 42), 56000u);
    EXPECT_TRUE(std::equal(bytes.begin() + 46, bytes.end(), heard(0, 56000).begin()));
    EXPECT_EQ(soxi(file()), "8000\n1\n28000\n");
}

TEST_F(RecordEngine, OneBufferHoldsDeviceBufferMilliseconds) {
    struct Case {
        TWAVFORMATS preset;
        LONG buffer;
        DWORD bytes;
    };
    for (const Case c : {Case{wfPCM08000M16, 1000, 16000}, Case{wfPCM08000S16, 1000, 32000},
                         Case{wfPCM11025M08, 100, 1102}, Case{wfuLaw08000M08, 250, 2000}}) {
        SCOPED_TRACE(TxWAVFORMATS[c.preset].ID);
        engine->Source.Format.SetID(c.preset);
        engine->SetDeviceBuffer(c.buffer);
        engine->SetDeviceActive(true);
        EXPECT_EQ(engine->bufferSize(), c.bytes);
        engine->SetDeviceActive(false);
    }
}

TEST_F(RecordEngine, AMuLawRecordingIsTheHeardSoundCompanded) {
    engine->Source.Format.SetID(wfuLaw08000M08);
    record(1s);
    const auto bytes = readBytes(file());
    ASSERT_EQ(bytes.size(), 46u + 8000u);
    EXPECT_EQ(bytes[20], WAVE_FORMAT_MULAW);
    const auto pcm = heard(0, 16000);
    for (std::size_t i = 0; i < 8000; ++i) {
        const auto sample = static_cast<std::int16_t>(pcm[2 * i] | pcm[2 * i + 1] << 8);
        ASSERT_EQ(bytes[46 + i], winmm::linearToMulaw(sample)) << i;
    }
    EXPECT_EQ(soxi(file()), "8000\n1\n8000\n");
}

TEST_F(RecordEngine, TrimCutsTheEndInWholeFrames) {
    struct Case {
        LONG trim;
        std::size_t data;  // bytes written
        std::uint32_t declared;
    };
    for (const Case c : {Case{500, 24000, 24000}, Case{0, 32000, 32000}, Case{5000, 1, 1}}) {
        SCOPED_TRACE(c.trim);
        engine->SetDeviceTrim(c.trim);
        record(2s);
        const auto bytes = readBytes(file());
        ASSERT_EQ(bytes.size(), 46u + c.data);
        EXPECT_EQ(word(bytes, 4), c.declared + 38u);
        EXPECT_EQ(word(bytes, 42), c.declared);
        if (c.declared > 1)
            EXPECT_TRUE(std::equal(bytes.begin() + 46, bytes.end(), heard(0, c.data).begin()));
        else
            EXPECT_EQ(bytes[46], 0) << "the one declared byte is silence";
    }
    // A trim of 7 ms at 16,000 bytes a second is 112 bytes: whole frames of 2 bytes.
    engine->SetDeviceTrim(7);
    record(1s);
    EXPECT_EQ(readBytes(file()).size(), 46u + 16000u - 112u);
}

TEST_F(RecordEngine, MaxSizeWarnsOnceOrCancelsKeepingTheFirstBuffer) {
    engine->SetSourceMaxSize(1);
    struct Case {
        const char* what;
        int handler;  // 0 none, 1 continues, 2 cancels
        std::vector<std::string> trace;
        std::size_t saved;
    };
    const Case cases[] = {
        {"no handler, no box", 0, {"OnError WAV_ERROR_CANCELED", "OnDone"}, 16000},
        {"a handler that goes on", 1, {"OnWarning WAV_ERROR_FILETOOBIG", "OnDone"}, 48000},
        {"a handler that cancels",
         2,
         {"OnWarning WAV_ERROR_FILETOOBIG", "OnError WAV_ERROR_CANCELED", "OnDone"},
         16000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        trace.clear();
        engine->OnWarning = nullptr;
        if (c.handler) {
            engine->OnWarning = [this, goOn = c.handler == 1](TlkRecordInternal& e,
                                                              bool& Continue) {
                trace.push_back("OnWarning " + e.Error().Name());
                Continue = goOn;
            };
        }
        engine->SetDeviceActive(true);
        time.advance(3s);
        if (engine->Device.Active)
            engine->SetDeviceActive(false);
        EXPECT_EQ(trace, c.trace);
        EXPECT_EQ(readBytes(file()).size(), 46u + c.saved);
        EXPECT_FALSE(engine->deviceOpen());
    }
}

TEST_F(RecordEngine, SettersGuardTheirValues) {
    struct Case {
        LONG buffer;
        const char* error;
        LONG kept;
    };
    for (const Case c : {Case{99, "WAV_ERROR_INVALIDBUFSIZE", 1000}, Case{100, "", 100},
                         Case{60000, "", 60000}, Case{60001, "WAV_ERROR_INVALIDBUFSIZE", 60000}}) {
        SCOPED_TRACE(c.buffer);
        engine->SetDeviceBuffer(c.buffer);
        EXPECT_EQ(engine->Error().Name(), c.error);
        EXPECT_EQ(engine->Device.Buffer, c.kept);
    }
    engine->SetDeviceBuffer(1000);
    engine->SetDeviceActive(true);
    engine->SetDeviceBuffer(500);
    EXPECT_EQ(engine->Error().Name(), "WAV_ERROR_DEVICEACTIVE");
    engine->SetDeviceDelay(500);
    EXPECT_EQ(engine->Error().Name(), "WAV_ERROR_DEVICEACTIVE");
    engine->SetDeviceTrim(500);
    EXPECT_EQ(engine->Error().Name(), "WAV_ERROR_DEVICEACTIVE");
    EXPECT_EQ(engine->Device.Buffer, 1000);
    engine->SetDeviceActive(false);

    const LONG id = engine->Device.ID;
    engine->SetDeviceID(engine->Device.Count);
    EXPECT_EQ(engine->Error().Name(), "MMSYSERR_BADDEVICEID");
    EXPECT_EQ(engine->Device.ID, id);
    engine->SetDevicePause(true);
    EXPECT_EQ(engine->Error().Name(), "WAV_ERROR_DEVICEINACTIVE");

    // The folder must be named and exist: a bare name would land wherever the process runs.
    for (const std::string& name :
         {(dir / "nowhere" / "call.wav").string(), std::string("call.wav")}) {
        SCOPED_TRACE(name);
        engine->SetSourceFileName(name);
        EXPECT_FALSE(engine->Source.Valid);
        engine->SetDeviceActive(true);
        EXPECT_EQ(engine->Error().Name(), "WAV_ERROR_DIRNOTFOUND");
        EXPECT_FALSE(engine->Device.Active);
    }

    // A name without extension is saved with ".wav".
    engine->SetSourceFileName((dir / "call").string());
    EXPECT_TRUE(engine->Source.Valid);
    record(1s);
    EXPECT_EQ(readBytes(dir / "call.wav").size(), 46u + 16000u);
}

TEST_F(RecordEngine, AFormatTheDeviceRefusesLeavesNothingOpen) {
    engine->Source.Format.SetID(wfIMAADPCM08000M04);
    engine->SetDeviceActive(true);
    EXPECT_EQ(engine->Error().Name(), "WAVERR_BADFORMAT");
    EXPECT_FALSE(engine->Device.Active);
    EXPECT_FALSE(engine->deviceOpen());
    EXPECT_EQ(engine->bufferCount(), 0u);
    EXPECT_EQ(trace, (std::vector<std::string>{"OnError WAVERR_BADFORMAT"}));
    // The next start is a new recording that works.
    engine->Source.Format.SetID(wfPCM08000M16);
    record(1s);
    EXPECT_EQ(readBytes(file()).size(), 46u + 16000u);
}

TEST_F(RecordEngine, PauseKeepsEveryBufferOnceInOrder) {
    engine->SetDeviceActive(true);
    time.advance(1500ms);
    const std::int64_t before = core::tickCount64();
    engine->SetDevicePause(true);
    EXPECT_LT(core::tickCount64() - before, 100) << "a pause waits for no time-out";
    EXPECT_EQ(engine->Error().Number(), 0);
    EXPECT_EQ(engine->Source.Format.Bytes(), 24000);
    time.advance(2s);  // not recorded
    engine->SetDevicePause(false);
    EXPECT_FALSE(engine->Device.Pause);
    time.advance(1s);
    engine->SetDevicePause(true);
    time.advance(1s);
    engine->SetDeviceActive(false);  // stopped while paused
    EXPECT_FALSE(engine->deviceOpen());
    EXPECT_EQ(trace, (std::vector<std::string>{"OnDone"}));
    const auto bytes = readBytes(file());
    ASSERT_EQ(bytes.size(), 46u + 40000u);
    // The device keeps what it heard while no buffer was queued, so the sound runs on unbroken.
    EXPECT_TRUE(std::equal(bytes.begin() + 46, bytes.end(), heard(0, 40000).begin()));
}

// A save that fails, as on a full disk, is an error and leaves the file it would replace whole.
TEST_F(RecordEngine, AFailedSaveIsAnErrorAndKeepsTheFileBefore) {
    const std::vector<std::uint8_t> before(600, 0x5A);
    writeBytes(file(), before);
    engine->SetDeviceActive(true);
    time.advance(1s);
    {
        // No file may grow past 4 KiB: the write fails as it does when the disk is full.
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit cap = old;
        cap.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &cap);
        engine->SetDeviceActive(false);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
    EXPECT_EQ(trace, (std::vector<std::string>{"OnError WAV_ERROR_FILEWRITE", "OnDone"}));
    EXPECT_EQ(readBytes(file()), before);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"call.wav", "heard.wav"})) << "no copy is left";
}

// A buffer that finds no memory, at the start or later, is reported as -7; a start gives the device
// back, a recording under way ends in order and keeps what it has.
TEST_F(RecordEngine, ABufferThatFindsNoMemoryIsReported) {
    if (!LargeAllocationsFail::usable())
        GTEST_SKIP() << "sanitizers manage memory of their own";
    engine->Source.Format.SetID(wfPCM44100S16);
    engine->SetDeviceBuffer(60000);  // 10 MiB a buffer
    struct Case {
        const char* when;
        std::chrono::milliseconds before;  // recorded before memory runs out
        std::vector<std::string> trace;
        std::size_t saved;  // bytes of sound in the file, or 0 for none
    };
    const Case cases[] = {
        {"at the start", 0ms, {"OnError WAV_ERROR_NOMEMORY"}, 0},
        {"when a buffer comes back", 60s, {"OnError WAV_ERROR_NOMEMORY", "OnDone"}, 10584000},
    };
    std::optional<LargeAllocationsFail> noMemory;
    engine->OnError = [&] {
        noMemory.reset();  // memory is back: the file can be saved
        trace.push_back("OnError " + engine->Error().Name());
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        std::filesystem::remove(file());
        trace.clear();
        if (c.before > 0ms) {
            engine->SetDeviceActive(true);
            ASSERT_TRUE(engine->deviceOpen());
            noMemory.emplace(8 << 20);
            time.advance(c.before + 100ms);
        } else {
            noMemory.emplace(8 << 20);
            engine->SetDeviceActive(true);
        }
        noMemory.reset();
        EXPECT_EQ(trace, c.trace);
        EXPECT_FALSE(engine->Device.Active);
        EXPECT_FALSE(engine->deviceOpen());
        EXPECT_EQ(engine->bufferCount(), 0u);
        if (c.saved)
            EXPECT_EQ(readBytes(file()).size(), 46u + c.saved);
        else
            EXPECT_FALSE(std::filesystem::exists(file()));
    }
}

TEST_F(RecordEngine, WarningBoxAnswersForAHostWithoutHandler) {
    ui::ScriptedDialogs dialogs;
    dialogs.answerMsgBox(ui::vbCancel);
    engine->Popup.OnWarning = true;
    EXPECT_FALSE(engine->FillErrorStrings(true, WAV_ERROR_FILETOOBIG));
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, "Warning: WAV_ERROR_FILETOOBIG");
    EXPECT_EQ(dialogs.shown()[0].title, "Orvane Quillon - lkRecord");
    EXPECT_EQ(engine->log().Lines().back(), "<< Warning >> WAV_ERROR_FILETOOBIG [FFFFFFF5]");
}

// What one control recorded, the other plays back as it was heard.
TEST_F(RecordEngine, ARecordingPlaysBackAsItWasHeard) {
    engine->Source.Format.SetID(wfPCM08000S16);  // the mapper makes stereo of the mono source
    record(1500ms);
    TlkPlayInternal player;
    player.SetDeviceID(outputNamed("File Output played.wav"));
    player.SetSourceFileName(file().string());
    EXPECT_EQ(player.Source.Format.ID(), wfPCM08000S16);
    EXPECT_EQ(player.Source.Format.Bytes(), 48000);
    player.SetDeviceActive(true);
    time.advance(2s);
    EXPECT_FALSE(player.Device.Active);

    winmm::WaveData played;
    ASSERT_EQ(winmm::readWaveFile(dir / "played.wav", played), MMSYSERR_NOERROR);
    EXPECT_EQ(played.format, (winmm::SampleFormat{WAVE_FORMAT_PCM, 2, 8000, 16}));
    const auto mono = heard(0, 24000);
    ASSERT_EQ(played.samples.size(), 48000u);
    for (std::size_t frame = 0; frame < 12000; ++frame) {
        for (std::size_t channel = 0; channel < 2; ++channel) {
            ASSERT_EQ(played.samples[frame * 4 + channel * 2], mono[frame * 2]) << frame;
            ASSERT_EQ(played.samples[frame * 4 + channel * 2 + 1], mono[frame * 2 + 1]) << frame;
        }
    }
}

// A control destroyed while it records writes no file and tells nobody.
TEST_F(RecordEngine, DestroyedWhileRecordingItSavesNothing) {
    engine->SetDeviceActive(true);
    time.advance(1500ms);
    engine.reset();
    time.advance(2s);
    EXPECT_TRUE(trace.empty());
    EXPECT_FALSE(std::filesystem::exists(file()));
}

// The stop sequence as the log tells it, with every optional step switched on.
TEST_F(RecordEngine, TheStopSequenceIsLoggedStepByStep) {
    engine->Vantage().SetDevEnv(deDelphi);  // the texts as written
    engine->log().SetCount(1000);
    engine->Popup.OnError = true;
    engine->SetDeviceDelay(200);
    engine->SetDeviceTrim(100);
    engine->SetDeviceActive(true);
    time.advance(1500ms);
    const std::size_t mark = engine->log().Lines().size();
    engine->SetDeviceActive(false);
    const TlkStringList& lines = engine->log().Lines();
    EXPECT_EQ(
        std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(mark), lines.end()),
        (std::vector<std::string>{
            "Device.Active := False",
            "Windows message \"MM_WIM_DATA\"",
            "\tReleasing wave device",
            "\t\tDelaying",
            "\t\t\tlkRecord.Device.Delay = 200 //nilliseconds",
            "\t\t\tComplete",
            "Windows message \"MM_WIM_CLOSE\"",
            "\tDeallocate Window Handle",
            "\tSaving file",
            "\t\tTriming",
            "\t\t\tlkRecord.Device.Trim = 100 //nilliseconds",
            "\tFree memory",
            "OnDone",
        }));
    EXPECT_EQ(readBytes(file()).size(), 46u + 24000u - 1600u);
}

}  // namespace
