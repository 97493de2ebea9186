// A voice modem with caller-ID reporting, simulated on a pseudo-terminal. The program opens the
// terminal's device path as its serial port; the simulator answers the AT dialogue (echo when
// asked, "OK" or "ERROR" for each command) and sends what a modem or a caller-ID unit sends when
// the telephone rings: "RING" reports, caller-ID texts, binary data blocks. It keeps every command
// line it received. The dialogue runs on a thread of its own; every call here is thread-safe.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace modemsim {

// The caller-ID enable commands modems of different makes accept; a simulated modem answers "OK"
// to those it is given and "ERROR" to the others.
inline constexpr std::string_view kCallerIdCommands[] = {
    "AT#CID=1", "AT#CLS=8#CID=1", "AT+VCID=1", "AT#CC1", "AT&F&C1&D3&Q5S48=7#CC1",
    "AT*ID1",   "AT%CCID=1",      "AT%CCID=3", "EcTxH@", "ATS40=4"};

struct Options {
    // The caller-ID enable commands this modem accepts.
    std::vector<std::string> acceptedCallerIdCommands = {"AT+VCID=1"};
    // Whether the modem echoes what it receives, as modems do after "ATE1".
    bool echo = false;
    // The bytes sent, as they are, in answer to "AT&F"; empty: the usual "OK" line. A modem that
    // is still starting up, or a device that is no modem, answers with something else.
    std::string factoryResetReply;
};

class ModemSimulator {
  public:
    explicit ModemSimulator(Options options = {});
    ~ModemSimulator();
    ModemSimulator(const ModemSimulator&) = delete;
    ModemSimulator& operator=(const ModemSimulator&) = delete;

    // False when no pseudo-terminal could be made; everything else then does nothing.
    bool ready() const;
    // The path the program opens, such as "/dev/pts/7".
    std::string devicePath() const;

    // Sends bytes to the program at once, as the modem would.
    void send(std::string_view bytes);

    // The command lines received, without their CR, in order.
    std::vector<std::string> commands() const;
    // Waits (in real time) until `count` command lines have arrived; false on time-out.
    bool waitForCommands(std::size_t count, std::chrono::milliseconds timeout) const;
    // Every byte received.
    std::string received() const;

    struct State;

  private:
    std::shared_ptr<State> m_state;
};

// What a modem sends for a ring: CR LF "RING" CR LF.
std::string ringReport();

// A caller-ID report as a modem sends it after "AT+VCID=1": DATE, TIME, NMBR and NAME lines,
// each "KEY = value" and CR LF. An empty number or name leaves its line out.
struct CallerIdText {
    std::string date = "0302";  // MMDD
    std::string time = "0900";  // HHMM
    std::string number;
    std::string name;
};
std::string callerIdReport(const CallerIdText& caller);

// A caller-ID unit's data block: message type, length, the parameters and a checksum that makes
// all bytes sum to 0 modulo 256. Multiple-data format (type 0x80): date and time (0x01), number
// (0x02) or its absence reason "P"/"O" (0x04), name (0x07). Single-data format (type 0x04): the
// eight date digits, then the number or "P"/"O".
std::string mdmfBlock(std::string_view dateTime, std::string_view number, std::string_view name);
std::string sdmfBlock(std::string_view dateTime, std::string_view number);
// One parameter of a multiple-data block, and a block made of parameters in the order given.
std::string mdmfParameter(std::uint8_t code, std::string_view value);
std::string mdmfBlockOf(std::string_view parameters);

}  // namespace modemsim
