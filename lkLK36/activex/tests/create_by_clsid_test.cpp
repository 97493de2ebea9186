// A container's view of the library: it knows only the class ids and DISPIDs, registers the
// library in a fresh registry, and creates and drives the controls through the COM runtime.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/com/com.h"
#include "platform/com/dispatch_client.h"

namespace {

constexpr CLSID kLine{0x55E22185, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
constexpr CLSID kPhone{0x55E22190, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
constexpr CLSID kPlay{0x55E2219B, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
constexpr CLSID kRecord{0x55E221A9, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};

class CreateByClsid : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/belltale-create-XXXXXX";
        m_home = mkdtemp(pattern);
        setenv("BELLTALE_HOME", m_home.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("BELLTALE_HOME");
        std::filesystem::remove_all(m_home);
    }
    static HRESULT callEntryPoint(const char* name) {
        void* library = dlopen(LKLK36_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return E_FAIL;
        auto entry = reinterpret_cast<HRESULT (*)()>(dlsym(library, name));
        const HRESULT hr = entry ? entry() : E_FAIL;
        dlclose(library);
        return hr;
    }
    std::filesystem::path m_home;
};

TEST_F(CreateByClsid, NotRegisteredIsReported) {
    com::Ptr<IDispatch> control;
    EXPECT_EQ(
        CoCreateInstance(kLine, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.putVoid()),
        REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(control);
}

TEST_F(CreateByClsid, EveryControlIsMadeThroughTheRegistryAndAnswersByDispid) {
    ASSERT_EQ(callEntryPoint("DllRegisterServer"), S_OK);
    struct Case {
        const char* name;
        const CLSID& clsid;
        const char* progId;
    };
    static const Case cases[] = {
        {"lkLine", kLine, "lkLK36.lkLine"},
        {"lkPhone", kPhone, "lkLK36.lkPhone"},
        {"lkPlay", kPlay, "lkLK36.lkPlay"},
        {"lkRecord", kRecord, "lkLK36.lkRecord"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        com::Ptr<IDispatch> control;
        ASSERT_EQ(CoCreateInstance(c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   control.putVoid()),
                  S_OK);
        // The container binds names to DISPIDs once, then calls by DISPID.
        std::u16string name = u"ErrorNumber";
        OLECHAR* names[] = {name.data()};
        DISPID dispid = DISPID_UNKNOWN;
        ASSERT_EQ(control->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid), S_OK);
        const com::Outcome error = com::Dispatch(control).get(dispid);
        ASSERT_TRUE(error.succeeded());
        EXPECT_EQ(error.value.toInt32(), 0);
    }
    EXPECT_EQ(callEntryPoint("DllUnregisterServer"), S_OK);
}

}  // namespace
