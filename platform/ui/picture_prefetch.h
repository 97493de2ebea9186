// Pictures read from files for the windows, one of them read ahead of need.
#pragma once

#include <memory>
#include <string>

class QPixmap;

namespace ui {

// Reads and decodes the picture in the file at `path` on a thread of its own, so that the window
// that shows it later (loadPicture) finds it decoded instead of reading it then. loadPicture is
// offered the newest prefetch only, and takes it once.
//
// Made once the application object exists; going away waits for the thread and drops the
// picture, so it must go before the application object does.
class PicturePrefetch {
  public:
    explicit PicturePrefetch(std::string path);
    ~PicturePrefetch();
    PicturePrefetch(const PicturePrefetch&) = delete;
    PicturePrefetch& operator=(const PicturePrefetch&) = delete;

    // Returns once the picture is decoded or found unreadable.
    void wait();

    struct Decoding;

  private:
    std::unique_ptr<Decoding> m_decoding;
};

// The picture in the file at `path`, as QPixmap::load reads it. A prefetched picture of that path
// stands in for the read when the file is still the one it was decoded from (same file, size and
// modification time). False, with `picture` left alone, when the file cannot be read as a picture.
// On the GUI thread only.
bool loadPicture(const std::string& path, QPixmap& picture);

}  // namespace ui
