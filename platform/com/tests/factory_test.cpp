// Class factories, the library count behind DllCanUnloadNow, and the thread's error slot.
#include <gtest/gtest.h>

#include <thread>

#include "platform/com/object.h"
#include "platform/com/variant.h"

namespace {

constexpr CLSID kWidgetClsid{0x8A1E0005, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x05}};
constexpr CLSID kUnknownClsid{0x8A1E0006, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x06}};

com::ServerModule g_module;

class Widget final : public com::Object<ISupportErrorInfo> {
  public:
    HRESULT InterfaceSupportsErrorInfo(REFIID) override { return S_FALSE; }

  private:
    com::ServerModule::Ref m_moduleRef{g_module};
};

com::ClassFactory g_factory{g_module, &com::createInstance<Widget>};
const com::ClassEntry g_classes[] = {{kWidgetClsid, g_factory}};

TEST(ClassFactory, CountsObjectsAndLocksForUnloading) {
    EXPECT_EQ(g_module.canUnloadNow(), S_OK);
    com::Ptr<ISupportErrorInfo> widget;
    ASSERT_EQ(g_factory.CreateInstance(nullptr, ISupportErrorInfo::iid, widget.putVoid()), S_OK);
    EXPECT_EQ(g_module.canUnloadNow(), S_FALSE);
    widget.reset();
    EXPECT_EQ(g_module.canUnloadNow(), S_OK);

    EXPECT_EQ(g_factory.LockServer(TRUE), S_OK);
    EXPECT_EQ(g_module.canUnloadNow(), S_FALSE);
    EXPECT_EQ(g_factory.LockServer(FALSE), S_OK);
    EXPECT_EQ(g_module.canUnloadNow(), S_OK);
}

TEST(ClassFactory, RefusesAggregationAndUnknownInterfaces) {
    void* object = reinterpret_cast<void*>(1);
    com::Ptr<Widget> outer = com::make<Widget>();
    EXPECT_EQ(g_factory.CreateInstance(static_cast<ISupportErrorInfo*>(outer.get()), IID_IUnknown,
                                       &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    outer.reset();

    EXPECT_EQ(g_factory.CreateInstance(nullptr, IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(g_module.canUnloadNow(), S_OK);  // the refused object is gone again
}

TEST(ClassFactory, GetClassObjectLooksUpTheTable) {
    struct Case {
        const char* what;
        const CLSID& clsid;
        const IID& iid;
        HRESULT expected;
    };
    const Case cases[] = {
        {"factory", kWidgetClsid, IID_IClassFactory, S_OK},
        {"factory as IUnknown", kWidgetClsid, IID_IUnknown, S_OK},
        {"other interface", kWidgetClsid, IID_IDispatch, E_NOINTERFACE},
        {"unknown class", kUnknownClsid, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(com::getClassObject(g_classes, c.clsid, c.iid, &object), c.expected);
        EXPECT_EQ(object != nullptr, c.expected == S_OK);
    }
}

TEST(ErrorInfo, SlotIsTakenOnceAndBelongsToItsThread) {
    com::setErrorInfo(kWidgetClsid, "Widget", "Broken");
    std::thread([] {
        com::Ptr<IErrorInfo> other;
        EXPECT_EQ(GetErrorInfo(0, other.put()), S_FALSE);
        EXPECT_FALSE(other);
    }).join();

    com::Ptr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    GUID guid{};
    info->GetGUID(&guid);
    EXPECT_EQ(guid, kWidgetClsid);
    com::Bstr source, description;
    info->GetSource(source.put());
    info->GetDescription(description.put());
    EXPECT_EQ(source.utf8(), "Widget");
    EXPECT_EQ(description.utf8(), "Broken");

    com::Ptr<IErrorInfo> again;
    EXPECT_EQ(GetErrorInfo(0, again.put()), S_FALSE);

    SetErrorInfo(0, info.get());
    SetErrorInfo(0, nullptr);  // empties the slot
    EXPECT_EQ(GetErrorInfo(0, again.put()), S_FALSE);
}

TEST(Apartment, InitialisesOncePerThread) {
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
}

}  // namespace
