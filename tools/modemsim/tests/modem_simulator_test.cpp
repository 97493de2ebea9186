// The simulated modem as a program on the terminal's far side sees it.
#include "tools/modemsim/modem_simulator.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <numeric>
#include <string>

namespace {

using namespace std::chrono_literals;

class Terminal {
  public:
    explicit Terminal(const std::string& path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY)) {}
    ~Terminal() { ::close(m_fd); }
    bool ok() const { return m_fd >= 0; }
    void write(std::string_view bytes) const {
        ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads until `count` bytes came or `timeoutMs` passed without a byte.
    std::string read(std::size_t count, int timeoutMs = 1000) const {
        std::string got;
        char buffer[256];
        while (got.size() < count) {
            pollfd fd{m_fd, POLLIN, 0};
            if (::poll(&fd, 1, timeoutMs) <= 0) {
                break;
            }
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

  private:
    int m_fd;
};

TEST(ModemSimulator, AnswersEachCommandAndAcceptsOnlyItsCallerIdCommands) {
    modemsim::Options options;
    options.acceptedCallerIdCommands = {"AT#CID=1"};
    modemsim::ModemSimulator modem(options);
    ASSERT_TRUE(modem.ready());
    Terminal port(modem.devicePath());
    ASSERT_TRUE(port.ok());

    struct Case {
        std::string_view command;
        std::string_view reply;
    };
    static constexpr Case cases[] = {
        {"AT&F\r", "\r\nOK\r\n"}, {"at+vcid=1\r", "\r\nERROR\r\n"}, {"AT#CID=1\r", "\r\nOK\r\n"},
        {"ATDT\r", "\r\nOK\r\n"}, {"ATH\r", "\r\nOK\r\n"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.command);
        port.write(row.command);
        EXPECT_EQ(port.read(row.reply.size()), row.reply);
    }
    // What does not begin with AT gets no answer.
    port.write("EcTxH@\r");
    EXPECT_EQ(port.read(1, 100), "");
    EXPECT_EQ(modem.commands(),
              (std::vector<std::string>{"AT&F", "at+vcid=1", "AT#CID=1", "ATDT", "ATH", "EcTxH@"}));
}

TEST(ModemSimulator, EchoesAfterATE1) {
    modemsim::ModemSimulator modem;
    Terminal port(modem.devicePath());
    port.write("ATE1\r");
    EXPECT_EQ(port.read(6), "\r\nOK\r\n");
    port.write("ATH\r");
    EXPECT_EQ(port.read(10), "ATH\r\r\nOK\r\n");
}

TEST(ModemSimulator, SendsRingsCallerIdAndDataBlocksToTheProgram) {
    modemsim::ModemSimulator modem;
    Terminal port(modem.devicePath());
    const std::string report =
        modemsim::ringReport() + modemsim::callerIdReport({"0302", "0915", "01632960123", "ANN"});
    modem.send(report);
    EXPECT_EQ(port.read(report.size()),
              "\r\nRING\r\n\r\nDATE = 0302\r\nTIME = 0915\r\nNMBR = 01632960123\r\nNAME = "
              "ANN\r\n");

    // A block's bytes sum to 0 modulo 256, checksum included.
    for (const std::string& block : {modemsim::mdmfBlock("03020915", "01632960123", "ANN SMITH"),
                                     modemsim::sdmfBlock("03020915", "P")}) {
        modem.send(block);
        const std::string got = port.read(block.size());
        EXPECT_EQ(got, block);
        const unsigned sum = std::accumulate(got.begin(), got.end(), 0u, [](unsigned a, char c) {
            return a + static_cast<unsigned char>(c);
        });
        EXPECT_EQ(sum % 256, 0u);
    }
    EXPECT_EQ(modemsim::mdmfBlock("03020915", "O", ""), std::string("\x80\x0D\x01\x08"
                                                                    "03020915"
                                                                    "\x04\x01O"
                                                                    "\x82",
                                                                    16));
}

}  // namespace
