#include "lkLK36/engines/lkWaveFormat.h"

#include <gtest/gtest.h>

#include <set>

#include "lkLK36/engines/tests/engine_test_support.h"
#include "lkLK36/engines/tests/wave_engine_support.h"

namespace {

// Each row stands on its own: the enumerator's name and the numbers follow from the name, so a
// slip in one of the 24 x 9 values shows.
TEST(WaveFormatPresets, EveryRowAgreesWithItsName) {
    std::set<std::string_view> ids, names;
    for (int value = 1; value < kWaveFormatCount; ++value) {
        const TlkWaveFormatPreset& preset = TxWAVFORMATS[static_cast<std::size_t>(value)];
        SCOPED_TRACE(std::string(preset.ID));
        ids.insert(preset.ID);
        names.insert(preset.Name);
        const TlkFormatNumbers& n = preset.numbers;
        // wfPCM08000M16: coding, five-digit rate, M or S, two-digit bits.
        const std::string_view id = preset.ID;
        const std::size_t digits = id.find_first_of("0123456789");
        const std::string_view coding = id.substr(2, digits - 2);
        EXPECT_EQ(n.SamplesPerSec, std::stoul(std::string(id.substr(digits, 5))));
        EXPECT_EQ(n.Channels, id[digits + 5] == 'S' ? 2u : 1u);
        EXPECT_EQ(n.BitsPerSample, std::stoul(std::string(id.substr(digits + 6))));
        const std::string rate = FormatCount(n.SamplesPerSec);
        const std::string expectedName = std::string(coding == "IMAADPCM" ? "IMA_ADPCM" : coding) +
                                         " " + rate + " Hz, " + std::to_string(n.BitsPerSample) +
                                         "-bit, " + (n.Channels == 2 ? "Stereo" : "Mono");
        EXPECT_EQ(preset.Name, expectedName);
        if (coding == "PCM" || coding == "uLaw") {
            EXPECT_EQ(n.Tag, coding == "PCM" ? 1u : 7u);
            EXPECT_EQ(n.BlockAlign, n.Channels * n.BitsPerSample / 8);
            EXPECT_EQ(n.AvgBytesPerSec, n.SamplesPerSec * n.BlockAlign);
        } else {
            EXPECT_EQ(n.Tag, coding == "ADPCM" ? 23u : 17u);
            EXPECT_EQ(n.BlockAlign, 1u);
            EXPECT_EQ(n.AvgBytesPerSec, n.SamplesPerSec / 2);
        }
        EXPECT_EQ(MatchPresetOf(n), value) << "each preset matches itself first";
    }
    EXPECT_EQ(ids.size(), 23u);
    EXPECT_EQ(names.size(), 23u);
    EXPECT_EQ(TxWAVFORMATS[wfUnknown].ID, "wfUnknown");
    EXPECT_EQ(TxWAVFORMATS[wfUnknown].Name, "Unknown");
    EXPECT_EQ(TxWAVFORMATS[wfUnknown].numbers, TlkFormatNumbers{});
    EXPECT_EQ(TxWAVFORMATS[wfIMAADPCM08000M04].ID, "wfIMAADPCM08000M04");
}

TEST(WaveFormatPresets, LogTextsFollowTheirPatterns) {
    EXPECT_EQ(FormatCount(0), "0");
    EXPECT_EQ(FormatCount(999), "999");
    EXPECT_EQ(FormatCount(16000), "16,000");
    EXPECT_EQ(FormatCount(1234567890), "1,234,567,890");
    EXPECT_EQ(FormatSeconds(0), "0.0");
    EXPECT_EQ(FormatSeconds(1.5), "1.5");
    EXPECT_EQ(FormatSeconds(2.25), "2.25");
    EXPECT_EQ(FormatSeconds(2.999), "3.0");
    EXPECT_EQ(FormatSeconds(1024), "1,024.0");
}

// The Record group as the host and the monitor window change it, one step after the other.
TEST(RecordFormatGroup, FollowsTheNumbersToAPresetAndBack) {
    OwnProgramFolder folder;
    TestControl control(lkKindRecord);
    TlkFormat format(&control);
    ASSERT_EQ(format.ID(), wfPCM08000M16);
    ASSERT_EQ(format.Name(), "PCM 8,000 Hz, 16-bit, Mono");

    struct Step {
        const char* what;
        void (*act)(TlkFormat&);
        TWAVFORMATS id;
        TlkFormatNumbers numbers;
        std::vector<std::string> log;
    };
    const Step steps[] = {
        {"stereo matches nothing: the rest stays as set",
         [](TlkFormat& f) { f.SetChannels(2); },
         wfUnknown,
         {1, 2, 8000, 16000, 2, 16},
         {"SourceFormatChannels = 2", "SourceFormatID = wfUnknown (0)"}},
        {"the byte rate alone still matches nothing",
         [](TlkFormat& f) { f.SetAvgBytesPerSec(32000); },
         wfUnknown,
         {1, 2, 8000, 32000, 2, 16},
         {"SourceFormatAvgBytesPerSec = 32000"}},
        {"the block align completes preset 4",
         [](TlkFormat& f) { f.SetBlockAlign(4); },
         wfPCM08000S16,
         {1, 2, 8000, 32000, 4, 16},
         {"SourceFormatBlockAlign = 4", "SourceFormatID = wfPCM08000S16 (4)"}},
        {"the same preset again logs nothing",
         [](TlkFormat& f) { f.SetID(wfPCM08000S16); },
         wfPCM08000S16,
         {1, 2, 8000, 32000, 4, 16},
         {}},
        {"Unknown keeps the numbers",
         [](TlkFormat& f) { f.SetID(wfUnknown); },
         wfUnknown,
         {1, 2, 8000, 32000, 4, 16},
         {"SourceFormatID = wfUnknown (0)"}},
        {"a preset copies its numbers",
         [](TlkFormat& f) { f.SetID(wfuLaw08000M08); },
         wfuLaw08000M08,
         {7, 1, 8000, 8000, 1, 8},
         {"SourceFormatID = wfuLaw08000M08 (18)"}},
        {"a value past the table changes nothing",
         [](TlkFormat& f) { f.SetID(24); },
         wfuLaw08000M08,
         {7, 1, 8000, 8000, 1, 8},
         {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const std::size_t before = control.log().Lines().size();
        step.act(format);
        EXPECT_EQ(format.ID(), step.id);
        EXPECT_EQ(format.Name(), TxWAVFORMATS[step.id].Name);
        EXPECT_EQ(format.numbers(), step.numbers);
        EXPECT_EQ(wavetest::lastLines(control, control.log().Lines().size() - before), step.log);
    }
}

TEST(RecordFormatGroup, SecondsNeverDivideByZero) {
    OwnProgramFolder folder;
    TestControl control(lkKindRecord);
    TlkFormat format(&control);
    EXPECT_EQ(format.Seconds(), 0.0);
    format.setBytes(16000);
    EXPECT_EQ(format.Seconds(), 1.0);
    format.SetAvgBytesPerSec(0);
    EXPECT_EQ(format.Seconds(), 0.0);
}

}  // namespace
