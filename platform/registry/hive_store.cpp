#include "platform/registry/hive_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "platform/core/clock.h"
#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/registry/registry.h"

namespace registry::detail {
namespace {

std::string g_lastProblem;
bool g_gatherWrites = false;
bool g_flushPosted = false;

FileStamp stampOf(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        return {};
    }
    return FileStamp{true, info.st_dev, info.st_ino, info.st_size,
                     std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec};
}

// "HKCU.txt.corrupt-20240131-142501", with "-2", "-3" ... added when that name is taken.
std::filesystem::path asideName(const std::filesystem::path& file) {
    const core::DateParts now = core::datePartsOf(core::now());
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", now.year, now.month, now.day,
                  now.hour, now.minute, now.second);
    const std::string base = file.string() + ".corrupt-" + stamp;
    std::filesystem::path candidate = base;
    std::error_code ignored;
    for (int n = 2; std::filesystem::exists(candidate, ignored); ++n) {
        candidate = base + "-" + std::to_string(n);
    }
    return candidate;
}

}  // namespace

// Holds the hive's lock file with an exclusive flock for as long as it lives. Other processes take
// the same lock before their read-modify-write, so no change is lost between two writers; readers
// need no lock because every write is an atomic rename.
class HiveLock {
  public:
    explicit HiveLock(Hive& hive) : m_hive(hive) {
        if (hive.m_lockHeld) {
            return;  // already ours: flock on a second descriptor would wait for ourselves
        }
        std::error_code ignored;
        std::filesystem::create_directories(hive.m_lockFile.parent_path(), ignored);
        m_fd = ::open(hive.m_lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0) {
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
        hive.m_lockHeld = true;
    }
    ~HiveLock() {
        if (m_fd >= 0) {
            m_hive.m_lockHeld = false;
            ::close(m_fd);  // releases the flock
        }
    }
    bool held() const { return m_hive.m_lockHeld; }

  private:
    Hive& m_hive;
    int m_fd = -1;
};

Hive::Hive(std::filesystem::path file)
    : m_file(std::move(file)), m_lockFile(m_file.string() + ".lock") {}

Hive::~Hive() {
    flush();
}

LONG Hive::refresh() {
    const std::uint64_t look = core::fileLook();
    if (look != 0 && m_loaded && m_look == look) {
        return ERROR_SUCCESS;
    }
    const LONG result = refreshFromFile();
    m_look = result == ERROR_SUCCESS ? look : 0;
    return result;
}

LONG Hive::refreshFromFile() {
    const FileStamp stamp = stampOf(m_file);
    if (m_loaded && stamp == m_stamp) {
        return ERROR_SUCCESS;
    }
    return load(stamp);
}

// The stamp is taken before reading: should the file be replaced in between, the next call sees a
// different stamp and reads again, never the other way round.
LONG Hive::load(const FileStamp& stamp) {
    m_loaded = false;
    if (!stamp.exists) {
        m_root = Key{};
        m_stamp = stamp;
        m_loaded = true;
        return ERROR_SUCCESS;
    }
    const auto text = core::readFile(m_file);
    if (!text && !stampOf(m_file).exists) {
        return load(FileStamp{});  // removed since the stamp was taken
    }
    if (!text) {
        if (!m_reportedUnreadable) {  // once, not on every call that finds it so
            reportProblem(m_file.string() + " cannot be read; it is left as it is");
            m_reportedUnreadable = true;
        }
        return ERROR_CANTREAD;
    }
    m_reportedUnreadable = false;
    ParseResult parsed = parseHive(*text);
    if (!parsed.root) {
        return keepAside("line " + std::to_string(parsed.errorLine) + ": " + parsed.error);
    }
    m_root = std::move(*parsed.root);
    m_stamp = stamp;
    m_loaded = true;
    return ERROR_SUCCESS;
}

// An unreadable hive is renamed, never overwritten, and an empty hive takes its place. This is done
// under the lock and after reading the file again, so two processes never both move a file and a
// hive another process has just repaired is kept.
LONG Hive::keepAside(const std::string& why) {
    if (!m_lockHeld) {
        HiveLock lock(*this);
        if (!lock.held()) {
            reportProblem(m_file.string() + " cannot be locked; it is left as it is");
            return ERROR_BADDB;
        }
        return load(stampOf(m_file));
    }
    const std::filesystem::path aside = asideName(m_file);
    std::error_code error;
    std::filesystem::rename(m_file, aside, error);
    if (error) {
        reportProblem(m_file.string() + " is damaged (" + why + ") and cannot be moved aside (" +
                      error.message() + "); it is left as it is");
        return ERROR_BADDB;
    }
    reportProblem(m_file.string() + " is damaged (" + why + "); it is kept as " + aside.string() +
                  " and an empty hive is used");
    m_root = Key{};
    m_stamp = stampOf(m_file);
    m_loaded = true;
    return ERROR_SUCCESS;
}

LONG Hive::modify(const Change& change) {
    auto lock = std::make_unique<HiveLock>(*this);
    if (!lock->held()) {
        reportProblem(m_lockFile.string() + " cannot be locked; the change is not written");
        return ERROR_CANTWRITE;
    }
    if (const LONG result = refreshFromFile(); result != ERROR_SUCCESS) {
        return result;
    }
    // The change works on a copy, so a change that fails half-way, or a file that cannot be
    // written, leaves the cache exactly as the file is.
    Key changedRoot = m_root;
    bool changed = false;
    const LONG result = change(changedRoot, changed);
    if (result != ERROR_SUCCESS || !changed) {
        return result;
    }
    if (g_gatherWrites) {
        m_root = std::move(changedRoot);
        m_dirty = true;
        if (!m_gatheringLock) {
            m_gatheringLock = std::move(lock);  // the lock this call took, kept until flush()
        }
        if (!g_flushPosted) {
            g_flushPosted = true;
            core::post([] { registry::flush(); });
        }
        return result;
    }
    std::string error;
    if (!core::rewriteFile(m_file, formatHive(changedRoot), &error, 0600)) {
        reportProblem(m_file.string() + " cannot be written (" + error + ")");
        return ERROR_CANTWRITE;
    }
    m_root = std::move(changedRoot);
    m_stamp = stampOf(m_file);
    return result;
}

LONG Hive::flush() {
    LONG result = ERROR_SUCCESS;
    if (m_dirty) {
        m_dirty = false;
        std::string error;
        if (core::rewriteFile(m_file, formatHive(m_root), &error, 0600)) {
            m_stamp = stampOf(m_file);
        } else {
            reportProblem(m_file.string() + " cannot be written (" + error + ")");
            m_loaded = false;  // the next call reads what the file holds
            result = ERROR_CANTWRITE;
        }
    }
    m_gatheringLock.reset();
    return result;
}

namespace {

struct FolderHives {
    explicit FolderHives(const std::filesystem::path& folder)
        : currentUser(folder / "HKCU.txt"), localMachine(folder / "HKLM.txt") {}
    Hive currentUser;
    Hive localMachine;
};

std::map<std::string, std::unique_ptr<FolderHives>>& cache() {
    static std::map<std::string, std::unique_ptr<FolderHives>> hives;
    return hives;
}

// Raised whenever the cache is emptied, so no thread keeps hives found before.
std::uint64_t g_cacheEmptied = 0;

// The hives one event found: the program folder stays the same through an event.
struct EventHives {
    std::uint64_t look = 0;
    std::uint64_t emptied = 0;
    FolderHives* hives = nullptr;
};
thread_local EventHives t_eventHives;

}  // namespace

Hive& hiveFor(HiveId id) {
    const std::uint64_t look = core::fileLook();
    EventHives& known = t_eventHives;
    if (look == 0 || known.look != look || known.emptied != g_cacheEmptied) {
        const std::filesystem::path folder = core::programFolder() / "registry";
        auto& slot = cache()[folder.string()];
        if (!slot) {
            slot = std::make_unique<FolderHives>(folder);
        }
        known = EventHives{look, g_cacheEmptied, slot.get()};
    }
    return id == HiveId::CurrentUser ? known.hives->currentUser : known.hives->localMachine;
}

void dropHives() {
    flushHives();
    cache().clear();
    ++g_cacheEmptied;
}

LONG flushHives() {
    g_flushPosted = false;
    LONG result = ERROR_SUCCESS;
    for (auto& [folder, hives] : cache()) {
        for (Hive* hive : {&hives->currentUser, &hives->localMachine}) {
            if (const LONG flushed = hive->flush(); flushed != ERROR_SUCCESS)
                result = flushed;
        }
    }
    return result;
}

std::recursive_mutex& registryMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

void reportProblem(const std::string& problem) {
    std::lock_guard lock(registryMutex());
    g_lastProblem = problem;
    std::fprintf(stderr, "registry: %s\n", problem.c_str());
}

}  // namespace registry::detail

namespace registry {

std::string lastProblem() {
    std::lock_guard lock(detail::registryMutex());
    return detail::g_lastProblem;
}

void gatherWrites(bool on) {
    std::lock_guard lock(detail::registryMutex());
    if (on && !detail::g_gatherWrites) {
        // The hives are made before the handler is registered, so they still exist when it runs.
        static const bool registered = (detail::flushHives(), std::atexit([] { flush(); }) == 0);
        (void)registered;
    }
    detail::g_gatherWrites = on;
    if (!on)
        detail::flushHives();
}

LONG flush() {
    std::lock_guard lock(detail::registryMutex());
    return detail::flushHives();
}

void dropCache() {
    std::lock_guard lock(detail::registryMutex());
    detail::dropHives();
}

}  // namespace registry
