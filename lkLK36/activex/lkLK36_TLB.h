// The type library of lkLK36: its published identifiers (LIBID, CLSIDs, IIDs, ProgIDs) and its
// type information as compiled tables: the four dual interfaces, the four events interfaces, the
// four coclasses and the three enumerations. A client needs nothing else to create and drive the
// controls.
#pragma once

#include <span>
#include <string_view>

#include "platform/com/type_library.h"

// ---- Published identifiers ----

inline constexpr GUID LIBID_lkLK36{
    0x55E22180, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};

inline constexpr IID IID_IlkLine{
    0x55E22181, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr IID DIID_IlkLineEvents{
    0x55E22183, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr CLSID CLSID_lkLine{
    0x55E22185, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr GUID GUID_TxWindowState{
    0x55E22187, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr GUID GUID_TxDevEnv{
    0x55E22188, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};

inline constexpr IID IID_IlkPhone{
    0x55E2218C, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr IID DIID_IlkPhoneEvents{
    0x55E2218E, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr CLSID CLSID_lkPhone{
    0x55E22190, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};

inline constexpr IID IID_IlkPlay{
    0x55E22197, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr IID DIID_IlkPlayEvents{
    0x55E22199, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr CLSID CLSID_lkPlay{
    0x55E2219B, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr GUID GUID_TxWAVFORMATS{
    0x55E2219D, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};

inline constexpr IID IID_IlkRecord{
    0x55E221A5, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr IID DIID_IlkRecordEvents{
    0x55E221A7, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr CLSID CLSID_lkRecord{
    0x55E221A9, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};

// The string-list interface every list member answers, and the library that defines it.
inline constexpr GUID LIBID_STDVCL{
    0xEE05DFE0, 0x5549, 0x11D0, {0x9E, 0xA9, 0x00, 0x20, 0xAF, 0x3D, 0x82, 0xDA}};
inline constexpr IID IID_IStrings{
    0xEE05DFE2, 0x5549, 0x11D0, {0x9E, 0xA9, 0x00, 0x20, 0xAF, 0x3D, 0x82, 0xDA}};

namespace lkLK36 {

inline constexpr std::string_view kLibraryName = "lkLK36";
inline constexpr std::string_view kLibraryHelpString = "Orvane Quillon v3.6";
inline constexpr WORD kMajorVersion = 3;
inline constexpr WORD kMinorVersion = 6;
inline constexpr LCID kLcid = 0x0409;

// Everything the type library says about one control, in one row.
struct ControlIdentity {
    CLSID clsid;
    IID iid;                         // the dual interface
    IID eventsIid;                   // the events dispinterface, the control's default source
    std::string_view className;      // "lkLine"
    std::string_view interfaceName;  // "IlkLine"
    std::string_view eventsName;     // "IlkLineEvents"
    std::string_view progId;         // "lkLK36.lkLine": the library name, a point, the class name
    std::string_view description;    // "lkLine Control"
    std::string_view interfaceDoc;   // "Dispatch interface for lkLine Control"
    std::string_view eventsDoc;      // "Events interface for lkLine Control"
    int toolboxBitmap;               // the bitmap resource number named in ToolboxBitmap32
};

inline constexpr ControlIdentity kLineIdentity{CLSID_lkLine,
                                               IID_IlkLine,
                                               DIID_IlkLineEvents,
                                               "lkLine",
                                               "IlkLine",
                                               "IlkLineEvents",
                                               "lkLK36.lkLine",
                                               "lkLine Control",
                                               "Dispatch interface for lkLine Control",
                                               "Events interface for lkLine Control",
                                               1};
inline constexpr ControlIdentity kPhoneIdentity{CLSID_lkPhone,
                                                IID_IlkPhone,
                                                DIID_IlkPhoneEvents,
                                                "lkPhone",
                                                "IlkPhone",
                                                "IlkPhoneEvents",
                                                "lkLK36.lkPhone",
                                                "lkPhone Control",
                                                "Dispatch interface for lkPhone Control",
                                                "Events interface for lkPhone Control",
                                                2};
inline constexpr ControlIdentity kPlayIdentity{CLSID_lkPlay,
                                               IID_IlkPlay,
                                               DIID_IlkPlayEvents,
                                               "lkPlay",
                                               "IlkPlay",
                                               "IlkPlayEvents",
                                               "lkLK36.lkPlay",
                                               "lkPlay Control",
                                               "Dispatch interface for lkPlay Control",
                                               "Events interface for lkPlay Control",
                                               3};
inline constexpr ControlIdentity kRecordIdentity{CLSID_lkRecord,
                                                 IID_IlkRecord,
                                                 DIID_IlkRecordEvents,
                                                 "lkRecord",
                                                 "IlkRecord",
                                                 "IlkRecordEvents",
                                                 "lkLK36.lkRecord",
                                                 "lkRecord Control",
                                                 "Dispatch interface for lkRecord Control",
                                                 "Events interface for lkRecord Control",
                                                 4};

// A control's dual interface: its identity from the type library, its members from the control.
// Failures that leave no error object name the control's ProgID as their source.
constexpr com::TypeTable dualInterfaceTable(const ControlIdentity& control,
                                            std::span<const com::Member> members) {
    return com::TypeTable(control.iid, control.interfaceName, members, control.interfaceDoc,
                          TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE,
                          control.progId, kMajorVersion, kMinorVersion);
}

// The dual interfaces, each defined with its control's member table.
const com::TypeTable& IlkLineTable();
const com::TypeTable& IlkPhoneTable();
const com::TypeTable& IlkPlayTable();
const com::TypeTable& IlkRecordTable();

// The events dispinterfaces: every event a method without result, numbered 1 to n in declaration
// order.
const com::TypeTable& IlkLineEventsTable();
const com::TypeTable& IlkPhoneEventsTable();
const com::TypeTable& IlkPlayEventsTable();
const com::TypeTable& IlkRecordEventsTable();

// The coclasses: the dual interface as default, the events interface as default source.
const com::CoclassTable& lkLineCoclass();
const com::CoclassTable& lkPhoneCoclass();
const com::CoclassTable& lkPlayCoclass();
const com::CoclassTable& lkRecordCoclass();

const com::EnumTable& TxWindowStateTable();
const com::EnumTable& TxDevEnvTable();
const com::EnumTable& TxWAVFORMATSTable();

// The whole library: LIBID, name "lkLK36", version 3.6, LCID 0x0409, a control library.
const com::TypeLibTable& lkLK36TypeLibrary();

}  // namespace lkLK36
