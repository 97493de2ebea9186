#include "tools/modemsim/modem_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace modemsim {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr int kPollMs = 20;

bool sameCommand(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

bool isCallerIdCommand(std::string_view line) {
    return std::any_of(std::begin(kCallerIdCommands), std::end(kCallerIdCommands),
                       [line](std::string_view c) { return sameCommand(line, c); });
}

std::string block(std::uint8_t type, std::string_view body) {
    std::string bytes;
    bytes.push_back(static_cast<char>(type));
    bytes.push_back(static_cast<char>(body.size()));
    bytes += body;
    unsigned sum = 0;
    for (const char c : bytes) {
        sum += static_cast<unsigned char>(c);
    }
    bytes.push_back(static_cast<char>((0x100 - (sum & 0xFF)) & 0xFF));
    return bytes;
}

bool absenceReason(std::string_view number) {
    return number == "P" || number == "O";
}

}  // namespace

struct ModemSimulator::State {
    Options options;
    int master = -1;
    int slave = -1;  // held open so the terminal lives while the program closes and reopens it
    std::string path;
    std::thread thread;
    std::atomic<bool> stopping{false};
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<std::string> commands;
    std::string received;
    std::string line;
    bool echo = false;

    void write(std::string_view bytes) {
        std::lock_guard<std::mutex> lock(mutex);
        writeLocked(bytes);
    }
    void writeLocked(std::string_view bytes) const {
        while (!bytes.empty()) {
            const ssize_t n = ::write(master, bytes.data(), bytes.size());
            if (n <= 0) {
                return;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    void run() {
        char buffer[256];
        while (!stopping) {
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, kPollMs) <= 0 || !(fd.revents & POLLIN)) {
                continue;
            }
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0) {
                continue;
            }
            std::lock_guard<std::mutex> lock(mutex);
            const std::string_view bytes(buffer, static_cast<std::size_t>(n));
            received += bytes;
            if (echo) {
                writeLocked(bytes);
            }
            for (const char c : bytes) {
                take(c);
            }
            changed.notify_all();
        }
    }

    // Commands end with CR; a LF after it is noise.
    void take(char c) {
        if (c == '\n') {
            return;
        }
        if (c != '\r') {
            line.push_back(c);
            return;
        }
        commands.push_back(line);
        answer(line);
        line.clear();
    }

    void answer(std::string_view command) {
        const bool at = command.size() >= 2 && sameCommand(command.substr(0, 2), "AT");
        if (isCallerIdCommand(command)) {
            const bool accepted = std::any_of(
                options.acceptedCallerIdCommands.begin(), options.acceptedCallerIdCommands.end(),
                [command](const std::string& c) { return sameCommand(command, c); });
            if (accepted || at) {
                reply(accepted ? "OK" : "ERROR");
            }
            return;
        }
        if (!at) {
            return;  // a modem ignores what does not start with AT
        }
        if (sameCommand(command, "ATE0")) {
            echo = false;
        } else if (sameCommand(command, "ATE1")) {
            echo = true;
        } else if (sameCommand(command, "AT&F") || sameCommand(command, "ATZ")) {
            echo = options.echo;
            if (sameCommand(command, "AT&F") && !options.factoryResetReply.empty()) {
                writeLocked(options.factoryResetReply);
                return;
            }
        }
        reply("OK");
    }

    void reply(std::string_view result) const {
        writeLocked(std::string(kCrLf) + std::string(result) + std::string(kCrLf));
    }
};

ModemSimulator::ModemSimulator(Options options) : m_state(std::make_shared<State>()) {
    State& s = *m_state;
    s.options = std::move(options);
    s.echo = s.options.echo;
    s.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (s.master < 0 || ::grantpt(s.master) != 0 || ::unlockpt(s.master) != 0) {
        return;
    }
    const char* name = ::ptsname(s.master);
    if (!name) {
        return;
    }
    s.path = name;
    s.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (s.slave < 0) {
        return;
    }
    // Raw from the start: bytes sent before the program opens the port must not be echoed back
    // or translated by the terminal.
    termios raw{};
    ::tcgetattr(s.slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(s.slave, TCSANOW, &raw);
    s.thread = std::thread([state = m_state] { state->run(); });
}

ModemSimulator::~ModemSimulator() {
    State& s = *m_state;
    s.stopping = true;
    if (s.thread.joinable()) {
        s.thread.join();
    }
    if (s.slave >= 0) {
        ::close(s.slave);
    }
    if (s.master >= 0) {
        ::close(s.master);
    }
}

bool ModemSimulator::ready() const {
    return m_state->thread.joinable();
}

std::string ModemSimulator::devicePath() const {
    return m_state->path;
}

void ModemSimulator::send(std::string_view bytes) {
    if (ready()) {
        m_state->write(bytes);
    }
}

std::vector<std::string> ModemSimulator::commands() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->commands;
}

bool ModemSimulator::waitForCommands(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(m_state->mutex);
    return m_state->changed.wait_for(lock, timeout,
                                     [&] { return m_state->commands.size() >= count; });
}

std::string ModemSimulator::received() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->received;
}

std::string ringReport() {
    return std::string(kCrLf) + "RING" + std::string(kCrLf);
}

std::string callerIdReport(const CallerIdText& caller) {
    std::string text = std::string(kCrLf);
    text += "DATE = " + caller.date + std::string(kCrLf);
    text += "TIME = " + caller.time + std::string(kCrLf);
    if (!caller.number.empty()) {
        text += "NMBR = " + caller.number + std::string(kCrLf);
    }
    if (!caller.name.empty()) {
        text += "NAME = " + caller.name + std::string(kCrLf);
    }
    return text;
}

std::string mdmfParameter(std::uint8_t code, std::string_view value) {
    std::string bytes;
    bytes.push_back(static_cast<char>(code));
    bytes.push_back(static_cast<char>(value.size()));
    bytes += value;
    return bytes;
}

std::string mdmfBlockOf(std::string_view parameters) {
    return block(0x80, parameters);
}

std::string mdmfBlock(std::string_view dateTime, std::string_view number, std::string_view name) {
    std::string parameters = mdmfParameter(0x01, dateTime);
    parameters += mdmfParameter(absenceReason(number) ? 0x04 : 0x02, number);
    if (!name.empty()) {
        parameters += mdmfParameter(absenceReason(name) ? 0x08 : 0x07, name);
    }
    return mdmfBlockOf(parameters);
}

std::string sdmfBlock(std::string_view dateTime, std::string_view number) {
    return block(0x04, std::string(dateTime) + std::string(number));
}

}  // namespace modemsim
