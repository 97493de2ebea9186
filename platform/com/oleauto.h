// OLE Automation: BSTR, VARIANT, DISPPARAMS, EXCEPINFO, IDispatch, ITypeInfo and error info, in
// their published 64-bit layouts (checked by static_asserts below), and the functions that manage
// them. Strings are UTF-16 only here, at the boundary; see variant.h for the UTF-8 helpers.
#pragma once

#include <cstddef>

#include "platform/com/com.h"

using BSTR = OLECHAR*;
using DISPID = LONG;
using MEMBERID = DISPID;
using HREFTYPE = DWORD;
using VARTYPE = USHORT;
using DATE = double;  // an OLE date, as core::OleDate

// -1 is True and 0 is False. A distinct type (not `short`), so a member table can tell a truth
// value from a 16-bit integer; any non-zero value read from a caller still means True.
enum VARIANT_BOOL : std::int16_t { VARIANT_FALSE = 0, VARIANT_TRUE = -1 };
constexpr VARIANT_BOOL toVariantBool(bool value) {
    return value ? VARIANT_TRUE : VARIANT_FALSE;
}

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_PTR = 26,
    VT_USERDEFINED = 29,
    VT_LPSTR = 30,
    VT_LPWSTR = 31,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

struct IDispatch;

// vt, three reserved words, then the value at offset 8; 24 bytes, room for two pointers.
struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        std::uint64_t ullVal;
        LONG lVal;
        ULONG ulVal;
        BYTE bVal;
        char cVal;
        SHORT iVal;
        USHORT uiVal;
        std::int32_t intVal;
        std::uint32_t uintVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        BYTE* pbVal;
        char* pcVal;
        SHORT* piVal;
        USHORT* puiVal;
        LONG* plVal;
        ULONG* pulVal;
        LONGLONG* pllVal;
        std::uint64_t* pullVal;
        std::int32_t* pintVal;
        std::uint32_t* puintVal;
        float* pfltVal;
        double* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        VARIANT* pvarVal;
        void* byref;
        struct {
            void* pvRecord;
            void* pRecInfo;
        } record;
    };
};
using VARIANTARG = VARIANT;

struct DISPPARAMS {
    VARIANTARG* rgvarg;  // arguments in reverse order: the last argument comes first
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void* pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

static_assert(sizeof(VARIANT) == 24 && offsetof(VARIANT, vt) == 0 && offsetof(VARIANT, lVal) == 8 &&
              offsetof(VARIANT, bstrVal) == 8);
static_assert(sizeof(DISPPARAMS) == 24 && offsetof(DISPPARAMS, rgdispidNamedArgs) == 8 &&
              offsetof(DISPPARAMS, cArgs) == 16 && offsetof(DISPPARAMS, cNamedArgs) == 20);
static_assert(sizeof(EXCEPINFO) == 64 && offsetof(EXCEPINFO, bstrSource) == 8 &&
              offsetof(EXCEPINFO, bstrDescription) == 16 &&
              offsetof(EXCEPINFO, bstrHelpFile) == 24 && offsetof(EXCEPINFO, dwHelpContext) == 32 &&
              offsetof(EXCEPINFO, pvReserved) == 40 &&
              offsetof(EXCEPINFO, pfnDeferredFillIn) == 48 && offsetof(EXCEPINFO, scode) == 56);
static_assert(sizeof(VARIANT_BOOL) == 2 && sizeof(DISPID) == 4 && sizeof(HRESULT) == 4);

// IDispatch::Invoke flags and reserved DISPIDs.
inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr DISPID DISPID_NEWENUM = -4;
inline constexpr DISPID DISPID_ENABLED = -514;
inline constexpr MEMBERID MEMBERID_NIL = DISPID_UNKNOWN;

// Published Automation HRESULTs.
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = makeHresult(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = makeHresult(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = makeHresult(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = makeHresult(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = makeHresult(0x80020006);
inline constexpr HRESULT DISP_E_NONAMEDARGS = makeHresult(0x80020007);
inline constexpr HRESULT DISP_E_BADVARTYPE = makeHresult(0x80020008);
inline constexpr HRESULT DISP_E_EXCEPTION = makeHresult(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = makeHresult(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = makeHresult(0x8002000B);
inline constexpr HRESULT DISP_E_UNKNOWNLCID = makeHresult(0x8002000C);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = makeHresult(0x8002000E);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = makeHresult(0x8002000F);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = makeHresult(0x8002802B);

struct ITypeInfo;

struct IDispatch : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                  DISPID* dispids) = 0;
    virtual HRESULT Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) = 0;
};

// ---- Type information ----

enum TYPEKIND : std::int32_t {
    TKIND_ENUM = 0,
    TKIND_RECORD = 1,
    TKIND_MODULE = 2,
    TKIND_INTERFACE = 3,
    TKIND_DISPATCH = 4,
    TKIND_COCLASS = 5,
    TKIND_ALIAS = 6,
    TKIND_UNION = 7,
};
enum FUNCKIND : std::int32_t {
    FUNC_VIRTUAL = 0,
    FUNC_PUREVIRTUAL = 1,
    FUNC_NONVIRTUAL = 2,
    FUNC_STATIC = 3,
    FUNC_DISPATCH = 4,
};
enum INVOKEKIND : std::int32_t {
    INVOKE_FUNC = 1,
    INVOKE_PROPERTYGET = 2,
    INVOKE_PROPERTYPUT = 4,
    INVOKE_PROPERTYPUTREF = 8,
};
enum CALLCONV : std::int32_t { CC_CDECL = 1, CC_STDCALL = 4 };

// Type flags (TYPEATTR::wTypeFlags).
inline constexpr WORD TYPEFLAG_FAPPOBJECT = 0x1;
inline constexpr WORD TYPEFLAG_FCANCREATE = 0x2;
inline constexpr WORD TYPEFLAG_FLICENSED = 0x4;
inline constexpr WORD TYPEFLAG_FHIDDEN = 0x10;
inline constexpr WORD TYPEFLAG_FCONTROL = 0x20;
inline constexpr WORD TYPEFLAG_FDUAL = 0x40;
inline constexpr WORD TYPEFLAG_FNONEXTENSIBLE = 0x80;
inline constexpr WORD TYPEFLAG_FOLEAUTOMATION = 0x100;
inline constexpr WORD TYPEFLAG_FRESTRICTED = 0x200;
inline constexpr WORD TYPEFLAG_FDISPATCHABLE = 0x1000;

// Function flags (FUNCDESC::wFuncFlags).
inline constexpr WORD FUNCFLAG_FRESTRICTED = 0x1;
inline constexpr WORD FUNCFLAG_FSOURCE = 0x2;
inline constexpr WORD FUNCFLAG_FBINDABLE = 0x4;
inline constexpr WORD FUNCFLAG_FREQUESTEDIT = 0x8;
inline constexpr WORD FUNCFLAG_FDISPLAYBIND = 0x10;
inline constexpr WORD FUNCFLAG_FDEFAULTBIND = 0x20;
inline constexpr WORD FUNCFLAG_FHIDDEN = 0x40;
inline constexpr WORD FUNCFLAG_FUSESGETLASTERROR = 0x80;
inline constexpr WORD FUNCFLAG_FDEFAULTCOLLELEM = 0x100;
inline constexpr WORD FUNCFLAG_FUIDEFAULT = 0x200;
inline constexpr WORD FUNCFLAG_FNONBROWSABLE = 0x400;

// Parameter flags (PARAMDESC::wParamFlags).
inline constexpr USHORT PARAMFLAG_NONE = 0;
inline constexpr USHORT PARAMFLAG_FIN = 0x1;
inline constexpr USHORT PARAMFLAG_FOUT = 0x2;
inline constexpr USHORT PARAMFLAG_FLCID = 0x4;
inline constexpr USHORT PARAMFLAG_FRETVAL = 0x8;
inline constexpr USHORT PARAMFLAG_FOPT = 0x10;

struct ARRAYDESC;
struct PARAMDESCEX;
struct ITypeComp;
struct ITypeLib;

struct TYPEDESC {
    union {
        TYPEDESC* lptdesc;
        ARRAYDESC* lpadesc;
        HREFTYPE hreftype;
    };
    VARTYPE vt;
};

struct IDLDESC {
    std::uintptr_t dwReserved;
    USHORT wIDLFlags;
};

struct PARAMDESC {
    PARAMDESCEX* pparamdescex;
    USHORT wParamFlags;
};

struct ELEMDESC {
    TYPEDESC tdesc;
    union {
        IDLDESC idldesc;
        PARAMDESC paramdesc;
    };
};

struct FUNCDESC {
    MEMBERID memid;
    SCODE* lprgscode;
    ELEMDESC* lprgelemdescParam;
    FUNCKIND funckind;
    INVOKEKIND invkind;
    CALLCONV callconv;
    SHORT cParams;
    SHORT cParamsOpt;
    SHORT oVft;
    SHORT cScodes;
    ELEMDESC elemdescFunc;
    WORD wFuncFlags;
};

struct TYPEATTR {
    GUID guid;
    LCID lcid;
    DWORD dwReserved;
    MEMBERID memidConstructor;
    MEMBERID memidDestructor;
    LPOLESTR lpstrSchema;
    ULONG cbSizeInstance;
    TYPEKIND typekind;
    WORD cFuncs;
    WORD cVars;
    WORD cImplTypes;
    WORD cbSizeVft;
    WORD cbAlignment;
    WORD wTypeFlags;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
    TYPEDESC tdescAlias;
    IDLDESC idldescType;
};

enum VARKIND : std::int32_t {
    VAR_PERINSTANCE = 0,
    VAR_STATIC = 1,
    VAR_CONST = 2,
    VAR_DISPATCH = 3,
};

struct VARDESC {
    MEMBERID memid;
    LPOLESTR lpstrSchema;
    union {
        ULONG oInst;
        VARIANT* lpvarValue;  // VAR_CONST: the constant's value
    };
    ELEMDESC elemdescVar;
    WORD wVarFlags;
    VARKIND varkind;
};

// Implemented-interface flags of a coclass (GetImplTypeFlags).
inline constexpr std::int32_t IMPLTYPEFLAG_FDEFAULT = 0x1;
inline constexpr std::int32_t IMPLTYPEFLAG_FSOURCE = 0x2;
inline constexpr std::int32_t IMPLTYPEFLAG_FRESTRICTED = 0x4;

static_assert(sizeof(TYPEDESC) == 16 && sizeof(ELEMDESC) == 32);
static_assert(sizeof(VARDESC) == 64 && offsetof(VARDESC, lpvarValue) == 16 &&
              offsetof(VARDESC, elemdescVar) == 24 && offsetof(VARDESC, varkind) == 60);
static_assert(sizeof(FUNCDESC) == 88 && offsetof(FUNCDESC, lprgelemdescParam) == 16 &&
              offsetof(FUNCDESC, invkind) == 28 && offsetof(FUNCDESC, cParams) == 36 &&
              offsetof(FUNCDESC, elemdescFunc) == 48 && offsetof(FUNCDESC, wFuncFlags) == 80);
static_assert(sizeof(TYPEATTR) == 96 && offsetof(TYPEATTR, lpstrSchema) == 32 &&
              offsetof(TYPEATTR, typekind) == 44 && offsetof(TYPEATTR, cFuncs) == 48 &&
              offsetof(TYPEATTR, wTypeFlags) == 58 && offsetof(TYPEATTR, tdescAlias) == 64);

struct ITypeInfo : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid{0x00020401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT GetTypeAttr(TYPEATTR** attr) = 0;
    virtual HRESULT GetTypeComp(ITypeComp** comp) = 0;
    virtual HRESULT GetFuncDesc(UINT index, FUNCDESC** desc) = 0;
    virtual HRESULT GetVarDesc(UINT index, VARDESC** desc) = 0;
    virtual HRESULT GetNames(MEMBERID memid, BSTR* names, UINT maxNames, UINT* count) = 0;
    virtual HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* ref) = 0;
    virtual HRESULT GetImplTypeFlags(UINT index, std::int32_t* flags) = 0;
    virtual HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* memids) = 0;
    virtual HRESULT Invoke(void* instance, MEMBERID memid, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) = 0;
    virtual HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* docString,
                                     DWORD* helpContext, BSTR* helpFile) = 0;
    virtual HRESULT GetDllEntry(MEMBERID memid, INVOKEKIND kind, BSTR* dllName, BSTR* name,
                                WORD* ordinal) = 0;
    virtual HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** typeInfo) = 0;
    virtual HRESULT AddressOfMember(MEMBERID memid, INVOKEKIND kind, void** address) = 0;
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT GetMops(MEMBERID memid, BSTR* mops) = 0;
    virtual HRESULT GetContainingTypeLib(ITypeLib** typeLib, UINT* index) = 0;
    virtual void ReleaseTypeAttr(TYPEATTR* attr) = 0;
    virtual void ReleaseFuncDesc(FUNCDESC* desc) = 0;
    virtual void ReleaseVarDesc(VARDESC* desc) = 0;
};

// ---- Error info ----

struct IErrorInfo : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid{
        0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
    virtual HRESULT GetGUID(GUID* guid) = 0;
    virtual HRESULT GetSource(BSTR* source) = 0;
    virtual HRESULT GetDescription(BSTR* description) = 0;
    virtual HRESULT GetHelpFile(BSTR* helpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* helpContext) = 0;
};

struct ICreateErrorInfo : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid{
        0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
    virtual HRESULT SetGUID(REFIID guid) = 0;
    virtual HRESULT SetSource(LPOLESTR source) = 0;
    virtual HRESULT SetDescription(LPOLESTR description) = 0;
    virtual HRESULT SetHelpFile(LPOLESTR helpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD helpContext) = 0;
};

struct ISupportErrorInfo : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid{
        0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
    // S_OK when failures of interface `riid` leave an error object on the thread, else S_FALSE.
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};

inline constexpr IID IID_IDispatch = IDispatch::iid;
inline constexpr IID IID_ITypeInfo = ITypeInfo::iid;
inline constexpr IID IID_IErrorInfo = IErrorInfo::iid;
inline constexpr IID IID_ICreateErrorInfo = ICreateErrorInfo::iid;
inline constexpr IID IID_ISupportErrorInfo = ISupportErrorInfo::iid;

// ---- BSTR ----
// A BSTR points at UTF-16 code units preceded by their length in bytes (32 bits) and followed by a
// 16-bit NUL. The null BSTR is a valid empty string for every function here.

// Null for a null `text` (or when out of memory).
BSTR SysAllocString(const OLECHAR* text);
// `length` code units copied from `text` (left zeroed when `text` is null) plus the NUL.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
// A string of `length` bytes copied from `bytes` (zeroed when null); an odd length is kept.
BSTR SysAllocStringByteLen(const char* bytes, UINT length);
// Replaces *target with a copy of `text`; FALSE when out of memory (then *target is unchanged).
BOOL SysReAllocString(BSTR* target, const OLECHAR* text);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

// ---- VARIANT ----

// VariantChangeType flags.
inline constexpr USHORT VARIANT_NOVALUEPROP = 0x1;
inline constexpr USHORT VARIANT_ALPHABOOL = 0x2;
inline constexpr USHORT VARIANT_NOUSEROVERRIDE = 0x4;
inline constexpr USHORT VARIANT_LOCALBOOL = 0x10;

void VariantInit(VARIANT* variant);
// Frees the BSTR or releases the interface a VARIANT owns (a VT_BYREF one owns nothing) and leaves
// it VT_EMPTY. DISP_E_BADVARTYPE for a type this runtime does not know (the VARIANT is untouched).
HRESULT VariantClear(VARIANT* variant);
// Clears `dest`, then copies: a new BSTR, an AddRef'd interface, a VT_BYREF pointer as it is.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* source);
// As VariantCopy, but copies the value a VT_BYREF source points at.
HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* source);
// Converts `source` (dereferenced when VT_BYREF) to `type`; `dest` may be `source`. Numbers and
// text convert by invariant rules: '.' is the decimal point, blanks around the text are allowed,
// a fraction going to an integer rounds half to even, True is -1. Text that is not a number gives
// DISP_E_TYPEMISMATCH, a value outside the target's range DISP_E_OVERFLOW; on failure `dest` is
// unchanged. VT_BOOL becomes "True"/"False" with VARIANT_ALPHABOOL, else "-1"/"0"; text becomes a
// truth value from "True"/"False" (any case) or a number. An object converts through its default
// member (DISPID_VALUE) unless VARIANT_NOVALUEPROP is given.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT flags, VARTYPE type);
HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* source, LCID lcid, USHORT flags,
                            VARTYPE type);

// ---- Error info functions ----
// Each thread has one error-info slot. SetErrorInfo replaces it (null empties it); GetErrorInfo
// hands its content to the caller and empties it, answering S_FALSE with null when it was empty.
HRESULT CreateErrorInfo(ICreateErrorInfo** errorInfo);
HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* errorInfo);
HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** errorInfo);
