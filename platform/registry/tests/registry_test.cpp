#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/virtual_time.h"
#include "platform/registry/registry.h"
#include "platform/registry/vb_settings.h"

namespace fs = std::filesystem;
using namespace std::string_literals;
using ::testing::HasSubstr;

namespace {

std::string errorName(LONG code) {
    struct Name {
        LONG code;
        const char* name;
    };
    static constexpr Name names[] = {
        {ERROR_SUCCESS, "ERROR_SUCCESS"},
        {ERROR_FILE_NOT_FOUND, "ERROR_FILE_NOT_FOUND"},
        {ERROR_ACCESS_DENIED, "ERROR_ACCESS_DENIED"},
        {ERROR_INVALID_HANDLE, "ERROR_INVALID_HANDLE"},
        {ERROR_INVALID_PARAMETER, "ERROR_INVALID_PARAMETER"},
        {ERROR_MORE_DATA, "ERROR_MORE_DATA"},
        {ERROR_NO_MORE_ITEMS, "ERROR_NO_MORE_ITEMS"},
        {ERROR_BADDB, "ERROR_BADDB"},
        {ERROR_CANTREAD, "ERROR_CANTREAD"},
        {ERROR_CANTWRITE, "ERROR_CANTWRITE"},
        {ERROR_KEY_DELETED, "ERROR_KEY_DELETED"},
    };
    for (const auto& [value, name] : names) {
        if (value == code) {
            return name;
        }
    }
    return std::to_string(code);
}

const BYTE* bytes(const char* text) {
    return reinterpret_cast<const BYTE*>(text);
}

LONG setString(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, bytes(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

std::string readFileText(const fs::path& path) {
    return core::readFile(path).value_or("<missing>");
}

// Every test runs on its own program folder and its own desktop configuration folder.
class RegistryFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::path(::testing::TempDir()) / "registry-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
        m_home = m_root / "home";
        m_config = m_root / "config";
        keepEnvironment("BELLTALE_HOME");
        keepEnvironment("XDG_CONFIG_HOME");
        ::setenv("BELLTALE_HOME", m_home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : m_savedEnvironment) {
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        }
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    fs::path hiveFile(const char* name) const { return m_home / "registry" / name; }
    fs::path autostartEntry(const char* valueName) const {
        return m_config / "autostart" / ("belltale-" + std::string(valueName) + ".desktop");
    }
    std::vector<fs::path> filesIn(const fs::path& folder) const {
        std::vector<fs::path> files;
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(folder, ignored)) {
            files.push_back(entry.path().filename());
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    fs::path m_root, m_home, m_config;

  private:
    void keepEnvironment(const std::string& name) {
        const char* value = std::getenv(name.c_str());
        m_savedEnvironment.emplace_back(name,
                                        value ? std::optional<std::string>(value) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_savedEnvironment;
};

// A key opened for the test and closed after it.
class TestKey {
  public:
    explicit TestKey(const char* path, HKEY root = HKEY_CURRENT_USER) {
        EXPECT_EQ(errorName(RegCreateKeyA(root, path, &m_key)), "ERROR_SUCCESS");
    }
    ~TestKey() { RegCloseKey(m_key); }
    operator HKEY() const { return m_key; }

  private:
    HKEY m_key = nullptr;
};

using RegistryCalls = RegistryFixture;

TEST_F(RegistryCalls, AnswerWindowsResultCodes) {
    TestKey app("Software\\Belltale");
    TestKey child("Software\\Belltale\\Child");
    ASSERT_EQ(setString(app, "Name", "Ann"), ERROR_SUCCESS);
    HKEY readOnly = nullptr, doomed = nullptr, closed = nullptr, opened = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Belltale", 0, KEY_READ, &readOnly),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyA(app, "Doomed", &doomed), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyA(app, "Closed", &closed), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
    BYTE buffer[16];
    DWORD size = sizeof buffer;

    struct Case {
        const char* what;
        std::function<LONG()> call;
        LONG expected;
    };
    const Case cases[] = {
        {"open a missing key",
         [&] { return RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Nobody", 0, KEY_READ, &opened); },
         ERROR_FILE_NOT_FOUND},
        {"open below a missing key",
         [&] { return RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Nobody\\Deeper", &opened); },
         ERROR_FILE_NOT_FOUND},
        {"open with an empty name between backslashes",
         [&] { return RegOpenKeyA(HKEY_CURRENT_USER, "Software\\\\Belltale", &opened); },
         ERROR_INVALID_PARAMETER},
        {"open without a result pointer",
         [&] { return RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"query a missing value",
         [&] { return RegQueryValueExA(app, "Nothing", nullptr, nullptr, nullptr, &size); },
         ERROR_FILE_NOT_FOUND},
        {"query into a buffer without its size",
         [&] { return RegQueryValueExA(app, "Name", nullptr, nullptr, buffer, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"delete a missing value", [&] { return RegDeleteValueA(app, "Nothing"); },
         ERROR_FILE_NOT_FOUND},
        {"delete a missing key", [&] { return RegDeleteKeyA(app, "Nothing"); },
         ERROR_FILE_NOT_FOUND},
        {"delete a key that has subkeys",
         [&] { return RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Belltale"); },
         ERROR_ACCESS_DENIED},
        {"delete a predefined key", [&] { return RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""); },
         ERROR_ACCESS_DENIED},
        {"delete a key without subkeys", [&] { return RegDeleteKeyA(app, "Doomed"); },
         ERROR_SUCCESS},
        {"write through a handle to a deleted key", [&] { return setString(doomed, "x", "y"); },
         ERROR_KEY_DELETED},
        {"write through a read-only handle", [&] { return setString(readOnly, "x", "y"); },
         ERROR_ACCESS_DENIED},
        {"read through a read-only handle",
         [&] { return RegQueryValueExA(readOnly, "name", nullptr, nullptr, nullptr, &size); },
         ERROR_SUCCESS},
        {"use a closed handle", [&] { return setString(closed, "x", "y"); }, ERROR_INVALID_HANDLE},
        {"close a closed handle", [&] { return RegCloseKey(closed); }, ERROR_INVALID_HANDLE},
        {"use a null handle", [&] { return setString(nullptr, "x", "y"); }, ERROR_INVALID_HANDLE},
        {"use a made-up handle",
         [&] { return setString(reinterpret_cast<HKEY>(std::uintptr_t{0x7777}), "x", "y"); },
         ERROR_INVALID_HANDLE},
        {"close a predefined key", [&] { return RegCloseKey(HKEY_LOCAL_MACHINE); }, ERROR_SUCCESS},
        {"set a non-text default value the old way",
         [&] { return RegSetValueA(app, "Sub", REG_DWORD, "1", 1); }, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(errorName(c.call()), errorName(c.expected));
    }
    RegCloseKey(readOnly);
    RegCloseKey(doomed);
}

TEST_F(RegistryCalls, QueryFollowsTheBufferRules) {
    TestKey key("Software\\Belltale");
    ASSERT_EQ(setString(key, "Name", "Ann"), ERROR_SUCCESS);  // 4 bytes with the NUL

    struct Case {
        const char* what;
        bool withBuffer;
        DWORD room;
        LONG expected;
        DWORD sizeAfter;
        const char* content;
    };
    static constexpr Case cases[] = {
        {"no buffer asks for the size", false, 0, ERROR_SUCCESS, 4, ""},
        {"a buffer too small", true, 3, ERROR_MORE_DATA, 4, "...."},
        {"an empty buffer", true, 0, ERROR_MORE_DATA, 4, "...."},
        {"a buffer of exactly the size", true, 4, ERROR_SUCCESS, 4, "Ann"},
        {"a larger buffer", true, 10, ERROR_SUCCESS, 4, "Ann"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char buffer[16] = "....";
        DWORD type = 0xDEAD, size = c.room;
        const LONG result =
            RegQueryValueExA(key, "NAME", nullptr, &type,
                             c.withBuffer ? reinterpret_cast<BYTE*>(buffer) : nullptr, &size);
        EXPECT_EQ(errorName(result), errorName(c.expected));
        EXPECT_EQ(type, REG_SZ);
        EXPECT_EQ(size, c.sizeAfter);
        if (c.withBuffer) {
            EXPECT_STREQ(buffer, c.content);
        }
    }
}

TEST_F(RegistryCalls, CreateReportsWhetherTheKeyIsNew) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Belltale\\Deep\\Key", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\belltale\\DEEP\\key", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
}

TEST_F(RegistryCalls, NamesIgnoreCaseAndKeepTheFirstCase) {
    {
        TestKey key("Software\\BellTale");
        ASSERT_EQ(setString(key, "LineName", "first"), ERROR_SUCCESS);
        ASSERT_EQ(setString(key, "LINENAME", "second"), ERROR_SUCCESS);
    }
    EXPECT_EQ(registry::subkeyNames(HKEY_CURRENT_USER, "software"),
              std::vector<std::string>{"BellTale"});
    using Values = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(registry::stringValues(HKEY_CURRENT_USER, "SOFTWARE\\BELLTALE"),
              (Values{{"LineName", "second"}}));
    EXPECT_EQ(registry::readString(HKEY_CURRENT_USER, "software\\belltale", "linename"), "second");
}

TEST_F(RegistryCalls, EnumerationEndsWithNoMoreItems) {
    TestKey key("Software\\Belltale");
    for (const char* name : {"Zulu", "alpha", "Mike"}) {
        HKEY subkey = nullptr;
        ASSERT_EQ(RegCreateKeyA(key, name, &subkey), ERROR_SUCCESS);
        RegCloseKey(subkey);
        ASSERT_EQ(setString(key, name, name), ERROR_SUCCESS);
    }
    std::vector<std::string> subkeys, values;
    char name[32];
    DWORD index = 0, length = sizeof name;
    LONG result;
    while ((result = RegEnumKeyExA(key, index++, name, &length, nullptr, nullptr, nullptr,
                                   nullptr)) == ERROR_SUCCESS) {
        subkeys.emplace_back(name, length);
        length = sizeof name;
    }
    EXPECT_EQ(errorName(result), "ERROR_NO_MORE_ITEMS");
    index = 0;
    DWORD type = 0, dataSize = 0;
    while ((result = RegEnumValueA(key, index++, name, &(length = sizeof name), nullptr, &type,
                                   nullptr, &dataSize)) == ERROR_SUCCESS) {
        values.emplace_back(name, length);
        EXPECT_EQ(dataSize, std::string(name).size() + 1);
    }
    EXPECT_EQ(errorName(result), "ERROR_NO_MORE_ITEMS");
    EXPECT_EQ(subkeys, (std::vector<std::string>{"alpha", "Mike", "Zulu"}));  // by name
    EXPECT_EQ(values, (std::vector<std::string>{"Zulu", "alpha", "Mike"}));   // as created

    length = 4;  // "Zulu" needs 5 with its NUL
    EXPECT_EQ(errorName(RegEnumValueA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr)),
              "ERROR_MORE_DATA");
    DWORD subkeyCount = 0, valueCount = 0, longestValue = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeyCount, nullptr, nullptr,
                               &valueCount, nullptr, &longestValue, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeyCount, 3u);
    EXPECT_EQ(valueCount, 3u);
    EXPECT_EQ(longestValue, 6u);  // "alpha" and its NUL
}

TEST_F(RegistryCalls, RootKeysMapToTheirHives) {
    // HKEY_CLASSES_ROOT is a view of HKLM\Software\Classes.
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "lkLK36.lkLine\\Clsid", REG_SZ, "{CLSID}", 0),
              ERROR_SUCCESS);
    EXPECT_EQ(
        registry::readString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\lkLK36.lkLine\\Clsid", ""),
        "{CLSID}");
    char text[16];
    LONG size = sizeof text;
    ASSERT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "LKLK36.LKLINE\\CLSID", text, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "{CLSID}");
    EXPECT_EQ(size, 8);
    // A key without a default value reads as the empty text through the older call.
    size = sizeof text;
    ASSERT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "lkLK36.lkLine", text, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1);

    // A VB Long holding &H80000002, widened without its sign, still names the machine hive; the
    // leading backslash some callers write is tolerated.
    const auto longRoot = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002u});
    ASSERT_EQ(registry::writeString(longRoot, "\\SOFTWARE\\Orvane", "Directory", "/opt/q"),
              ERROR_SUCCESS);
    EXPECT_EQ(registry::readString(HKEY_LOCAL_MACHINE, "Software\\Orvane", "Directory"), "/opt/q");
    EXPECT_EQ(registry::readString(HKEY_CURRENT_USER, "Software\\Orvane", "Directory"),
              std::nullopt);
}

using RegistryFiles = RegistryFixture;

TEST_F(RegistryFiles, ValuesSurviveAReload) {
    struct Case {
        const char* name;
        DWORD type;
        std::string data;
        std::optional<std::string> readBack = std::nullopt;  // when it differs from the data
    };
    const std::string everyByte = [] {
        std::string all;
        for (int c = 0; c < 256; ++c) {
            all += static_cast<char>(c);
        }
        return all;
    }();
    const Case cases[] = {
        {"plain", REG_SZ, "Voice Modem\0"s},
        {"with=equals \"and quotes\"", REG_SZ, "a=b;c\\d \"q\" %41 [x]\0"s},
        {"newlines", REG_SZ, "one\r\ntwo\nthree\0"s},
        {"non-ASCII", REG_SZ, "Zoë Ørsted – 東京\0"s},
        {"not UTF-8", REG_SZ, "caf\xe9 \xff\0"s},
        {"embedded NUL", REG_SZ, "cut\0here\0"s},
        {"no NUL given", REG_SZ, "abc"s, "abc\0"s},
        {"@", REG_EXPAND_SZ, "%HOME%\\x\0"s},
        {"", REG_SZ, "the default\0"s},
        {"list", REG_MULTI_SZ, "one\0two\0\0"s},
        {"count", REG_DWORD, "\x0a\0\0\x80"s},
        {"short dword", REG_DWORD, "\x01\x02"s},
        {"bytes", REG_BINARY, everyByte},
        {"nothing", REG_BINARY, ""s},
        {"eleven", 11, "12345678"s},
    };
    const char* keyPath = "Software\\Belltale [odd] 100%\\Ünïcode";
    {
        TestKey key(keyPath);
        for (const Case& c : cases) {
            ASSERT_EQ(RegSetValueExA(key, c.name, 0, c.type, bytes(c.data.data()),
                                     static_cast<DWORD>(c.data.size())),
                      ERROR_SUCCESS)
                << c.name;
        }
    }
    registry::dropCache();
    TestKey key(keyPath);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string data(c.data.size() + 8, '\0');
        DWORD type = 0, size = static_cast<DWORD>(data.size());
        ASSERT_EQ(errorName(RegQueryValueExA(key, c.name, nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &size)),
                  "ERROR_SUCCESS");
        data.resize(size);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(data, c.readBack.value_or(c.data));
    }
    EXPECT_EQ(registry::readString(HKEY_CURRENT_USER, keyPath, "embedded nul"), "cut");
    // Each value stays on its own line of readable text.
    const std::string text = readFileText(hiveFile("HKCU.txt"));
    EXPECT_THAT(text, HasSubstr("\"newlines\"=sz:\"one%0D%0Atwo%0Athree\"\r\n"));
    EXPECT_THAT(text, HasSubstr("\"non-ASCII\"=sz:\"Zoë Ørsted – 東京\"\r\n"));
    EXPECT_THAT(text, HasSubstr("\"count\"=dword:8000000a\r\n"));
}

TEST_F(RegistryFiles, EmptyKeysAndDeletionsSurviveAReload) {
    TestKey empty("Software\\Belltale\\Empty");
    ASSERT_EQ(registry::writeString(HKEY_CURRENT_USER, "Software\\Belltale\\Gone", "x", "y"),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Belltale\\Gone"), ERROR_SUCCESS);
    registry::dropCache();
    EXPECT_EQ(registry::subkeyNames(HKEY_CURRENT_USER, "Software\\Belltale"),
              std::vector<std::string>{"Empty"});
}

TEST_F(RegistryFiles, EachProgramFolderHasItsOwnHives) {
    ASSERT_EQ(registry::writeString(HKEY_CURRENT_USER, "Software\\Belltale", "where", "first"),
              ERROR_SUCCESS);
    const fs::path first = m_home, second = m_root / "other";
    ::setenv("BELLTALE_HOME", second.c_str(), 1);
    EXPECT_EQ(registry::readString(HKEY_CURRENT_USER, "Software\\Belltale", "where"), std::nullopt);
    ASSERT_EQ(registry::writeString(HKEY_CURRENT_USER, "Software\\Belltale", "where", "second"),
              ERROR_SUCCESS);
    ::setenv("BELLTALE_HOME", first.c_str(), 1);
    EXPECT_EQ(registry::readString(HKEY_CURRENT_USER, "Software\\Belltale", "where"), "first");
}

TEST_F(RegistryFiles, ConcurrentWritersLoseNothing) {
    constexpr int kWriters = 3, kValuesEach = 60;
    const std::string writer = std::string(BELLTALE_BINARY_DIR) + "/bin/registry_test_writer";
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const std::string count = std::to_string(kValuesEach),
                              prefix = "child" + std::to_string(w);
            ::execl(writer.c_str(), writer.c_str(), count.c_str(), prefix.c_str(), nullptr);
            ::_exit(127);
        }
        children.push_back(child);
    }
    // This process writes too, through its cached copy of the hive, while the children write.
    for (int n = 0; n < kValuesEach; ++n) {
        ASSERT_EQ(registry::writeString(HKEY_CURRENT_USER, "Software\\Belltale\\Concurrent",
                                        "parent-" + std::to_string(n), std::to_string(n)),
                  ERROR_SUCCESS);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    const auto values = registry::stringValues(HKEY_CURRENT_USER, "Software\\Belltale\\Concurrent");
    EXPECT_EQ(values.size(), size_t{(kWriters + 1) * kValuesEach});
    for (int w = -1; w < kWriters; ++w) {
        const std::string prefix = w < 0 ? "parent" : "child" + std::to_string(w);
        for (int n = 0; n < kValuesEach; ++n) {
            const std::string name = prefix + "-" + std::to_string(n);
            EXPECT_EQ(
                registry::readString(HKEY_CURRENT_USER, "Software\\Belltale\\Concurrent", name),
                std::to_string(n))
                << name;
        }
    }
}

TEST_F(RegistryFiles, UnreadableHiveIsKeptAsideAndReplaced) {
    struct Case {
        const char* what;
        const char* content;
    };
    static constexpr Case cases[] = {
        {"no header", "[Software]\r\n\"a\"=sz:\"b\"\r\n"},
        {"bad escape", "Belltale registry hive 1\r\n[Software]\r\n\"a\"=sz:\"%G1\"\r\n"},
        {"value before any key", "Belltale registry hive 1\r\n\"a\"=sz:\"b\"\r\n"},
        {"short dword", "Belltale registry hive 1\r\n[Software]\r\n\"a\"=dword:12\r\n"},
        {"unterminated quote", "Belltale registry hive 1\r\n[Software]\r\n\"a\"=sz:\"b\r\n"},
        {"unknown type", "Belltale registry hive 1\r\n[Software]\r\n\"a\"=float:1.5\r\n"},
        {"empty key name", "Belltale registry hive 1\r\n[Software\\\\Belltale]\r\n"},
        {"binary garbage",
         "\x7f"
         "ELF\x02\x01\x01\0\0\0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        registry::dropCache();
        fs::remove_all(m_home / "registry");
        fs::create_directories(m_home / "registry");
        ASSERT_TRUE(core::rewriteFile(hiveFile("HKCU.txt"), c.content));

        ::testing::internal::CaptureStderr();
        EXPECT_EQ(vb::GetSetting("Belltale", "data", "line", "dead"), "dead");
        EXPECT_EQ(vb::GetSetting("Belltale", "data", "line", "dead"), "dead");
        EXPECT_TRUE(vb::SaveSetting("Belltale", "data", "line", "Modem"));
        const std::string stderrText = ::testing::internal::GetCapturedStderr();

        EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1) << stderrText;
        EXPECT_THAT(registry::lastProblem(), HasSubstr("HKCU.txt is damaged"));
        const auto files = filesIn(m_home / "registry");
        const auto aside = std::find_if(files.begin(), files.end(), [](const fs::path& name) {
            return name.string().starts_with("HKCU.txt.corrupt-");
        });
        ASSERT_NE(aside, files.end());
        EXPECT_THAT(registry::lastProblem(), HasSubstr(aside->string()));
        EXPECT_EQ(readFileText(m_home / "registry" / *aside), c.content);
        EXPECT_EQ(vb::GetSetting("Belltale", "data", "line", "dead"), "Modem");
    }
}

TEST_F(RegistryFiles, DamageByAnotherProcessIsNoticedOnTheNextCall) {
    ASSERT_TRUE(vb::SaveSetting("Belltale", "data", "line", "Modem"));
    ASSERT_TRUE(core::rewriteFile(hiveFile("HKCU.txt"), "scribbled over\n"));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(vb::GetSetting("Belltale", "data", "line", "dead"), "dead");
    ::testing::internal::GetCapturedStderr();
    // The damaged file is never overwritten: a second damage later gets a name of its own.
    ASSERT_TRUE(core::rewriteFile(hiveFile("HKCU.txt"), "scribbled again\n"));
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(vb::SaveSetting("Belltale", "data", "line", "Other"));
    ::testing::internal::GetCapturedStderr();
    std::vector<std::string> contents;
    for (const fs::path& name : filesIn(m_home / "registry")) {
        if (name.string().starts_with("HKCU.txt.corrupt-")) {
            contents.push_back(readFileText(m_home / "registry" / name));
        }
    }
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"scribbled again\n", "scribbled over\n"}));
}

// Runs `change` in a child process, as another copy of the program would, and waits for it.
bool inAnotherProcess(const std::function<bool()>& change) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(change() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// Within one event the hive is looked at once; what another process changed between two events is
// read at the second, and this process's own change is seen at once.
TEST_F(RegistryFiles, OneLookAnEventStillSeesAnotherProcessesChangeAtTheNext) {
    struct Case {
        const char* name;
        std::function<bool()> change;  // by the other process, between the events
        const char* after;             // the value the second event reads
    };
    const Case cases[] = {
        {"changed", [] { return vb::SaveSetting("Belltale", "data", "line", "Other"); }, "Other"},
        {"deleted", [] { return vb::DeleteSetting("Belltale", "data", "line"); }, "none"},
        {"file removed", [this] { return fs::remove(hiveFile("HKCU.txt")); }, "none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(vb::SaveSetting("Belltale", "data", "line", "Modem"));
        {
            const core::AppendScope event;
            EXPECT_EQ(vb::GetSetting("Belltale", "data", "line", "none"), "Modem");
        }
        ASSERT_TRUE(inAnotherProcess(c.change));
        {
            const core::AppendScope event;
            EXPECT_EQ(vb::GetSetting("Belltale", "data", "line", "none"), c.after);
            ASSERT_TRUE(vb::SaveSetting("Belltale", "data", "line", "Mine"));
            EXPECT_EQ(vb::GetSetting("Belltale", "data", "line", "none"), "Mine");
        }
    }
}

TEST_F(RegistryFiles, FailedWriteIsReportedAndNotSeen) {
    // A plain file where the registry folder should be: nothing can be locked or written there.
    fs::create_directories(m_home);
    ASSERT_TRUE(core::rewriteFile(m_home / "registry", "not a folder"));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(errorName(registry::writeString(HKEY_CURRENT_USER, "Software\\Belltale", "a", "b")),
              "ERROR_CANTWRITE");
    EXPECT_FALSE(vb::SaveSetting("Belltale", "data", "line", "Modem"));
    ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(registry::lastProblem(), HasSubstr("cannot be locked"));
    EXPECT_EQ(registry::readString(HKEY_CURRENT_USER, "Software\\Belltale", "a"), std::nullopt);
    EXPECT_EQ(readFileText(m_home / "registry"), "not a folder");
}

// A program that asked for gathered writes makes many changes in one turn of its event loop: this
// process sees each at once, the file gets them all in one rewrite when messages are next handled.
TEST_F(RegistryFiles, GatheredWritesAreWrittenOnceWhenMessagesAreHandled) {
    core::VirtualTime time;
    registry::gatherWrites(true);
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(registry::writeDword(HKEY_CURRENT_USER, "Software\\Belltale", "n", i),
                  ERROR_SUCCESS);
    }
    ASSERT_EQ(registry::writeString(HKEY_LOCAL_MACHINE, "Software\\Belltale", "m", "x"),
              ERROR_SUCCESS);
    EXPECT_EQ(registry::readDword(HKEY_CURRENT_USER, "Software\\Belltale", "n"), 49u);
    EXPECT_FALSE(fs::exists(hiveFile("HKCU.txt")));

    time.runUntilIdle();
    EXPECT_THAT(readFileText(hiveFile("HKCU.txt")), HasSubstr("\"n\"=dword:00000031\r\n"));
    EXPECT_THAT(readFileText(hiveFile("HKLM.txt")), HasSubstr("\"m\"=sz:\"x\"\r\n"));

    // A gathered change that cannot be written is reported then, and not seen afterwards.
    ASSERT_EQ(registry::writeString(HKEY_CURRENT_USER, "Software\\Belltale", "lost", "y"),
              ERROR_SUCCESS);
    fs::remove(hiveFile("HKCU.txt"));
    fs::create_directories(hiveFile("HKCU.txt") / "in the way");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(errorName(registry::flush()), "ERROR_CANTWRITE");
    EXPECT_THAT(registry::lastProblem(), HasSubstr("cannot be written"));
    EXPECT_EQ(registry::readString(HKEY_CURRENT_USER, "Software\\Belltale", "lost"), std::nullopt);
    ::testing::internal::GetCapturedStderr();
    registry::gatherWrites(false);
}

class RunKey : public RegistryFixture {
  protected:
    static constexpr const char* kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    // What the settings dialog stores while "start with Windows" is ticked.
    std::string startCommand() const { return m_home.string() + "\\vidiriz.are"; }
};

TEST_F(RunKey, ValueWritesAndRemovesTheAutostartEntry) {
    ASSERT_EQ(registry::writeString(HKEY_LOCAL_MACHINE, kRun, "Belltale", startCommand()),
              ERROR_SUCCESS);
    const std::string entry = readFileText(autostartEntry("Belltale"));
    EXPECT_THAT(entry, ::testing::StartsWith("[Desktop Entry]\n"));
    EXPECT_THAT(entry, HasSubstr("\nType=Application\n"));
    EXPECT_THAT(entry, HasSubstr("\nName=Belltale\n"));
    EXPECT_THAT(entry, HasSubstr("\nX-GNOME-Autostart-enabled=true\n"));
    EXPECT_THAT(entry, ::testing::ContainsRegex("\nExec=env BELLTALE_HOME=[^ ]*" +
                                                m_home.filename().string() + " [^ ]*vevuzer\n"));
    // The registry keeps exactly what was written.
    EXPECT_EQ(registry::readString(HKEY_LOCAL_MACHINE, kRun, "Belltale"), startCommand());

    struct Case {
        const char* what;
        std::function<LONG()> removeEntry;
    };
    const Case cases[] = {
        {"an empty value",
         [] { return registry::writeString(HKEY_LOCAL_MACHINE, kRun, "belltale", ""); }},
        {"the value deleted",
         [] { return registry::deleteValue(HKEY_LOCAL_MACHINE, kRun, "BELLTALE"); }},
        {"the key deleted", [] { return RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRun); }},
        {"a parent deleted with its subkeys",
         [] { return registry::deleteTree(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows"); }},
        {"a number stored in its place",
         [] { return registry::writeDword(HKEY_LOCAL_MACHINE, kRun, "Belltale", 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(registry::writeString(HKEY_LOCAL_MACHINE, kRun, "Belltale", startCommand()),
                  ERROR_SUCCESS);
        ASSERT_TRUE(fs::exists(autostartEntry("Belltale")));
        EXPECT_EQ(errorName(c.removeEntry()), "ERROR_SUCCESS");
        EXPECT_FALSE(fs::exists(autostartEntry("Belltale")));
    }
}

TEST_F(RunKey, OnlyTheMachineRunKeyMakesEntries) {
    ASSERT_EQ(registry::writeString(HKEY_CURRENT_USER, kRun, "Belltale", startCommand()),
              ERROR_SUCCESS);
    ASSERT_EQ(registry::writeString(HKEY_LOCAL_MACHINE, std::string(kRun) + "Once", "Belltale",
                                    startCommand()),
              ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(m_config / "autostart"));
}

TEST_F(RunKey, ExecQuotesAProgramFolderWithBlanks) {
    const fs::path folder = m_root / "My Belltale $HOME";
    ::setenv("BELLTALE_HOME", folder.c_str(), 1);
    ASSERT_EQ(registry::writeString(HKEY_LOCAL_MACHINE, kRun, "Belltale", "x"), ERROR_SUCCESS);
    // Inside quotes "$" is escaped with a backslash, which the entry's own escaping doubles.
    EXPECT_THAT(
        readFileText(autostartEntry("Belltale")),
        HasSubstr("Exec=env \"BELLTALE_HOME=" + m_root.string() + "/My Belltale \\\\$HOME\" "));
}

using VbSettings = RegistryFixture;

TEST_F(VbSettings, StoreTextWhereVbKeepsIt) {
    EXPECT_EQ(vb::GetSetting("Belltale", "data", "line", "dead"), "dead");
    EXPECT_EQ(vb::GetSetting("Belltale", "data", "line"), "");
    ASSERT_TRUE(vb::SaveSetting("Belltale", "data", "line", "Voice Modem"));
    ASSERT_TRUE(vb::SaveSetting("Belltale", "data", "silence", "False"));
    ASSERT_TRUE(vb::SaveSetting("Belltale", "version", "2.1", "1"));
    EXPECT_EQ(vb::GetSetting("belltale", "DATA", "Line", "dead"), "Voice Modem");
    EXPECT_EQ(registry::readString(HKEY_CURRENT_USER,
                                   "Software\\VB and VBA Program Settings\\Belltale\\data", "line"),
              "Voice Modem");
    using Settings = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(vb::GetAllSettings("Belltale", "data"),
              (Settings{{"line", "Voice Modem"}, {"silence", "False"}}));

    EXPECT_TRUE(vb::DeleteSetting("Belltale", "data", "line"));
    EXPECT_FALSE(vb::DeleteSetting("Belltale", "data", "line"));
    EXPECT_EQ(vb::GetSetting("Belltale", "data", "line", "dead"), "dead");
    EXPECT_EQ(vb::GetSetting("Belltale", "data", "silence", "True"), "False");
    EXPECT_TRUE(vb::DeleteSetting("Belltale", "data"));
    EXPECT_FALSE(vb::DeleteSetting("Belltale", "data"));
    EXPECT_EQ(vb::GetSetting("Belltale", "data", "silence", "True"), "True");
    EXPECT_EQ(vb::GetSetting("Belltale", "version", "2.1", "0"), "1");
}

TEST_F(VbSettings, NonTextValueReadsAsTheDefault) {
    ASSERT_EQ(registry::writeDword(HKEY_CURRENT_USER,
                                   "Software\\VB and VBA Program Settings\\Belltale\\data",
                                   "emailscan", 5),
              ERROR_SUCCESS);
    EXPECT_EQ(vb::GetSetting("Belltale", "data", "emailscan", "10"), "10");
    EXPECT_TRUE(vb::GetAllSettings("Belltale", "data").empty());
}

}  // namespace
