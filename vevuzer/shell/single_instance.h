// Tells whether another copy of the program already runs on the same program folder. The first
// copy holds an advisory lock on a file in the program folder for as long as it lives; the system
// drops the lock when the process ends, however it ends, so no stale lock outlives a crash.
#pragma once

#include <filesystem>

namespace vevuzer {

class SingleInstance {
  public:
    SingleInstance() = default;
    ~SingleInstance();  // gives the lock up
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the program folder's lock. False when another copy holds it (or the lock file cannot
    // be made, which is taken as no other copy: the program then runs).
    bool claim();
    bool holding() const { return m_fd >= 0; }
    void giveUp();

    static std::filesystem::path lockPath();

  private:
    int m_fd = -1;
};

}  // namespace vevuzer
