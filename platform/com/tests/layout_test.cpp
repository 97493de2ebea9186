// The binary form a client relies on without our headers: published IIDs, structure layouts,
// BSTR memory and the slot order of interface tables.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/com/connection_point.h"
#include "platform/com/object.h"
#include "platform/com/property_bag.h"
#include "platform/com/variant.h"
#include "platform/core/text.h"

static_assert(sizeof(GUID) == 16);
static_assert(sizeof(VARIANT) == 24 && offsetof(VARIANT, dblVal) == 8 &&
              offsetof(VARIANT, pdispVal) == 8 && offsetof(VARIANT, record.pRecInfo) == 16);
static_assert(sizeof(DISPPARAMS) == 24 && sizeof(EXCEPINFO) == 64);
static_assert(VARIANT_TRUE == -1 && VARIANT_FALSE == 0);
static_assert(DISPATCH_METHOD == 1 && DISPATCH_PROPERTYGET == 2 && DISPATCH_PROPERTYPUT == 4 &&
              DISPATCH_PROPERTYPUTREF == 8 && DISPID_PROPERTYPUT == -3);
// Interfaces carry nothing but their table pointer.
static_assert(sizeof(IUnknown) == sizeof(void*) && sizeof(IDispatch) == sizeof(void*) &&
              sizeof(ITypeInfo) == sizeof(void*) && sizeof(IConnectionPoint) == sizeof(void*));

namespace {

TEST(ComLayout, InterfaceIdsHaveTheirPublishedValues) {
    struct Case {
        const IID& iid;
        const char* text;
    };
    const Case cases[] = {
        {IID_IUnknown, "{00000000-0000-0000-C000-000000000046}"},
        {IID_IClassFactory, "{00000001-0000-0000-C000-000000000046}"},
        {IID_IDispatch, "{00020400-0000-0000-C000-000000000046}"},
        {IID_ITypeInfo, "{00020401-0000-0000-C000-000000000046}"},
        {IID_IErrorInfo, "{1CF2B120-547D-101B-8E65-08002B2BD119}"},
        {IID_ICreateErrorInfo, "{22F03340-547D-101B-8E65-08002B2BD119}"},
        {IID_ISupportErrorInfo, "{DF0B3D60-548F-101B-8E65-08002B2BD119}"},
        {IID_IConnectionPointContainer, "{B196B284-BAB4-101A-B69C-00AA00341D07}"},
        {IID_IEnumConnectionPoints, "{B196B285-BAB4-101A-B69C-00AA00341D07}"},
        {IID_IConnectionPoint, "{B196B286-BAB4-101A-B69C-00AA00341D07}"},
        {IID_IEnumConnections, "{B196B287-BAB4-101A-B69C-00AA00341D07}"},
        {IID_IPersist, "{0000010C-0000-0000-C000-000000000046}"},
        {IID_IPropertyBag, "{55272A00-42CB-11CE-8135-00AA004BB851}"},
        {IID_IPersistPropertyBag, "{37D84F60-42CB-11CE-8135-00AA004BB851}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(core::formatGuid(c.iid), c.text);
    }
}

TEST(ComLayout, BstrIsLengthPrefixedAndTerminated) {
    BSTR text = SysAllocString(u"abc");
    std::uint32_t byteLength = 0;
    std::memcpy(&byteLength, reinterpret_cast<const char*>(text) - 4, 4);
    EXPECT_EQ(byteLength, 6u);
    EXPECT_EQ(text[3], u'\0');
    EXPECT_EQ(SysStringLen(text), 3u);
    EXPECT_EQ(SysStringByteLen(text), 6u);
    SysFreeString(text);

    // An odd byte length is kept, and the code unit after the bytes is still a whole NUL.
    BSTR odd = SysAllocStringByteLen("xyz", 3);
    EXPECT_EQ(SysStringByteLen(odd), 3u);
    EXPECT_EQ(SysStringLen(odd), 1u);
    EXPECT_EQ(std::memcmp(odd, "xyz\0\0", 5), 0);
    SysFreeString(odd);
}

// An object seen through its table the way a C client sees it: slot n of the first pointer.
class Probe final : public com::Object<IDispatch, IClassFactory> {
  public:
    HRESULT GetTypeInfoCount(UINT* count) override {
        *count = 77;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                   UINT*) override {
        result->vt = VT_I4;
        result->lVal = dispid;
        return S_OK;
    }
    HRESULT CreateInstance(IUnknown*, REFIID, void**) override { return E_ABORT; }
    HRESULT LockServer(BOOL) override { return E_NOTIMPL; }
};

template <typename Function>
Function slot(void* interfacePointer, int index) {
    void** table = *static_cast<void***>(interfacePointer);
    return reinterpret_cast<Function>(table[index]);
}

TEST(ComLayout, InterfaceTablesFollowThePublishedSlotOrder) {
    com::Ptr<Probe> probe = com::make<Probe>();
    void* dispatch = static_cast<IDispatch*>(probe.get());

    using QueryInterface = HRESULT (*)(void*, const IID*, void**);
    using AddRef = ULONG (*)(void*);
    using GetTypeInfoCount = HRESULT (*)(void*, UINT*);
    using Invoke = HRESULT (*)(void*, DISPID, const IID*, LCID, WORD, DISPPARAMS*, VARIANT*,
                               EXCEPINFO*, UINT*);
    using CreateInstance = HRESULT (*)(void*, IUnknown*, const IID*, void**);

    EXPECT_EQ(slot<AddRef>(dispatch, 1)(dispatch), 2u);
    EXPECT_EQ(slot<AddRef>(dispatch, 2)(dispatch), 1u);  // Release
    UINT count = 0;
    EXPECT_EQ(slot<GetTypeInfoCount>(dispatch, 3)(dispatch, &count), S_OK);
    EXPECT_EQ(count, 77u);
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(slot<Invoke>(dispatch, 6)(dispatch, 123, &IID_NULL, 0, DISPATCH_METHOD, nullptr,
                                        &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(result.lVal, 123);

    void* factory = nullptr;
    ASSERT_EQ(slot<QueryInterface>(dispatch, 0)(dispatch, &IID_IClassFactory, &factory), S_OK);
    EXPECT_EQ(slot<CreateInstance>(factory, 3)(factory, nullptr, &IID_IUnknown, nullptr), E_ABORT);
    static_cast<IClassFactory*>(factory)->Release();
}

TEST(ComLayout, QueryInterfaceKeepsIdentity) {
    com::Ptr<Probe> probe = com::make<Probe>();
    com::Ptr<IUnknown> viaDispatch = com::Ptr<IDispatch>(probe.get()).query<IUnknown>();
    com::Ptr<IUnknown> viaFactory = com::Ptr<IClassFactory>(probe.get()).query<IUnknown>();
    EXPECT_EQ(viaDispatch.get(), viaFactory.get());
    EXPECT_FALSE(com::Ptr<IDispatch>(probe.get()).query<ITypeInfo>());
}

}  // namespace
