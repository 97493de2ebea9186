#include "lkLK36/engines/lkLKShare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/testing/recording_vantage_form.h"
#include "lkLK36/engines/tests/engine_test_support.h"
#include "platform/core/virtual_time.h"
#include "platform/shell/testing/recorded_starts.h"
#include "platform/tapi/tapi.h"
#include "platform/ui/testing/scripted_dialogs.h"

namespace {

using Lines = std::vector<std::string>;

Lines linesOf(const TlkLog& log) {
    return Lines(log.Lines().begin(), log.Lines().end());
}

class SharedControl : public ::testing::Test {
  protected:
    // Adds plain lines "1" .. "n" (texts no syntax changes).
    void addLines(int n) {
        for (int i = 1; i <= n; ++i)
            log().Add(1, std::to_string(i));
    }
    TlkLog& log() { return control.log(); }

    OwnProgramFolder folder;
    TestControl control;
};

TEST_F(SharedControl, LogStartsWithTheTwoLinesOfInitCtrlUnconverted) {
    // In the default Visual Basic syntax "Quillonv3.60" would lose its dot; InitCtrl bypasses it.
    EXPECT_EQ(linesOf(log()), (Lines{"Quillonv3.60", "Create lkLine"}));
    EXPECT_EQ(control.kind(), lkKindLine);
    EXPECT_EQ(control.Vantage().DevEnv(), deVisualBasic);
    EXPECT_TRUE(log().Active());
    EXPECT_EQ(log().Count(), 50);
    EXPECT_FALSE(log().TimeStamp());
    EXPECT_EQ(control.Error().Number(), 0);
}

TEST_F(SharedControl, LogCountKeepsTheNewestLines) {
    struct Case {
        LONG count;
        std::size_t size;
        Lines newest;
    };
    const Case cases[] = {
        {0, 10, {"8", "9", "10"}},   // ignored, and nothing logged
        {-1, 10, {"8", "9", "10"}},  // likewise
        {3, 3, {"9", "10", "LogCount = 3 'Lines"}},
        {60, 11, {"9", "10", "LogCount = 60 'Lines"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        log().setLines({});
        addLines(10);
        log().SetCount(c.count);
        const Lines lines = linesOf(log());
        ASSERT_EQ(lines.size(), c.size);
        EXPECT_EQ(Lines(lines.end() - 3, lines.end()), c.newest);
        EXPECT_EQ(log().Count(), c.count > 0 ? c.count : 50);
        log().SetCount(50);
    }
}

TEST_F(SharedControl, LogOfOneLineKeepsOnlyTheLast) {
    log().SetCount(1);
    addLines(3);
    EXPECT_EQ(linesOf(log()), Lines{"3"});
}

TEST_F(SharedControl, LogSwitchedOffIsEmptyAndSwitchingOnLogsNothing) {
    addLines(2);
    log().SetActive(false);
    EXPECT_TRUE(log().Lines().empty());
    EXPECT_FALSE(log().Add(1, "lost"));
    EXPECT_FALSE(log().AppendToLast("lost"));
    EXPECT_TRUE(log().Lines().empty());
    log().SetActive(true);
    EXPECT_TRUE(log().Lines().empty());
    EXPECT_TRUE(log().Add(1, "kept"));
    EXPECT_EQ(linesOf(log()), Lines{"kept"});
}

TEST_F(SharedControl, AppendToLastExtendsTheLastLineButNeverAnErrorLine) {
    log().setLines({});
    EXPECT_TRUE(log().AppendToLast(" first"));
    EXPECT_TRUE(log().AppendToLast(" := 'x'"));
    control.FillErrorStrings(LINEERR_OPERATIONFAILED);
    EXPECT_TRUE(log().AppendToLast("after"));
    EXPECT_EQ(linesOf(log()),
              (Lines{" first = \"x\"", "<< Error >> LINEERR_OPERATIONFAILED [80000048]", "after"}));
}

TEST(TimeText, DriftsAsTheLogAlwaysHas) {
    struct Case {
        int hour, minute, second, millisecond;
        const char* expected;
    };
    static constexpr Case cases[] = {
        {9, 5, 7, 250, "05:07.459"},
        {23, 58, 33, 600, "58:34.152"},
        {12, 0, 0, 0, "00:00.276"},
        {0, 0, 0, 0, "00:00.000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const double seconds = c.hour * 3600 + c.minute * 60 + c.second + c.millisecond / 1000.0;
        EXPECT_EQ(TimeText(seconds / 86400.0), c.expected);
    }
}

TEST_F(SharedControl, TimeStampsHeadlinesAndIndentsDetails) {
    core::VirtualTime time(core::oleDateFrom({2026, 3, 2, 9, 5, 7, 250}));
    control.Vantage().SetDevEnv(deDelphi);
    log().SetTimeStamp(true);
    log().Add(1, "Call.Answer");
    log().Add(0, "\tDevice.Count = 2");
    log().SetTimeStamp(false);
    const Lines lines = linesOf(log());
    ASSERT_GE(lines.size(), 4u);
    // The switch's own line is offered before the switch changes.
    EXPECT_EQ(Lines(lines.end() - 4, lines.end()),
              (Lines{"Log.TimeStamp := True", "05:07.459\tCall.Answer", "\t\t\tDevice.Count = 2",
                     "05:07.459\tLog.TimeStamp := False"}));
}

TEST(DevEnvSyntax, ConvertsNeutralTexts) {
    struct Case {
        const char* text;
        TxDevEnv devEnv;
        const char* expected;
    };
    static constexpr Case cases[] = {
        {"Log.Count := 50 //Lines", deDelphi, "Log.Count := 50 //Lines"},
        {"Log.Count := 50 //Lines", deVisualBasic, "LogCount = 50 'Lines"},
        {"Log.Count := 50 //Lines", deOther, "LogCount = 50 'Lines"},
        {"Log.Count := 50 //Lines", deCppBuilder, "Log->Count = 50 //Lines"},
        {"Device.Name := 'Modem 2.1'", deVisualBasic, "DeviceName = \"Modem 2.1\""},
        {"Device.Name := 'Modem 2.1'", deCppBuilder, "Device->Name = \"Modem 2->1\""},
        {"lkLine~Device.Active = True", deVisualBasic, "lkLine.DeviceActive = True"},
        {"lkLine~Device.Active = True", deCppBuilder, "lkLine->Device->Active == True"},
        {"lkLine~Device.Active = True", deDelphi, "lkLine.Device.Active = True"},
        {"Device.Configure", deVisualBasic, "DeviceConfigure"},
        {"Version 3.6.", deVisualBasic, "Version 36."},  // with no "=", the last dot stays
        {"Version 3.6", deCppBuilder, "Version 3->6"},
        {"a..b := c..d", deVisualBasic, "a..b = c..d"},
        {"a := b := c // d // e", deVisualBasic, "a = b := c ' d // e"},
        {"a := b := c // d", deCppBuilder, "a = b := c // d"},
        {"", deVisualBasic, ""},
        {"Log.Count := 50", static_cast<TxDevEnv>(7), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " in " + std::to_string(c.devEnv));
        EXPECT_EQ(ToDevEnvSyntax(c.text, c.devEnv), c.expected);
    }
}

TEST_F(SharedControl, DevEnvLogsOnlyKnownEnvironments) {
    log().setLines({});
    control.Vantage().SetDevEnv(static_cast<TxDevEnv>(5));
    EXPECT_EQ(control.Vantage().DevEnv(), 5);
    EXPECT_TRUE(log().Lines().empty());
    control.Vantage().SetDevEnv(deCppBuilder);
    EXPECT_EQ(linesOf(log()), Lines{"DevEnv = deCppBuilder"});
}

TEST_F(SharedControl, ErrorRecordNamesTheCodeOfTheControlsFamily) {
    struct Case {
        LONG kind;
        LONG code;
        const char* name;
        const char* hex;
        bool timeStamped;  // the error line is a headline (level 1) for Play and Record
    };
    static constexpr Case cases[] = {
        {lkKindLine, -2, "LINE_ERROR_DEVICE", "FFFFFFFE", false},
        {lkKindLine, TAPIREPLYTIMEOUT, "TAPIREPLYTIMEOUT", "FFFFFFFD", false},
        {lkKindLine, LINEERR_OPERATIONFAILED, "LINEERR_OPERATIONFAILED", "80000048", false},
        {lkKindPhone, -3, "Unknown", "FFFFFFFD", false},
        {lkKindPhone, PHONEERR_INVALPHONESTATE, "PHONEERR_INVALPHONESTATE", "90000014", false},
        {lkKindRecord, WAV_ERROR_TIMEOUT, "WAV_ERROR_TIMEOUT", "FFFFFFEE", true},
        {lkKindPlay, 33, "Unknown", "00000021", true},
    };
    core::VirtualTime time;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestControl engine(c.kind);
        engine.log().SetTimeStamp(true);
        engine.FillErrorStrings(c.code);
        EXPECT_EQ(engine.Error().Number(), c.code);
        EXPECT_EQ(engine.Error().Name(), c.name);
        EXPECT_EQ(engine.Error().Hex(), c.hex);
        const std::string line = "<< Error >> " + std::string(c.name) + " [" + c.hex + "]";
        const std::string& logged = engine.log().Lines().back();
        EXPECT_EQ(logged, c.timeStamped ? TimeText(0.375) + "\t" + line : "\t\t" + line);
    }
}

TEST_F(SharedControl, ErrorCodeZeroClearsTheRecordSilently) {
    int fired = 0;
    control.OnError = [&] { ++fired; };
    control.FillErrorStrings(LINEERR_NOMEM);
    const std::size_t lines = log().Lines().size();
    control.FillErrorStrings(0);
    EXPECT_EQ(control.Error().Number(), 0);
    EXPECT_EQ(control.Error().Name(), "");
    EXPECT_EQ(control.Error().Hex(), "");
    EXPECT_EQ(log().Lines().size(), lines);
    EXPECT_EQ(fired, 1);
}

TEST_F(SharedControl, OnErrorFiresOnlyWhileEventsAreOn) {
    int fired = 0;
    control.FillErrorStrings(LINEERR_NOMEM);  // no handler: nothing to fire
    control.OnError = [&] { ++fired; };
    control.Vantage().SetEvents(false);
    control.FillErrorStrings(LINEERR_NOMEM);
    EXPECT_EQ(fired, 0);
    control.Vantage().SetEvents(true);
    control.FillErrorStrings(LINEERR_NOMEM);
    EXPECT_EQ(fired, 1);
}

TEST_F(SharedControl, RelatedWaveDeviceKeepsItsClassWhileTheDeviceIsActive) {
    TlkRelatedWaveDevice wavePlay(control, "WavePlay", "wave/out");
    control.active = true;
    wavePlay.SetDeviceClass("wave/in");
    EXPECT_EQ(wavePlay.DeviceClass(), "wave/out");
    EXPECT_EQ(control.Error().Number(), LINEERR_INVALLINESTATE);
    control.active = false;
    wavePlay.SetDeviceClass("wave/in");
    EXPECT_EQ(wavePlay.DeviceClass(), "wave/in");
    const Lines lines = linesOf(log());
    EXPECT_EQ(
        Lines(lines.end() - 3, lines.end()),
        (Lines{"WavePlayDeviceClass = \"wave/in\"", "<< Error >> LINEERR_INVALLINESTATE [8000002C]",
               "WavePlayDeviceClass = \"wave/in\""}));

    TestControl phone(lkKindPhone);
    TlkRelatedWaveDevice waveRecord(phone, "WaveRecord", "wave/in");
    phone.active = true;
    waveRecord.SetDeviceClass("wave/out");
    EXPECT_EQ(waveRecord.DeviceClass(), "wave/in");
    EXPECT_EQ(phone.Error().Number(), PHONEERR_INVALPHONESTATE);
}

TEST(FlagNodes, WalkEndsAfterTheHighestBit) {
    const auto children = FlagNodeChildren(0xC0000001u, LineAddrCapFlagsName, 1, 0x80000000u);
    EXPECT_EQ(children, (Lines{"LINEADDRCAPFLAGS_FWDNUMRINGS", "LINEADDRCAPFLAGS_ACDGROUP",
                               "LINEADDRCAPFLAGS_???"}));
    EXPECT_EQ(FlagNodeChildren(0x6, LineCallStateName, 0, 4),
              (Lines{"LINECALLSTATE_OFFERING", "LINECALLSTATE_ACCEPTED"}));
    // The range walk names every code that shares a bit, as the trees always showed.
    EXPECT_EQ(RangeFlagNodeChildren(2, LineRemoveFromConfName, 1, 4),
              (Lines{"LINEREMOVEFROMCONF_LAST", "LINEREMOVEFROMCONF_LAST"}));
}

TEST_F(SharedControl, FlagNodeTextFollowsTheSyntax) {
    EXPECT_EQ(control.Vantage().FlagNodeText("Device.Capabilities", 0x2A),
              "DeviceCapabilities = [0000002A]");
}

// The help and web buttons, with a desktop of the test's own: PATH holds only an "xdg-open" that
// does nothing, and every program start is recorded instead of run.
class Help : public SharedControl {
  protected:
    void SetUp() override {
        if (const char* path = std::getenv("PATH"))
            m_savedPath = path;
        const std::filesystem::path bin = folder.root() / "bin";
        std::filesystem::create_directories(bin);
        std::ofstream(bin / "xdg-open") << "#!/bin/sh\nexit 0\n";
        std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
        setenv("PATH", bin.c_str(), 1);
    }
    void TearDown() override { setenv("PATH", m_savedPath.c_str(), 1); }

    void installIn(const std::filesystem::path& directory) {
        std::filesystem::create_directories(directory / "Help");
        std::ofstream(directory / "Help" / "lkLK36.chm") << "help";
        registry::writeString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Orvane\\Quillon\\3.6", "Directory",
                              directory.string());
    }
    // What was opened: the last argument of each recorded start.
    Lines opened(std::size_t count) const {
        Lines targets;
        for (const shell::RecordedStart& start : m_starts.waitFor(count)) {
            targets.push_back(start.argv.back());
        }
        return targets;
    }

    ui::ScriptedDialogs dialogs;

  private:
    shell::RecordedStarts m_starts;
    std::string m_savedPath;
};

TEST_F(Help, OpensTheHelpFileOfTheInstallationFolder) {
    const std::filesystem::path installed = folder.root() / "quillon";
    installIn(installed);
    ShowHelp("INIT");
    EXPECT_EQ(rememberedHelpFile(), "");
    ShowHelp("Contents");
    const std::string helpFile = (installed / "Help" / "lkLK36.chm").string();
    EXPECT_EQ(rememberedHelpFile(), helpFile);
    EXPECT_EQ(opened(1), Lines{helpFile});
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(Help, WebPagesOpenInTheDesktopsBrowser) {
    OpenUpdatesPage();
    OpenHomePage();
    OpenSupportPage();
    // The starts run detached and may be recorded in any order.
    Lines pages = opened(3);
    std::sort(pages.begin(), pages.end());
    EXPECT_EQ(pages, (Lines{"https://www.orvane.example/",
                            "https://www.orvane.example/quillon/updates.html#lkLK36",
                            "https://www.orvane.example/support/"}));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(Help, SaysSoWhenTheHelpFileIsMissing) {
    setenv("PATH", "/nonexistent", 1);  // no desktop to open the web page either
    OpenUpdatesPage();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, "Unable to locate help: \r\n/Help/lkLK36.chm");
    EXPECT_EQ(dialogs.shown()[0].title, "Orvane Vantage!");
}

}  // namespace
