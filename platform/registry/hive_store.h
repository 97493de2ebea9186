// The hive files of the program folder, cached in memory and shared safely with other processes.
// Internal to the registry layer; every function expects registryMutex() to be held.
#pragma once

#include <sys/stat.h>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/registry/hive_format.h"

namespace registry::detail {

enum class HiveId { CurrentUser, LocalMachine };

// What identifies one version of a file on disk: every rewrite renames a new file into place, so a
// change shows in the inode even when size and time happen to match.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNs = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

class HiveLock;

class Hive {
  public:
    explicit Hive(std::filesystem::path file);
    ~Hive();

    // Brings the cached contents up to date with the file. ERROR_SUCCESS, or the failure (the file
    // exists but cannot be read, or it could not be parsed nor kept aside). Within one event
    // (core::fileLook) the file is looked at once; a change by another process shows at the next.
    LONG refresh();
    const Key& root() const { return m_root; }

    using Change = std::function<LONG(Key& root, bool& changed)>;
    // Runs `change` on the current contents while holding the lock other processes respect, and
    // writes the file when `change` succeeds and sets `changed`. Returns `change`'s result, or the
    // failure to lock, read or write; a failed change is forgotten, never seen by the next call.
    // When writes are gathered, the change is only kept in the cache and the lock stays held until
    // flush() writes them all at once.
    LONG modify(const Change& change);
    // Writes the gathered changes, if any, and releases the lock held for them.
    LONG flush();

  private:
    friend class HiveLock;

    // refresh's look at the file, whatever this event has seen: a change builds on the file as
    // it is now.
    LONG refreshFromFile();
    LONG load(const FileStamp& stamp);
    LONG keepAside(const std::string& why);

    std::filesystem::path m_file;
    std::filesystem::path m_lockFile;
    Key m_root;
    FileStamp m_stamp;
    bool m_loaded = false;
    std::uint64_t m_look = 0;  // the event whose look m_stamp is
    bool m_lockHeld = false;
    bool m_reportedUnreadable = false;
    std::unique_ptr<HiveLock> m_gatheringLock;  // held from the first gathered change to flush()
    bool m_dirty = false;
};

// The hive of the current program folder; the folder is read on every call (once an event, see
// core::fileLook), and each folder keeps its own cache. Called with the registry's lock held.
Hive& hiveFor(HiveId id);
void dropHives();
// Writes every hive's gathered changes.
LONG flushHives();

std::recursive_mutex& registryMutex();
// Remembers the problem for lastProblem() and writes it to standard error.
void reportProblem(const std::string& problem);

}  // namespace registry::detail
