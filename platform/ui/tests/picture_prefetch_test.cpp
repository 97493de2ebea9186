#include "platform/ui/picture_prefetch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <filesystem>
#include <optional>
#include <string>

namespace ui {
namespace {

namespace fs = std::filesystem;

class PicturePrefetchTest : public testing::Test {
  protected:
    void SetUp() override {
        m_folder = fs::temp_directory_path() /
                   ("picture_prefetch_" + std::to_string(::getpid()) + "_" +
                    testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // Uncompressed, so pictures of one size make files of one size.
    static void writePicture(const fs::path& path, Qt::GlobalColor colour) {
        QImage image(8, 4, QImage::Format_RGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "BMP"));
    }

    static std::optional<QColor> loaded(const fs::path& path) {
        QPixmap picture;
        if (!loadPicture(path.string(), picture))
            return std::nullopt;
        return picture.toImage().pixelColor(0, 0);
    }

    fs::path m_folder;
};

TEST_F(PicturePrefetchTest, IsUsedOnlyForTheFileItWasDecodedFrom) {
    enum class Change {
        None,
        RewrittenKeepingTimes,  // same file, size and modification time: the prefetch stands
        Rewritten,
        ReplacedKeepingTimes,  // another file renamed over it with the same size and time
        Removed,
        Made,  // missing when prefetched
    };
    struct Case {
        const char* what;
        Change change;
        const char* loadName;
        bool prefetchGoneFirst;
        std::optional<QColor> expected;
    };
    const QColor red(Qt::red), green(Qt::green), blue(Qt::blue);
    const Case cases[] = {
        {"unchanged", Change::None, "skin.bmp", false, red},
        {"rewritten keeping its times", Change::RewrittenKeepingTimes, "skin.bmp", false, red},
        {"another path", Change::RewrittenKeepingTimes, "other.bmp", false, green},
        {"prefetch gone", Change::RewrittenKeepingTimes, "skin.bmp", true, blue},
        {"rewritten", Change::Rewritten, "skin.bmp", false, blue},
        {"replaced keeping its times", Change::ReplacedKeepingTimes, "skin.bmp", false, blue},
        {"removed", Change::Removed, "skin.bmp", false, std::nullopt},
        {"made after the prefetch", Change::Made, "skin.bmp", false, blue},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path skin = m_folder / "skin.bmp";
        fs::remove(skin);
        if (c.change != Change::Made)
            writePicture(skin, Qt::red);
        writePicture(m_folder / "other.bmp", Qt::green);

        std::optional<PicturePrefetch> prefetch(std::in_place, skin.string());
        prefetch->wait();
        const fs::path spare = m_folder / "spare.bmp";
        switch (c.change) {
            case Change::None:
                break;
            case Change::RewrittenKeepingTimes: {
                const fs::file_time_type modified = fs::last_write_time(skin);
                writePicture(skin, Qt::blue);
                fs::last_write_time(skin, modified);
                break;
            }
            case Change::Rewritten:
                writePicture(skin, Qt::blue);
                fs::last_write_time(skin, fs::last_write_time(skin) + std::chrono::seconds(1));
                break;
            case Change::ReplacedKeepingTimes:
                writePicture(spare, Qt::blue);
                fs::last_write_time(spare, fs::last_write_time(skin));
                fs::rename(spare, skin);
                break;
            case Change::Removed:
                fs::remove(skin);
                break;
            case Change::Made:
                writePicture(skin, Qt::blue);
                break;
        }
        if (c.prefetchGoneFirst)
            prefetch.reset();
        EXPECT_EQ(loaded(m_folder / c.loadName), c.expected);
    }
}

// A later load of the same unchanged file reads it again: the prefetch is taken once.
TEST_F(PicturePrefetchTest, IsTakenByTheFirstLoadOnly) {
    const fs::path skin = m_folder / "skin.bmp";
    writePicture(skin, Qt::red);
    PicturePrefetch prefetch(skin.string());
    prefetch.wait();
    const fs::file_time_type modified = fs::last_write_time(skin);
    writePicture(skin, Qt::blue);
    fs::last_write_time(skin, modified);
    EXPECT_EQ(loaded(skin), QColor(Qt::red));
    EXPECT_EQ(loaded(skin), QColor(Qt::blue));
}

}  // namespace
}  // namespace ui
