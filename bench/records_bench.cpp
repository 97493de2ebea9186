// The address book look-up on a large book: 10,000 callers in "directory.ini". Every look-up
// reads the file anew, as the callers expect (another window may have just saved an entry), so
// a look-up costs one read and one scan of the whole file. Target: under 1 ms per look-up.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/core/folders.h"
#include "vevuzer/records/INIFuncs.h"

namespace {

constexpr int kEntries = 10000;

std::string numberOf(int entry) {
    return "0163" + std::to_string(2000000 + entry);
}

// A book of kEntries callers in a temporary folder, removed when the program ends.
class Book {
  public:
    Book() {
        std::string folder = (std::filesystem::temp_directory_path() / "records-bench-XXXXXX");
        if (::mkdtemp(folder.data()) == nullptr) {
            return;
        }
        m_folder = folder;
        std::string text = "[callers]\r\n";
        for (int entry = 0; entry < kEntries; ++entry) {
            text += numberOf(entry) + "=Caller number " + std::to_string(entry) + "\r\n";
        }
        m_path = (m_folder / "directory.ini").string();
        core::rewriteFile(m_path, text);
    }
    ~Book() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    const std::string& path() const { return m_path; }

  private:
    std::filesystem::path m_folder;
    std::string m_path;
};

const std::string& bookPath() {
    static const Book book;
    return book.path();
}

void lookUp(benchmark::State& state, const std::string& key) {
    const std::string& book = bookPath();
    for (auto _ : state) {
        benchmark::DoNotOptimize(INIFuncs::ReadIniValue(book, "callers", key, ""));
    }
}

void BM_ReadIniValue_First(benchmark::State& state) {
    lookUp(state, numberOf(0));
}
void BM_ReadIniValue_Last(benchmark::State& state) {
    lookUp(state, numberOf(kEntries - 1));
}
// An unknown caller: the whole file is read and scanned for nothing.
void BM_ReadIniValue_Unknown(benchmark::State& state) {
    lookUp(state, "07700900999");
}

}  // namespace

BENCHMARK(BM_ReadIniValue_First)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadIniValue_Last)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadIniValue_Unknown)->Unit(benchmark::kMicrosecond);
