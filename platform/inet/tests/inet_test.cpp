#include "platform/inet/inet.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/inet/testing/http_server.h"

namespace {

using inet::testing::LoopbackHttpServer;
using States = std::vector<short>;

class InetTest : public ::testing::Test {
  protected:
    InetTest() {
        m_inet.setOnStateChanged([this](short state) { m_states.push_back(state); });
    }

    core::VirtualTime m_time;
    LoopbackHttpServer m_server;
    inet::Inet m_inet;
    States m_states;
};

TEST_F(InetTest, FetchesATextDocumentReportingEachStateBeforeItReturns) {
    ASSERT_TRUE(m_server.running());
    m_server.serve("versions.txt", "Products\r\nbelltale:4.2.0:\r\n");
    const std::string text = m_inet.OpenURL(m_server.address() + "/versions.txt");
    EXPECT_EQ(text, "Products\r\nbelltale:4.2.0:\r\n");
    EXPECT_EQ(m_states, (States{inet::icConnecting, inet::icReceivingResponse,
                                inet::icResponseReceived, inet::icResponseCompleted}));
    EXPECT_FALSE(m_inet.StillExecuting());
    EXPECT_EQ(m_inet.ResponseCode(), 200);
}

TEST_F(InetTest, FetchesBytesUnchanged) {
    ASSERT_TRUE(m_server.running());
    std::string every;
    for (int byte = 0; byte < 256; ++byte)
        every.push_back(static_cast<char>(byte));
    m_server.serve("updates/program", every + every);
    const std::vector<std::uint8_t> bytes =
        m_inet.OpenURL(m_server.address() + "/updates/program", inet::icByteArray);
    ASSERT_EQ(bytes.size(), 512u);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(bytes[i], i % 256) << "at " << i;
    EXPECT_EQ(m_states.back(), inet::icResponseCompleted);
}

TEST_F(InetTest, AFailedTransferEndsInTheErrorStateWithNothing) {
    ASSERT_TRUE(m_server.running());
    m_server.serve("error.html", "<html>there is an error page</html>");
    struct Case {
        const char* name;
        std::string url;
    };
    const Case cases[] = {
        {"missing document (an error page is no document)", m_server.address() + "/missing.txt"},
        {"server down", LoopbackHttpServer::unusedAddress() + "/versions.txt"},
        {"not a web address", "file:///etc/hostname"},
        {"malformed address", "http://"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        m_states.clear();
        EXPECT_EQ(m_inet.OpenURL(row.url), "");
        ASSERT_FALSE(m_states.empty());
        EXPECT_EQ(m_states.back(), inet::icError);
        EXPECT_FALSE(m_inet.StillExecuting());
    }
}

TEST_F(InetTest, WithoutLibcurlATransferFailsSayingSoAndTheNextOneWorks) {
    ASSERT_TRUE(m_server.running());
    m_server.serve("versions.txt", "belltale:4.2.0:");
    setenv("BELLTALE_LIBCURL", "libcurl-that-is-not-here.so.4", 1);
    EXPECT_EQ(m_inet.OpenURL(m_server.address() + "/versions.txt"), "");
    unsetenv("BELLTALE_LIBCURL");
    EXPECT_EQ(m_states, (States{inet::icConnecting, inet::icError}));
    EXPECT_NE(m_inet.ErrorText().find("libcurl could not be loaded"), std::string::npos);
    EXPECT_NE(m_inet.ErrorText().find("libcurl-that-is-not-here.so.4"), std::string::npos);

    EXPECT_EQ(m_inet.OpenURL(m_server.address() + "/versions.txt"), "belltale:4.2.0:");
    EXPECT_EQ(m_inet.ErrorText(), "");
}

TEST_F(InetTest, KeepsTheProgramLiveAndRefusesASecondTransferMeanwhile) {
    ASSERT_TRUE(m_server.running());
    m_server.serve("a.txt", "first");
    bool postedRan = false;
    core::post([&] { postedRan = true; });
    std::string nested = "untouched";
    bool executingInside = false;
    m_inet.setOnStateChanged([&](short state) {
        if (state == inet::icConnecting) {
            executingInside = m_inet.StillExecuting();
            nested = m_inet.OpenURL(m_server.address() + "/a.txt");
        }
    });
    EXPECT_EQ(m_inet.OpenURL(m_server.address() + "/a.txt"), "first");
    EXPECT_TRUE(postedRan);
    EXPECT_TRUE(executingInside);
    EXPECT_EQ(nested, "");
}

// A server that takes connections and never answers: a transfer to it runs until cancelled.
class SilentServer {
  public:
    SilentServer() : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_fd, 4);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(m_fd); }
    std::string address() const { return "http://127.0.0.1:" + std::to_string(m_port); }

  private:
    int m_fd;
    int m_port = 0;
};

TEST_F(InetTest, CancelEndsTheTransferDisconnected) {
    ASSERT_TRUE(m_server.running());
    m_server.serve("a.txt", "first");
    SilentServer silent;
    m_inet.setOnStateChanged([&](short state) {
        m_states.push_back(state);
        if (state == inet::icConnecting)
            m_inet.Cancel();
    });
    EXPECT_EQ(m_inet.OpenURL(silent.address() + "/a.txt"), "");
    EXPECT_EQ(m_states.back(), inet::icDisconnected);
    // The control is usable again afterwards.
    m_states.clear();
    m_inet.setOnStateChanged([&](short state) { m_states.push_back(state); });
    EXPECT_EQ(m_inet.OpenURL(m_server.address() + "/a.txt"), "first");
    EXPECT_EQ(m_states.back(), inet::icResponseCompleted);
}

}  // namespace
