// Loads the built library as the COM runtime will, by path, and looks at what it exports.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "platform/core/win_types.h"

namespace {

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111);

using DllGetClassObjectFn = HRESULT (*)(const CLSID*, const IID*, void**);
using EntryPointFn = HRESULT (*)();

const std::set<std::string> kEntryPoints = {"DllGetClassObject", "DllCanUnloadNow",
                                            "DllRegisterServer", "DllUnregisterServer"};

struct LibraryCloser {
    void operator()(void* handle) const { dlclose(handle); }
};
using Library = std::unique_ptr<void, LibraryCloser>;

Library openLibrary() {
    return Library(dlopen(LKLK36_LIBRARY, RTLD_NOW | RTLD_LOCAL));
}

// The names of the dynamic symbols the library defines, as the loader sees them.
std::set<std::string> definedDynamicSymbols() {
    const std::string command = std::string("nm -D --defined-only ") + LKLK36_LIBRARY;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::set<std::string> names;
    if (!pipe)
        return names;
    char line[1024];
    while (fgets(line, sizeof line, pipe.get())) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name)
            names.insert(name);
    }
    return names;
}

TEST(LkLK36Exports, ExportsExactlyTheFourEntryPoints) {
    EXPECT_EQ(definedDynamicSymbols(), kEntryPoints);
    Library library = openLibrary();
    ASSERT_TRUE(library) << dlerror();
    for (const std::string& name : kEntryPoints) {
        EXPECT_NE(dlsym(library.get(), name.c_str()), nullptr) << name;
    }
}

TEST(LkLK36Exports, NoClassIsAvailableYet) {
    Library library = openLibrary();
    ASSERT_TRUE(library) << dlerror();
    auto getClassObject =
        reinterpret_cast<DllGetClassObjectFn>(dlsym(library.get(), "DllGetClassObject"));
    ASSERT_NE(getClassObject, nullptr);

    const CLSID anyClass = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    const IID iidIClassFactory = {0x00000001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    int sentinel = 0;
    void* object = &sentinel;
    EXPECT_EQ(getClassObject(&anyClass, &iidIClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(getClassObject(&anyClass, &iidIClassFactory, nullptr), E_POINTER);

    for (const char* name : {"DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"}) {
        SCOPED_TRACE(name);
        auto entryPoint = reinterpret_cast<EntryPointFn>(dlsym(library.get(), name));
        ASSERT_NE(entryPoint, nullptr);
        EXPECT_EQ(entryPoint(), S_OK);
    }
}

}  // namespace
