// Creation by CLSID: the registry names the library, which is loaded and asked for the class.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include <dlfcn.h>
#include <unistd.h>

#include "platform/com/dispatch_client.h"
#include "platform/com/registration.h"
#include "platform/core/text.h"
#include "platform/registry/registry.h"

namespace {

constexpr CLSID kEchoClsid{0x8A1E0010, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x10}};
constexpr CLSID kOtherClsid{0x8A1E0012, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x12}};

using ServerFunction = HRESULT (*)();

class CoCreateTest : public testing::Test {
  protected:
    void SetUp() override {
        m_home = std::filesystem::temp_directory_path() /
                 ("com_co_create_" + std::to_string(::getpid()) + "_" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_home);
        std::filesystem::create_directories(m_home);
        ::setenv("BELLTALE_HOME", m_home.c_str(), 1);
        registry::dropCache();
    }
    void TearDown() override {
        registry::dropCache();
        std::filesystem::remove_all(m_home);
    }

    // What regsvr does: load the library and call one of its entry points.
    static HRESULT callServer(const char* path, const char* entry) {
        void* function = nullptr;
        if (HRESULT hr = com::findServerEntry(path, entry, &function); FAILED(hr))
            return hr;
        return reinterpret_cast<ServerFunction>(function)();
    }

    static void registerLibrary(REFCLSID clsid, const std::string& path) {
        ASSERT_EQ(com::registerCoclass({clsid, "", "test", path}), S_OK);
    }

    // A copy of the echo server under its own name is a library this process has not loaded yet.
    std::string echoServerCopy(const std::string& name) const {
        const std::filesystem::path copy = m_home / name;
        std::filesystem::copy_file(ECHO_SERVER_PATH, copy);
        return copy.string();
    }

    static bool isLoaded(const std::string& path) {
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle)
            dlclose(handle);
        return handle != nullptr;
    }

    std::filesystem::path m_home;
};

TEST_F(CoCreateTest, CreatesARegisteredClassFromItsLibrary) {
    ASSERT_EQ(callServer(ECHO_SERVER_PATH, "DllRegisterServer"), S_OK);
    EXPECT_EQ(registry::readString(HKEY_CLASSES_ROOT, "ComTest.Echo\\Clsid", ""),
              core::formatGuid(kEchoClsid));

    com::Ptr<IDispatch> echo;
    ASSERT_EQ(
        CoCreateInstance(kEchoClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, echo.putVoid()),
        S_OK);
    com::Dispatch client(echo);
    EXPECT_EQ(client.call(1, "hello").value.toString(), "echo: hello");

    // The library counts the object for its DllCanUnloadNow.
    EXPECT_EQ(callServer(ECHO_SERVER_PATH, "DllCanUnloadNow"), S_FALSE);
    echo.reset();
    client = com::Dispatch();
    EXPECT_EQ(callServer(ECHO_SERVER_PATH, "DllCanUnloadNow"), S_OK);

    com::Ptr<IClassFactory> factory;
    ASSERT_EQ(
        CoGetClassObject(kEchoClsid, CLSCTX_ALL, nullptr, IID_IClassFactory, factory.putVoid()),
        S_OK);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(
        CoCreateInstance(kEchoClsid, factory.get(), CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
        CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
}

TEST_F(CoCreateTest, ReportsWhyAClassCannotBeMade) {
    registerLibrary(kOtherClsid, NO_ENTRY_SERVER_PATH);
    struct Case {
        const char* what;
        const CLSID& clsid;
        DWORD context;
        const char* libraryPath;  // registered for kEchoClsid first, when given
        HRESULT expected;
    };
    const Case cases[] = {
        {"not registered", kEchoClsid, CLSCTX_INPROC_SERVER, nullptr, REGDB_E_CLASSNOTREG},
        {"library missing", kEchoClsid, CLSCTX_INPROC_SERVER, "/nonexistent/libnothing.so",
         CO_E_DLLNOTFOUND},
        {"no DllGetClassObject", kOtherClsid, CLSCTX_INPROC_SERVER, nullptr, CO_E_ERRORINDLL},
        {"no in-process context", kEchoClsid, CLSCTX_LOCAL_SERVER, ECHO_SERVER_PATH,
         REGDB_E_CLASSNOTREG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.libraryPath)
            registerLibrary(kEchoClsid, c.libraryPath);
        // A preload that failed leaves the creation to fail as it would have without it.
        for (const bool preloaded : {false, true}) {
            SCOPED_TRACE(preloaded ? "after a preload" : "without a preload");
            if (preloaded) {
                const com::ServerPreload preload(c.clsid);
            }
            void* object = reinterpret_cast<void*>(1);
            EXPECT_EQ(CoCreateInstance(c.clsid, nullptr, c.context, IID_IUnknown, &object),
                      c.expected);
            EXPECT_EQ(object, nullptr);
        }
    }

    // A library that exists but does not know the class answers for itself.
    registerLibrary(kOtherClsid, ECHO_SERVER_PATH);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(kOtherClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CLASS_E_CLASSNOTAVAILABLE);

    std::string error;
    void* function = nullptr;
    EXPECT_EQ(com::findServerEntry(NO_ENTRY_SERVER_PATH, "DllRegisterServer", &function, &error),
              CO_E_ERRORINDLL);
    EXPECT_NE(error.find("DllRegisterServer"), std::string::npos);
    EXPECT_EQ(
        com::findServerEntry("/nonexistent/libnothing.so", "DllRegisterServer", &function, &error),
        CO_E_DLLNOTFOUND);
    EXPECT_NE(error.find("/nonexistent/libnothing.so"), std::string::npos);
    registerLibrary(kEchoClsid, "/nonexistent/libnothing.so");
    { const com::ServerPreload preload(kEchoClsid); }
    std::string errorAfterPreload;
    EXPECT_EQ(com::findServerEntry("/nonexistent/libnothing.so", "DllRegisterServer", &function,
                                   &errorAfterPreload),
              CO_E_DLLNOTFOUND);
    EXPECT_EQ(errorAfterPreload, error);
}

TEST_F(CoCreateTest, APreloadLoadsTheServerThatACreationThenUses) {
    const std::string preloaded = echoServerCopy("libpreloaded.so");
    ASSERT_FALSE(isLoaded(preloaded));
    registerLibrary(kEchoClsid, preloaded);
    { const com::ServerPreload preload(kEchoClsid); }
    EXPECT_TRUE(isLoaded(preloaded));
    com::Ptr<IDispatch> echo;
    ASSERT_EQ(
        CoCreateInstance(kEchoClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, echo.putVoid()),
        S_OK);
    EXPECT_EQ(com::Dispatch(echo).call(1, "one").value.toString(), "echo: one");

    // A creation while the preload is still running gets the same library.
    const std::string raced = echoServerCopy("libraced.so");
    registerLibrary(kEchoClsid, raced);
    {
        const com::ServerPreload preload(kEchoClsid);
        com::Ptr<IDispatch> other;
        ASSERT_EQ(CoCreateInstance(kEchoClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   other.putVoid()),
                  S_OK);
        EXPECT_EQ(com::Dispatch(other).call(1, "two").value.toString(), "echo: two");
    }
    EXPECT_TRUE(isLoaded(raced));

    // A library missing when preloaded is looked for again by the creation.
    const std::filesystem::path later = m_home / "liblater.so";
    registerLibrary(kEchoClsid, later.string());
    { const com::ServerPreload preload(kEchoClsid); }
    echoServerCopy(later.filename().string());
    com::Ptr<IDispatch> third;
    EXPECT_EQ(
        CoCreateInstance(kEchoClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, third.putVoid()),
        S_OK);
}

// What the caller hands the preload runs on its thread once the load has ended, and also when
// there is nothing to load.
TEST_F(CoCreateTest, APreloadRunsWhatFollowsOnItsThreadAfterTheLoad) {
    const std::string preloaded = echoServerCopy("libfollowed.so");
    registerLibrary(kEchoClsid, preloaded);
    std::optional<bool> loadedBefore;
    std::thread::id ranOn;
    {
        const com::ServerPreload preload(kEchoClsid, [&] {
            loadedBefore = isLoaded(preloaded);
            ranOn = std::this_thread::get_id();
        });
    }
    EXPECT_EQ(loadedBefore, true);
    EXPECT_NE(ranOn, std::this_thread::get_id());

    const GUID unregistered{0x8A1E0099, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x99}};
    bool ran = false;
    {
        const com::ServerPreload preload(unregistered, [&] { ran = true; });
    }
    EXPECT_TRUE(ran);
}

TEST_F(CoCreateTest, RegistrationWritesItsKeysAndUnregisteringLeavesNothing) {
    const GUID libid{0x8A1E0013, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x13}};
    const IID iid{0x8A1E0014, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x14}};
    const com::InterfaceRegistration interfaces[] = {{iid, "IEcho"}};
    const com::TypeLibRegistration typeLib{
        libid,     3, 6, 0x409, "EchoLib", "/opt/lib/libecho.so", "/opt/lib", com::LIBFLAG_FCONTROL,
        interfaces};
    ASSERT_EQ(com::registerCoclass({kEchoClsid, "ComTest.Echo", "Echo test class",
                                    "/opt/lib/libecho.so", "Apartment", "3.6", &libid}),
              S_OK);
    ASSERT_EQ(com::registerTypeLib(typeLib), S_OK);

    const std::string clsid = "CLSID\\" + core::formatGuid(kEchoClsid);
    const std::string lib = "TypeLib\\" + core::formatGuid(libid) + "\\3.6";
    struct Key {
        std::string path;
        const char* value;
        const char* text;
    };
    const Key keys[] = {
        {clsid, "", "Echo test class"},
        {clsid + "\\InprocServer32", "", "/opt/lib/libecho.so"},
        {clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {clsid + "\\ProgID", "", "ComTest.Echo"},
        {clsid + "\\Version", "", "3.6"},
        {clsid + "\\TypeLib", "", "{8A1E0013-1111-4222-8333-000000000013}"},
        {"ComTest.Echo", "", "Echo test class"},
        {"ComTest.Echo\\Clsid", "", "{8A1E0010-1111-4222-8333-000000000010}"},
        {lib, "", "EchoLib"},
        {lib + "\\409\\linux64", "", "/opt/lib/libecho.so"},
        {lib + "\\FLAGS", "", "2"},
        {lib + "\\HELPDIR", "", "/opt/lib"},
        {"Interface\\" + core::formatGuid(iid), "", "IEcho"},
        {"Interface\\" + core::formatGuid(iid) + "\\TypeLib", "Version", "3.6"},
    };
    for (const Key& key : keys) {
        SCOPED_TRACE(key.path + " " + key.value);
        EXPECT_EQ(registry::readString(HKEY_CLASSES_ROOT, key.path, key.value), key.text);
    }

    ASSERT_EQ(com::unregisterCoclass(kEchoClsid, "ComTest.Echo"), S_OK);
    ASSERT_EQ(com::unregisterTypeLib(typeLib), S_OK);
    EXPECT_TRUE(registry::subkeyNames(HKEY_CLASSES_ROOT, "CLSID").empty());
    EXPECT_TRUE(registry::subkeyNames(HKEY_CLASSES_ROOT, "TypeLib").empty());
    EXPECT_TRUE(registry::subkeyNames(HKEY_CLASSES_ROOT, "Interface").empty());
    EXPECT_FALSE(registry::readString(HKEY_CLASSES_ROOT, "ComTest.Echo", ""));
    // Unregistering what is not there is no failure.
    EXPECT_EQ(com::unregisterCoclass(kEchoClsid, "ComTest.Echo"), S_OK);
    EXPECT_EQ(com::unregisterTypeLib(typeLib), S_OK);
}

}  // namespace
