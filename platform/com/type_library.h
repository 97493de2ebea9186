// The rest of a library's type information as compiled tables: enumerations, coclasses and the
// type library that holds them together with the interfaces (type_table.h), served as ITypeInfo and
// ITypeLib.
#pragma once

#include <span>
#include <string_view>

#include "platform/com/oleauto.h"
#include "platform/com/type_table.h"

enum SYSKIND : std::int32_t { SYS_WIN16 = 0, SYS_WIN32 = 1, SYS_MAC = 2, SYS_WIN64 = 3 };

struct TLIBATTR {
    GUID guid;
    LCID lcid;
    SYSKIND syskind;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
    WORD wLibFlags;
};
static_assert(sizeof(TLIBATTR) == 32 && offsetof(TLIBATTR, wLibFlags) == 28);

struct ITypeLib : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid{0x00020402, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual UINT GetTypeInfoCount() = 0;
    virtual HRESULT GetTypeInfo(UINT index, ITypeInfo** typeInfo) = 0;
    virtual HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) = 0;
    virtual HRESULT GetTypeInfoOfGuid(REFIID guid, ITypeInfo** typeInfo) = 0;
    virtual HRESULT GetLibAttr(TLIBATTR** attr) = 0;
    virtual HRESULT GetTypeComp(ITypeComp** comp) = 0;
    // Index -1 documents the library itself.
    virtual HRESULT GetDocumentation(std::int32_t index, BSTR* name, BSTR* docString,
                                     DWORD* helpContext, BSTR* helpFile) = 0;
    virtual HRESULT IsName(LPOLESTR name, ULONG hash, BOOL* found) = 0;
    virtual HRESULT FindName(LPOLESTR name, ULONG hash, ITypeInfo** typeInfos, MEMBERID* memids,
                             USHORT* found) = 0;
    virtual void ReleaseTLibAttr(TLIBATTR* attr) = 0;
};
inline constexpr IID IID_ITypeLib = ITypeLib::iid;

namespace com {

struct EnumValue {
    constexpr EnumValue(std::string_view name, LONG value, std::string_view doc = {})
        : name(name), value(value), doc(doc) {}
    std::string_view name;
    LONG value;
    std::string_view doc;
};

struct EnumTable {
    constexpr EnumTable(const GUID& guid, std::string_view name, std::span<const EnumValue> values,
                        std::string_view doc = {})
        : guid(guid), name(name), values(values), doc(doc) {}
    GUID guid;
    std::string_view name;
    std::span<const EnumValue> values;
    std::string_view doc;
};

// A creatable class: its default interface and its default source (events) interface.
struct CoclassTable {
    constexpr CoclassTable(const CLSID& clsid, std::string_view name,
                           const TypeTable& defaultInterface, const TypeTable* defaultSource,
                           std::string_view doc = {},
                           WORD typeFlags = TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL)
        : clsid(clsid),
          name(name),
          defaultInterface(defaultInterface),
          defaultSource(defaultSource),
          doc(doc),
          typeFlags(typeFlags) {}
    CLSID clsid;
    std::string_view name;
    const TypeTable& defaultInterface;
    const TypeTable* defaultSource;  // null when the class fires no events
    std::string_view doc;
    WORD typeFlags;
};

// One place in a library's own index order: the `index`-th entry of one of its three lists.
struct TypeLibEntry {
    enum Kind : BYTE { Interface, Coclass, Enum };
    Kind kind;
    std::size_t index;
};

struct TypeLibTable {
    GUID libid;
    std::string_view name;
    std::string_view doc;
    WORD majorVersion;
    WORD minorVersion;
    LCID lcid;
    WORD libFlags;  // LIBFLAG_* (registration.h)
    std::span<const TypeTable* const> interfaces;
    std::span<const CoclassTable* const> coclasses;
    std::span<const EnumTable* const> enums;
    // The type infos' index order; empty: interfaces, then coclasses, then enumerations. An
    // entry naming no list item is skipped.
    std::span<const TypeLibEntry> order = {};
};

// The coclass's ITypeInfo: implemented type 0 is the default interface, 1 the default source
// (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE); CreateInstance goes through CoCreateInstance.
Ptr<ITypeInfo> typeInfoOf(const CoclassTable& coclass);
// The enumeration's ITypeInfo: one VAR_CONST VT_I4 variable per value, in table order, with
// MEMBERIDs counted from 0x40000000 as type libraries number them.
Ptr<ITypeInfo> typeInfoOf(const EnumTable& table);
// The library, one object per table for the life of the process; its type infos answer
// GetContainingTypeLib with it.
Ptr<ITypeLib> typeLibOf(const TypeLibTable& table);

}  // namespace com
