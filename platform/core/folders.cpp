#include "platform/core/folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

#include "platform/core/text.h"

namespace fs = std::filesystem;

namespace core {

namespace {

std::string envOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return (value && *value) ? value : fallback;
}

fs::path homeFolder() {
    return envOr("HOME", "/tmp");
}

fs::path ensureFolder(const fs::path& folder, fs::perms perms = fs::perms::unknown) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (perms != fs::perms::unknown)
        fs::permissions(folder, perms, ec);
    return folder;
}

void setError(std::string* error, const std::string& text) {
    if (error)
        *error = text;
}

bool writeAll(int fd, std::string_view content) {
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Raised by every outermost AppendScope and every rewrite: what a look under one value found
// still holds under it.
std::atomic<std::uint64_t> g_look{1};
thread_local int t_appendScopes = 0;

}  // namespace

namespace {

fs::path programFolderPath() {
    const std::string explicitHome = envOr("BELLTALE_HOME", "");
    if (!explicitHome.empty())
        return explicitHome;
    const fs::path data = envOr("XDG_DATA_HOME", (homeFolder() / ".local" / "share").string());
    return data / "belltale";
}

}  // namespace

// The program folder holds the mail password, the call log and the recordings: when this process
// makes it, only its user may enter it.
fs::path ensurePrivateFolder(const fs::path& folder) {
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return folder;
    if (folder.has_parent_path())
        fs::create_directories(folder.parent_path(), ec);
    if (::mkdir(folder.c_str(), 0700) == 0)
        ::chmod(folder.c_str(), 0700);
    return folder;
}

// The folder found for the event that asked, and that event's look: an event's many files need the
// folder (and the environment naming it) looked at once, not once a file.
struct KnownProgramFolder {
    fs::path folder;
    std::uint64_t look = 0;
};

thread_local KnownProgramFolder t_programFolder;

fs::path programFolder() {
    const std::uint64_t look = fileLook();
    KnownProgramFolder& known = t_programFolder;
    if (look == 0)
        return ensurePrivateFolder(programFolderPath());
    if (known.look != look) {
        known.folder = ensurePrivateFolder(programFolderPath());
        known.look = look;
    }
    return known.folder;
}

const fs::path& programFile(std::string_view name) {
    struct Made {
        std::string name;
        std::uint64_t look = 0;
        fs::path path;
    };
    thread_local std::vector<Made> t_made;
    const std::uint64_t look = fileLook();
    auto it = std::find_if(t_made.begin(), t_made.end(),
                           [name](const Made& made) { return made.name == name; });
    if (it == t_made.end()) {
        // Names are the program's own few; a caller that makes up many starts the list afresh.
        if (t_made.size() >= 32)
            t_made.clear();
        it = t_made.insert(t_made.end(), Made{std::string(name), 0, {}});
    }
    if (look == 0 || it->look != look) {
        it->path = programFolder() / name;
        it->look = look;
    }
    return it->path;
}

bool programFolderWritable(std::string* error) {
    const fs::path folder = ensurePrivateFolder(programFolderPath());
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        ec = std::make_error_code(static_cast<std::errc>(errno ? errno : ENOENT));
        setError(error, "cannot make '" + folder.string() + "': " + ec.message());
        return false;
    }
    // An unnamed file leaves nothing behind; file systems without them get a named probe.
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        const fs::path probe = folder / (".write-test-" + std::to_string(::getpid()));
        fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::unlink(probe.c_str());
    }
    if (fd < 0) {
        setError(error, "cannot write in '" + folder.string() + "': " + std::strerror(errno));
        return false;
    }
    ::close(fd);
    return true;
}

std::optional<fs::path> existingProgramFolder() {
    const fs::path folder = programFolderPath();
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return std::nullopt;
    return folder;
}

fs::path windowsFolder() {
    return ensureFolder(programFolder() / "windows");
}

namespace {

// Whether `folder` is a real folder (not a link) of this user that no one else may enter.
bool privateFolderOfThisUser(const fs::path& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & 07777) == 0700;
}

// Without XDG_RUNTIME_DIR the folder's name in the shared temporary folder is known to every
// user: one that someone else made, or made open, is not used.
fs::path fallbackRuntimeFolder() {
    std::error_code ec;
    fs::path temporary = fs::temp_directory_path(ec);
    if (ec)
        temporary = "/tmp";
    const fs::path named = temporary / ("belltale-" + std::to_string(::getuid()));
    if (::mkdir(named.c_str(), 0700) == 0)
        ::chmod(named.c_str(), 0700);
    if (privateFolderOfThisUser(named))
        return named;
    // Made once per process, so every socket of the run is in the same place.
    static std::mutex mutex;
    static fs::path madeFor, made;
    std::lock_guard lock(mutex);
    if (madeFor != named || !privateFolderOfThisUser(made)) {
        std::string pattern = named.string() + "-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            return named;
        std::fprintf(stderr,
                     "core: %s is not a private folder of this user; using %s for the "
                     "sockets instead\n",
                     named.c_str(), pattern.c_str());
        madeFor = named;
        made = pattern;
    }
    return made;
}

}  // namespace

fs::path runtimeFolder() {
    const std::string runtime = envOr("XDG_RUNTIME_DIR", "");
    if (runtime.empty())
        return fallbackRuntimeFolder();
    return ensureFolder(fs::path(runtime) / "belltale", fs::perms::owner_all);
}

fs::path assetsFolder() {
#ifdef BELLTALE_ASSETS_DIR
    return envOr("BELLTALE_ASSETS", BELLTALE_ASSETS_DIR);
#else
    return envOr("BELLTALE_ASSETS", "");
#endif
}

bool fillProgramFolder(std::string* error) {
    const fs::path assets = assetsFolder();
    const fs::path target = programFolder();
    std::error_code ec;
    if (assets.empty() || !fs::is_directory(assets, ec)) {
        setError(error, "no shipped assets at '" + assets.string() + "'");
        return false;
    }
    for (auto it = fs::recursive_directory_iterator(assets, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        // The listing's paths all begin with `assets`: taking it off needs no look at the disk.
        const fs::path relative = it->path().lexically_relative(assets);
        if (relative.empty() || relative.filename() == ".gitkeep")
            continue;
        const fs::path destination = target / relative;
        if (it->is_directory()) {
            ensureFolder(destination);
        } else if (!fs::exists(destination)) {
            ensureFolder(destination.parent_path());
            if (!fs::copy_file(it->path(), destination, ec)) {
                setError(error, "cannot copy '" + it->path().string() + "': " + ec.message());
                return false;
            }
        }
    }
    if (ec) {
        setError(error, "cannot read '" + assets.string() + "': " + ec.message());
        return false;
    }
    return true;
}

namespace {

std::atomic<bool> g_keepFileState{true};

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// File times move in coarse steps (a clock tick, or seconds on some file systems): a change made
// within a step of an earlier one may leave the times as they were. A second is far more than any
// local file system's step.
bool changedLongAgo(const struct stat& status) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const timespec& changed =
        status.st_ctim.tv_sec > status.st_mtim.tv_sec ? status.st_ctim : status.st_mtim;
    return now.tv_sec > changed.tv_sec + 1;
}

// The folders' listings the case-blind search read, kept while a folder is unchanged: the program
// looks for files that are absent (an empty number list) on every call. A folder counts as
// unchanged while it is the same one (device and inode) with the same size and times; a listing
// of a folder changed less than a timestamp step before it was read could miss a file made in
// that step, so such a listing is used once and read again the next time.
class FolderListings {
  public:
    struct Match {
        bool folderRead = false;
        std::optional<std::string> name;
    };

    // The first name in `folder`'s order that equals `name` but for ASCII case, and whether the
    // folder could be read at all.
    Match find(const fs::path& folder, const std::string& name) {
        struct stat status {};
        if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
            return {};
        std::lock_guard lock(m_mutex);
        auto it = m_listings.find(folder.string());
        if (it == m_listings.end() || !it->second.trusted ||
            !sameFolder(status, it->second.status) || !g_keepFileState) {
            // Folders seen once stay few in practice; a process that visits many starts afresh.
            if (m_listings.size() >= kMostFolders)
                m_listings.clear();
            Listing listing{status, changedLongAgo(status), {}};
            if (!readNames(folder, listing.names))
                return {};
            it = m_listings.insert_or_assign(folder.string(), std::move(listing)).first;
        }
        for (const std::string& entry : it->second.names) {
            if (equalsNoCase(entry, name))
                return {true, entry};
        }
        return {true, std::nullopt};
    }

  private:
    static constexpr std::size_t kMostFolders = 64;

    struct Listing {
        struct stat status;
        bool trusted;
        std::vector<std::string> names;
    };

    static bool sameFolder(const struct stat& a, const struct stat& b) {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
               a.st_nlink == b.st_nlink && sameTime(a.st_mtim, b.st_mtim) &&
               sameTime(a.st_ctim, b.st_ctim);
    }

    static bool readNames(const fs::path& folder, std::vector<std::string>& names) {
        std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
        if (!dir)
            return false;
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string_view entryName = entry->d_name;
            if (entryName != "." && entryName != "..")
                names.emplace_back(entryName);
        }
        return true;
    }

    std::mutex m_mutex;
    std::unordered_map<std::string, Listing> m_listings;
};

FolderListings& folderListings() {
    static FolderListings listings;
    return listings;
}

bool pathExists(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0;
}

}  // namespace

void keepFileState(bool keep) {
    g_keepFileState = keep;
}

std::optional<fs::path> findFileNoCase(const fs::path& path) {
    if (pathExists(path))
        return path;
    // Mostly only the file itself is missing, in a folder that exists as named.
    const fs::path name = path.filename();
    if (!name.empty() && name != "." && name != ".." && path.has_parent_path()) {
        const auto match = folderListings().find(path.parent_path(), name.string());
        if (match.folderRead)
            return match.name ? std::optional(path.parent_path() / *match.name) : std::nullopt;
    }
    fs::path found = path.root_path();
    for (const fs::path& part : path.relative_path()) {
        const fs::path exact = found / part;
        if (pathExists(exact)) {
            found = exact;
            continue;
        }
        const auto match =
            folderListings().find(found.empty() ? fs::path(".") : found, part.string());
        if (!match.name)
            return std::nullopt;
        found /= *match.name;
    }
    return found;
}

namespace {

constexpr std::string_view kTemporaryMark = ".tmp-";

// The process that made ".<name>.tmp-<pid>-<n>", or 0 when `name` is not such a temporary.
pid_t temporaryOwner(std::string_view name) {
    const size_t mark = name.rfind(kTemporaryMark);
    if (!name.starts_with('.') || mark == std::string_view::npos || mark < 2)
        return 0;
    const std::string_view tail = name.substr(mark + kTemporaryMark.size());
    const size_t dash = tail.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == tail.size())
        return 0;
    const auto digits = [](std::string_view text) {
        return text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (!digits(tail.substr(0, dash)) || !digits(tail.substr(dash + 1)) || dash > 9)
        return 0;
    return static_cast<pid_t>(std::stol(std::string(tail.substr(0, dash))));
}

bool processAlive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// Sweeps each folder the first time this process rewrites a file in it.
void sweepOnce(const fs::path& folder) {
    static std::mutex mutex;
    static std::set<std::string> swept;
    {
        std::lock_guard lock(mutex);
        if (!swept.insert(folder.string()).second)
            return;
    }
    removeStaleTemporaries(folder);
}

// Writes `content` to a new file in `folder` and gives it the name `temporary`. The file is made
// without a name (O_TMPFILE) and linked only once complete and flushed, so a process killed while
// writing leaves nothing behind; where the file system cannot do that it is made under its name.
bool writeTemporary(const fs::path& folder, const fs::path& temporary, mode_t mode,
                    std::string_view content, std::string* error) {
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    const bool unnamed = fd >= 0;
    if (!unnamed)
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        setError(error, "cannot create '" + temporary.string() + "': " + std::strerror(errno));
        return false;
    }
    // The mode exactly, whatever the umask: a file replaced keeps who may read it.
    bool written = ::fchmod(fd, mode) == 0 && writeAll(fd, content) && ::fsync(fd) == 0;
    int writeErrno = errno;
    if (written && unnamed) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        written =
            ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0;
        writeErrno = errno;
    }
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        if (!unnamed)
            ::unlink(temporary.c_str());
        setError(error, "cannot write '" + temporary.string() + "': " + std::strerror(writeErrno));
        return false;
    }
    return true;
}

}  // namespace

void removeStaleTemporaries(const fs::path& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const pid_t owner = temporaryOwner(entry.path().filename().string());
        if (owner > 0 && owner != ::getpid() && !processAlive(owner))
            ::unlink(entry.path().c_str());
    }
}

bool rewriteFile(const fs::path& path, std::string_view content, std::string* error,
                 unsigned newFileMode) {
    static std::atomic<unsigned> counter{0};
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    sweepOnce(folder);
    std::string name = ".";
    name.append(path.filename().string()).append(kTemporaryMark).append(std::to_string(::getpid()));
    name.append("-").append(std::to_string(counter++));
    const fs::path temporary = folder / name;
    mode_t mode = static_cast<mode_t>(newFileMode);
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0)
        mode = existing.st_mode & 07777;

    if (!writeTemporary(folder, temporary, mode, content, error))
        return false;
    const bool renamed = ::rename(temporary.c_str(), path.c_str()) == 0;
    ++g_look;  // a cache of this file must look again, even within the event
    if (!renamed) {
        const int renameErrno = errno;
        ::unlink(temporary.c_str());
        setError(error, "cannot replace '" + path.string() + "': " + std::strerror(renameErrno));
        return false;
    }
    return true;
}

namespace {

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether the open file still has this name (a rewrite may replace it while a writer waits), with
// what fstat says of it.
bool stillNamed(int fd, const fs::path& path, struct stat& opened) {
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

bool readAt(int fd, off_t from, std::string& into) {
    for (std::size_t done = 0; done < into.size();) {
        const ssize_t n =
            ::pread(fd, into.data() + done, into.size() - done, from + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A file appendLine keeps open while an AppendScope lives on its thread: the path it was asked
// for, the file that path led to, and the size its last line left it at (-1 when not known).
struct KeptFile {
    std::string asked;
    fs::path file;
    int fd = -1;
    off_t end = -1;
};

thread_local std::vector<KeptFile> t_keptFiles;

const KeptFile* keptFile(const fs::path& asked) {
    if (t_appendScopes == 0 || !g_keepFileState)
        return nullptr;
    for (const KeptFile& kept : t_keptFiles) {
        if (kept.asked == asked.native())
            return &kept;
    }
    return nullptr;
}

// Whether a descriptor kept since an earlier line still reaches the file under its name. One that
// a rewrite replaced or that was removed has no name left; a file with several names is looked up
// by its name. A file renamed away meanwhile gets the rest of the scope's lines.
bool stillReached(const KeptFile& kept, struct stat& opened) {
    if (::fstat(kept.fd, &opened) != 0 || opened.st_nlink == 0)
        return false;
    struct stat named {};
    return opened.st_nlink == 1 || (::stat(kept.file.c_str(), &named) == 0 &&
                                    opened.st_dev == named.st_dev && opened.st_ino == named.st_ino);
}

// Hands the descriptor back after a line: kept for the next line while a scope lives, else closed.
// False when closing reports that the line was not stored.
bool release(const fs::path& asked, const fs::path& file, int fd, off_t end) {
    if (t_appendScopes == 0 || !g_keepFileState)
        return ::close(fd) == 0;
    ::flock(fd, LOCK_UN);
    for (KeptFile& kept : t_keptFiles) {
        if (kept.fd == fd) {
            kept.end = end;
            return true;
        }
    }
    t_keptFiles.push_back(KeptFile{asked.native(), file, fd, end});
    return true;
}

void discard(int fd) {
    std::erase_if(t_keptFiles, [fd](const KeptFile& kept) { return kept.fd == fd; });
    ::close(fd);
}

// appendLine's work; `caseBlind` finds the file as findFileNoCase does, when it is not kept open.
bool appendTo(const fs::path& asked, std::string_view line, bool caseBlind) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        const KeptFile* kept = keptFile(asked);
        fs::path file;
        int fd = -1;
        if (kept) {
            file = kept->file;
            fd = kept->fd;
        } else {
            // Mostly the file is there under the name asked: opening it is the whole look.
            if (caseBlind)
                fd = ::open(asked.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
            file = fd >= 0 || !caseBlind ? asked : findFileNoCase(asked).value_or(asked);
            if (fd < 0)
                fd = ::open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        }
        if (fd < 0)
            return false;
        // The lock keeps another writer from appending between the look at the end and the write.
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        struct stat info {};
        if (kept ? !stillReached(*kept, info) : !stillNamed(fd, file, info)) {
            discard(fd);
            continue;
        }
        std::string text;
        // The end this process's last line left needs no look: it is that line's CR LF.
        if (info.st_size > 0 && !(kept && kept->end == info.st_size)) {
            char tail[2] = {0, 0};
            const off_t from = info.st_size >= 2 ? info.st_size - 2 : 0;
            const ssize_t n = ::pread(fd, tail, 2, from);
            const char last = n > 0 ? tail[n - 1] : '\n';
            if (last == '\r')
                text = "\n";
            else if (last != '\n')
                text = "\r\n";
        }
        // A file never mixes encodings: a file from Windows gets the line in its own encoding, or,
        // when the line does not fit it, becomes UTF-8 as a whole first. Only a line beyond ASCII
        // needs to know which, so only such a line pays for the look.
        std::string whole;
        if (info.st_size > 0 && !isAscii(line)) {
            whole.resize(static_cast<std::size_t>(info.st_size));
            if (!readAt(fd, 0, whole)) {
                discard(fd);
                return false;
            }
        }
        if (!whole.empty() && !isValidUtf8(whole)) {
            if (const auto narrow = utf8ToWindowsText(line)) {
                text.append(*narrow).append("\r\n");
            } else {
                const bool rewritten =
                    rewriteFile(file, windowsTextToUtf8(whole) + text + std::string(line) + "\r\n");
                discard(fd);
                return rewritten;
            }
        } else {
            text.append(line).append("\r\n");
        }
        const bool written = writeAll(fd, text);
        const off_t end = written ? info.st_size + static_cast<off_t>(text.size()) : -1;
        return release(asked, file, fd, end) && written;
    }
    return false;
}

}  // namespace

AppendScope::AppendScope() {
    if (t_appendScopes++ == 0)
        ++g_look;
}

std::uint64_t fileLook() {
    return t_appendScopes > 0 && g_keepFileState ? g_look.load() : 0;
}

AppendScope::~AppendScope() {
    if (--t_appendScopes > 0)
        return;
    for (const KeptFile& kept : t_keptFiles)
        ::close(kept.fd);
    t_keptFiles.clear();
}

bool appendLine(const fs::path& path, std::string_view line) {
    return appendTo(path, line, false);
}

bool appendLineNoCase(const fs::path& path, std::string_view line) {
    return appendTo(path, line, true);
}

std::optional<std::string> readFile(const fs::path& path) {
    // One read into a buffer of the file's size: callers read large files (the address book) on
    // every call, and growing a buffer on the way is costly. A file that grew meanwhile is read on.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file)
        return std::nullopt;
    std::error_code ec;
    const auto size = fs::is_regular_file(path, ec) ? fs::file_size(path, ec) : 0;
    std::string content(ec ? 0 : static_cast<std::size_t>(size), '\0');
    std::size_t filled = std::fread(content.data(), 1, content.size(), file.get());
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) {
        content.resize(filled);
        content.append(chunk, n);
        filled += n;
    }
    if (std::ferror(file.get()))
        return std::nullopt;
    content.resize(filled);
    return content;
}

std::optional<std::string> readTextFile(const fs::path& path) {
    std::optional<std::string> bytes = readFile(path);
    if (bytes)
        *bytes = windowsTextToUtf8(*bytes);
    return bytes;
}

}  // namespace core
