// A type library served from a TypeLibTable.
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

namespace {

class TableTypeLib final : public ITypeLib {
  public:
    explicit TableTypeLib(const TypeLibTable& table) : m_table(table) {
        if (table.order.empty()) {
            for (const TypeTable* entry : table.interfaces)
                add(detail::interfaceTypeInfo(*entry), entry->name);
            for (const CoclassTable* entry : table.coclasses)
                add(detail::coclassTypeInfo(*entry), entry->name);
            for (const EnumTable* entry : table.enums)
                add(detail::enumTypeInfo(*entry), entry->name);
        }
        for (const TypeLibEntry& place : table.order)
            addEntry(table, place);
        std::memset(&m_attr, 0, sizeof m_attr);
        m_attr.guid = table.libid;
        m_attr.lcid = table.lcid;
        m_attr.syskind = SYS_WIN64;
        m_attr.wMajorVerNum = table.majorVersion;
        m_attr.wMinorVerNum = table.minorVersion;
        m_attr.wLibFlags = table.libFlags;
    }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = iid == IUnknown::iid || iid == ITypeLib::iid ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    UINT GetTypeInfoCount() override { return static_cast<UINT>(m_infos.size()); }
    HRESULT GetTypeInfo(UINT index, ITypeInfo** typeInfo) override {
        if (!typeInfo)
            return E_INVALIDARG;
        *typeInfo = nullptr;
        if (index >= m_infos.size())
            return TYPE_E_ELEMENTNOTFOUND;
        *typeInfo = m_infos[index].info;
        return S_OK;
    }
    HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) override {
        if (!kind)
            return E_INVALIDARG;
        if (index >= m_infos.size())
            return TYPE_E_ELEMENTNOTFOUND;
        TYPEATTR* attr = nullptr;
        m_infos[index].info->GetTypeAttr(&attr);
        *kind = attr->typekind;
        return S_OK;
    }
    HRESULT GetTypeInfoOfGuid(REFIID guid, ITypeInfo** typeInfo) override {
        if (!typeInfo)
            return E_INVALIDARG;
        *typeInfo = nullptr;
        for (const Entry& entry : m_infos) {
            TYPEATTR* attr = nullptr;
            entry.info->GetTypeAttr(&attr);
            if (attr->guid == guid) {
                *typeInfo = entry.info;
                return S_OK;
            }
        }
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT GetLibAttr(TLIBATTR** attr) override {
        if (!attr)
            return E_INVALIDARG;
        *attr = &m_attr;
        return S_OK;
    }
    HRESULT GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
    HRESULT GetDocumentation(std::int32_t index, BSTR* name, BSTR* docString, DWORD* helpContext,
                             BSTR* helpFile) override {
        if (index == -1) {
            if (name)
                *name = bstrFromUtf8(m_table.name);
            if (docString)
                *docString = bstrFromUtf8OrNull(m_table.doc);
            if (helpContext)
                *helpContext = 0;
            if (helpFile)
                *helpFile = nullptr;
            return S_OK;
        }
        if (index < 0 || static_cast<std::size_t>(index) >= m_infos.size())
            return TYPE_E_ELEMENTNOTFOUND;
        return m_infos[index].info->GetDocumentation(MEMBERID_NIL, name, docString, helpContext,
                                                     helpFile);
    }
    HRESULT IsName(LPOLESTR name, ULONG, BOOL* found) override {
        if (!name || !found)
            return E_INVALIDARG;
        *found = findType(name) ? TRUE : FALSE;
        return S_OK;
    }
    HRESULT FindName(LPOLESTR name, ULONG, ITypeInfo** typeInfos, MEMBERID* memids,
                     USHORT* found) override {
        if (!name || !typeInfos || !memids || !found)
            return E_INVALIDARG;
        const Entry* entry = findType(name);
        if (!entry || *found == 0) {
            *found = 0;
            return S_OK;
        }
        typeInfos[0] = entry->info;
        memids[0] = MEMBERID_NIL;
        *found = 1;
        return S_OK;
    }
    void ReleaseTLibAttr(TLIBATTR*) override {}

  private:
    struct Entry {
        detail::StaticTypeInfo* info;
        std::string_view name;
    };

    void add(detail::StaticTypeInfo& info, std::string_view name) {
        info.attach(this, static_cast<UINT>(m_infos.size()));
        m_infos.push_back({&info, name});
    }
    void addEntry(const TypeLibTable& table, const TypeLibEntry& place) {
        switch (place.kind) {
            case TypeLibEntry::Interface:
                if (place.index < table.interfaces.size()) {
                    const TypeTable& entry = *table.interfaces[place.index];
                    add(detail::interfaceTypeInfo(entry), entry.name);
                }
                break;
            case TypeLibEntry::Coclass:
                if (place.index < table.coclasses.size()) {
                    const CoclassTable& entry = *table.coclasses[place.index];
                    add(detail::coclassTypeInfo(entry), entry.name);
                }
                break;
            case TypeLibEntry::Enum:
                if (place.index < table.enums.size()) {
                    const EnumTable& entry = *table.enums[place.index];
                    add(detail::enumTypeInfo(entry), entry.name);
                }
                break;
        }
    }
    // Type names only; members are found through each type's own GetIDsOfNames.
    const Entry* findType(LPOLESTR name) const {
        const std::string wanted = core::toUtf8(std::u16string_view(name));
        for (const Entry& entry : m_infos) {
            if (core::equalsNoCase(entry.name, wanted))
                return &entry;
        }
        return nullptr;
    }

    const TypeLibTable& m_table;
    TLIBATTR m_attr;
    std::vector<Entry> m_infos;
};

}  // namespace

Ptr<ITypeLib> typeLibOf(const TypeLibTable& table) {
    static std::mutex mutex;
    static std::map<const TypeLibTable*, std::unique_ptr<TableTypeLib>> libraries;
    const std::lock_guard lock(mutex);
    std::unique_ptr<TableTypeLib>& library = libraries[&table];
    if (!library)
        library = std::make_unique<TableTypeLib>(table);
    return Ptr<ITypeLib>(library.get());
}

}  // namespace com
