#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/core/virtual_time.h"
#include "platform/registry/vb_settings.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"

namespace {

using settings::Reading;

class SettingsStore : public ::testing::Test {
  protected:
    std::string programFile(std::string_view name) const {
        return (m_folder.home() / name).string();
    }

    core::VirtualTime m_time{core::oleDateFrom({2026, 3, 2, 9, 0, 0, 0})};
    vevuzer::testing::FreshProgramFolder m_folder;
};

// Each reader's default, as the readers give them.
struct DefaultCase {
    const Reading& reading;
    std::string_view key;
    std::string_view fallback;
    bool inProgramFolder = false;
};

// clang-format off
const DefaultCase kDefaults[] = {
    {settings::shell::annfreq, "annfreq", "10"},
    {settings::shell::attempts, "attempts", "5"},
    {settings::shell::blockwithheld, "blockwithheld", "False"},
    {settings::shell::checkemailTimer, "checkemail", "True"},
    {settings::shell::checkemailTray, "checkemail", "False"},
    {settings::shell::clockenabled, "clockenabled", "True"},
    {settings::shell::comp, "comp", "False"},
    {settings::shell::emailscan, "emailscan", "10"},
    {settings::shell::flashscroll, "flashscroll", "False"},
    {settings::shell::force, "force", "False"},
    {settings::shell::format, "format", "uk"},
    {settings::shell::hidden, "hidden", "False"},
    {settings::shell::incoming, "incoming", "ring.wav", true},
    {settings::shell::instrun, "instrun", "0"},
    {settings::shell::keepalive, "keepalive", "True"},
    {settings::shell::kind, "kind", ""},
    {settings::shell::line, "line", "dead"},
    {settings::shell::line2, "line2", "dead"},
    {settings::shell::repeat, "repeat", "True"},
    {settings::shell::silence, "silence", "False"},
    {settings::shell::skin, "skin", "GreenFlag.gif", true},
    {settings::shell::skinToLoad, "skin", ""},
    {settings::shell::x, "x", "0"},
    {settings::shell::y, "y", "0"},
    {settings::lines::comp, "comp", "False"},
    {settings::lines::line, "line", "No modem on this line"},
    {settings::lines::line2, "line2", "No modem on this line"},
    {settings::lines::line3, "line3", "No modem on this line"},
    {settings::lines::line4, "line4", "No modem on this line"},
    {settings::recorder::attempts, "attempts", "5"},
    {settings::recorder::callback, "callback", "1471"},
    {settings::recorder::dialtone, "dialtone", "False"},
    {settings::recorder::getcid, "getcid", "True"},
    {settings::recorder::reclength, "reclength", "10"},
    {settings::update::lastupdatecheck, "lastupdatecheck", "02/03/2026"},  // today
    {settings::serial::commport, "commport", ""},
    {settings::serial::incoming, "incoming", "ring.wav", true},
    {settings::serial::init, "init", ""},
    {settings::serial::kind, "kind", ""},
    {settings::serial::repeat, "repeat", "True"},
    {settings::directory::dialline, "dialline", "1"},
    {settings::directory::kind, "kind", ""},
    {settings::mail::connect, "connect", ""},
    {settings::mail::disconnect, "disconnect", ""},
    {settings::mail::email, "email", "False"},
    {settings::mail::emailaddress, "emailaddress", ""},
    {settings::mail::emailto, "emailto", ""},
    {settings::mail::kind, "kind", ""},
    {settings::mail::lastprob, "lastprob", ""},
    {settings::mail::smtp, "smtp", ""},
    {settings::mail::checkemail, "checkemail", "False"},
    {settings::mail::pop3password, "pop3password", ""},
    {settings::mail::pop3server, "pop3server", ""},
    {settings::mail::pop3username, "pop3username", ""},
    {settings::dialog::annfreq, "annfreq", "10"},
    {settings::dialog::attempts, "attempts", "5"},
    {settings::dialog::blockwithheld, "blockwithheld", "False"},
    {settings::dialog::callback, "callback", "1471"},
    {settings::dialog::checkemail, "checkemail", "False"},
    {settings::dialog::clockenabled, "clockenabled", "True"},
    {settings::dialog::commport, "commport", ""},
    {settings::dialog::comp, "comp", "False"},
    {settings::dialog::connect, "connect", "False"},
    {settings::dialog::dialtone, "dialtone", "False"},
    {settings::dialog::disconnect, "disconnect", "False"},
    {settings::dialog::email, "email", "False"},
    {settings::dialog::emailaddress, "emailaddress", ""},
    {settings::dialog::emailscan, "emailscan", "10"},
    {settings::dialog::emailto, "emailto", ""},
    {settings::dialog::firstrun, "firstrun", "True"},
    {settings::dialog::firstrunOnCancel, "firstrun", "False"},
    {settings::dialog::flashscroll, "flashscroll", "False"},
    {settings::dialog::force, "force", "False"},
    {settings::dialog::format, "format", "uk"},
    {settings::dialog::getcid, "getcid", "True"},
    {settings::dialog::incoming, "incoming", "ring.wav", true},
    {settings::dialog::keepalive, "keepalive", "True"},
    {settings::dialog::kind, "kind", ""},
    {settings::dialog::line, "line", ""},
    {settings::dialog::line2, "line2", ""},
    {settings::dialog::line3, "line3", ""},
    {settings::dialog::line4, "line4", ""},
    {settings::dialog::pop3password, "pop3password", ""},
    {settings::dialog::pop3server, "pop3server", ""},
    {settings::dialog::pop3username, "pop3username", ""},
    {settings::dialog::reclength, "reclength", "10"},
    {settings::dialog::repeat, "repeat", "False"},
    {settings::dialog::silence, "silence", "False"},
    {settings::dialog::smtp, "smtp", ""},
};
// clang-format on

TEST_F(SettingsStore, EachReaderGetsItsOwnDefaultUntilTheKeyIsWritten) {
    for (const DefaultCase& row : kDefaults) {
        SCOPED_TRACE(std::string(row.key) + " defaulting to \"" + std::string(row.fallback) + "\"");
        EXPECT_EQ(row.reading.key, row.key);
        const std::string expected =
            row.inProgramFolder ? programFile(row.fallback) : std::string(row.fallback);
        EXPECT_EQ(settings::read(row.reading), expected);
    }
    for (const DefaultCase& row : kDefaults) {
        settings::write(row.key, "stored " + std::string(row.key));
    }
    for (const DefaultCase& row : kDefaults) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(settings::read(row.reading), "stored " + std::string(row.key));
    }
}

TEST_F(SettingsStore, KeepsEveryTextExactlyInSectionDataOfBelltale) {
    static constexpr std::string_view texts[] = {
        "",
        "  blanks around  ",
        "a, b, c",
        "line one\r\nline two",
        "x=1;y=2",
        "C:\\Program Files\\Belltale\\ring.wav",
        "Zoë’s “phone”",
    };
    for (std::string_view text : texts) {
        SCOPED_TRACE(text);
        settings::write(settings::key::emailto, text);
        EXPECT_EQ(settings::read(settings::mail::emailto), text);
        // An empty text is a stored value, not a missing one.
        EXPECT_EQ(settings::read(settings::key::emailto, "default"), text);
        EXPECT_EQ(vb::GetSetting("Belltale", "data", "emailto", "missing"), text);
    }
}

TEST_F(SettingsStore, SectionVersionIsApartFromTheSettings) {
    EXPECT_EQ(settings::readVersion("4.2.0"), "0");
    settings::writeVersion("4.2.0", "1");
    EXPECT_EQ(settings::readVersion("4.2.0"), "1");
    EXPECT_EQ(settings::readVersion("4.2.1"), "0");
    EXPECT_EQ(settings::read("4.2.0", "none"), "none");
    EXPECT_EQ(vb::GetSetting("Belltale", "version", "4.2.0"), "1");
}

// The same stored text reads differently to readers that test different texts.
TEST_F(SettingsStore, EachReaderTestsItsOwnTruthText) {
    struct Case {
        const Reading& reading;
        std::optional<std::string_view> stored;  // nothing: the key was never written
        bool on;
    };
    const Case cases[] = {
        {settings::shell::silence, std::nullopt, false},
        {settings::shell::silence, "False", false},
        {settings::shell::silence, "True", true},
        {settings::shell::silence, "yes", true},    // mutes speech...
        {settings::dialog::silence, "yes", false},  // ...while the box shows unticked
        {settings::dialog::silence, "True", true},
        {settings::shell::repeat, std::nullopt, true},    // the ring sound plays on every ring...
        {settings::dialog::repeat, std::nullopt, false},  // ...while the box shows unticked
        {settings::dialog::repeat, "yes", true},
        {settings::shell::repeat, "yes", false},
        {settings::shell::checkemailTimer, std::nullopt, true},
        {settings::shell::checkemailTray, std::nullopt, false},
        {settings::mail::checkemail, std::nullopt, false},
        {settings::mail::checkemail, "", true},
        {settings::shell::checkemailTimer, "", false},
        {settings::shell::flashscroll, "yes", false},
        {settings::dialog::flashscroll, "yes", true},
        {settings::shell::force, "", true},
        {settings::dialog::force, "", false},
        {settings::recorder::dialtone, "True", true},
        {settings::recorder::getcid, "False", false},
        {settings::mail::connect, std::nullopt, false},
        {settings::shell::x, "True", false},  // a reader that tests no truth
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(std::string(row.reading.key) + " = " +
                     std::string(row.stored.value_or("<never written>")) + " with default \"" +
                     std::string(row.reading.fallback) + "\"");
        if (row.stored) {
            settings::write(row.reading.key, *row.stored);
        } else {
            vb::DeleteSetting("Belltale", "data", row.reading.key);
        }
        EXPECT_EQ(settings::isOn(row.reading), row.on);
    }
}

TEST_F(SettingsStore, WritesTruthAsTrueAndFalse) {
    settings::writeTruth(settings::key::silence, true);
    EXPECT_EQ(settings::read(settings::key::silence), "True");
    settings::writeTruth(settings::key::silence, false);
    EXPECT_EQ(settings::read(settings::key::silence), "False");
}

TEST_F(SettingsStore, ReadsNumbersAsTheUserTypedThem) {
    struct Case {
        std::optional<std::string_view> stored;
        std::optional<long> whole;
    };
    static constexpr Case cases[] = {
        {std::nullopt, 10},  // the reader's default
        {"60", 60},
        {" 7 ", 7},
        {"12.9", 12},
        {"-3.5", -3},
        {"+4", 4},
        {".5", 0},
        {"", std::nullopt},
        {"ten", std::nullopt},
        {"10 minutes", std::nullopt},
        {"1.2.3", std::nullopt},
        {"1e3", std::nullopt},
        {"99999999999999999999999", std::nullopt},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.stored.value_or("<never written>"));
        if (row.stored) {
            settings::write(settings::key::emailscan, *row.stored);
        } else {
            vb::DeleteSetting("Belltale", "data", settings::key::emailscan);
        }
        EXPECT_EQ(settings::wholeNumber(settings::shell::emailscan), row.whole);
    }
}

TEST_F(SettingsStore, StartWithWindowsIsOnWhileTheRunValueHoldsMoreThanTwoCharacters) {
    EXPECT_EQ(settings::readStartWithWindows(), "");
    EXPECT_FALSE(settings::startsWithWindows());
    settings::writeStartWithWindows(true);
    EXPECT_EQ(settings::readStartWithWindows(), programFile("vidiriz.are"));
    EXPECT_TRUE(settings::startsWithWindows());
    settings::writeStartWithWindows(false);
    // Emptied, never deleted.
    EXPECT_EQ(registry::readString(HKEY_LOCAL_MACHINE, settings::kRunKey, "Belltale"),
              std::optional<std::string>(""));
    EXPECT_FALSE(settings::startsWithWindows());

    struct Case {
        std::string_view stored;
        bool on;
    };
    static constexpr Case cases[] = {{"ab", false}, {"abc", true}};
    for (const Case& row : cases) {
        SCOPED_TRACE(row.stored);
        registry::writeString(HKEY_LOCAL_MACHINE, settings::kRunKey, "Belltale", row.stored);
        EXPECT_EQ(settings::startsWithWindows(), row.on);
    }
}

}  // namespace
