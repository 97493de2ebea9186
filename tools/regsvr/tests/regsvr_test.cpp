// Runs the built regsvr program as a user would, each case in its own program folder, and reads
// the registry it leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry/registry.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kLineServerKey =
    "CLSID\\{55E22185-C6CF-11D4-9F1D-00A0CC610CDF}\\InprocServer32";

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Regsvr : public testing::Test {
  protected:
    void SetUp() override {
        m_home = fs::temp_directory_path() /
                 ("regsvr_" + std::to_string(::getpid()) + "_" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_home);
        fs::create_directories(m_home);
        ::setenv("BELLTALE_HOME", m_home.c_str(), 1);
        registry::dropCache();
    }
    void TearDown() override {
        registry::dropCache();
        fs::remove_all(m_home);
    }

    // Runs regsvr with `args` in `folder` (the current one when empty), in this case's program
    // folder.
    Outcome regsvr(const std::vector<std::string>& args, const fs::path& folder = {}) {
        std::string command;
        if (!folder.empty())
            command = "cd " + quoted(folder.string()) + " && ";
        command += "BELLTALE_HOME=" + quoted(m_home.string()) + " " + quoted(REGSVR_PATH);
        for (const std::string& arg : args)
            command += " " + quoted(arg);
        // Beside the program folder, which a case may have made unusable.
        const fs::path out = m_home.string() + ".out", err = m_home.string() + ".err";
        command += " >" + quoted(out.string()) + " 2>" + quoted(err.string());
        const int status = std::system(command.c_str());
        Outcome outcome;
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = readFile(out);
        outcome.err = readFile(err);
        fs::remove(out);
        fs::remove(err);
        registry::dropCache();
        return outcome;
    }

    std::optional<std::string> lineServer() {
        return registry::readString(HKEY_CLASSES_ROOT, kLineServerKey, "");
    }

    fs::path m_home;
};

TEST_F(Regsvr, RegistersAndUnregistersTheControlLibrary) {
    Outcome registered = regsvr({LKLK36_LIBRARY});
    EXPECT_EQ(registered.exitCode, 0) << registered.err;
    EXPECT_EQ(registered.out,
              std::string("DllRegisterServer in ") + LKLK36_LIBRARY + " succeeded.\n");
    EXPECT_THAT(registered.err, IsEmpty());
    EXPECT_EQ(lineServer(), LKLK36_LIBRARY);
    EXPECT_EQ(registry::readString(HKEY_CLASSES_ROOT, "lkLK36.lkRecord\\Clsid", ""),
              "{55E221A9-C6CF-11D4-9F1D-00A0CC610CDF}");

    Outcome unregistered = regsvr({"/u", LKLK36_LIBRARY});
    EXPECT_EQ(unregistered.exitCode, 0) << unregistered.err;
    EXPECT_EQ(unregistered.out,
              std::string("DllUnregisterServer in ") + LKLK36_LIBRARY + " succeeded.\n");
    EXPECT_EQ(lineServer(), std::nullopt);
    EXPECT_THAT(registry::subkeyNames(HKEY_CLASSES_ROOT, "CLSID"), IsEmpty());
}

// Options in either order, case and form; /s says nothing on success.
TEST_F(Regsvr, SilentAndOptionForms) {
    struct Case {
        std::vector<std::string> args;
        bool registered;
    };
    const Case cases[] = {
        {{"/s", LKLK36_LIBRARY}, true},
        {{LKLK36_LIBRARY, "/U", "/S"}, false},
        {{"-s", LKLK36_LIBRARY}, true},
        {{"-s", "-u", LKLK36_LIBRARY}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        Outcome outcome = regsvr(c.args);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_THAT(outcome.out, IsEmpty());
        EXPECT_THAT(outcome.err, IsEmpty());
        EXPECT_EQ(lineServer().has_value(), c.registered);
    }
}

// A library named relative to the current folder is registered by its full path, so that it is
// found from anywhere.
TEST_F(Regsvr, RelativePathIsRegisteredInFull) {
    const fs::path library = LKLK36_LIBRARY;
    Outcome outcome = regsvr({"/s", "./" + library.filename().string()}, library.parent_path());
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(lineServer(), library.string());
}

TEST_F(Regsvr, FailuresAreExplainedAndExitNonZero) {
    const std::string missing = (m_home / "no such library.so").string();
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {"no library named", {}, 1, "usage: regsvr [/u] [/s] <library path>"},
        {"unknown option", {"-x", LKLK36_LIBRARY}, 1, "usage:"},
        {"two libraries", {LKLK36_LIBRARY, LKLK36_LIBRARY}, 1, "usage:"},
        {"missing library", {missing}, 3, "cannot load " + missing},
        {"missing library, silent", {"/s", "/u", missing}, 3, "cannot load " + missing},
        {"no entry points",
         {NOT_A_SERVER_LIBRARY},
         4,
         std::string(NOT_A_SERVER_LIBRARY) + " has no entry point DllRegisterServer"},
        {"no entry points, unregistering",
         {"/u", NOT_A_SERVER_LIBRARY},
         4,
         "has no entry point DllUnregisterServer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome outcome = regsvr(c.args);
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        EXPECT_THAT(outcome.err, HasSubstr(c.message));
        EXPECT_THAT(outcome.out, IsEmpty());
    }
    EXPECT_THAT(registry::subkeyNames(HKEY_CLASSES_ROOT, ""), IsEmpty());
}

// A registry that cannot be written is said in words first, then the library's code and reason.
TEST_F(Regsvr, SaysWhyTheRegistryCannotBeWritten) {
    struct Case {
        const char* what;
        fs::path blocker;  // a file where a folder must be
        std::string reason;
    };
    const Case cases[] = {
        {"the registry folder is a file", m_home / "registry", "/registry': "},
        {"the program folder is a file", m_home, "cannot make '"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(m_home);
        fs::create_directories(c.blocker.parent_path());
        std::ofstream(c.blocker) << "not a folder";
        Outcome outcome = regsvr({"/s", LKLK36_LIBRARY});
        EXPECT_EQ(outcome.exitCode, 5);
        EXPECT_THAT(outcome.err,
                    HasSubstr(std::string("regsvr: DllRegisterServer in ") + LKLK36_LIBRARY +
                              " failed: the registry cannot be written; "));
        EXPECT_THAT(outcome.err, HasSubstr(c.reason));
        EXPECT_THAT(outcome.err, HasSubstr("(0x80004005: Error registering the type library"));
        fs::remove_all(m_home);
        fs::create_directories(m_home);
    }
}

}  // namespace
