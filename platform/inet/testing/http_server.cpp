#include "platform/inet/testing/http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

namespace inet::testing {
namespace {

// A loopback port nobody listens on right now, chosen by the kernel.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer() {
    std::string pattern = (std::filesystem::path(::testing::TempDir()) / "http-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot make the server's folder";
        return;
    }
    m_folder = pattern;
    m_port = freePort();
    const std::string port = std::to_string(m_port);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Quiet: its request log would only clutter the test output.
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execl("/usr/bin/python3", "python3", "-m", "http.server", port.c_str(), "--bind",
                "127.0.0.1", "--directory", m_folder.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    m_pid = pid;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!accepts(m_port)) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid ||
            std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the loopback web server did not start";
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

LoopbackHttpServer::~LoopbackHttpServer() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    std::error_code ignored;
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder, ignored);
}

std::string LoopbackHttpServer::address() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void LoopbackHttpServer::serve(std::string_view path, std::string_view content) const {
    const std::filesystem::path file = m_folder / path;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

void LoopbackHttpServer::remove(std::string_view path) const {
    std::error_code ignored;
    std::filesystem::remove(m_folder / path, ignored);
}

std::string LoopbackHttpServer::unusedAddress() {
    return "http://127.0.0.1:" + std::to_string(freePort());
}

}  // namespace inet::testing
