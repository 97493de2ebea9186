// The program's settings: text values in the per-user settings store under the application
// "Belltale", section "data" for the settings and section "version" for the versions the update
// check has offered.
//
// Nothing is cached. Every reader asks the store at the moment it needs a value and passes its own
// default, and the same key can have different defaults (and different truth tests) in different
// readers; each reader's default is one `Reading` below, grouped by the part of the program that
// reads with it. Every writer writes one key at a time. A store that cannot be read gives the
// reader's default; a write that fails is skipped. Nothing here throws or shows anything.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace settings {

inline constexpr std::string_view kApplication = "Belltale";
inline constexpr std::string_view kDataSection = "data";
inline constexpr std::string_view kVersionSection = "version";

// Truth values are stored as these texts.
inline constexpr std::string_view kTrue = "True";
inline constexpr std::string_view kFalse = "False";

// Texts some readers compare against.
inline constexpr std::string_view kNoModem = "No modem on this line";
inline constexpr std::string_view kNeverSaved = "dead";  // a line the settings window never saved
inline constexpr std::string_view kUk = "uk";
inline constexpr std::string_view kUsa = "usa";
inline constexpr std::string_view kStandardModem = "Standard modem on a comm port";
inline constexpr std::string_view kCallerIdPlug = "Rochelle caller ID plug";

// Every key of section "data".
namespace key {
inline constexpr std::string_view annfreq = "annfreq";
inline constexpr std::string_view attempts = "attempts";
inline constexpr std::string_view blockwithheld = "blockwithheld";
inline constexpr std::string_view callback = "callback";
inline constexpr std::string_view checkemail = "checkemail";
inline constexpr std::string_view clockenabled = "clockenabled";
inline constexpr std::string_view commport = "commport";
inline constexpr std::string_view comp = "comp";
inline constexpr std::string_view connect = "connect";
inline constexpr std::string_view dialline = "dialline";
inline constexpr std::string_view dialtone = "dialtone";
inline constexpr std::string_view disconnect = "disconnect";
inline constexpr std::string_view email = "email";
inline constexpr std::string_view emailaddress = "emailaddress";
inline constexpr std::string_view emailscan = "emailscan";
inline constexpr std::string_view emailto = "emailto";
inline constexpr std::string_view firstrun = "firstrun";
inline constexpr std::string_view flashscroll = "flashscroll";
inline constexpr std::string_view force = "force";
inline constexpr std::string_view format = "format";
inline constexpr std::string_view getcid = "getcid";
inline constexpr std::string_view hidden = "hidden";
inline constexpr std::string_view incoming = "incoming";
inline constexpr std::string_view init = "init";
inline constexpr std::string_view instrun = "instrun";
inline constexpr std::string_view keepalive = "keepalive";
inline constexpr std::string_view kind = "kind";
inline constexpr std::string_view lastprob = "lastprob";
inline constexpr std::string_view lastupdatecheck = "lastupdatecheck";
inline constexpr std::string_view line = "line";
inline constexpr std::string_view line2 = "line2";
inline constexpr std::string_view line3 = "line3";
inline constexpr std::string_view line4 = "line4";
inline constexpr std::string_view pop3password = "pop3password";
inline constexpr std::string_view pop3server = "pop3server";
inline constexpr std::string_view pop3username = "pop3username";
inline constexpr std::string_view reclength = "reclength";
inline constexpr std::string_view repeat = "repeat";
inline constexpr std::string_view silence = "silence";
inline constexpr std::string_view skin = "skin";
inline constexpr std::string_view smtp = "smtp";
inline constexpr std::string_view x = "x";
inline constexpr std::string_view y = "y";
}  // namespace key

// How a reader turns the stored text into a truth value: it tests one of the two texts and takes
// every other value, "yes" or "" included, as the opposite.
enum class Truth {
    NotTested,
    OnWhenTrue,     // on only for "True"
    OnUnlessFalse,  // on for everything but "False"
};

// What a reader's default is made of.
enum class Fallback {
    Text,                 // `fallback` itself
    FileInProgramFolder,  // the program folder joined with the file name `fallback`
    Today,                // today's date in the short date form the update check stores
};

// One reader's view of a key: the key, the default it reads with and how it tests truth.
struct Reading {
    std::string_view key;
    std::string_view fallback;
    Truth truth = Truth::NotTested;
    Fallback kind = Fallback::Text;
};

// The main window: load, timers, tray, ring and caller-ID handlers, speech.
namespace shell {
inline constexpr Reading annfreq{key::annfreq, "10"};
inline constexpr Reading attempts{key::attempts, "5"};
inline constexpr Reading blockwithheld{key::blockwithheld, "False", Truth::OnWhenTrue};
// The scheduling timer goes ahead when the key was never written; the tray menu does not.
inline constexpr Reading checkemailTimer{key::checkemail, "True", Truth::OnWhenTrue};
inline constexpr Reading checkemailTray{key::checkemail, "False", Truth::OnUnlessFalse};
inline constexpr Reading clockenabled{key::clockenabled, "True", Truth::OnWhenTrue};
inline constexpr Reading comp{key::comp, "False", Truth::OnWhenTrue};
inline constexpr Reading emailscan{key::emailscan, "10"};
inline constexpr Reading flashscroll{key::flashscroll, "False", Truth::OnWhenTrue};
inline constexpr Reading force{key::force, "False", Truth::OnUnlessFalse};
inline constexpr Reading format{key::format, kUk};
inline constexpr Reading hidden{key::hidden, "False", Truth::OnWhenTrue};
inline constexpr Reading incoming{key::incoming, "ring.wav", Truth::NotTested,
                                  Fallback::FileInProgramFolder};
inline constexpr Reading instrun{key::instrun, "0"};
inline constexpr Reading keepalive{key::keepalive, "True", Truth::OnWhenTrue};
inline constexpr Reading kind{key::kind, ""};
// "dead" at start-up means the settings window never saved the line: a first run.
inline constexpr Reading line{key::line, kNeverSaved};
inline constexpr Reading line2{key::line2, kNeverSaved};
inline constexpr Reading repeat{key::repeat, "True", Truth::OnWhenTrue};
inline constexpr Reading silence{key::silence, "False", Truth::OnUnlessFalse};
inline constexpr Reading skin{key::skin, "GreenFlag.gif", Truth::NotTested,
                              Fallback::FileInProgramFolder};
// The skin step reads the key again to load the new picture, with no default.
inline constexpr Reading skinToLoad{key::skin, ""};
inline constexpr Reading x{key::x, "0"};
inline constexpr Reading y{key::y, "0"};
}  // namespace shell

// Opening the telephone lines.
namespace lines {
inline constexpr Reading comp{key::comp, "False", Truth::OnWhenTrue};
inline constexpr Reading line{key::line, kNoModem};
inline constexpr Reading line2{key::line2, kNoModem};
inline constexpr Reading line3{key::line3, kNoModem};
inline constexpr Reading line4{key::line4, kNoModem};
}  // namespace lines

// The post-call timer's call-back recorder.
namespace recorder {
inline constexpr Reading attempts{key::attempts, "5"};
inline constexpr Reading callback{key::callback, "1471"};
// "True" skips the dial-tone check; it runs only for "False".
inline constexpr Reading dialtone{key::dialtone, "False", Truth::OnUnlessFalse};
inline constexpr Reading getcid{key::getcid, "True", Truth::OnWhenTrue};
inline constexpr Reading reclength{key::reclength, "10"};
}  // namespace recorder

// The daily update check.
namespace update {
inline constexpr Reading lastupdatecheck{key::lastupdatecheck, "", Truth::NotTested,
                                         Fallback::Today};
}  // namespace update

// The serial port of compatibility mode and its modem set-up.
namespace serial {
inline constexpr Reading commport{key::commport, ""};
inline constexpr Reading incoming{key::incoming, "ring.wav", Truth::NotTested,
                                  Fallback::FileInProgramFolder};
inline constexpr Reading init{key::init, ""};
inline constexpr Reading kind{key::kind, ""};
inline constexpr Reading repeat{key::repeat, "True", Truth::OnWhenTrue};
}  // namespace serial

// Dialling from the address book.
namespace directory {
inline constexpr Reading dialline{key::dialline, "1"};
inline constexpr Reading kind{key::kind, ""};
}  // namespace directory

// The mail senders: call notification, problem report, quick fax; and the mailbox check.
namespace mail {
inline constexpr Reading connect{key::connect, "", Truth::OnWhenTrue};
inline constexpr Reading disconnect{key::disconnect, "", Truth::OnWhenTrue};
inline constexpr Reading email{key::email, "False", Truth::OnWhenTrue};
inline constexpr Reading emailaddress{key::emailaddress, ""};
inline constexpr Reading emailto{key::emailto, ""};
inline constexpr Reading kind{key::kind, ""};
inline constexpr Reading lastprob{key::lastprob, ""};
inline constexpr Reading smtp{key::smtp, ""};
inline constexpr Reading checkemail{key::checkemail, "False", Truth::OnUnlessFalse};
inline constexpr Reading pop3password{key::pop3password, ""};
inline constexpr Reading pop3server{key::pop3server, ""};
inline constexpr Reading pop3username{key::pop3username, ""};
}  // namespace mail

// The settings window: what its loading shows (a check box is ticked when `isOn`) and what its
// Cancel button reads.
namespace dialog {
inline constexpr Reading annfreq{key::annfreq, "10"};
inline constexpr Reading attempts{key::attempts, "5"};
inline constexpr Reading blockwithheld{key::blockwithheld, "False", Truth::OnWhenTrue};
inline constexpr Reading callback{key::callback, "1471"};
inline constexpr Reading checkemail{key::checkemail, "False", Truth::OnWhenTrue};
inline constexpr Reading clockenabled{key::clockenabled, "True", Truth::OnWhenTrue};
inline constexpr Reading commport{key::commport, ""};
inline constexpr Reading comp{key::comp, "False", Truth::OnWhenTrue};
inline constexpr Reading connect{key::connect, "False", Truth::OnWhenTrue};
inline constexpr Reading dialtone{key::dialtone, "False", Truth::OnUnlessFalse};
inline constexpr Reading disconnect{key::disconnect, "False", Truth::OnWhenTrue};
inline constexpr Reading email{key::email, "False", Truth::OnWhenTrue};
inline constexpr Reading emailaddress{key::emailaddress, ""};
inline constexpr Reading emailscan{key::emailscan, "10"};
inline constexpr Reading emailto{key::emailto, ""};
inline constexpr Reading firstrun{key::firstrun, "True", Truth::OnWhenTrue};
inline constexpr Reading firstrunOnCancel{key::firstrun, "False", Truth::OnWhenTrue};
inline constexpr Reading flashscroll{key::flashscroll, "False", Truth::OnUnlessFalse};
inline constexpr Reading force{key::force, "False", Truth::OnWhenTrue};
inline constexpr Reading format{key::format, kUk};
inline constexpr Reading getcid{key::getcid, "True", Truth::OnWhenTrue};
inline constexpr Reading incoming{key::incoming, "ring.wav", Truth::NotTested,
                                  Fallback::FileInProgramFolder};
inline constexpr Reading keepalive{key::keepalive, "True", Truth::OnWhenTrue};
inline constexpr Reading kind{key::kind, ""};
// The device boxes read the lines without a default: a missing key leaves a box empty.
inline constexpr Reading line{key::line, ""};
inline constexpr Reading line2{key::line2, ""};
inline constexpr Reading line3{key::line3, ""};
inline constexpr Reading line4{key::line4, ""};
inline constexpr Reading pop3password{key::pop3password, ""};
inline constexpr Reading pop3server{key::pop3server, ""};
inline constexpr Reading pop3username{key::pop3username, ""};
inline constexpr Reading reclength{key::reclength, "10"};
// Unticked only for "False": an unwritten key shows unticked here while the ring handlers play
// the sound on every ring.
inline constexpr Reading repeat{key::repeat, "False", Truth::OnUnlessFalse};
inline constexpr Reading silence{key::silence, "False", Truth::OnWhenTrue};
inline constexpr Reading smtp{key::smtp, ""};
}  // namespace dialog

// Section "data".
std::string read(std::string_view key, std::string_view defaultValue = "");
void write(std::string_view key, std::string_view value);
// Writes "True" or "False".
void writeTruth(std::string_view key, bool on);

// The reader's stored text, or its default.
std::string read(const Reading& reading);
// The reader's truth test applied to its text; false for a reading that tests no truth.
bool isOn(const Reading& reading);
// The reader's text as a number (blanks around it allowed, a point before decimals); nothing when
// it is not one.
std::optional<double> number(const Reading& reading);
// The whole-number part of `number`; nothing when the text is not a number or is out of range.
std::optional<long> wholeNumber(const Reading& reading);
// The default a reading falls back to, made for this run (program folder, today's date).
std::string defaultOf(const Reading& reading);

// Section "version": whether the update check has offered a version ("1") or not ("0").
std::string readVersion(std::string_view version);
void writeVersion(std::string_view version, std::string_view value);

// Start with Windows: the value "Belltale" under the machine's Run key holds the program's command
// while the option is on and the empty text while it is off; it is never deleted. Writing it also
// writes or removes the desktop's autostart entry that starts the program at log-on.
inline constexpr std::string_view kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::string_view kRunValueName = "Belltale";
// The command stored while the option is on: the program folder's "vidiriz.are".
std::string startWithWindowsCommand();
// The value's text; empty when the key or value is missing.
std::string readStartWithWindows();
void writeStartWithWindows(bool on);
// The settings window ticks its box when the value holds more than 2 characters.
bool startsWithWindows();

// Today's date as the update check stores it, "dd/mm/yyyy".
std::string todayText();

}  // namespace settings
