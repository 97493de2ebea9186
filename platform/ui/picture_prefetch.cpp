#include "platform/ui/picture_prefetch.h"

#include <sys/stat.h>

#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace ui {

namespace {

// What tells one state of a file from another: a file replaced, rewritten or touched since differs.
struct FileStamp {
    dev_t device;
    ino_t inode;
    off_t size;
    long long modifiedSeconds;
    long modifiedNanoseconds;
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> stampOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return FileStamp{status.st_dev, status.st_ino, status.st_size,
                     static_cast<long long>(status.st_mtim.tv_sec), status.st_mtim.tv_nsec};
}

}  // namespace

struct PicturePrefetch::Decoding {
    explicit Decoding(std::string picturePath) : path(std::move(picturePath)) {}

    const std::string path;
    std::thread thread;
    // Written by the thread; read once it has been joined.
    QImage image;
    std::optional<FileStamp> stamp;
};

namespace {

// Guards the offer and every join, so a prefetch going away and a load never meet half-way.
std::mutex g_mutex;
PicturePrefetch::Decoding* g_offered = nullptr;

void finish(PicturePrefetch::Decoding& decoding) {
    if (decoding.thread.joinable())
        decoding.thread.join();
}

}  // namespace

PicturePrefetch::PicturePrefetch(std::string path)
    : m_decoding(std::make_unique<Decoding>(std::move(path))) {
    Decoding& decoding = *m_decoding;
    decoding.thread = std::thread([&decoding] {
        // A file changed while it was read is left for the load to read again.
        const std::optional<FileStamp> before = stampOf(decoding.path);
        if (!before)
            return;
        QImage image = QImageReader(QString::fromStdString(decoding.path)).read();
        if (stampOf(decoding.path) != before)
            return;
        decoding.image = std::move(image);
        decoding.stamp = before;
    });
    const std::lock_guard lock(g_mutex);
    g_offered = &decoding;
}

PicturePrefetch::~PicturePrefetch() {
    const std::lock_guard lock(g_mutex);
    if (g_offered == m_decoding.get())
        g_offered = nullptr;
    finish(*m_decoding);
}

void PicturePrefetch::wait() {
    const std::lock_guard lock(g_mutex);
    finish(*m_decoding);
}

bool loadPicture(const std::string& path, QPixmap& picture) {
    QImage prefetched;
    {
        const std::lock_guard lock(g_mutex);
        if (g_offered && g_offered->path == path) {
            finish(*g_offered);
            if (g_offered->stamp && stampOf(path) == g_offered->stamp)
                prefetched = std::move(g_offered->image);
            g_offered->image = QImage();
            g_offered = nullptr;
        }
    }
    if (!prefetched.isNull()) {
        QPixmap converted = QPixmap::fromImage(std::move(prefetched));
        if (!converted.isNull()) {
            picture = std::move(converted);
            return true;
        }
    }
    QPixmap loaded;
    if (!loaded.load(QString::fromStdString(path)))
        return false;
    picture = std::move(loaded);
    return true;
}

}  // namespace ui
