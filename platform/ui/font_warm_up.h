// The font set-up a start would otherwise pay on the first caption it measures.
#pragma once

#include <future>
#include <string>
#include <thread>
#include <vector>

namespace ui {

// Reads the machine's font configuration (fontconfig's files and caches, most of the set-up's
// work) on a thread of its own. It needs no application object, so it is made before the
// application object and overlaps its making.
class FontConfigLoad {
  public:
    FontConfigLoad();
    ~FontConfigLoad();  // waits for the reading to end
    FontConfigLoad(const FontConfigLoad&) = delete;
    FontConfigLoad& operator=(const FontConfigLoad&) = delete;

    // Returns once the configuration has been read. Any thread may wait.
    void wait() const;

  private:
    std::shared_future<void> m_done;
};

// Returns once the FontConfigLoad that lives, if any, has read the configuration. Code that
// measures text while one may still be reading calls this first: text measured meanwhile would
// read the whole configuration a second time, alongside, instead of waiting for the rest of it.
void waitForFontConfiguration();

// Lists the faces and finds the ones that stand in for the application's font and for `families`,
// on a thread of its own, once `configuration` has been read: the first text a window measures
// then finds them ready instead of stalling the start while they load. What it prepares is shared
// by the whole program; measuring or drawing text meanwhile is safe and at worst waits for it.
//
// Made once the application object exists; going away waits for the thread, so it must go before
// the application object does.
class FontWarmUp {
  public:
    FontWarmUp(const FontConfigLoad& configuration, std::vector<std::string> families);
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

  private:
    std::thread m_thread;
};

}  // namespace ui
