#include "vevuzer/records/INIFuncs.h"

#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>

#include "platform/core/folders.h"
#include "platform/core/text.h"

namespace INIFuncs {
namespace {

// A number made only of "-" and blanks is no number: it would otherwise match every line holding
// a blank, and an unknown caller would be greeted with a stranger's name.
bool isBlankNumber(std::string_view key) {
    return key.find_first_not_of("- ") == std::string_view::npos;
}

bool hasLetters(std::string_view text) {
    for (char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            return true;
        }
    }
    return false;
}

// The text of the last book read, kept while the file is unchanged: a caller's look-up then costs
// a scan, not a read of the whole book. The file counts as unchanged while it is the same file
// (device and inode: a rewrite renames a new one into place) with the same size and times. A file
// changed within the file system's timestamp granularity of being read could show the same times
// after another change, so such a text is used once and read again the next time.
class BookCache {
  public:
    struct Text {
        const std::string* text = nullptr;
        const std::string* lowered = nullptr;  // only when asked for
    };

    // The text already looked at in this event for the book asked as `asked`, if any.
    std::optional<Text> seenThisEvent(std::string_view asked, bool lowered) {
        const std::uint64_t look = core::fileLook();
        if (look == 0 || !m_valid || m_look != look || m_asked != asked) {
            return std::nullopt;
        }
        return textFor(lowered);
    }

    std::optional<Text> textOf(std::string_view asked, const std::filesystem::path& path,
                               bool lowered) {
        m_look = 0;
        m_found.clear();
        struct stat status {};
        if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
            m_valid = false;
            return std::nullopt;
        }
        if (!(m_valid && m_trusted && path == m_path && sameFile(status))) {
            std::optional<std::string> bytes = core::readFile(path);
            if (!bytes) {
                m_valid = false;
                return std::nullopt;
            }
            m_text = core::windowsTextToUtf8(*bytes);
            m_lowered.reset();
            m_path = path;
            m_status = status;
            m_valid = true;
            m_trusted = changedLongAgo(status);
        }
        m_asked = asked;
        m_look = core::fileLook();
        return textFor(lowered);
    }

    void forget() { m_look = 0; }

    // The names found in this event's look at the book, by the key's lowered form: the road of a
    // call looks the same number up more than once.
    const std::string* foundBefore(const std::string& key) const {
        for (const auto& [form, name] : m_found) {
            if (form == key) {
                return &name;
            }
        }
        return nullptr;
    }
    void noteFound(const std::string& key, const std::string& name) {
        if (m_look != 0 && !foundBefore(key)) {
            m_found.emplace_back(key, name);
        }
    }

  private:
    Text textFor(bool lowered) {
        if (lowered && !m_lowered) {
            m_lowered = core::toLowerAscii(m_text);
        }
        return Text{&m_text, lowered ? &*m_lowered : nullptr};
    }
    static bool sameTime(const timespec& a, const timespec& b) {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    }
    bool sameFile(const struct stat& status) const {
        return status.st_dev == m_status.st_dev && status.st_ino == m_status.st_ino &&
               status.st_size == m_status.st_size && sameTime(status.st_mtim, m_status.st_mtim) &&
               sameTime(status.st_ctim, m_status.st_ctim);
    }
    // File times move in coarse steps; a second is far more than any file system's step.
    static bool changedLongAgo(const struct stat& status) {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        const timespec& changed =
            status.st_ctim.tv_sec > status.st_mtim.tv_sec ? status.st_ctim : status.st_mtim;
        return now.tv_sec > changed.tv_sec + 1;
    }

    bool m_valid = false;
    bool m_trusted = false;
    std::string m_asked;       // the name the book was asked for, before the case-blind search
    std::uint64_t m_look = 0;  // the event whose look found m_path as it is
    std::filesystem::path m_path;
    struct stat m_status {};
    std::string m_text;
    std::optional<std::string> m_lowered;
    std::vector<std::pair<std::string, std::string>> m_found;
};

std::mutex g_cacheMutex;
BookCache g_cache;

// The book as Windows would find it: an exact name first, then one differing only in case.

struct Line {
    std::size_t begin;
    std::size_t end;  // before the line's CR LF or LF
};

Line lineAround(std::string_view text, std::size_t pos) {
    const std::size_t newline = pos == 0 ? std::string_view::npos : text.rfind('\n', pos - 1);
    const std::size_t begin = newline == std::string_view::npos ? 0 : newline + 1;
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) {
        end = text.size();
    }
    if (end > begin && text[end - 1] == '\r') {
        --end;
    }
    return {begin, end};
}

// The name a line holds for a key found at `pos`: the text after the first "=" from the key on,
// or the whole line.
std::string nameAt(std::string_view text, std::size_t pos, const Line& line) {
    const std::string_view whole = text.substr(line.begin, line.end - line.begin);
    const std::size_t equals = whole.find('=', pos - line.begin);
    return std::string(equals == std::string_view::npos ? whole : whole.substr(equals + 1));
}

// The longest run of `key` without "-" and blanks that every other key holds too: the forms of
// one number (as received, without "-", without blanks) all hold each such run of the first, so
// one search for it finds every place where any of them can stand.
std::string_view commonAnchor(const std::vector<std::string>& keys) {
    const std::string_view first = keys.front();
    std::string_view best;
    std::size_t begin = 0;
    while (begin < first.size()) {
        const std::size_t end = std::min(first.find_first_of("- ", begin), first.size());
        const std::string_view run = first.substr(begin, end - begin);
        bool inAll = run.size() > best.size();
        for (std::size_t i = 1; inAll && i < keys.size(); ++i) {
            inAll = keys[i].find(run) != std::string::npos;
        }
        if (inAll) {
            best = run;
        }
        begin = end + 1;
    }
    return best;
}

// The C library's substring search: it skips through a large book several times faster than
// a search that stops at every byte equal to the anchor's first (a "0" in every number).
std::size_t findFrom(std::string_view text, std::string_view anchor, std::size_t from) {
    if (from > text.size()) {
        return std::string_view::npos;
    }
    const void* found =
        ::memmem(text.data() + from, text.size() - from, anchor.data(), anchor.size());
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data())
                 : std::string_view::npos;
}

struct Search {
    std::string key;  // as searched: lower case when the text searched is
    std::size_t anchorOffset = 0;
    bool done = false;
};

// Finds, for each key, its first place in `searched` that lies within one line, with one pass over
// the places of `anchor`; fills `results` from `text` (the same bytes in their own case).
void findAll(std::string_view text, std::string_view searched, std::string_view anchor,
             std::vector<Search>& searches, std::vector<std::string>& results) {
    std::size_t left = 0;
    for (const Search& search : searches) {
        left += search.done ? 0 : 1;
    }
    for (std::size_t from = 0; left > 0;) {
        const std::size_t at = findFrom(searched, anchor, from);
        if (at == std::string_view::npos) {
            break;
        }
        from = at + 1;
        for (std::size_t i = 0; i < searches.size(); ++i) {
            Search& search = searches[i];
            if (search.done || at < search.anchorOffset) {
                continue;
            }
            const std::size_t pos = at - search.anchorOffset;
            if (searched.compare(pos, search.key.size(), search.key) != 0) {
                continue;
            }
            const Line line = lineAround(searched, pos);
            if (pos + search.key.size() > line.end) {
                continue;  // never across a line's end
            }
            results[i] = nameAt(text, pos, line);
            search.done = true;
            --left;
        }
    }
}

}  // namespace

std::string directoryIniPath() {
    return core::programFile(kDirectoryFileName).string();
}

std::vector<std::string> ReadIniValues(std::string_view file,
                                       std::initializer_list<std::string_view> keys) {
    std::vector<std::string> results(keys.size());
    // Forms that are alike are searched once; blank ones not at all.
    std::vector<std::string> distinct;
    std::vector<std::size_t> formOf(keys.size(), std::string::npos);
    bool letters = false;
    std::size_t k = 0;
    for (std::string_view key : keys) {
        if (!isBlankNumber(key)) {
            const std::string lowered = core::toLowerAscii(key);
            std::size_t form = 0;
            while (form < distinct.size() && distinct[form] != lowered) {
                ++form;
            }
            if (form == distinct.size()) {
                distinct.push_back(lowered);
            }
            formOf[k] = form;
            letters = letters || hasLetters(key);
        }
        ++k;
    }
    if (distinct.empty()) {
        return results;
    }
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    // Letter case matters only when a key has letters; numbers are searched for as they are.
    std::optional<BookCache::Text> book = g_cache.seenThisEvent(file, letters);
    if (!book) {
        // The book is mostly there under the name asked, and the look at it answers the search.
        const std::filesystem::path asked(file);
        book = g_cache.textOf(file, asked, letters);
        if (!book) {
            const std::optional<std::filesystem::path> path = core::findFileNoCase(asked);
            if (!path) {
                g_cache.forget();
                return results;
            }
            if (*path != asked) {
                book = g_cache.textOf(file, *path, letters);
            }
        }
    }
    if (!book) {
        return results;
    }
    const std::string_view text = *book->text;
    const std::string_view searched = letters ? std::string_view(*book->lowered) : text;

    std::vector<std::string> found(distinct.size());
    bool allFoundBefore = true;
    for (std::size_t i = 0; i < distinct.size(); ++i) {
        const std::string* before = g_cache.foundBefore(distinct[i]);
        allFoundBefore = allFoundBefore && before;
        if (before) {
            found[i] = *before;
        }
    }
    if (!allFoundBefore) {
        const std::string_view anchor = commonAnchor(distinct);
        if (!anchor.empty()) {
            std::vector<Search> searches;
            for (const std::string& key : distinct) {
                searches.push_back({key, key.find(anchor), false});
            }
            findAll(text, searched, anchor, searches, found);
        } else {
            // Forms with nothing in common: one pass each.
            for (std::size_t i = 0; i < distinct.size(); ++i) {
                std::vector<Search> one = {{distinct[i], 0, false}};
                std::vector<std::string> result(1);
                findAll(text, searched, distinct[i], one, result);
                found[i] = std::move(result[0]);
            }
        }
        for (std::size_t i = 0; i < distinct.size(); ++i) {
            g_cache.noteFound(distinct[i], found[i]);
        }
    }
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (formOf[i] != std::string::npos) {
            results[i] = found[formOf[i]];
        }
    }
    return results;
}

std::string ReadIniValue(std::string_view file, std::string_view /*section*/, std::string_view key,
                         std::string_view /*defaultValue*/) {
    return ReadIniValues(file, {key}).front();
}

}  // namespace INIFuncs
