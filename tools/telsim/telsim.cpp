// telsim: drives the simulated exchange of a running program through its control socket.
//
//   telsim [--socket PATH] ring 1 --number 01632960123 --name "ANN SMITH"
//   telsim hangup 1
//   telsim list
//   telsim lift 1
//   telsim press 1 5
//
// The words after the options go to the exchange as one command; its answer is printed. Exit
// status: 0 when the exchange answered OK, 1 when it refused the command, 2 when no exchange
// could be reached.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/tapi/control_socket.h"

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: telsim [--socket PATH] COMMAND [ARGUMENTS]\n"
                 "commands:\n"
                 "  ring LINE [--number N] [--name TEXT] [--withheld] [--out-of-area]\n"
                 "            [--callerid after|offering|none] [--rings N] [--interval MS]\n"
                 "  hangup LINE      the caller on LINE hangs up\n"
                 "  dialtone LINE on|off     whether LINE gives a dial tone\n"
                 "  farend LINE answer [--rings N]|busy|noanswer|any\n"
                 "                   whom the calls LINE dials reach (any: the number dialled)\n"
                 "  digits LINE D    the far end sends digits D\n"
                 "  close LINE       the exchange closes LINE for every program\n"
                 "  remove LINE      the device is taken away\n"
                 "  list             lines, who has them open, and their calls\n"
                 "  press PHONE K    a key of the handset's keypad (0-9, * or #) is pressed\n"
                 "  lift PHONE       the handset is lifted\n"
                 "  replace PHONE    the handset is put back\n");
}

// Quotes a word for the exchange's command line when it needs it.
std::string word(const std::string& text) {
    if (!text.empty() && text.find_first_of(" \t\"\\") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

int send(const std::string& path, const std::string& command) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        std::fprintf(stderr, "telsim: socket path too long: %s\n", path.c_str());
        return 2;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "telsim: no exchange is listening on %s (is the program running?)\n",
                     path.c_str());
        if (fd >= 0)
            ::close(fd);
        return 2;
    }
    const std::string line = command + "\n";
    if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
        std::fprintf(stderr, "telsim: the exchange closed the connection\n");
        ::close(fd);
        return 2;
    }
    std::string answer;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
        answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (answer.empty()) {
        std::fprintf(stderr, "telsim: the exchange gave no answer\n");
        return 2;
    }
    const bool ok = answer.rfind("OK", 0) == 0;
    std::fputs(answer.c_str(), ok ? stdout : stderr);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string path;
    std::size_t first = 0;
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        usage();
        return 0;
    }
    if (args.size() >= 2 && args[0] == "--socket") {
        path = args[1];
        first = 2;
    }
    if (first >= args.size()) {
        usage();
        return 1;
    }
    if (path.empty())
        path = tapi::ControlSocket::defaultPath().string();
    std::string command;
    for (std::size_t i = first; i < args.size(); ++i) {
        command += (i > first ? " " : "") + word(args[i]);
    }
    return send(path, command);
}
