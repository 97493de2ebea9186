// modemsim: a voice modem with caller ID on a pseudo-terminal, for running Belltale's
// compatibility mode by hand.
//
//   modemsim [--link PATH] [--accept COMMAND]... [--echo] [--script FILE]
//
// It prints the device path to open (and makes PATH a link to it), then prints every command the
// program sends ("< AT&F") and reads its own commands from the script file or standard input:
//   ring                      a ring report
//   cid NUMBER [NAME]         a caller-ID report (DATE, TIME, NMBR, NAME)
//   call NUMBER [NAME]        a ring, the caller-ID report, a second ring
//   uk-call NUMBER [NAME]     the caller-ID report before the first ring, then two rings
//   block NUMBER [NAME]       a caller-ID unit's data block (P or O as NUMBER: withheld, out of
//   area) wait MILLISECONDS         a pause quit                      ends (so does the end of the
//   input)
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "tools/modemsim/modem_simulator.h"

namespace {

using namespace std::chrono_literals;

int usage() {
    std::cerr << "usage: modemsim [--link PATH] [--accept COMMAND]... [--echo] [--script FILE]\n";
    return 1;
}

std::string twoDigits(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

modemsim::CallerIdText callerNow(const std::string& number, const std::string& name) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    modemsim::CallerIdText caller;
    caller.date = twoDigits(local.tm_mon + 1) + twoDigits(local.tm_mday);
    caller.time = twoDigits(local.tm_hour) + twoDigits(local.tm_min);
    caller.number = number;
    caller.name = name;
    return caller;
}

class Session {
  public:
    explicit Session(modemsim::ModemSimulator& modem) : m_modem(modem) {}

    // Prints the commands that arrived since the last look.
    void showCommands() {
        const std::vector<std::string> commands = m_modem.commands();
        for (; m_shown < commands.size(); ++m_shown) {
            std::cout << "< " << commands[m_shown] << std::endl;
        }
    }

    // False for "quit".
    bool run(const std::string& line) {
        std::istringstream in(line);
        std::string verb;
        in >> verb;
        std::string number;
        in >> number;
        std::string name;
        std::getline(in >> std::ws, name);
        const modemsim::CallerIdText caller = callerNow(number, name);
        if (verb.empty() || verb[0] == '#') {
            return true;
        }
        if (verb == "quit") {
            return false;
        }
        if (verb == "ring") {
            m_modem.send(modemsim::ringReport());
        } else if (verb == "cid") {
            m_modem.send(modemsim::callerIdReport(caller));
        } else if (verb == "call") {
            m_modem.send(modemsim::ringReport());
            pause(1s);
            m_modem.send(modemsim::callerIdReport(caller));
            pause(3s);
            m_modem.send(modemsim::ringReport());
        } else if (verb == "uk-call") {
            m_modem.send(modemsim::callerIdReport(caller));
            pause(1s);
            m_modem.send(modemsim::ringReport());
            pause(3s);
            m_modem.send(modemsim::ringReport());
        } else if (verb == "block") {
            m_modem.send(modemsim::mdmfBlock(caller.date + caller.time, number, name));
        } else if (verb == "wait") {
            pause(std::chrono::milliseconds(std::atol(number.c_str())));
        } else {
            std::cerr << "modemsim: unknown command: " << verb << std::endl;
            return true;
        }
        std::cout << "> " << line << std::endl;
        return true;
    }

    void pause(std::chrono::milliseconds total) {
        const auto until = std::chrono::steady_clock::now() + total;
        while (std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(20ms);
            showCommands();
        }
    }

  private:
    modemsim::ModemSimulator& m_modem;
    std::size_t m_shown = 0;
};

}  // namespace

int main(int argc, char** argv) {
    modemsim::Options options;
    options.acceptedCallerIdCommands.clear();
    std::string link;
    std::string script;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--echo") {
            options.echo = true;
        } else if ((arg == "--link" || arg == "--accept" || arg == "--script") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--link") {
                link = value;
            } else if (arg == "--accept") {
                options.acceptedCallerIdCommands.push_back(value);
            } else {
                script = value;
            }
        } else {
            return usage();
        }
    }
    if (options.acceptedCallerIdCommands.empty()) {
        options.acceptedCallerIdCommands = {"AT+VCID=1"};
    }

    modemsim::ModemSimulator modem(options);
    if (!modem.ready()) {
        std::cerr << "modemsim: cannot make a pseudo-terminal" << std::endl;
        return 2;
    }
    if (!link.empty()) {
        std::error_code ignored;
        std::filesystem::remove(link, ignored);
        std::filesystem::create_symlink(modem.devicePath(), link, ignored);
        if (ignored) {
            std::cerr << "modemsim: cannot link " << link << ": " << ignored.message() << std::endl;
            return 2;
        }
    }
    std::cout << "modemsim: modem on " << modem.devicePath()
              << (link.empty() ? "" : " (" + link + ")") << std::endl;

    Session session(modem);
    std::ifstream file;
    if (!script.empty()) {
        file.open(script);
        if (!file) {
            std::cerr << "modemsim: cannot read " << script << std::endl;
            return 2;
        }
    }
    std::istream& commands = script.empty() ? std::cin : file;
    bool going = true;
    while (going) {
        if (script.empty()) {
            // Show the program's commands while nothing is typed.
            pollfd in{STDIN_FILENO, POLLIN, 0};
            if (::poll(&in, 1, 50) == 0) {
                session.showCommands();
                continue;
            }
        }
        std::string line;
        if (!std::getline(commands, line)) {
            break;
        }
        going = session.run(line);
        session.showCommands();
    }
    // A script's last words get a moment to be read before the terminal goes.
    session.pause(script.empty() ? 0ms : 500ms);
    if (!link.empty()) {
        std::error_code ignored;
        std::filesystem::remove(link, ignored);
    }
    return 0;
}
