#include "platform/tapi/control_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/tapi/exchange.h"

namespace tapi {

namespace {

constexpr std::size_t kMaxCommand = 4096;
constexpr int kReadTimeoutMs = 5000;                       // a client that sends nothing is let go
constexpr auto kAnswerTimeout = std::chrono::seconds(10);  // a UI thread that does not pump

bool fillAddress(const std::filesystem::path& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

// True when something already answers on the socket file.
bool someoneListens(const sockaddr_un& address) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool live =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return live;
}

void writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

// One command handed to the UI thread; the listening thread waits for its answer.
struct Pending {
    std::mutex mutex;
    std::condition_variable done;
    std::string answer;
    bool answered = false;
    bool abandoned = false;
};

}  // namespace

struct ControlSocket::Impl {
    int listenFd = -1;
    int wakeRead = -1, wakeWrite = -1;
    std::filesystem::path path;
    std::thread thread;

    void run() {
        for (;;) {
            pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[1].revents)
                return;
            if (fds[0].revents & POLLIN) {
                const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
                if (client >= 0) {
                    serve(client);
                    ::close(client);
                }
            }
        }
    }

    void serve(int client) {
        std::string command;
        if (!readLine(client, command)) {
            writeAll(client, "ERROR: no command received\n");
            return;
        }
        writeAll(client, answer(command) + "\n");
    }

    bool readLine(int client, std::string& line) {
        char buffer[512];
        for (;;) {
            pollfd fds[2] = {{client, POLLIN, 0}, {wakeRead, POLLIN, 0}};
            if (::poll(fds, 2, kReadTimeoutMs) <= 0 || fds[1].revents)
                return false;
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                return !line.empty();
            line.append(buffer, static_cast<std::size_t>(n));
            if (const auto end = line.find('\n'); end != std::string::npos) {
                line.resize(end);
                return true;
            }
            if (line.size() > kMaxCommand)
                return false;
        }
    }

    // Runs the command on the UI thread and waits for its answer.
    std::string answer(const std::string& command) {
        auto pending = std::make_shared<Pending>();
        core::BackgroundWork owed;  // a virtual-time pump waits for this post instead of jumping
        core::post([pending, command] {
            std::unique_lock lock(pending->mutex);
            if (pending->abandoned)
                return;
            lock.unlock();
            std::string reply = exchange().execute(command);
            lock.lock();
            pending->answer = std::move(reply);
            pending->answered = true;
            pending->done.notify_all();
        });
        std::unique_lock lock(pending->mutex);
        if (!pending->done.wait_for(lock, kAnswerTimeout, [&] { return pending->answered; })) {
            pending->abandoned = true;  // nothing will change after the client gave up
            return "ERROR: the program did not take the command in time";
        }
        return pending->answer;
    }
};

ControlSocket::ControlSocket() : m_impl(std::make_unique<Impl>()) {}

ControlSocket::~ControlSocket() {
    stop();
}

std::filesystem::path ControlSocket::defaultPath() {
    return core::runtimeFolder() / "exchange.sock";
}

bool ControlSocket::start(const std::filesystem::path& path, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        if (m_impl->listenFd >= 0)
            ::close(m_impl->listenFd);
        m_impl->listenFd = -1;
        return false;
    };
    if (listening())
        return fail("already listening on " + m_impl->path.string());
    sockaddr_un address;
    if (!fillAddress(path, address))
        return fail("socket path too long: " + path.string());
    if (std::filesystem::exists(path)) {
        if (someoneListens(address)) {
            return fail("another exchange already listens on " + path.string());
        }
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    m_impl->listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_impl->listenFd < 0)
        return fail(std::string("socket: ") + std::strerror(errno));
    // Owner-only from the moment the file exists.
    const mode_t previous = ::umask(0077);
    const int bound =
        ::bind(m_impl->listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::umask(previous);
    if (bound != 0)
        return fail("cannot listen on " + path.string() + ": " + std::strerror(errno));
    ::chmod(path.c_str(), 0600);
    if (::listen(m_impl->listenFd, 8) != 0) {
        return fail(std::string("listen: ") + std::strerror(errno));
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return fail(std::string("pipe: ") + std::strerror(errno));
    m_impl->wakeRead = pipeFds[0];
    m_impl->wakeWrite = pipeFds[1];
    m_impl->path = path;
    m_impl->thread = std::thread([impl = m_impl.get()] { impl->run(); });
    return true;
}

void ControlSocket::stop() {
    if (!listening())
        return;
    const char wake = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(m_impl->wakeWrite, &wake, 1);
    m_impl->thread.join();
    ::close(m_impl->listenFd);
    ::close(m_impl->wakeRead);
    ::close(m_impl->wakeWrite);
    m_impl->listenFd = m_impl->wakeRead = m_impl->wakeWrite = -1;
    std::error_code error;
    std::filesystem::remove(m_impl->path, error);
}

bool ControlSocket::listening() const {
    return m_impl->thread.joinable();
}

}  // namespace tapi
