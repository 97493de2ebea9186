#include "platform/shell/testing/recorded_starts.h"

#include <cstdlib>
#include <thread>

#include "platform/core/folders.h"
#include "platform/shell/launch.h"

namespace shell {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(5);
constexpr auto kGiveUpAfter = std::chrono::seconds(20);

std::vector<RecordedStart> parse(const std::string& content) {
    std::vector<std::string> fields;
    std::size_t pos = 0;
    while (pos < content.size()) {
        const auto end = content.find('\0', pos);
        if (end == std::string::npos) {
            break;  // a record still being written
        }
        fields.push_back(content.substr(pos, end - pos));
        pos = end + 1;
    }
    std::vector<RecordedStart> starts;
    std::size_t i = 0;
    while (i + 2 <= fields.size()) {
        const std::size_t count = std::stoul(fields[i]);
        if (i + 2 + count > fields.size()) {
            break;
        }
        RecordedStart start{fields[i + 1], {}};
        start.argv.assign(fields.begin() + static_cast<long>(i + 2),
                          fields.begin() + static_cast<long>(i + 2 + count));
        starts.push_back(std::move(start));
        i += 2 + count;
    }
    return starts;
}

}  // namespace

RecordedStarts::RecordedStarts() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "belltale-starts-XXXXXX").string();
    m_folder = ::mkdtemp(pattern.data());
    m_file = m_folder / "starts";
    ::setenv("BELLTALE_RECORD_STARTS", m_file.c_str(), 1);
    m_previousRedirect = redirectStartsTo(BELLTALE_RECORD_ARGV_PROGRAM);
}

RecordedStarts::~RecordedStarts() {
    redirectStartsTo(m_previousRedirect);
    ::unsetenv("BELLTALE_RECORD_STARTS");
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::vector<RecordedStart> RecordedStarts::recorded() const {
    return parse(core::readFile(m_file).value_or(""));
}

std::vector<RecordedStart> RecordedStarts::waitFor(std::size_t count) const {
    const auto giveUp = std::chrono::steady_clock::now() + kGiveUpAfter;
    auto starts = recorded();
    while (starts.size() < count && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(kPollInterval);
        starts = recorded();
    }
    return starts;
}

}  // namespace shell
