// mmio over POSIX file descriptors. Reads and writes go straight to the file, so a failing write
// is reported by the mmioWrite that caused it rather than at close.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_set>

#include "platform/core/folders.h"
#include "platform/winmm/mmsystem.h"

namespace {

struct MmioFile {
    int fd = -1;
};

std::mutex g_filesMutex;
std::unordered_set<MmioFile*> g_files;

MmioFile* fileOf(HMMIO handle) {
    std::lock_guard lock(g_filesMutex);
    auto* file = reinterpret_cast<MmioFile*>(handle);
    return g_files.contains(file) ? file : nullptr;
}

HMMIO successMarker() {
    return reinterpret_cast<HMMIO>(1);
}

// The reason an open failed, in mmio's terms.
UINT openError(int error, const std::filesystem::path& path) {
    switch (error) {
        case ENOENT: {
            std::error_code ec;
            const auto parent = path.parent_path();
            return parent.empty() || std::filesystem::is_directory(parent, ec)
                       ? MMIOERR_FILENOTFOUND
                       : MMIOERR_PATHNOTFOUND;
        }
        case ENOTDIR:
            return MMIOERR_PATHNOTFOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return MMIOERR_ACCESSDENIED;
        case ETXTBSY:
        case EBUSY:
            return MMIOERR_SHARINGVIOLATION;
        case EMFILE:
        case ENFILE:
            return MMIOERR_TOOMANYOPENFILES;
        case ENAMETOOLONG:
        case EINVAL:
            return MMIOERR_INVALIDFILE;
        case ENOMEM:
            return MMIOERR_OUTOFMEMORY;
        default:
            return MMIOERR_CANNOTOPEN;
    }
}

// The name as stored on disk when it exists in another case, else the name as given.
std::filesystem::path resolveName(const char* name) {
    std::filesystem::path path(name);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        if (auto found = core::findFileNoCase(path))
            return *found;
    }
    return path;
}

HMMIO fail(MMIOINFO* info, UINT error) {
    if (info)
        info->wErrorRet = error;
    return nullptr;
}

bool readExactly(int fd, void* buffer, std::size_t count) {
    auto* bytes = static_cast<char*>(buffer);
    while (count > 0) {
        const ssize_t got = ::read(fd, bytes, count);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

bool writeExactly(int fd, const void* buffer, std::size_t count) {
    const auto* bytes = static_cast<const char*>(buffer);
    while (count > 0) {
        const ssize_t put = ::write(fd, bytes, count);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes += put;
        count -= static_cast<std::size_t>(put);
    }
    return true;
}

bool isListType(FOURCC id) {
    return id == FOURCC_RIFF || id == FOURCC_LIST;
}

bool chunkMatches(const MMCKINFO& found, const MMCKINFO& wanted, UINT flags) {
    if (flags & MMIO_FINDRIFF)
        return found.ckid == FOURCC_RIFF && found.fccType == wanted.fccType;
    if (flags & MMIO_FINDLIST)
        return found.ckid == FOURCC_LIST && found.fccType == wanted.fccType;
    if (flags & MMIO_FINDCHUNK)
        return found.ckid == wanted.ckid;
    return true;
}

HMMIO openFile(LPSTR fileName, MMIOINFO* info, DWORD flags) {
    const auto path = resolveName(fileName);
    std::error_code ec;
    if (flags & MMIO_EXIST)
        return std::filesystem::exists(path, ec) ? successMarker()
                                                 : fail(info, MMIOERR_FILENOTFOUND);
    if (flags & MMIO_DELETE)
        return ::unlink(path.c_str()) == 0 ? successMarker() : fail(info, openError(errno, path));
    if (flags & MMIO_PARSE) {
        const std::string full = std::filesystem::absolute(path, ec).string();
        if (ec || full.size() >= 128)
            return fail(info, MMIOERR_INVALIDFILE);
        std::memcpy(fileName, full.c_str(), full.size() + 1);
        return successMarker();
    }

    int mode;
    switch (flags & 0x3) {
        case MMIO_READ:
            mode = O_RDONLY;
            break;
        case MMIO_WRITE:
            mode = O_WRONLY;
            break;
        case MMIO_READWRITE:
            mode = O_RDWR;
            break;
        default:
            return fail(info, MMSYSERR_INVALFLAG);
    }
    if (flags & MMIO_CREATE)
        mode |= O_CREAT | O_TRUNC;
    const int fd = ::open(path.c_str(), mode | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(info, openError(errno, path));
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(fd);
        return fail(info, MMIOERR_ACCESSDENIED);
    }
    try {
        std::unique_ptr<MmioFile> file(new MmioFile{fd});
        std::lock_guard lock(g_filesMutex);
        g_files.insert(file.get());
        return reinterpret_cast<HMMIO>(file.release());
    } catch (const std::bad_alloc&) {
        ::close(fd);
        throw;
    }
}

}  // namespace

HMMIO mmioOpenA(LPSTR fileName, MMIOINFO* info, DWORD flags) {
    if (info)
        info->wErrorRet = MMSYSERR_NOERROR;
    if (!fileName || !*fileName)
        return fail(info, MMIOERR_CANNOTOPEN);
    try {
        return openFile(fileName, info, flags);
    } catch (const std::bad_alloc&) {
        return fail(info, MMIOERR_OUTOFMEMORY);
    } catch (const std::filesystem::filesystem_error&) {
        return fail(info, MMIOERR_CANNOTOPEN);  // a folder that could not be read for the name
    }
}

MMRESULT mmioClose(HMMIO handle, UINT) {
    MmioFile* file = fileOf(handle);
    if (!file)
        return MMSYSERR_INVALHANDLE;
    {
        std::lock_guard lock(g_filesMutex);
        g_files.erase(file);
    }
    const int result = ::close(file->fd);
    delete file;
    return result == 0 ? MMSYSERR_NOERROR : MMIOERR_CANNOTWRITE;
}

LONG mmioRead(HMMIO handle, HPSTR buffer, LONG count) {
    MmioFile* file = fileOf(handle);
    if (!file || count < 0 || (!buffer && count > 0))
        return -1;
    LONG total = 0;
    while (total < count) {
        const ssize_t got =
            ::read(file->fd, buffer + total, static_cast<std::size_t>(count - total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        total += static_cast<LONG>(got);
    }
    return total;
}

LONG mmioWrite(HMMIO handle, const char* buffer, LONG count) {
    MmioFile* file = fileOf(handle);
    if (!file || count < 0 || (!buffer && count > 0))
        return -1;
    return writeExactly(file->fd, buffer, static_cast<std::size_t>(count)) ? count : -1;
}

LONG mmioSeek(HMMIO handle, LONG offset, int origin) {
    MmioFile* file = fileOf(handle);
    if (!file || (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END))
        return -1;
    const off_t position = ::lseek(file->fd, offset, origin);
    if (position < 0 || position > 0x7FFFFFFF)
        return -1;
    return static_cast<LONG>(position);
}

MMRESULT mmioFlush(HMMIO handle, UINT) {
    return fileOf(handle) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT mmioDescend(HMMIO handle, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags) {
    MmioFile* file = fileOf(handle);
    if (!file)
        return MMSYSERR_INVALHANDLE;
    if (!chunk)
        return MMSYSERR_INVALPARAM;
    const std::uint64_t parentEnd =
        parent ? std::uint64_t{parent->dwDataOffset} + parent->cksize : UINT64_MAX;
    const MMCKINFO wanted = *chunk;
    for (;;) {
        const off_t start = ::lseek(file->fd, 0, SEEK_CUR);
        if (start < 0 || static_cast<std::uint64_t>(start) + 8 > parentEnd)
            return MMIOERR_CHUNKNOTFOUND;
        DWORD header[2];
        if (!readExactly(file->fd, header, sizeof header))
            return MMIOERR_CHUNKNOTFOUND;
        MMCKINFO found{header[0], header[1], 0, static_cast<DWORD>(start + 8), 0};
        if (isListType(found.ckid) && !readExactly(file->fd, &found.fccType, 4))
            return MMIOERR_CHUNKNOTFOUND;
        if (chunkMatches(found, wanted, flags)) {
            *chunk = found;
            return MMSYSERR_NOERROR;
        }
        const std::uint64_t next =
            std::uint64_t{found.dwDataOffset} + found.cksize + (found.cksize & 1);
        if (next > 0x7FFFFFFF || ::lseek(file->fd, static_cast<off_t>(next), SEEK_SET) < 0)
            return MMIOERR_CHUNKNOTFOUND;
    }
}

MMRESULT mmioAscend(HMMIO handle, MMCKINFO* chunk, UINT) {
    MmioFile* file = fileOf(handle);
    if (!file)
        return MMSYSERR_INVALHANDLE;
    if (!chunk)
        return MMSYSERR_INVALPARAM;
    if (chunk->dwFlags & MMIO_DIRTY) {
        // A chunk we wrote: its size is what was written since its header; fix the header when the
        // guess given at creation was wrong, and pad an odd size to the RIFF word boundary.
        const off_t end = ::lseek(file->fd, 0, SEEK_CUR);
        if (end < 0 || end < static_cast<off_t>(chunk->dwDataOffset))
            return MMIOERR_CANNOTSEEK;
        const DWORD size = static_cast<DWORD>(end - chunk->dwDataOffset);
        if (size != chunk->cksize) {
            chunk->cksize = size;
            if (::lseek(file->fd, static_cast<off_t>(chunk->dwDataOffset) - 4, SEEK_SET) < 0)
                return MMIOERR_CANNOTSEEK;
            if (!writeExactly(file->fd, &size, 4))
                return MMIOERR_CANNOTWRITE;
            if (::lseek(file->fd, end, SEEK_SET) < 0)
                return MMIOERR_CANNOTSEEK;
        }
        if ((size & 1) && !writeExactly(file->fd, "", 1))
            return MMIOERR_CANNOTWRITE;
        chunk->dwFlags &= ~MMIO_DIRTY;
        return MMSYSERR_NOERROR;
    }
    const std::uint64_t next =
        std::uint64_t{chunk->dwDataOffset} + chunk->cksize + (chunk->cksize & 1);
    if (next > 0x7FFFFFFF || ::lseek(file->fd, static_cast<off_t>(next), SEEK_SET) < 0)
        return MMIOERR_CANNOTSEEK;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioCreateChunk(HMMIO handle, MMCKINFO* chunk, UINT flags) {
    MmioFile* file = fileOf(handle);
    if (!file)
        return MMSYSERR_INVALHANDLE;
    if (!chunk)
        return MMSYSERR_INVALPARAM;
    if (flags & MMIO_CREATERIFF)
        chunk->ckid = FOURCC_RIFF;
    else if (flags & MMIO_CREATELIST)
        chunk->ckid = FOURCC_LIST;
    const off_t start = ::lseek(file->fd, 0, SEEK_CUR);
    if (start < 0 || start > 0x7FFFFFF0)
        return MMIOERR_CANNOTSEEK;
    const bool list = isListType(chunk->ckid);
    DWORD header[3] = {chunk->ckid, chunk->cksize, chunk->fccType};
    if (!writeExactly(file->fd, header, list ? 12 : 8))
        return MMIOERR_CANNOTWRITE;
    chunk->dwDataOffset = static_cast<DWORD>(start + 8);
    chunk->dwFlags = MMIO_DIRTY;
    return MMSYSERR_NOERROR;
}

FOURCC mmioStringToFOURCCA(LPCSTR text, UINT flags) {
    constexpr UINT kToUpper = 0x0010;
    char code[4] = {' ', ' ', ' ', ' '};
    for (int i = 0; text && i < 4 && text[i]; ++i)
        code[i] = (flags & kToUpper) && text[i] >= 'a' && text[i] <= 'z'
                      ? static_cast<char>(text[i] - 'a' + 'A')
                      : text[i];
    return mmioFOURCC(code[0], code[1], code[2], code[3]);
}
