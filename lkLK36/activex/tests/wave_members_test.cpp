// The Play and Record controls' own members: where each stands in its interface with its kind and
// type, and the members a container calls, driven through IDispatch::Invoke with the engines on
// file devices in virtual time.
#include <gtest/gtest.h>

#include <chrono>

#include "lkLK36/activex/lkPlayImpl1.h"
#include "lkLK36/activex/lkRecordImpl1.h"
#include "lkLK36/activex/tests/control_test_support.h"
#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/tests/wave_engine_support.h"

namespace lkLK36::testing {
namespace {

using namespace std::chrono_literals;
using namespace wavetest;

// Typed from the interface descriptions, apart from the controls' own tables.
constexpr ExpectedMember kPlay[] = {
    {2, "StringWAVEERR", VT_BSTR, 'm'},
    {3, "PositionByte", VT_I4, 'r'},
    {4, "PositionPercent", VT_I4, 'r'},
    {5, "PositionSecond", VT_R4, 'r'},
    {6, "SourceValid", VT_BOOL, 'r'},
    {7, "SourceFormatAvgBytesPerSec", VT_I4, 'r'},
    {8, "SourceFormatBitsPerSample", VT_I4, 'r'},
    {9, "SourceFormatBlockAlign", VT_I4, 'r'},
    {10, "SourceFormatBytes", VT_I4, 'r'},
    {11, "SourceFormatChannels", VT_I4, 'r'},
    {12, "SourceFormatID", VT_I4, 'r'},
    {13, "SourceFormatName", VT_BSTR, 'r'},
    {14, "SourceFormatSamplesPerSec", VT_I4, 'r'},
    {15, "SourceFormatSeconds", VT_R4, 'r'},
    {16, "SourceFormatTag", VT_I4, 'r'},
    {17, "DeviceActive", VT_BOOL, 'n'},
    {18, "DeviceName", VT_BSTR, 'n'},
    {19, "DeviceCount", VT_I4, 'r'},
    {20, "DeviceList", VT_DISPATCH, 'r'},
    {21, "DeviceID", VT_I4, 'n'},
    {22, "DeviceDelay", VT_I4, 'w'},
    {23, "DeviceLoop", VT_BOOL, 'w'},
    {24, "DevicePause", VT_BOOL, 'n'},
    {25, "DeviceWait", VT_BOOL, 'w'},
    {26, "PopupOnDone", VT_BOOL, 'n'},
    {27, "PopupOnError", VT_BOOL, 'n'},
    {28, "PopupOnLoaded", VT_BOOL, 'n'},
    {29, "PopupOnLoop", VT_BOOL, 'n'},
    {30, "PopupOnTimer", VT_BOOL, 'n'},
    {31, "PopupOnWarning", VT_BOOL, 'n'},
    {32, "SourceFileName", VT_BSTR, 'w'},
    {33, "SourceMaxSize", VT_I4, 'w'},
    {34, "TimerEnabled", VT_BOOL, 'w'},
    {35, "TimerInterval", VT_UI4, 'w'},
    {36, "VolumeDefault", VT_BOOL, 'w'},
    {37, "VolumeEnabled", VT_BOOL, 'w'},
    {38, "VolumeReset", VT_BOOL, 'w'},
    {39, "VolumePosition", VT_I4, 'w'},
};

constexpr ExpectedMember kRecord[] = {
    {11, "DeviceActive", VT_BOOL, 'n'},
    {12, "DeviceBuffer", VT_I4, 'w'},
    {13, "DeviceCount", VT_I4, 'r'},
    {14, "DeviceDelay", VT_I4, 'w'},
    {15, "DeviceID", VT_I4, 'n'},
    {16, "DeviceList", VT_DISPATCH, 'r'},
    {17, "DeviceName", VT_BSTR, 'n'},
    {18, "DevicePause", VT_BOOL, 'r'},
    {19, "DeviceTrim", VT_I4, 'w'},
    {30, "PopupOnDone", VT_BOOL, 'n'},
    {31, "PopupOnError", VT_BOOL, 'n'},
    {32, "PopupOnWarning", VT_BOOL, 'n'},
    {33, "SourceFileName", VT_BSTR, 'w'},
    {34, "SourceFormatAvgBytesPerSec", VT_I4, 'w'},
    {35, "SourceFormatBitsPerSample", VT_I4, 'w'},
    {36, "SourceFormatBlockAlign", VT_I4, 'w'},
    {37, "SourceFormatBytes", VT_I4, 'w'},
    {38, "SourceFormatChannels", VT_I4, 'w'},
    {39, "SourceFormatID", VT_I4, 'w'},
    {40, "SourceFormatName", VT_BSTR, 'w'},
    {41, "SourceFormatSamplesPerSec", VT_I4, 'w'},
    {42, "SourceFormatTag", VT_I4, 'w'},
    {43, "SourceMaxSize", VT_I4, 'w'},
    {44, "SourceValid", VT_BOOL, 'r'},
    {45, "StringWAVEERR", VT_BSTR, 'm'},
};

TEST(WaveTables, PlayHoldsItsThirtyEightMembersWithTheirKindsAndTypes) {
    checkOwnMembers(TlkPlay::typeTable(), kPlay);
}

TEST(WaveTables, RecordHoldsItsTwentyFiveMembersWithTheirKindsAndTypes) {
    checkOwnMembers(TlkRecord::typeTable(), kRecord);
}

// A control over file devices: the Play plays into a file, the Record hears a known pattern.
class WaveControls : public ::testing::Test {
  protected:
    WaveControls() {
        writeWave(dir / "heard.wav", {WAVE_FORMAT_PCM, 1, 8000, 16}, pattern(80000));
        winmm::configureStandardWaveDevices("file-in=" + (dir / "heard.wav").string() +
                                            ",file-out=" + (dir / "played.wav").string());
    }
    ~WaveControls() override { winmm::configureStandardWaveDevices("null"); }

    template <typename Control>
    com::Ptr<RecordingSink> connect(const com::Ptr<Control>& control, REFIID events) {
        auto sink = com::make<RecordingSink>(events);
        DWORD cookie = 0;
        EXPECT_EQ(com::connectSink(dispatchOf(control), events, sink.get(), &cookie), S_OK);
        return sink;
    }

    core::VirtualTime time;
    OwnProgramFolder folder;
    TempDir dir;
};

// The call-back recorder's own sequence, as the container runs it.
TEST_F(WaveControls, TheContainersRecordingSequenceWorksThroughInvoke) {
    com::Ptr<TlkRecord> control = com::make<TlkRecord>();
    const auto sink = connect(control, DIID_IlkRecordEvents);
    const com::Dispatch record(com::Ptr<IDispatch>(dispatchOf(control)));
    const std::string file = (dir / "1.wav").string();

    EXPECT_EQ(record.put(DISPID{15}, inputNamed("File Input heard.wav")), S_OK);
    EXPECT_EQ(record.put(DISPID{39}, LONG{18}), S_OK);
    EXPECT_EQ(record.put(DISPID{33}, file), S_OK);
    EXPECT_EQ(record.get(DISPID{44}).value.raw().boolVal, VARIANT_TRUE);
    EXPECT_EQ(record.put(DISPID{11}, true), S_OK);
    EXPECT_EQ(record.get(DISPID{11}).value.raw().boolVal, VARIANT_TRUE);
    time.advance(2s);
    EXPECT_EQ(record.put(DISPID{11}, false), S_OK);
    EXPECT_EQ(record.get(DISPID{11}).value.raw().boolVal, VARIANT_FALSE);

    EXPECT_EQ(sink->dispids(), std::vector<DISPID>{1});
    EXPECT_EQ(record.get(DISPID{40}).value.toString(), "uLaw 8,000 Hz, 8-bit, Mono");
    EXPECT_EQ(record.get(DISPID{35}).value.toInt32(), 8);
    EXPECT_EQ(record.get(DISPID{24}).value.toInt32(), 0);
    const auto bytes = readBytes(file);
    ASSERT_EQ(bytes.size(), 46u + 16000u);
    EXPECT_EQ(bytes[20], WAVE_FORMAT_MULAW);

    // Enabled answers at 22 on this interface.
    EXPECT_EQ(record.get(DISPID{22}).value.raw().boolVal, VARIANT_TRUE);
    // A preset past the table is refused, the current one kept; so is a put of the name.
    for (LONG bad : {LONG{24}, LONG{-1}}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(SUCCEEDED(record.put(DISPID{39}, bad)));
        EXPECT_EQ(record.get(DISPID{39}).value.toInt32(), 18);
    }
    EXPECT_EQ(record.put(DISPID{40}, std::string("anything")), S_OK);
    EXPECT_EQ(record.get(DISPID{40}).value.toString(), "uLaw 8,000 Hz, 8-bit, Mono");
    EXPECT_EQ(record.call(DISPID{45}, LONG{-18}).value.toString(), "WAV_ERROR_TIMEOUT");
}

TEST_F(WaveControls, AFailedRecordingStartReachesTheContainerAsOnError) {
    com::Ptr<TlkRecord> control = com::make<TlkRecord>();
    const auto sink = connect(control, DIID_IlkRecordEvents);
    const com::Dispatch record(com::Ptr<IDispatch>(dispatchOf(control)));
    record.put(DISPID{33}, (dir / "nowhere" / "1.wav").string());
    EXPECT_EQ(record.get(DISPID{44}).value.raw().boolVal, VARIANT_FALSE);
    record.put(DISPID{11}, true);
    EXPECT_EQ(record.get(DISPID{11}).value.raw().boolVal, VARIANT_FALSE);
    EXPECT_EQ(record.get(DISPID{24}).value.toInt32(), WAV_ERROR_DIRNOTFOUND);
    EXPECT_EQ(record.get(DISPID{25}).value.toString(), "WAV_ERROR_DIRNOTFOUND");
    EXPECT_EQ(sink->dispids(), std::vector<DISPID>{2});
}

TEST_F(WaveControls, PlayEventsReachTheSinkAndItsAnswerToAWarningCounts) {
    com::Ptr<TlkPlay> control = com::make<TlkPlay>();
    const auto sink = connect(control, DIID_IlkPlayEvents);
    const com::Dispatch play(com::Ptr<IDispatch>(dispatchOf(control)));
    writeWave(dir / "a.wav", {WAVE_FORMAT_PCM, 1, 8000, 16}, pattern(8000));
    play.put(DISPID{21}, outputNamed("File Output played.wav"));
    play.put(DISPID{32}, (dir / "a.wav").string());
    EXPECT_EQ(play.get(DISPID{12}).value.toInt32(), wfPCM08000M16);
    EXPECT_FLOAT_EQ(play.get(DISPID{15}).value.raw().fltVal, 0.5f);
    EXPECT_FALSE(SUCCEEDED(play.put(DISPID{12}, LONG{4}))) << "read-only on this control";

    EXPECT_EQ(play.put(DISPID{35}, ULONG{250}), S_OK);
    EXPECT_EQ(play.get(DISPID{35}).value.raw().vt, VT_UI4);
    EXPECT_EQ(play.get(DISPID{35}).value.raw().ulVal, 250u);

    play.put(DISPID{17}, true);
    time.advance(300ms);
    EXPECT_EQ(play.get(DISPID{5}).value.raw().vt, VT_R4);
    EXPECT_FLOAT_EQ(play.get(DISPID{5}).value.raw().fltVal, 0.3f);
    time.advance(300ms);
    // Loaded, a tick every 250 ms while playing (the second as the end falls due), done.
    EXPECT_EQ(sink->dispids(), (std::vector<DISPID>{3, 5, 5, 1}));

    // The container's answer to the warning decides; 1 is as true as -1.
    play.put(DISPID{33}, LONG{1});
    for (auto [answer, plays] : {std::pair{VARIANT_BOOL{0}, false}, {VARIANT_BOOL{1}, true}}) {
        SCOPED_TRACE(answer);
        sink->seen.clear();
        sink->during = [answer = answer](DISPID dispid, DISPPARAMS& params) {
            if (dispid == 6)
                *params.rgvarg[0].pboolVal = answer;
        };
        play.put(DISPID{17}, true);
        EXPECT_EQ(play.get(DISPID{17}).value.raw().boolVal, toVariantBool(plays));
        EXPECT_EQ(sink->dispids().front(), 6);
        play.put(DISPID{17}, false);
    }
}

}  // namespace
}  // namespace lkLK36::testing
