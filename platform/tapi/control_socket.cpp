#include "platform/tapi/control_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"

namespace tapi {

namespace {

constexpr std::size_t kMaxCommand = 4096;
constexpr int kReadTimeoutMs = 5000;  // from accept: a client that sends no whole command is let go
constexpr std::size_t kMaxClients = 32;
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

    // A connected client still sending its command. Clients are read side by side, each against
    // its own deadline counted from accept, so a slow one holds up no one else.
    struct Client {
        int fd;
        std::string line;
        std::chrono::steady_clock::time_point deadline;
    };
    std::vector<Client> clients;

    void run() {
        for (;;) {
            std::vector<pollfd> fds = {{listenFd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
            for (const Client& client : clients)
                fds.push_back({client.fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), untilNextDeadlineMs()) < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            if (fds[1].revents)
                break;
            // Newest first, so erasing a served client leaves the indexes still to visit valid.
            for (std::size_t i = clients.size(); i-- > 0;) {
                if (fds[i + 2].revents)
                    readFrom(i);
            }
            dropLateClients();
            if (fds[0].revents & POLLIN)
                acceptClient();
        }
        for (const Client& client : clients)
            ::close(client.fd);
        clients.clear();
    }

    int untilNextDeadlineMs() const {
        if (clients.empty())
            return -1;
        auto next = clients.front().deadline;
        for (const Client& client : clients)
            next = std::min(next, client.deadline);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            next - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<std::int64_t>(left.count() + 1, 0));
    }

    void acceptClient() {
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        if (clients.size() >= kMaxClients) {
            finish(fd, "ERROR: too many clients at once");
            return;
        }
        clients.push_back(
            {fd, {}, std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadTimeoutMs)});
    }

    void readFrom(std::size_t index) {
        Client& client = clients[index];
        char buffer[512];
        const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n <= 0) {  // the client stopped sending: what came is the command
            serve(index, !client.line.empty());
            return;
        }
        client.line.append(buffer, static_cast<std::size_t>(n));
        if (const auto end = client.line.find('\n'); end != std::string::npos) {
            client.line.resize(end);
            serve(index, true);
        } else if (client.line.size() > kMaxCommand) {
            serve(index, false);
        }
    }

    void dropLateClients() {
        const auto now = std::chrono::steady_clock::now();
        for (std::size_t i = clients.size(); i-- > 0;) {
            if (clients[i].deadline <= now)
                serve(i, false);
        }
    }

    // Answers the client at `index` and lets it go.
    void serve(std::size_t index, bool complete) {
        const Client client = std::move(clients[index]);
        clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(index));
        finish(client.fd, complete ? answer(client.line) : "ERROR: no command received");
    }

    // Answers are short and fit the socket's buffer; a client that reads nothing is given up
    // after the read time-out rather than holding the others.
    static void finish(int fd, const std::string& reply) {
        const std::string text = reply + "\n";
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadTimeoutMs);
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd out = {fd, POLLOUT, 0};
            if (left.count() <= 0 || ::poll(&out, 1, static_cast<int>(left.count())) <= 0)
                break;
        }
        ::close(fd);
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

namespace {

ControlSocket*& programSocket() {
    static ControlSocket* socket = nullptr;
    return socket;
}

bool socketWanted() {
    const char* wanted = std::getenv("BELLTALE_EXCHANGE_SOCKET");
    return !core::virtualTimeActive() && !(wanted && std::string_view(wanted) == "off");
}

}  // namespace

void applicationStarted() {
    static bool failureSaid = false;
    if (programSocket() != nullptr || !socketWanted()) {
        return;
    }
    auto socket = std::make_unique<ControlSocket>();
    std::string error;
    if (!socket->start(ControlSocket::defaultPath(), &error)) {
        if (!failureSaid) {
            failureSaid = true;
            std::fprintf(stderr, "telsim cannot reach this program's exchange: %s\n",
                         error.c_str());
        }
        return;
    }
    programSocket() = socket.release();
}

void applicationEnded(bool lastOne) {
    if (lastOne && programSocket() != nullptr) {
        delete programSocket();
        programSocket() = nullptr;
    }
}

}  // namespace tapi
