// The exchange's control socket: a running program listens on a Unix-domain socket in the
// runtime folder, and tools/telsim sends it the exchange's commands (Exchange::execute).
//
// Wire form: the client sends one command line ending in "\n"; the server answers with the
// command's reply ("OK ..." or "ERROR: ...") and closes the connection. Commands run on the UI
// thread when it pumps; the listening thread only carries text.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace tapi {

class ControlSocket {
  public:
    ControlSocket();
    ~ControlSocket();  // stops listening and removes the socket file
    ControlSocket(const ControlSocket&) = delete;
    ControlSocket& operator=(const ControlSocket&) = delete;

    // "exchange.sock" in core::runtimeFolder().
    static std::filesystem::path defaultPath();

    // Listens on `path` (owner-only permissions). A stale socket file nobody listens on is
    // replaced; a live one is an error. False, with the reason, when it cannot listen.
    bool start(const std::filesystem::path& path = defaultPath(), std::string* error = nullptr);
    void stop();
    bool listening() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The running program's socket: listens on defaultPath() from the first initialisation of the line
// API in this process until the last application shuts it down, so that telsim reaches whatever
// program uses the simulated exchange. Not in virtual time, nor when BELLTALE_EXCHANGE_SOCKET is
// "off" (the test suite's processes share one runtime folder). A socket that cannot listen is said
// once on the error output; telephony works all the same.
void applicationStarted();
void applicationEnded(bool lastOne);

}  // namespace tapi
