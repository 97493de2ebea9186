#include "platform/inet/inet.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/inet/testing/http_server.h"

// Fault injection: while set, any allocation of this size or more fails as it would when memory
// runs out, wherever it is made (the transfer's worker included).
static std::atomic<std::size_t> gFailAllocationsFrom{0};

void* operator new(std::size_t size) {
    const std::size_t limit = gFailAllocationsFrom.load();
    if (limit != 0 && size >= limit)
        throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

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

// A web server of raw replies: each connection gets the next reply of the list, written as it
// stands, and is closed.
class RawReplyServer {
  public:
    explicit RawReplyServer(std::vector<std::string> replies)
        : m_fd(::socket(AF_INET, SOCK_STREAM, 0)), m_replies(std::move(replies)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_fd, 4);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~RawReplyServer() {
        ::shutdown(m_fd, SHUT_RDWR);
        m_thread.join();
        ::close(m_fd);
    }
    std::string address() const { return "http://127.0.0.1:" + std::to_string(m_port); }

  private:
    void serve() {
        for (const std::string& reply : m_replies) {
            const int client = ::accept(m_fd, nullptr, nullptr);
            if (client < 0)
                return;
            std::string request;
            char buffer[1024];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t got = ::read(client, buffer, sizeof buffer);
                if (got <= 0)
                    break;
                request.append(buffer, static_cast<std::size_t>(got));
            }
            for (std::size_t sent = 0; sent < reply.size();) {
                const ssize_t put = ::write(client, reply.data() + sent, reply.size() - sent);
                if (put <= 0)
                    break;
                sent += static_cast<std::size_t>(put);
            }
            ::close(client);
        }
    }

    int m_fd;
    int m_port = 0;
    std::vector<std::string> m_replies;
    std::thread m_thread;
};

TEST_F(InetTest, TakesOnlyADocumentWhoseEndTheServerMarked) {
    struct Case {
        const char* name;
        std::vector<std::string> replies;
        std::string document;  // empty: refused
    };
    const Case cases[] = {
        {"with its length", {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nwhole"}, "whole"},
        {"chunked",
         {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nwhole\r\n0\r\n\r\n"},
         "whole"},
        {"ended by closing the connection", {"HTTP/1.0 200 OK\r\n\r\ncut sho"}, ""},
        {"shorter than its length", {"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\ncut"}, ""},
        {"chunks cut short", {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\ncut"}, ""},
        {"redirected to one ended by closing",
         {"HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 0\r\n\r\n",
          "HTTP/1.0 200 OK\r\n\r\ncut sho"},
         ""},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        RawReplyServer server(row.replies);
        m_states.clear();
        EXPECT_EQ(m_inet.OpenURL(server.address() + "/updates/program"), row.document);
        ASSERT_FALSE(m_states.empty());
        EXPECT_EQ(m_states.back(),
                  row.document.empty() ? inet::icError : inet::icResponseCompleted);
    }
    RawReplyServer unmarked({"HTTP/1.0 200 OK\r\n\r\ncut sho"});
    m_inet.OpenURL(unmarked.address() + "/");
    EXPECT_NE(m_inet.ErrorText().find("did not mark where the document ends"), std::string::npos)
        << m_inet.ErrorText();
}

TEST_F(InetTest, RefusesADocumentOverItsLimit) {
    ASSERT_TRUE(m_server.running());
    m_server.serve("versions.txt", std::string(4096, 'v'));
    struct Case {
        std::size_t limit;
        bool taken;
    };
    for (const Case row : {Case{4096, true}, Case{4095, false}, Case{16, false}}) {
        SCOPED_TRACE(row.limit);
        m_inet.setMaxDocumentSize(row.limit);
        m_states.clear();
        EXPECT_EQ(m_inet.OpenURL(m_server.address() + "/versions.txt").size(),
                  row.taken ? 4096u : 0u);
        EXPECT_EQ(m_states.back(), row.taken ? inet::icResponseCompleted : inet::icError);
    }
    // Without a length declared the limit holds as the body arrives.
    RawReplyServer chunked({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n20\r\n" +
                            std::string(32, 'v') + "\r\n0\r\n\r\n"});
    EXPECT_EQ(m_inet.OpenURL(chunked.address() + "/versions.txt"), "");
    EXPECT_EQ(m_states.back(), inet::icError);
}

TEST_F(InetTest, RunningOutOfMemoryEndsTheTransferInsteadOfTheProgram) {
    ASSERT_TRUE(m_server.running());
    m_server.serve("updates/program", std::string(4u << 20, 'p'));
    gFailAllocationsFrom = 1u << 20;
    const std::vector<std::uint8_t> bytes =
        m_inet.OpenURL(m_server.address() + "/updates/program", inet::icByteArray);
    gFailAllocationsFrom = 0;
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(m_states.back(), inet::icError);
    EXPECT_NE(m_inet.ErrorText().find("not enough memory"), std::string::npos)
        << m_inet.ErrorText();
    m_server.serve("updates/program", "small");
    EXPECT_EQ(m_inet.OpenURL(m_server.address() + "/updates/program"), "small");
}

}  // namespace
