// Real mail servers on loopback for tests: an SMTP server (aiosmtpd, delivering into a Maildir)
// and a POP3 server (dovecot, one passwd-file user reading that Maildir), each on a free port of
// its own, started by the test and stopped with it, in plain text or with TLS under a certificate
// made for the test. A test that cannot start one skips. And a scripted server for the answers
// real servers give rarely.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace mail::testing {

namespace fs = std::filesystem;

// A loopback port nothing listens on at the moment.
inline int freePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    const int port = ntohs(address.sin_port);
    close(s);
    return port;
}

inline bool accepting(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return ok;
}

inline bool waitUntilAccepting(int port) {
    for (int i = 0; i < 100; ++i) {
        if (accepting(port))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

class Process {
  public:
    Process() = default;
    Process(const std::vector<std::string>& args, const fs::path& output) {
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Process() { stop(); }
    Process(Process&& other) noexcept : m_pid(other.m_pid) { other.m_pid = -1; }
    Process& operator=(Process&& other) noexcept {
        stop();
        m_pid = other.m_pid;
        other.m_pid = -1;
        return *this;
    }
    bool started() const { return m_pid > 0; }
    void stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

  private:
    pid_t m_pid = -1;
};

// How a server speaks TLS: not at all, after STARTTLS/STLS (which it then requires before a
// login or a message), or from the first byte on a port of its own.
enum class Tls { None, Offered, Implicit };

class MailServers {
  public:
    // In a folder of their own under /tmp, which the unprivileged POP3 processes can reach.
    MailServers() : MailServers(temporaryFolder()) {}
    explicit MailServers(const fs::path& root) : m_root(root) {
        fs::create_directories(maildir() / "new");
        fs::create_directories(maildir() / "cur");
        fs::create_directories(maildir() / "tmp");
        // The POP3 side reads the mail as an unprivileged user when the test runs as root.
        fs::permissions(m_root, fs::perms::all);
        for (const char* sub : {"", "new", "cur", "tmp"})
            fs::permissions(maildir() / sub, fs::perms::all);
    }

    ~MailServers() {
        m_smtp.stop();
        m_pop3.stop();
        if (m_owned) {
            std::error_code ignored;
            fs::remove_all(m_root, ignored);
        }
    }
    MailServers(const MailServers&) = delete;
    MailServers& operator=(const MailServers&) = delete;

    fs::path maildir() const { return m_root / "Maildir"; }
    int smtpPort() const { return m_smtpPort; }
    int pop3Port() const { return m_pop3Port; }
    std::string smtpServer() const { return "127.0.0.1:" + std::to_string(m_smtpPort); }
    std::string pop3Server() const { return "127.0.0.1:" + std::to_string(m_pop3Port); }
    int pop3sPort() const { return m_pop3sPort; }

    // A self-signed certificate for 127.0.0.1, which the engine trusts through
    // $BELLTALE_MAIL_CA_FILE; the system's store does not know it.
    fs::path certificate() const { return m_root / "cert.pem"; }
    fs::path key() const { return m_root / "key.pem"; }
    bool makeCertificate() const {
        const std::string command =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -addext "
            "subjectAltName=IP:127.0.0.1 -keyout '" +
            key().string() + "' -out '" + certificate().string() + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return false;
        fs::permissions(key(),
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        return true;
    }

    bool startSmtp(Tls tls = Tls::None) {
        m_smtpPort = freePort();
        std::vector<std::string> args = {"/usr/bin/python3",
                                         "-m",
                                         "aiosmtpd",
                                         "-n",
                                         "-l",
                                         "127.0.0.1:" + std::to_string(m_smtpPort)};
        if (tls != Tls::None) {
            if (!makeCertificate())
                return false;
            const bool implicit = tls == Tls::Implicit;
            args.insert(args.end(), {implicit ? "--smtpscert" : "--tlscert", certificate().string(),
                                     implicit ? "--smtpskey" : "--tlskey", key().string()});
        }
        args.insert(args.end(), {"-c", "aiosmtpd.handlers.Mailbox", maildir().string()});
        m_smtp = Process(args, m_root / "smtp.log");
        return m_smtp.started() && waitUntilAccepting(m_smtpPort);
    }
    void stopSmtp() { m_smtp.stop(); }

    // With TLS, both: STLS offered (and required before a login) on pop3Port() and TLS from the
    // first byte on pop3sPort().
    bool startPop3(const std::string& user, const std::string& password, Tls tls = Tls::None) {
        m_pop3Port = freePort();
        m_pop3sPort = freePort();
        if (tls != Tls::None && !makeCertificate())
            return false;
        const std::string ssl = tls == Tls::None
                                    ? "ssl = no\ndisable_plaintext_auth = no\n"
                                    : "ssl = required\nssl_cert = <" + certificate().string() +
                                          "\nssl_key = <" + key().string() + "\n";
        const std::string pop3s =
            tls == Tls::None
                ? ""
                : "  inet_listener pop3s {\n    port = " + std::to_string(m_pop3sPort) + "\n  }\n";
        const fs::path dir = m_root / "dovecot";
        fs::create_directories(dir / "run");
        fs::create_directories(dir / "state");
        std::ofstream(dir / "passwd") << user << ":{PLAIN}" << password << "\n";
        fs::permissions(dir, fs::perms::all);
        fs::permissions(dir / "passwd",
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
        uid_t uid = getuid();
        gid_t gid = getgid();
        std::string loginUser, internalUser;
        if (uid == 0) {
            const passwd* dovecot = getpwnam("dovecot");
            const passwd* dovenull = getpwnam("dovenull");
            if (!dovecot || !dovenull)
                return false;
            uid = dovecot->pw_uid;
            gid = dovecot->pw_gid;
            loginUser = "dovenull";
            internalUser = "dovecot";
        } else {
            loginUser = internalUser = getpwuid(uid)->pw_name;
        }
        std::ofstream(dir / "dovecot.conf")
            << "base_dir = " << (dir / "run").string() << "\n"
            << "state_dir = " << (dir / "state").string() << "\n"
            << "log_path = " << (dir / "dovecot.log").string() << "\n"
            << "protocols = pop3\nlisten = 127.0.0.1\n"
            << ssl << "auth_mechanisms = plain\nauth_failure_delay = 0\n"
            << "first_valid_uid = 1\n"
            << "default_login_user = " << loginUser << "\n"
            << "default_internal_user = " << internalUser << "\n"
            << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u "
            << (dir / "passwd").string() << "\n}\n"
            << "userdb {\n  driver = static\n  args = uid=" << uid << " gid=" << gid
            << " home=" << (m_root / "home").string() << " mail=maildir:" << maildir().string()
            << "\n}\n"
            << "service pop3-login {\n  chroot =\n  inet_listener pop3 {\n    port = " << m_pop3Port
            << "\n  }\n"
            << pop3s << "}\nservice imap-login {\n  chroot =\n}\nservice anvil {\n  chroot =\n}\n";
        m_pop3 = Process({"/usr/sbin/dovecot", "-F", "-c", (dir / "dovecot.conf").string()},
                         m_root / "pop3.log");
        return m_pop3.started() && waitUntilAccepting(m_pop3Port);
    }

    // The messages delivered so far, whole, in no particular order.
    std::vector<std::string> messages() const {
        std::vector<std::string> found;
        for (const char* sub : {"new", "cur"}) {
            for (const auto& entry : fs::directory_iterator(maildir() / sub)) {
                std::ifstream in(entry.path(), std::ios::binary);
                std::ostringstream text;
                text << in.rdbuf();
                found.push_back(text.str());
            }
        }
        return found;
    }
    // Puts a message into the mailbox as if it had been delivered.
    void deliver(const std::string& name) const {
        std::ofstream(maildir() / "new" / name)
            << "From: a@example.net\r\nSubject: hi\r\n\r\nhi\r\n";
    }

  private:
    static fs::path temporaryFolder() {
        std::string pattern = "/tmp/belltale-mail-XXXXXX";
        return mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path("/tmp/belltale-mail");
    }

    fs::path m_root;
    bool m_owned = m_root.string().rfind("/tmp/belltale-mail-", 0) == 0;
    int m_smtpPort = 0;
    int m_pop3Port = 0;
    int m_pop3sPort = 0;
    Process m_smtp;
    Process m_pop3;
};

// A server that accepts connections and never says a word.
class SilentServer {
  public:
    SilentServer() {
        m_socket = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_socket, 8);
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~SilentServer() { close(m_socket); }
    std::string server() const { return "127.0.0.1:" + std::to_string(m_port); }

  private:
    int m_socket = -1;
    int m_port = 0;
};

// A loopback server that answers as its script says, one connection after another.
class ScriptedServer {
  public:
    class Conversation {
      public:
        // The next line the client sent, without its CR LF; false once it hung up.
        bool readLine(std::string& line) {
            for (;;) {
                const auto end = m_buffer.find('\n');
                if (end != std::string::npos) {
                    line = m_buffer.substr(0, end);
                    if (!line.empty() && line.back() == '\r')
                        line.pop_back();
                    m_buffer.erase(0, end + 1);
                    return true;
                }
                char chunk[4096];
                const ssize_t n = recv(m_fd, chunk, sizeof chunk, 0);
                if (n <= 0)
                    return false;
                m_buffer.append(chunk, static_cast<std::size_t>(n));
            }
        }
        // Sends `text` as it stands; false once the client hung up.
        bool send(std::string_view text) {
            while (!text.empty()) {
                const ssize_t n = ::send(m_fd, text.data(), text.size(), MSG_NOSIGNAL);
                if (n <= 0)
                    return false;
                text.remove_prefix(static_cast<std::size_t>(n));
            }
            return true;
        }
        bool reply(std::string_view line) { return send(std::string(line) + "\r\n"); }
        // Waits `time`, or less when the server is stopped.
        void wait(std::chrono::milliseconds time) {
            std::unique_lock lock(m_server.m_mutex);
            m_server.m_stopped.wait_for(lock, time, [this] { return m_server.m_stopping; });
        }

      private:
        friend class ScriptedServer;
        Conversation(ScriptedServer& server, int fd) : m_server(server), m_fd(fd) {}
        ScriptedServer& m_server;
        int m_fd;
        std::string m_buffer;
    };

    explicit ScriptedServer(std::function<void(Conversation&)> script)
        : m_script(std::move(script)) {
        m_socket = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_socket, 8);
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~ScriptedServer() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_stopped.notify_all();
        shutdown(m_socket, SHUT_RDWR);
        if (const int fd = m_client.load(); fd >= 0)
            shutdown(fd, SHUT_RDWR);
        m_thread.join();
        close(m_socket);
    }
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::string server() const { return "127.0.0.1:" + std::to_string(m_port); }

  private:
    void serve() {
        for (;;) {
            const int fd = accept(m_socket, nullptr, nullptr);
            if (fd < 0)
                return;
            m_client = fd;
            {
                std::lock_guard lock(m_mutex);
                if (m_stopping) {
                    close(fd);
                    return;
                }
            }
            Conversation conversation(*this, fd);
            m_script(conversation);
            m_client = -1;
            close(fd);
        }
    }

    std::function<void(Conversation&)> m_script;
    int m_socket = -1;
    int m_port = 0;
    std::atomic<int> m_client{-1};
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace mail::testing
