#include "platform/ui/font_warm_up.h"

#include <fontconfig/fontconfig.h>

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>
#include <mutex>
#include <utility>

namespace ui {
namespace {

std::mutex g_loadMutex;
std::shared_future<void> g_load;  // the living FontConfigLoad's reading

}  // namespace

FontConfigLoad::FontConfigLoad()
    // The toolkit asks for the same configuration when it lists the faces and then finds it read.
    : m_done(std::async(std::launch::async, [] { FcInit(); }).share()) {
    const std::lock_guard lock(g_loadMutex);
    g_load = m_done;
}

FontConfigLoad::~FontConfigLoad() {
    wait();
    const std::lock_guard lock(g_loadMutex);
    g_load = {};
}

void FontConfigLoad::wait() const {
    m_done.wait();
}

void waitForFontConfiguration() {
    std::shared_future<void> load;
    {
        const std::lock_guard lock(g_loadMutex);
        load = g_load;
    }
    if (load.valid())
        load.wait();
}

FontWarmUp::FontWarmUp(const FontConfigLoad& configuration, std::vector<std::string> families)
    : m_thread([&configuration, families = std::move(families)] {
          // Two readings of the configuration at once would each do the whole work.
          configuration.wait();
          // Listing the faces builds the toolkit's font database; measuring a family finds its
          // face and the faces that stand in for missing letters.
          QFontDatabase::families();
          QFontMetrics(QFont()).height();
          for (const std::string& family : families) {
              QFontMetrics(QFont(QString::fromStdString(family))).height();
          }
      }) {}

FontWarmUp::~FontWarmUp() {
    m_thread.join();
}

}  // namespace ui
