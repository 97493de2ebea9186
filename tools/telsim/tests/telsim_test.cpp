// telsim against a real control socket: the program's side listens in a private runtime folder,
// telsim runs as its own process, and a line application sees what the commands do.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include "platform/core/messages.h"
#include "platform/tapi/control_socket.h"
#include "platform/tapi/exchange.h"
#include "platform/tapi/testing/recording_app.h"

extern char** environ;

namespace {

using tapi::exchange;
using tapi::testing::RecordingApp;
using Trace = std::vector<std::string>;

// Pumps in short slices until `done`: nothing is posted when a child process ends, so a single
// long pump would sleep through it.
bool pumpUntilDone(const std::function<bool()>& done, int totalMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(totalMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        core::pumpUntil(done, 5);
    }
    return true;
}

struct Outcome {
    int status = -1;  // exit status
    std::string out, err;
};

std::string drain(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

// Runs telsim with `args` while this thread keeps pumping, as the program's UI thread would.
Outcome telsim(const std::vector<std::string>& args) {
    int out[2], err[2];
    EXPECT_EQ(::pipe(out), 0);
    EXPECT_EQ(::pipe(err), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv{const_cast<char*>(TELSIM_PATH)};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, TELSIM_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    Outcome run;
    int status = 0;
    bool reaped = false;  // waitpid answers once: remember it
    const bool ended = pumpUntilDone(
        [&] { return reaped || (reaped = ::waitpid(pid, &status, WNOHANG) == pid); }, 20000);
    EXPECT_TRUE(ended) << "telsim did not finish";
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = drain(out[0]);
    run.err = drain(err[0]);
    return run;
}

class Telsim : public ::testing::Test {
  protected:
    Telsim() {
        char pattern[] = "/tmp/telsim-XXXXXX";
        folder = ::mkdtemp(pattern);
        socket = folder / "exchange.sock";
        exchange().reset();
        std::string error;
        EXPECT_TRUE(control.start(socket, &error)) << error;
    }
    ~Telsim() override {
        control.stop();
        std::filesystem::remove_all(folder);
    }

    Outcome run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--socket", socket.string()});
        return telsim(args);
    }

    void pumpFor(int ms) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        pumpUntilDone([&] { return std::chrono::steady_clock::now() >= until; }, ms + 100);
    }

    std::filesystem::path folder, socket;
    tapi::ControlSocket control;
};

TEST_F(Telsim, TheSocketIsTheOwnersOnly) {
    struct stat st {};
    ASSERT_EQ(::stat(socket.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    tapi::ControlSocket second;
    std::string error;
    EXPECT_FALSE(second.start(socket, &error));
    EXPECT_NE(error.find("already listens"), std::string::npos) << error;
}

TEST_F(Telsim, RingListAndHangUpReachTheApplications) {
    RecordingApp app("vevuzer");
    app.open(0);
    const Outcome ring = run(
        {"ring", "1", "--number", "01632960123", "--name", "ANN SMITH", "--callerid", "offering"});
    EXPECT_EQ(ring.status, 0) << ring.err;
    EXPECT_EQ(ring.out.rfind("OK call ", 0), 0u) << ring.out;
    pumpFor(50);
    EXPECT_EQ(app.take(),
              (Trace{"LINE_APPNEWCALL l1 c1 OWNER", "LINE_CALLSTATE c1 OFFERING OWNER"}));

    const Outcome list = run({"list"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("line 1 \"Belltale 56K Voice Modem #1\": open by \"vevuzer\" "
                            "(owner+monitor); call "),
              std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("OFFERING from \"01632960123\" \"ANN SMITH\" (1 owner, 0 monitors)"),
              std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("line 2 \"Belltale 56K Voice Modem #2\": closed\n"), std::string::npos)
        << list.out;

    const Outcome hangup = run({"hangup", "1"});
    EXPECT_EQ(hangup.status, 0) << hangup.err;
    pumpFor(50);
    EXPECT_EQ(app.take(), (Trace{"LINE_CALLSTATE c1 DISCONNECTED", "LINE_CALLSTATE c1 IDLE"}));
}

TEST_F(Telsim, MalformedCommandsAreRefusedAndChangeNothing) {
    RecordingApp app;
    app.open(0);
    const std::string before = exchange().list();
    struct Case {
        std::vector<std::string> args;
        const char* error;
    };
    const Case cases[] = {
        {{"ring", "9"}, "ERROR: no line \"9\" (lines are 1 to 4)\n"},
        {{"ring", "one"}, "ERROR: no line \"one\" (lines are 1 to 4)\n"},
        {{"ring", "1", "--bogus"}, "ERROR: unknown option \"--bogus\" for ring\n"},
        {{"ring", "1", "--number"}, "ERROR: --number needs a value\n"},
        {{"ring", "1", "--callerid", "maybe"},
         "ERROR: --callerid needs after, offering or none, not \"maybe\"\n"},
        {{"hangup"}, "ERROR: hangup needs a line number\n"},
        {{"hangup", "1"}, "ERROR: line 1 has no call to hang up\n"},
        {{"hangup", "1", "2"}, "ERROR: hangup takes only a line number\n"},
        {{"digits", "1", "12x"}, "ERROR: \"12x\" holds a character that is not a digit\n"},
        {{"dialtone", "1"}, "ERROR: dialtone needs a line and on or off\n"},
        {{"dialtone", "1", "maybe"}, "ERROR: dialtone needs a line and on or off\n"},
        {{"farend", "1"}, "ERROR: farend needs a line and answer, busy, noanswer or any\n"},
        {{"farend", "1", "later"},
         "ERROR: farend needs answer [--rings N], busy, noanswer or any, not \"later\"\n"},
        {{"farend", "1", "answer", "--rings", "x"}, "ERROR: farend answer takes --rings N\n"},
        {{"frobnicate"}, "ERROR: unknown command \"frobnicate\"\n"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.args[0]);
        const Outcome r = run(row.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, row.error);
        EXPECT_EQ(r.out, "");
    }
    pumpFor(50);
    EXPECT_EQ(exchange().list(), before);
    EXPECT_EQ(app.take(), Trace{});
}

// A phone application hears what the handset commands do.
std::vector<std::string>& phoneMessages() {
    static std::vector<std::string> messages;
    return messages;
}
void notePhoneMessage(DWORD, DWORD message, DWORD_PTR, DWORD_PTR p1, DWORD_PTR p2, DWORD_PTR p3) {
    phoneMessages().push_back(std::to_string(message) + " " + std::to_string(p1) + " " +
                              std::to_string(p2) + " " + std::to_string(p3));
}

TEST_F(Telsim, HandsetCommandsReachThePhonesApplications) {
    HPHONEAPP app = 0;
    DWORD count = 0;
    ASSERT_EQ(phoneInitialize(&app, nullptr, notePhoneMessage, "handset", &count), 0);
    HPHONE phone = 0;
    ASSERT_EQ(phoneOpen(app, 0, &phone, TAPI_CURRENT_VERSION, 0, 1, PHONEPRIVILEGE_MONITOR), 0);
    ASSERT_EQ(phoneSetStatusMessages(phone, PHONESTATE_HANDSETHOOKSWITCH, PHONEBUTTONMODE_KEYPAD,
                                     PHONEBUTTONSTATE_DOWN),
              0);
    phoneMessages().clear();
    struct Case {
        std::vector<std::string> args;
        const char* answer;
        const char* message;
    };
    const Case cases[] = {
        {{"lift", "1"}, "OK handset lifted on phone 1\n", "18 512 8 0"},
        {{"press", "1", "#"}, "OK # pressed on phone 1\n", "14 11 8 2"},
        {{"replace", "1"}, "OK handset replaced on phone 1\n", "18 512 1 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, c.answer);
        pumpFor(150);
        EXPECT_EQ(phoneMessages(), Trace{c.message});
        phoneMessages().clear();
    }
    EXPECT_EQ(exchange().phoneStatus(0).status.dwHandsetHookSwitchMode,
              DWORD(PHONEHOOKSWITCHMODE_ONHOOK));

    const Case refused[] = {
        {{"lift"}, "ERROR: lift needs a phone number\n", nullptr},
        {{"lift", "2"}, "ERROR: no phone \"2\" (phones are 1 to 1)\n", nullptr},
        {{"replace", "1", "2"}, "ERROR: replace takes only a phone number\n", nullptr},
        {{"press", "1", "x"}, "ERROR: \"x\" is not a key of the keypad (0-9, * or #)\n", nullptr},
        {{"press", "1", "12"}, "ERROR: press needs a phone and one key\n", nullptr},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.args[0]);
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.answer);
    }
    pumpFor(150);
    EXPECT_EQ(phoneMessages(), Trace{});
    phoneShutdown(app);
}

TEST_F(Telsim, ARawClientWithAnUnterminatedQuoteGetsAnError) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socket.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string line = "ring 1 --name \"ANN\n";
    ASSERT_EQ(::send(fd, line.data(), line.size(), 0), static_cast<ssize_t>(line.size()));
    std::string answer;
    bool closed = false;
    pumpUntilDone(
        [&] {
            char buffer[256];
            const ssize_t n = closed ? 0 : ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0)
                answer.append(buffer, static_cast<std::size_t>(n));
            return closed = n == 0;
        },
        5000);
    ::close(fd);
    EXPECT_EQ(answer, "ERROR: unterminated quote\n");
    EXPECT_EQ(exchange().currentCall(0), 0u);
}

// A client that connects and dribbles (or sends nothing) must not keep the others waiting.
TEST_F(Telsim, ASlowClientHoldsUpNoOne) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socket.c_str());
    const int slow = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::connect(slow, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::send(slow, "li", 2, 0), 2);

    const Outcome list = run({"list"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("line 1 "), std::string::npos) << list.out;
    char buffer[64];
    EXPECT_EQ(::recv(slow, buffer, sizeof buffer, MSG_DONTWAIT), -1)
        << "the slow client was answered first";
    ::close(slow);
}

TEST(TelsimAlone, SaysWhenNoExchangeListens) {
    const Outcome r = telsim({"--socket", "/tmp/no-such-belltale.sock", "list"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "telsim: no exchange is listening on /tmp/no-such-belltale.sock (is the program "
              "running?)\n");
}

}  // namespace
