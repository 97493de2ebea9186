// Opening the caller records' windows on large files: the incoming-call log window on a log of
// 100,000 calls (target: under 300 ms to the filled list) and the address book window on a book
// of 10,000 callers (target: under 200 ms). Each iteration makes the window, loads it (reading
// the file and filling the list) and shows it, offscreen.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QListView>
#include <filesystem>
#include <string>

#include "platform/core/folders.h"
#include "vevuzer/records/frm_directory.h"
#include "vevuzer/records/frm_inclog.h"

namespace {

constexpr int kCalls = 100000;
constexpr int kCallers = 10000;

// A program folder holding the two files, removed when the program ends.
class ProgramFolder {
  public:
    ProgramFolder() {
        std::string folder = (std::filesystem::temp_directory_path() / "records-windows-XXXXXX");
        if (::mkdtemp(folder.data()) == nullptr) {
            return;
        }
        m_folder = folder;
        ::setenv("BELLTALE_HOME", folder.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_folder / "config").c_str(), 1);
        std::string log;
        for (int call = 0; call < kCalls; ++call) {
            log += "0163" + std::to_string(2000000 + call % 5000) + ", Caller number " +
                   std::to_string(call % 5000) + ", 10/12/2026 17:01:02\r\n";
        }
        core::rewriteFile(m_folder / "inclog.txt", log);
        std::string book = "[callers]\r\n";
        for (int caller = 0; caller < kCallers; ++caller) {
            book += "0163" + std::to_string(2000000 + caller) + "=Caller number " +
                    std::to_string(caller) + "\r\n";
        }
        core::rewriteFile(m_folder / "directory.ini", book);
        // Speech stays quiet; only its log line is written.
        core::rewriteFile(m_folder / "log.txt", "");
    }
    ~ProgramFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

  private:
    std::filesystem::path m_folder;
};

void BM_OpenIncomingCallsLog(benchmark::State& state) {
    for (auto _ : state) {
        frm_inclog window(
            []() -> vevuzer::TelephoneDirectory& {
                static vevuzer::TelephoneDirectory directory;
                return directory;
            },
            [] {});
        window.Show();
        if (window.control<QListView>("com_calls")->model()->rowCount() != kCalls) {
            state.SkipWithError("the list is not filled");
        }
    }
}

void BM_OpenTelephoneDirectory(benchmark::State& state) {
    for (auto _ : state) {
        frm_directory window;
        window.Show();
        if (window.control<QComboBox>("callers")->count() != kCallers) {
            state.SkipWithError("the list is not filled");
        }
    }
}

}  // namespace

BENCHMARK(BM_OpenIncomingCallsLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenTelephoneDirectory)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    const ProgramFolder folder;
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
