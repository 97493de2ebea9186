// Loads the built library as the COM runtime does, by path, and looks at what it exports and how
// it hands out class objects.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "platform/com/com.h"
#include "platform/com/oleauto.h"

namespace {

using DllGetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);
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

// The global and weak dynamic symbols the library defines, as the loader sees them (sanitizer
// builds add local ones, which no one can bind to).
std::set<std::string> definedDynamicSymbols() {
    const std::string command = std::string("nm -D --defined-only --extern-only ") + LKLK36_LIBRARY;
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

std::string hresultName(HRESULT hr) {
    switch (hr) {
        case S_OK:
            return "S_OK";
        case S_FALSE:
            return "S_FALSE";
        case E_POINTER:
            return "E_POINTER";
        case E_NOINTERFACE:
            return "E_NOINTERFACE";
        case CLASS_E_CLASSNOTAVAILABLE:
            return "CLASS_E_CLASSNOTAVAILABLE";
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

TEST(LkLK36Exports, ExportsExactlyTheFourEntryPoints) {
    EXPECT_EQ(definedDynamicSymbols(), kEntryPoints);
    Library library = openLibrary();
    ASSERT_TRUE(library) << dlerror();
    for (const std::string& name : kEntryPoints) {
        EXPECT_NE(dlsym(library.get(), name.c_str()), nullptr) << name;
    }
}

TEST(LkLK36Exports, ClassObjectTable) {
    Library library = openLibrary();
    ASSERT_TRUE(library) << dlerror();
    auto getClassObject =
        reinterpret_cast<DllGetClassObjectFn>(dlsym(library.get(), "DllGetClassObject"));
    ASSERT_NE(getClassObject, nullptr);

    // Typed from the published identifiers, not taken from the library's header.
    constexpr CLSID kLine{
        0x55E22185, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
    constexpr CLSID kPhone{
        0x55E22190, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
    constexpr CLSID kPlay{
        0x55E2219B, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
    constexpr CLSID kRecord{
        0x55E221A9, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
    constexpr CLSID kUnknown{0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    // The library's own LIBID is no class.
    constexpr CLSID kLibid{
        0x55E22180, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};

    struct Case {
        const char* what;
        const CLSID& clsid;
        const IID& iid;
        HRESULT expected;
    };
    const Case cases[] = {
        {"unknown class", kUnknown, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
        {"the type library's id", kLibid, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
        {"lkLine", kLine, IID_IClassFactory, S_OK},
        {"lkPhone", kPhone, IID_IUnknown, S_OK},
        {"lkPlay", kPlay, IID_IClassFactory, S_OK},
        {"lkRecord", kRecord, IID_IClassFactory, S_OK},
        {"lkLine, not a factory interface", kLine, IID_IDispatch, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int sentinel = 0;
        void* object = &sentinel;
        EXPECT_EQ(hresultName(getClassObject(c.clsid, c.iid, &object)), hresultName(c.expected));
        if (c.expected == S_OK) {
            ASSERT_NE(object, nullptr);
            static_cast<IUnknown*>(object)->Release();
        } else {
            EXPECT_EQ(object, nullptr);
        }
    }
    EXPECT_EQ(hresultName(getClassObject(kLine, IID_IClassFactory, nullptr)), "E_POINTER");
    EXPECT_EQ(hresultName(getClassObject(kUnknown, IID_IClassFactory, nullptr)), "E_POINTER");

    auto canUnloadNow = reinterpret_cast<EntryPointFn>(dlsym(library.get(), "DllCanUnloadNow"));
    ASSERT_NE(canUnloadNow, nullptr);
    EXPECT_EQ(hresultName(canUnloadNow()), "S_OK");
}

}  // namespace
