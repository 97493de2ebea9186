// The address book look-up on a large book: 100,000 callers in "directory.ini". The caller-ID road
// tries a number in up to three forms (as received, without "-", without blanks); the book's text
// is kept while the file is unchanged, and all forms are found in one pass over it. Target: under
// 1 ms for the three tries of an unknown caller, the worst case.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/core/folders.h"
#include "vevuzer/records/INIFuncs.h"

namespace {

constexpr int kEntries = 100000;

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
        // A book saved a while ago, as a caller finds it: the text of a book changed within the
        // last second or two is read again at each look-up, in case it changes again within
        // one step of the file system's clock.
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
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

// The three forms the caller-ID road tries for a number as a line control shows it.
void lookUpThreeForms(benchmark::State& state, const std::string& shown) {
    const std::string& book = bookPath();
    std::string withoutDashes;
    std::string withoutBlanks;
    for (char c : shown) {
        withoutDashes += c == '-' ? "" : std::string(1, c);
        withoutBlanks += c == '-' || c == ' ' ? "" : std::string(1, c);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            INIFuncs::ReadIniValues(book, {shown, withoutDashes, withoutBlanks}));
    }
}

void BM_ReadIniValue_First(benchmark::State& state) {
    lookUp(state, numberOf(0));
}
void BM_ReadIniValue_Last(benchmark::State& state) {
    lookUp(state, numberOf(kEntries - 1));
}
// An unknown caller: the whole book is scanned for nothing.
void BM_ReadIniValue_Unknown(benchmark::State& state) {
    lookUp(state, "07700900999");
}
// The caller-ID road's tries for a known caller shown with dashes, and for an unknown one.
void BM_CallerIdTries_Known(benchmark::State& state) {
    lookUpThreeForms(state, "016-320-99999");
}
void BM_CallerIdTries_Unknown(benchmark::State& state) {
    lookUpThreeForms(state, "077-009-00999");
}

}  // namespace

BENCHMARK(BM_ReadIniValue_First)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadIniValue_Last)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadIniValue_Unknown)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CallerIdTries_Known)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CallerIdTries_Unknown)->Unit(benchmark::kMicrosecond);
