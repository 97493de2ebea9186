// Callers on a voice modem in compatibility mode, through the real program in real time: the modem
// simulator's terminal as the serial port, and the real sound path (the shipped ring sound on the
// null wave device, paced by the program's own clock) playing while the caller data comes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "tests/e2e/program_folder.h"
#include "tools/modemsim/modem_simulator.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;

constexpr char kRingAlert[] = "Modem on Comm 1 is ringing, playing wav ring file";

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// Whether the batch holding the `n`th ring has been read to its end: the reader empties the port
// then, so bytes sent before it would be thrown away with the batch's leftovers. A real modem
// leaves a second or more between a ring and what follows it.
bool ringBatchDone(const std::string& log, std::size_t n) {
    std::size_t at = std::string::npos;
    for (std::size_t seen = 0; seen < n; ++seen) {
        at = log.find(kRingAlert, at == std::string::npos ? 0 : at + 1);
        if (at == std::string::npos)
            return false;
    }
    return log.find("Buffer dump from modem on comm 1", at) != std::string::npos;
}

class SerialCallers : public ::testing::Test, protected ProgramFolder {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_modem.ready());
        ASSERT_TRUE(makeFolder());
        writeErrorText();
        fs::copy_file(fs::path(BELLTALE_ASSETS) / "ring.wav", assets() / "ring.wav");
        writeFile(home() / "blocked.ini", " 01632960999,\r\n");
        // Speech stays quiet; the ring sound does not.
        saveSettings({{"silence", "True"}});
        ASSERT_EQ(registerControls(environment()), 0);
    }

    std::vector<std::string> environment() const {
        return ProgramFolder::environment({{"BELLTALE_WAVE_DEVICES", "null"}});
    }
    std::string callLog() const { return readFile(home() / "inclog.txt"); }
    std::string activityLog() const { return readFile(home() / "log.txt"); }
    bool modemGot(const std::string& command) const {
        const std::vector<std::string> commands = m_modem.commands();
        return std::find(commands.begin(), commands.end(), command) != commands.end();
    }

    modemsim::ModemSimulator m_modem;
};

// A call whose caller ID never comes, then a blocked caller right behind it whose caller ID
// arrives while the ring sound plays and whose drop talks to the modem: both are logged, and the
// program still ends at once when asked.
TEST_F(SerialCallers, EveryCallerIsLoggedWhileTheRingSoundPlays) {
    RunningProgram program(VEVUZER_PROGRAM, {"--serial-modem", m_modem.devicePath()}, environment(),
                           root() / "stderr");
    ASSERT_TRUE(program.waitForLine(kReadyLine)) << program.output() << readFile(root() / "stderr");
    ASSERT_TRUE(m_modem.waitForCommands(2, std::chrono::milliseconds(kHangGuardMs)))
        << activityLog();
    ASSERT_TRUE(fs::exists(home() / "ring.wav"));

    // The first call rings twice without caller ID; once its hold-off runs out it is logged as
    // a call without caller data.
    m_modem.send(modemsim::ringReport());
    ASSERT_TRUE(eventually([&] { return ringBatchDone(activityLog(), 1); })) << activityLog();
    m_modem.send(modemsim::ringReport());
    ASSERT_TRUE(eventually([&] {
        return callLog().find("Unknow caller on comm 1, Caller ID not available, ") !=
               std::string::npos;
    })) << callLog()
        << activityLog();

    // The next call rings at once; its caller ID and next ring come while its ring sound plays.
    const std::size_t ringsBefore = occurrences(activityLog(), kRingAlert);
    m_modem.send(modemsim::ringReport());
    ASSERT_TRUE(eventually([&] { return ringBatchDone(activityLog(), ringsBefore + 1); }))
        << activityLog();
    modemsim::CallerIdText blocked;
    blocked.number = "01632960999";
    blocked.name = "CALLER TWO";
    m_modem.send(modemsim::callerIdReport(blocked) + modemsim::ringReport());
    EXPECT_TRUE(eventually([&] {
        return callLog().find("01632960999, CALLER TWO, ") != std::string::npos;
    })) << callLog()
        << activityLog();
    // The blocked caller is dropped: the modem takes the line and puts it down.
    EXPECT_TRUE(eventually([&] { return modemGot("ATDT") && modemGot("ATH"); }))
        << testing::PrintToString(m_modem.commands());
    EXPECT_EQ(occurrences(callLog(), "\n"), 2u) << callLog();

    const std::optional<int> status = program.stopWithin(SIGTERM);
    ASSERT_TRUE(status.has_value()) << "the program did not end on SIGTERM";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
}

}  // namespace
