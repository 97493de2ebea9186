// The font set-up a start would otherwise pay on the first caption it measures.
#pragma once

#include <string>
#include <thread>
#include <vector>

namespace ui {

// Reads the machine's font configuration and list of faces, and finds the faces that stand in for
// the application's font and for `families`, on a thread of its own: the first text a window
// measures then finds them ready instead of stalling the start while they load. What it prepares is
// shared by the whole program; measuring or drawing text meanwhile is safe and at worst waits for
// it.
//
// Made once the application object exists; going away waits for the thread, so it must go before
// the application object does.
class FontWarmUp {
  public:
    explicit FontWarmUp(std::vector<std::string> families);
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

  private:
    std::thread m_thread;
};

}  // namespace ui
