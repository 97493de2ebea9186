// What DllRegisterServer writes and DllUnregisterServer removes, read back through the registry
// layer. The entry points are called in the built library, loaded by path, so the path they
// write is the one the loader reports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include <unistd.h>

#include "lkLK36/activex/lkLK36_server.h"
#include "platform/com/registration.h"
#include "platform/com/variant.h"
#include "platform/registry/registry.h"

namespace {

namespace fs = std::filesystem;
using ::testing::IsEmpty;

using EntryPointFn = HRESULT (*)();

constexpr const char* kLibid = "{55E22180-C6CF-11D4-9F1D-00A0CC610CDF}";

// The four controls as they are published, typed here once more so a slip in the library's own
// tables shows.
struct Control {
    const char* clsid;
    const char* progId;
    const char* description;
    const char* bitmap;
};
constexpr Control kControls[] = {
    {"{55E22185-C6CF-11D4-9F1D-00A0CC610CDF}", "lkLK36.lkLine", "lkLine Control", "1"},
    {"{55E22190-C6CF-11D4-9F1D-00A0CC610CDF}", "lkLK36.lkPhone", "lkPhone Control", "2"},
    {"{55E2219B-C6CF-11D4-9F1D-00A0CC610CDF}", "lkLK36.lkPlay", "lkPlay Control", "3"},
    {"{55E221A9-C6CF-11D4-9F1D-00A0CC610CDF}", "lkLK36.lkRecord", "lkRecord Control", "4"},
};

// Every string value below `key` (the key itself included) as "key|name=text" lines, and every
// key as "key/" so that keys without values count too.
void dump(const std::string& key, std::set<std::string>& out) {
    out.insert(key + "/");
    for (const auto& [name, text] : registry::stringValues(HKEY_CLASSES_ROOT, key))
        out.insert(key + "|" + name + "=" + text);
    for (const std::string& subkey : registry::subkeyNames(HKEY_CLASSES_ROOT, key))
        dump(key + "\\" + subkey, out);
}

std::set<std::string> dumpOf(const std::string& key) {
    std::set<std::string> out;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS) {
        RegCloseKey(opened);
        dump(key, out);
    }
    return out;
}

// Everything in HKEY_CLASSES_ROOT.
std::set<std::string> wholeClassesRoot() {
    std::set<std::string> out;
    for (const std::string& top : registry::subkeyNames(HKEY_CLASSES_ROOT, ""))
        dump(top, out);
    return out;
}

// The keys of one control exactly as registration writes them, for a library at `path`.
std::set<std::string> expectedKeys(const Control& c, const std::string& path) {
    const std::string key = std::string("CLSID\\") + c.clsid;
    const std::string progId = c.progId;
    return {
        key + "/",
        key + "|=" + c.description,
        key + "\\InprocServer32/",
        key + "\\InprocServer32|=" + path,
        key + "\\InprocServer32|ThreadingModel=Apartment",
        key + "\\ProgID/",
        key + "\\ProgID|=" + progId,
        key + "\\Version/",
        key + "\\Version|=3.6",
        key + "\\TypeLib/",
        key + "\\TypeLib|=" + kLibid,
        key + "\\MiscStatus/",
        key + "\\MiscStatus|=0",
        key + "\\MiscStatus\\1/",
        key + "\\MiscStatus\\1|=131473",
        key + "\\ToolboxBitmap32/",
        key + "\\ToolboxBitmap32|=" + path + "," + c.bitmap,
        key + "\\Control/",
        key + "\\Control|=",
        key + "\\Verb/",
        key + "\\Verb|=",
        key + "\\Verb\\0/",
        key + "\\Verb\\0|=Properties,0,2",
        progId + "/",
        progId + "|=" + c.description,
        progId + "\\Clsid/",
        progId + "\\Clsid|=" + c.clsid,
    };
}

std::set<std::string> registeredKeysOf(const Control& c) {
    std::set<std::string> found = dumpOf(std::string("CLSID\\") + c.clsid);
    found.merge(dumpOf(c.progId));
    return found;
}

class Registration : public testing::Test {
  protected:
    void SetUp() override {
        m_home = fs::temp_directory_path() /
                 ("lkLK36_registration_" + std::to_string(::getpid()) + "_" +
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

    static HRESULT callLibrary(const char* entry) {
        void* function = nullptr;
        std::string error;
        if (HRESULT hr = com::findServerEntry(LKLK36_LIBRARY, entry, &function, &error);
            FAILED(hr)) {
            ADD_FAILURE() << error;
            return hr;
        }
        return reinterpret_cast<EntryPointFn>(function)();
    }

    fs::path m_home;
};

TEST_F(Registration, WritesEveryKeyOfEveryControl) {
    ASSERT_EQ(callLibrary("DllRegisterServer"), S_OK);
    const std::string path = LKLK36_LIBRARY;
    for (const Control& c : kControls) {
        SCOPED_TRACE(c.progId);
        EXPECT_EQ(registeredKeysOf(c), expectedKeys(c, path));
    }

    // The type library: its file and help folder, a control library, and its eight interfaces.
    const std::string version = std::string("TypeLib\\") + kLibid + "\\3.6";
    EXPECT_EQ(registry::readString(HKEY_CLASSES_ROOT, version, ""), "Orvane Quillon v3.6");
    EXPECT_EQ(registry::readString(HKEY_CLASSES_ROOT, version + "\\409\\linux64", ""), path);
    EXPECT_EQ(registry::readString(HKEY_CLASSES_ROOT, version + "\\FLAGS", ""), "2");
    EXPECT_EQ(registry::readString(HKEY_CLASSES_ROOT, version + "\\HELPDIR", ""),
              fs::path(path).parent_path().string());
    struct Interface {
        const char* iid;
        const char* name;
    };
    const Interface interfaces[] = {
        {"{55E22181-C6CF-11D4-9F1D-00A0CC610CDF}", "IlkLine"},
        {"{55E22183-C6CF-11D4-9F1D-00A0CC610CDF}", "IlkLineEvents"},
        {"{55E2218C-C6CF-11D4-9F1D-00A0CC610CDF}", "IlkPhone"},
        {"{55E2218E-C6CF-11D4-9F1D-00A0CC610CDF}", "IlkPhoneEvents"},
        {"{55E22197-C6CF-11D4-9F1D-00A0CC610CDF}", "IlkPlay"},
        {"{55E22199-C6CF-11D4-9F1D-00A0CC610CDF}", "IlkPlayEvents"},
        {"{55E221A5-C6CF-11D4-9F1D-00A0CC610CDF}", "IlkRecord"},
        {"{55E221A7-C6CF-11D4-9F1D-00A0CC610CDF}", "IlkRecordEvents"},
    };
    for (const Interface& i : interfaces) {
        SCOPED_TRACE(i.name);
        const std::string key = std::string("Interface\\") + i.iid;
        EXPECT_EQ(registry::readString(HKEY_CLASSES_ROOT, key, ""), i.name);
        EXPECT_EQ(registry::readString(HKEY_CLASSES_ROOT, key + "\\TypeLib", ""), kLibid);
    }
    EXPECT_EQ(registry::subkeyNames(HKEY_CLASSES_ROOT, ""),
              (std::vector<std::string>{"CLSID", "Interface", "lkLK36.lkLine", "lkLK36.lkPhone",
                                        "lkLK36.lkPlay", "lkLK36.lkRecord", "TypeLib"}));
}

TEST_F(Registration, TwiceLeavesTheSameKeysAndUnregisterLeavesNothing) {
    // Unregistering what was never registered succeeds and writes nothing.
    EXPECT_EQ(callLibrary("DllUnregisterServer"), S_OK);
    EXPECT_THAT(wholeClassesRoot(), IsEmpty());

    ASSERT_EQ(callLibrary("DllRegisterServer"), S_OK);
    const std::set<std::string> once = wholeClassesRoot();
    ASSERT_EQ(callLibrary("DllRegisterServer"), S_OK);
    EXPECT_EQ(wholeClassesRoot(), once);

    EXPECT_EQ(callLibrary("DllUnregisterServer"), S_OK);
    // Only the empty folders every registry has stay behind.
    EXPECT_EQ(wholeClassesRoot(), (std::set<std::string>{"CLSID/", "Interface/", "TypeLib/"}));
    EXPECT_EQ(callLibrary("DllUnregisterServer"), S_OK);
}

// Unregistration removes one key at a time from the innermost out, so keys another program put
// below a control's keys survive, and with them the keys that hold them; everything else goes.
TEST_F(Registration, UnregisterKeepsKeysOthersAdded) {
    ASSERT_EQ(callLibrary("DllRegisterServer"), S_OK);
    const Control& line = kControls[0];
    const std::string clsidKey = std::string("CLSID\\") + line.clsid;
    const std::string categories =
        clsidKey + "\\Implemented Categories\\{0DE86A57-2BAA-11CF-A229-00AA003D7352}";
    ASSERT_EQ(registry::writeString(HKEY_CLASSES_ROOT, categories, "", ""), ERROR_SUCCESS);
    ASSERT_EQ(registry::writeString(HKEY_CLASSES_ROOT, std::string(line.progId) + "\\CurVer", "",
                                    "lkLK36.lkLine.2"),
              ERROR_SUCCESS);

    EXPECT_EQ(callLibrary("DllUnregisterServer"), S_OK);
    EXPECT_EQ(registry::subkeyNames(HKEY_CLASSES_ROOT, clsidKey),
              (std::vector<std::string>{"Implemented Categories"}));
    EXPECT_EQ(registry::subkeyNames(HKEY_CLASSES_ROOT, line.progId),
              (std::vector<std::string>{"CurVer"}));
    for (const Control& c : kControls) {
        if (&c == &line)
            continue;
        SCOPED_TRACE(c.progId);
        EXPECT_THAT(registeredKeysOf(c), IsEmpty());
    }
}

// The path goes into the keys as it is: a blank in it is kept, in the server key and the
// toolbox bitmap alike.
TEST_F(Registration, PathWithABlankIsWrittenAsItIs) {
    const std::string path = "/opt/belltale controls/liblkLK36.so";
    ASSERT_EQ(lkLK36::registerServer(path), S_OK);
    for (const Control& c : kControls) {
        SCOPED_TRACE(c.progId);
        EXPECT_EQ(registeredKeysOf(c), expectedKeys(c, path));
    }
    EXPECT_EQ(registry::readString(HKEY_CLASSES_ROOT,
                                   std::string("TypeLib\\") + kLibid + "\\3.6\\HELPDIR", ""),
              "/opt/belltale controls");
}

// A registry that cannot be written: registration stops before any control's key with E_FAIL
// and says why; unregistration cannot remove anything and says so instead of claiming success.
TEST_F(Registration, UnwritableRegistryFails) {
    std::ofstream(m_home / "registry") << "not a folder";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(callLibrary("DllRegisterServer"), E_FAIL);
    com::Ptr<IErrorInfo> error;
    ASSERT_EQ(GetErrorInfo(0, error.put()), S_OK);
    com::Bstr description;
    ASSERT_EQ(error->GetDescription(description.put()), S_OK);
    EXPECT_THAT(description.utf8(), ::testing::StartsWith("Error registering the type library"));
    EXPECT_EQ(callLibrary("DllUnregisterServer"), E_FAIL);
    ::testing::internal::GetCapturedStderr();
    fs::remove(m_home / "registry");
    registry::dropCache();
    EXPECT_THAT(wholeClassesRoot(), IsEmpty());
}

}  // namespace
