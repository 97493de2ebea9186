// Internal to the runtime: the common ground of the ITypeInfo objects made from compiled tables.
// They live as long as the process, so they keep no reference counts.
#pragma once

#include <string_view>
#include <vector>

#include "platform/com/oleauto.h"
#include "platform/com/type_library.h"
#include "platform/com/type_table.h"

namespace com::detail {

class StaticTypeInfo : public ITypeInfo {
  public:
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT GetTypeAttr(TYPEATTR** attr) override;
    HRESULT GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
    HRESULT GetFuncDesc(UINT, FUNCDESC**) override { return TYPE_E_ELEMENTNOTFOUND; }
    HRESULT GetVarDesc(UINT, VARDESC**) override { return TYPE_E_ELEMENTNOTFOUND; }
    HRESULT GetNames(MEMBERID, BSTR*, UINT, UINT* count) override {
        if (count)
            *count = 0;
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT GetRefTypeOfImplType(UINT, HREFTYPE*) override { return TYPE_E_ELEMENTNOTFOUND; }
    HRESULT GetImplTypeFlags(UINT, std::int32_t*) override { return TYPE_E_ELEMENTNOTFOUND; }
    HRESULT GetIDsOfNames(LPOLESTR*, UINT, MEMBERID*) override { return DISP_E_UNKNOWNNAME; }
    HRESULT Invoke(void*, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override { return E_NOTIMPL; }
    HRESULT GetRefTypeInfo(HREFTYPE, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT AddressOfMember(MEMBERID, INVOKEKIND, void**) override { return E_NOTIMPL; }
    HRESULT CreateInstance(IUnknown*, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT GetMops(MEMBERID, BSTR*) override { return E_NOTIMPL; }
    HRESULT GetContainingTypeLib(ITypeLib** typeLib, UINT* index) override;
    void ReleaseTypeAttr(TYPEATTR*) override {}
    void ReleaseFuncDesc(FUNCDESC*) override {}
    void ReleaseVarDesc(VARDESC*) override {}

    // Made part of a type library, at `index` in it.
    void attach(ITypeLib* typeLib, UINT index) {
        m_typeLib = typeLib;
        m_index = index;
    }

  protected:
    StaticTypeInfo(const GUID& guid, TYPEKIND kind, WORD typeFlags);
    // Item `index` of a description list, for GetFuncDesc and GetVarDesc.
    template <typename T>
    static HRESULT element(std::vector<T>& items, UINT index, T** out) {
        if (!out)
            return E_INVALIDARG;
        if (index >= items.size())
            return TYPE_E_ELEMENTNOTFOUND;
        *out = &items[index];
        return S_OK;
    }
    // Name and documentation for GetDocumentation; MEMBERID_NIL asks for the type's own.
    HRESULT document(std::string_view name, std::string_view doc, BSTR* nameOut, BSTR* docOut,
                     DWORD* helpContext, BSTR* helpFile);

    TYPEATTR m_attr;

  private:
    ITypeLib* m_typeLib = nullptr;
    UINT m_index = 0;
};

// Parameter names of a Details::params list, blanks around each trimmed.
std::vector<std::string_view> splitNames(std::string_view list);

// The process-wide type information objects of tables.
StaticTypeInfo& interfaceTypeInfo(const TypeTable& table);
StaticTypeInfo& coclassTypeInfo(const CoclassTable& coclass);
StaticTypeInfo& enumTypeInfo(const EnumTable& table);

}  // namespace com::detail
