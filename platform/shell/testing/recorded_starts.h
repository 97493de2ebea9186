// Records the programs the shell layer starts instead of starting them: while a RecordedStarts
// exists every start runs a small stub program that writes down its working folder and arguments.
// The stub is a real process, so what a program would receive is exactly what is recorded.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace shell {

struct RecordedStart {
    std::string directory;
    std::vector<std::string> argv;  // argv[0] is the program that would have run
};

class RecordedStarts {
  public:
    RecordedStarts();
    ~RecordedStarts();
    RecordedStarts(const RecordedStarts&) = delete;
    RecordedStarts& operator=(const RecordedStarts&) = delete;

    // Waits until `count` starts have been recorded (the stub runs detached) and returns every
    // start so far. Gives up after a generous bound and returns what there is.
    std::vector<RecordedStart> waitFor(std::size_t count) const;
    // The starts recorded so far, without waiting.
    std::vector<RecordedStart> recorded() const;

  private:
    std::filesystem::path m_folder;
    std::filesystem::path m_file;
    std::string m_previousRedirect;
};

}  // namespace shell
