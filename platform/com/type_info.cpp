// ITypeInfo objects made from compiled tables: interfaces, coclasses and enumerations.
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/com/static_type_info.h"
#include "platform/com/type_library.h"
#include "platform/com/variant.h"
#include "platform/core/text.h"

namespace com {

namespace detail {

std::vector<std::string_view> splitNames(std::string_view list) {
    std::vector<std::string_view> names;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view name = list.substr(0, comma);
        while (!name.empty() && name.front() == ' ')
            name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ')
            name.remove_suffix(1);
        names.push_back(name);
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    return names;
}

StaticTypeInfo::StaticTypeInfo(const GUID& guid, TYPEKIND kind, WORD typeFlags) {
    std::memset(&m_attr, 0, sizeof m_attr);
    m_attr.guid = guid;
    m_attr.memidConstructor = MEMBERID_NIL;
    m_attr.memidDestructor = MEMBERID_NIL;
    m_attr.typekind = kind;
    m_attr.cbAlignment = alignof(void*);
    m_attr.wTypeFlags = typeFlags;
}

HRESULT StaticTypeInfo::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = iid == IUnknown::iid || iid == ITypeInfo::iid ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
}

HRESULT StaticTypeInfo::GetTypeAttr(TYPEATTR** attr) {
    if (!attr)
        return E_INVALIDARG;
    *attr = &m_attr;
    return S_OK;
}

HRESULT StaticTypeInfo::GetContainingTypeLib(ITypeLib** typeLib, UINT* index) {
    if (!typeLib)
        return E_INVALIDARG;
    *typeLib = m_typeLib;
    if (!m_typeLib)
        return E_NOTIMPL;
    m_typeLib->AddRef();
    if (index)
        *index = m_index;
    return S_OK;
}

HRESULT StaticTypeInfo::document(std::string_view name, std::string_view doc, BSTR* nameOut,
                                 BSTR* docOut, DWORD* helpContext, BSTR* helpFile) {
    if (nameOut)
        *nameOut = bstrFromUtf8(name);
    if (docOut)
        *docOut = bstrFromUtf8OrNull(doc);
    if (helpContext)
        *helpContext = 0;
    if (helpFile)
        *helpFile = nullptr;
    return S_OK;
}

namespace {

// One interface table's ITypeInfo.
class TableTypeInfo final : public StaticTypeInfo {
  public:
    explicit TableTypeInfo(const TypeTable& table)
        : StaticTypeInfo(table.iid, TKIND_DISPATCH, table.typeFlags), m_table(table) {
        for (const Member& member : table.members) {
            addFunction(member, member.put, INVOKE_PROPERTYPUT);
            addFunction(member, member.putRef, INVOKE_PROPERTYPUTREF);
            addFunction(member, member.get, INVOKE_PROPERTYGET);
            addFunction(member, member.method, INVOKE_FUNC);
        }
        for (std::size_t i = 0; i < m_descs.size(); ++i)
            m_descs[i].lprgelemdescParam = m_params[i].empty() ? nullptr : m_params[i].data();
        m_attr.cFuncs = static_cast<WORD>(m_descs.size());
        m_attr.cbSizeVft = 7 * sizeof(void*);  // IDispatch's seven functions
        m_attr.cbAlignment = alignof(void*);
        m_attr.wMajorVerNum = table.majorVersion;
        m_attr.wMinorVerNum = table.minorVersion;
    }

    HRESULT GetFuncDesc(UINT index, FUNCDESC** desc) override {
        return element(m_descs, index, desc);
    }
    HRESULT GetNames(MEMBERID memid, BSTR* names, UINT maxNames, UINT* count) override {
        if (!names || !count)
            return E_INVALIDARG;
        *count = 0;
        const Member* member = findMember(m_table, memid);
        if (!member)
            return TYPE_E_ELEMENTNOTFOUND;
        std::vector<std::string_view> all{member->name};
        for (std::string_view param : splitNames(member->details.params))
            all.push_back(param);
        for (std::size_t i = 0; i < all.size() && *count < maxNames; ++i)
            names[(*count)++] = bstrFromUtf8(all[i]);
        return S_OK;
    }
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* memids) override {
        return getIDsOfNames(m_table, names, count, memids);
    }
    HRESULT Invoke(void* instance, MEMBERID memid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) override {
        if (!instance)
            return E_INVALIDARG;
        return static_cast<IDispatch*>(instance)->Invoke(memid, IID_NULL, 0, flags, params, result,
                                                         excepInfo, argErr);
    }
    HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* docString, DWORD* helpContext,
                             BSTR* helpFile) override {
        if (memid == MEMBERID_NIL)
            return document(m_table.name, m_table.doc, name, docString, helpContext, helpFile);
        const Member* member = findMember(m_table, memid);
        if (!member)
            return TYPE_E_ELEMENTNOTFOUND;
        return document(member->name, member->details.doc, name, docString, helpContext, helpFile);
    }

  private:
    // By-reference types are described as pointers to their base type, as type libraries do.
    ELEMDESC elementOf(VARTYPE type, USHORT paramFlags) {
        ELEMDESC element;
        std::memset(&element, 0, sizeof element);
        if (type & VT_BYREF) {
            auto& pointee = m_pointees.emplace_back(std::make_unique<TYPEDESC>());
            std::memset(pointee.get(), 0, sizeof(TYPEDESC));
            pointee->vt = type & ~VT_BYREF;
            element.tdesc.vt = VT_PTR;
            element.tdesc.lptdesc = pointee.get();
            paramFlags |= PARAMFLAG_FOUT;
        } else {
            element.tdesc.vt = type;
        }
        element.paramdesc.wParamFlags = paramFlags;
        return element;
    }

    void addFunction(const Member& member, const Function& function, INVOKEKIND kind) {
        if (!function.declared)
            return;
        std::vector<ELEMDESC>& params = m_params.emplace_back();
        for (VARTYPE type : function.params)
            params.push_back(elementOf(type, PARAMFLAG_FIN));
        FUNCDESC desc;
        std::memset(&desc, 0, sizeof desc);
        desc.memid = member.dispid;
        desc.funckind = FUNC_DISPATCH;
        desc.invkind = kind;
        desc.callconv = CC_STDCALL;
        desc.cParams = static_cast<SHORT>(params.size());
        desc.elemdescFunc =
            elementOf(function.result == VT_EMPTY ? VARTYPE{VT_VOID} : function.result, 0);
        desc.wFuncFlags = member.details.flags;
        m_descs.push_back(desc);
    }

    const TypeTable& m_table;
    std::vector<FUNCDESC> m_descs;
    std::vector<std::vector<ELEMDESC>> m_params;
    std::vector<std::unique_ptr<TYPEDESC>> m_pointees;
};

class CoclassTypeInfo final : public StaticTypeInfo {
  public:
    explicit CoclassTypeInfo(const CoclassTable& coclass)
        : StaticTypeInfo(coclass.clsid, TKIND_COCLASS, coclass.typeFlags), m_coclass(coclass) {
        m_attr.cImplTypes = coclass.defaultSource ? 2 : 1;
    }

    HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* ref) override {
        if (!ref)
            return E_INVALIDARG;
        if (index >= m_attr.cImplTypes)
            return TYPE_E_ELEMENTNOTFOUND;
        *ref = index;
        return S_OK;
    }
    HRESULT GetImplTypeFlags(UINT index, std::int32_t* flags) override {
        if (!flags)
            return E_INVALIDARG;
        if (index >= m_attr.cImplTypes)
            return TYPE_E_ELEMENTNOTFOUND;
        *flags = index == 0 ? IMPLTYPEFLAG_FDEFAULT : IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE;
        return S_OK;
    }
    HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** typeInfo) override {
        if (!typeInfo)
            return E_INVALIDARG;
        *typeInfo = nullptr;
        if (ref >= m_attr.cImplTypes)
            return TYPE_E_ELEMENTNOTFOUND;
        *typeInfo =
            typeInfoOf(ref == 0 ? m_coclass.defaultInterface : *m_coclass.defaultSource).detach();
        return S_OK;
    }
    HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* docString, DWORD* helpContext,
                             BSTR* helpFile) override {
        if (memid != MEMBERID_NIL)
            return TYPE_E_ELEMENTNOTFOUND;
        return document(m_coclass.name, m_coclass.doc, name, docString, helpContext, helpFile);
    }
    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        return CoCreateInstance(m_coclass.clsid, outer, CLSCTX_INPROC_SERVER, iid, object);
    }

  private:
    const CoclassTable& m_coclass;
};

constexpr MEMBERID kFirstEnumMemberId = 0x40000000;

class EnumTypeInfo final : public StaticTypeInfo {
  public:
    explicit EnumTypeInfo(const EnumTable& table)
        : StaticTypeInfo(table.guid, TKIND_ENUM, 0),
          m_table(table),
          m_values(table.values.size()),
          m_descs(table.values.size()) {
        m_attr.cVars = static_cast<WORD>(table.values.size());
        m_attr.cbSizeInstance = sizeof(LONG);
        for (std::size_t i = 0; i < m_descs.size(); ++i) {
            VariantInit(&m_values[i]);
            m_values[i].vt = VT_I4;
            m_values[i].lVal = table.values[i].value;
            VARDESC& desc = m_descs[i];
            std::memset(&desc, 0, sizeof desc);
            desc.memid = kFirstEnumMemberId + static_cast<MEMBERID>(i);
            desc.lpvarValue = &m_values[i];
            desc.elemdescVar.tdesc.vt = VT_I4;
            desc.varkind = VAR_CONST;
        }
    }

    HRESULT GetVarDesc(UINT index, VARDESC** desc) override {
        return element(m_descs, index, desc);
    }
    HRESULT GetNames(MEMBERID memid, BSTR* names, UINT maxNames, UINT* count) override {
        if (!names || !count)
            return E_INVALIDARG;
        *count = 0;
        const EnumValue* value = find(memid);
        if (!value)
            return TYPE_E_ELEMENTNOTFOUND;
        if (maxNames > 0)
            names[(*count)++] = bstrFromUtf8(value->name);
        return S_OK;
    }
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* memids) override {
        if (count == 0 || !names || !memids)
            return E_INVALIDARG;
        const std::string wanted = core::toUtf8(std::u16string_view(names[0]));
        for (UINT i = 0; i < count; ++i)
            memids[i] = DISPID_UNKNOWN;
        for (std::size_t i = 0; i < m_table.values.size(); ++i) {
            if (core::equalsNoCase(m_table.values[i].name, wanted)) {
                memids[0] = kFirstEnumMemberId + static_cast<MEMBERID>(i);
                return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
            }
        }
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* docString, DWORD* helpContext,
                             BSTR* helpFile) override {
        if (memid == MEMBERID_NIL)
            return document(m_table.name, m_table.doc, name, docString, helpContext, helpFile);
        const EnumValue* value = find(memid);
        if (!value)
            return TYPE_E_ELEMENTNOTFOUND;
        return document(value->name, value->doc, name, docString, helpContext, helpFile);
    }

  private:
    const EnumValue* find(MEMBERID memid) const {
        const auto index = static_cast<std::size_t>(memid - kFirstEnumMemberId);
        return memid >= kFirstEnumMemberId && index < m_table.values.size() ? &m_table.values[index]
                                                                            : nullptr;
    }

    const EnumTable& m_table;
    std::vector<VARIANT> m_values;
    std::vector<VARDESC> m_descs;
};

// One object per table for the life of the process.
template <typename Info, typename Table>
Info& cached(const Table& table) {
    static std::mutex mutex;
    static std::map<const Table*, std::unique_ptr<Info>> infos;
    const std::lock_guard lock(mutex);
    std::unique_ptr<Info>& info = infos[&table];
    if (!info)
        info = std::make_unique<Info>(table);
    return *info;
}

}  // namespace

StaticTypeInfo& interfaceTypeInfo(const TypeTable& table) {
    return cached<TableTypeInfo>(table);
}

StaticTypeInfo& coclassTypeInfo(const CoclassTable& coclass) {
    return cached<CoclassTypeInfo>(coclass);
}

StaticTypeInfo& enumTypeInfo(const EnumTable& table) {
    return cached<EnumTypeInfo>(table);
}

}  // namespace detail

Ptr<ITypeInfo> typeInfoOf(const TypeTable& table) {
    return Ptr<ITypeInfo>(&detail::interfaceTypeInfo(table));
}

Ptr<ITypeInfo> typeInfoOf(const CoclassTable& coclass) {
    return Ptr<ITypeInfo>(&detail::coclassTypeInfo(coclass));
}

Ptr<ITypeInfo> typeInfoOf(const EnumTable& table) {
    return Ptr<ITypeInfo>(&detail::enumTypeInfo(table));
}

}  // namespace com
