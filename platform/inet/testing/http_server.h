// A real web server on loopback for tests: Python's http.server serving the files of a temporary
// folder on a free port, started by the constructor and stopped by the destructor.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace inet::testing {

class LoopbackHttpServer {
  public:
    // Starts the server and waits until it accepts connections; running() is false when it could
    // not be started.
    LoopbackHttpServer();
    ~LoopbackHttpServer();  // stops the server and removes its folder
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool running() const { return m_pid > 0; }
    // "http://127.0.0.1:<port>", without a trailing "/".
    std::string address() const;
    // Puts a file the server serves at "/<path>".
    void serve(std::string_view path, std::string_view content) const;
    void remove(std::string_view path) const;

    // An address on which nothing listens (a port that was free a moment ago).
    static std::string unusedAddress();

  private:
    std::filesystem::path m_folder;
    int m_port = 0;
    pid_t m_pid = -1;
};

}  // namespace inet::testing
