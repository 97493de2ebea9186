#include "lkLK36/activex/lkLK36_TLB.h"

#include "lkLK36/activex/lkLineImpl1.h"
#include "lkLK36/activex/lkPhoneImpl1.h"
#include "lkLK36/activex/lkPlayImpl1.h"
#include "lkLK36/activex/lkRecordImpl1.h"

#include "platform/com/registration.h"

namespace lkLK36 {

namespace {

constexpr com::Details kCallHandle = com::params("CallHandle");
constexpr com::Details kTAPIMessage = com::params("CallHandle, Message, Param1, Param2, Param3");
constexpr com::Details kTAPIReply = com::params("Param1, Param2, Param3");
constexpr com::Details kDigit = com::params("Digit");
constexpr com::Details kContinue = com::params("Continue");

constexpr com::Member kLineEvents[] = {
    com::event<LONG>("OnBusy", 1, kCallHandle),
    com::event<LONG>("OnCallBegin", 2, kCallHandle),
    com::event<LONG>("OnCalledID", 3, kCallHandle),
    com::event<LONG>("OnCallEnd", 4, kCallHandle),
    com::event<LONG>("OnCallerID", 5, kCallHandle),
    com::event<LONG>("OnCallInfo", 6, kCallHandle),
    com::event<LONG>("OnCallMediaModeChange", 7, kCallHandle),
    com::event<LONG>("OnCallOwnerChange", 8, kCallHandle),
    com::event<LONG>("OnCallState", 9, kCallHandle),
    com::event<LONG>("OnConnected", 10, kCallHandle),
    com::event<LONG>("OnConnectedID", 11, kCallHandle),
    com::event<LONG>("OnDialing", 12, kCallHandle),
    com::event<LONG>("OnDialtone", 13, kCallHandle),
    com::event<LONG, SHORT, LONG>("OnDigitReceived", 14, com::params("CallHandle, Digit, Tag")),
    com::event<LONG>("OnDisconnected", 15, kCallHandle),
    com::event<>("OnError", 16),
    com::event<LONG>("OnIdle", 17, kCallHandle),
    com::event<>("OnMessageOff", 18),
    com::event<>("OnMessageOn", 19),
    com::event<LONG>("OnOffering", 20, kCallHandle),
    com::event<LONG>("OnRedirectingID", 21, kCallHandle),
    com::event<LONG>("OnRedirectionID", 22, kCallHandle),
    com::event<LONG, LONG>("OnRing", 23, com::params("Count, RingMode")),
    com::event<LONG>("OnRingBack", 24, kCallHandle),
    com::event<LONG>("OnSilence", 25, kCallHandle),
    com::event<LONG>("OnSpecialInfo", 26, kCallHandle),
    com::event<LONG, LONG, LONG, LONG, LONG>("OnTAPIMessage", 27, kTAPIMessage),
    com::event<LONG, LONG, LONG>("OnTAPIReply", 28, kTAPIReply),
    com::event<LONG>("OnDigitsSent", 29, kCallHandle),
    com::event<LONG>("OnToneSent", 30, kCallHandle),
    com::event<LONG>("OnConferenced", 31, kCallHandle),
    com::event<LONG>("OnHold", 32, kCallHandle),
    com::event<LONG>("OnHoldPendingConference", 33, kCallHandle),
    com::event<LONG>("OnHoldPendingTransfer", 34, kCallHandle),
    com::event<LONG>("OnProceeding", 35, kCallHandle),
    com::event<LONG>("OnAddressForward", 36, com::params("Address")),
    com::event<LONG, BSTR, LONG, LONG>("OnDigitsGathered", 37,
                                       com::params("CallHandle, Digits, Termination, Tag")),
};

constexpr com::Member kPhoneEvents[] = {
    com::event<SHORT>("OnDigitDown", 1, kDigit),
    com::event<SHORT>("OnDigitUp", 2, kDigit),
    com::event<>("OnError", 3),
    com::event<>("OnHandsetHookSwitch", 4),
    com::event<>("OnSpeakerphoneHookSwitch", 5),
    com::event<>("OnHeadsetHookSwitch", 6),
    com::event<>("OnHandsetVolume", 7),
    com::event<>("OnHandsetGain", 8),
    com::event<>("OnSpeakerphoneVolume", 9),
    com::event<>("OnSpeakerphoneGain", 10),
    com::event<>("OnHeadsetVolume", 11),
    com::event<>("OnHeadsetGain", 12),
    com::event<>("OnPhoneState", 13),
    com::event<LONG, LONG, LONG, LONG, LONG>("OnTAPIMessage", 14, kTAPIMessage),
    com::event<LONG, LONG, LONG>("OnTAPIReply", 15, kTAPIReply),
};

constexpr com::Member kPlayEvents[] = {
    com::event<>("OnDone", 1),   com::event<>("OnError", 2),
    com::event<>("OnLoaded", 3), com::event<>("OnLoop", 4),
    com::event<>("OnTimer", 5),  com::event<VARIANT_BOOL*>("OnWarning", 6, kContinue),
};

constexpr com::Member kRecordEvents[] = {
    com::event<>("OnDone", 1),
    com::event<>("OnError", 2),
    com::event<VARIANT_BOOL*>("OnWarning", 3, kContinue),
};

constexpr com::TypeTable eventsTable(const ControlIdentity& control,
                                     std::span<const com::Member> events) {
    return com::TypeTable(control.eventsIid, control.eventsName, events, control.eventsDoc,
                          TYPEFLAG_FDISPATCHABLE, {}, kMajorVersion, kMinorVersion);
}

constexpr com::EnumValue kWindowStates[] = {
    {"wsNormal", 0},
    {"wsMinimized", 1},
    {"wsMaximized", 2},
};

constexpr com::EnumValue kDevEnvs[] = {
    {"deCppBuilder", 0},
    {"deDelphi", 1},
    {"deOther", 2},
    {"deVisualBasic", 3},
};

constexpr com::EnumValue kWaveFormats[] = {
    {"wfUnknown", 0},           {"wfPCM08000M08", 1},       {"wfPCM08000S08", 2},
    {"wfPCM08000M16", 3},       {"wfPCM08000S16", 4},       {"wfPCM11025M08", 5},
    {"wfPCM11025S08", 6},       {"wfPCM11025M16", 7},       {"wfPCM11025S16", 8},
    {"wfPCM22050M08", 9},       {"wfPCM22050S08", 10},      {"wfPCM22050M16", 11},
    {"wfPCM22050S16", 12},      {"wfPCM44100M08", 13},      {"wfPCM44100S08", 14},
    {"wfPCM44100M16", 15},      {"wfPCM44100S16", 16},      {"wfuLaw06000M08", 17},
    {"wfuLaw08000M08", 18},     {"wfADPCM06000M04", 19},    {"wfADPCM08000M04", 20},
    {"wfIMAADPCM04800M04", 21}, {"wfIMAADPCM07200M04", 22}, {"wfIMAADPCM08000M04", 23},
};

com::CoclassTable coclassTable(const ControlIdentity& control, const com::TypeTable& dual,
                               const com::TypeTable& events) {
    return com::CoclassTable(control.clsid, control.className, dual, &events, control.description,
                             TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
}

}  // namespace

const com::TypeTable& IlkLineEventsTable() {
    static constexpr com::TypeTable table = eventsTable(kLineIdentity, kLineEvents);
    return table;
}

const com::TypeTable& IlkPhoneEventsTable() {
    static constexpr com::TypeTable table = eventsTable(kPhoneIdentity, kPhoneEvents);
    return table;
}

const com::TypeTable& IlkPlayEventsTable() {
    static constexpr com::TypeTable table = eventsTable(kPlayIdentity, kPlayEvents);
    return table;
}

const com::TypeTable& IlkRecordEventsTable() {
    static constexpr com::TypeTable table = eventsTable(kRecordIdentity, kRecordEvents);
    return table;
}

// Each control's dual interface is the member table of its class.
const com::TypeTable& IlkLineTable() {
    return TlkLine::typeTable();
}
const com::TypeTable& IlkPhoneTable() {
    return TlkPhone::typeTable();
}
const com::TypeTable& IlkPlayTable() {
    return TlkPlay::typeTable();
}
const com::TypeTable& IlkRecordTable() {
    return TlkRecord::typeTable();
}

const com::CoclassTable& lkLineCoclass() {
    static const com::CoclassTable table =
        coclassTable(kLineIdentity, IlkLineTable(), IlkLineEventsTable());
    return table;
}

const com::CoclassTable& lkPhoneCoclass() {
    static const com::CoclassTable table =
        coclassTable(kPhoneIdentity, IlkPhoneTable(), IlkPhoneEventsTable());
    return table;
}

const com::CoclassTable& lkPlayCoclass() {
    static const com::CoclassTable table =
        coclassTable(kPlayIdentity, IlkPlayTable(), IlkPlayEventsTable());
    return table;
}

const com::CoclassTable& lkRecordCoclass() {
    static const com::CoclassTable table =
        coclassTable(kRecordIdentity, IlkRecordTable(), IlkRecordEventsTable());
    return table;
}

const com::EnumTable& TxWindowStateTable() {
    static constexpr com::EnumTable table{GUID_TxWindowState, "TxWindowState", kWindowStates};
    return table;
}

const com::EnumTable& TxDevEnvTable() {
    static constexpr com::EnumTable table{GUID_TxDevEnv, "TxDevEnv", kDevEnvs};
    return table;
}

const com::EnumTable& TxWAVFORMATSTable() {
    static constexpr com::EnumTable table{GUID_TxWAVFORMATS, "TxWAVFORMATS", kWaveFormats};
    return table;
}

const com::TypeLibTable& lkLK36TypeLibrary() {
    static const com::TypeTable* const interfaces[] = {
        &IlkLineTable(), &IlkLineEventsTable(), &IlkPhoneTable(),  &IlkPhoneEventsTable(),
        &IlkPlayTable(), &IlkPlayEventsTable(), &IlkRecordTable(), &IlkRecordEventsTable(),
    };
    static const com::CoclassTable* const coclasses[] = {&lkLineCoclass(), &lkPhoneCoclass(),
                                                         &lkPlayCoclass(), &lkRecordCoclass()};
    static const com::EnumTable* const enums[] = {&TxWindowStateTable(), &TxDevEnvTable(),
                                                  &TxWAVFORMATSTable()};
    // Each control's interfaces and class together, the enumerations after the first control
    // that uses them, as the library has always been indexed.
    using E = com::TypeLibEntry;
    static constexpr E order[] = {
        {E::Interface, 0}, {E::Interface, 1}, {E::Coclass, 0},   {E::Enum, 0},
        {E::Enum, 1},      {E::Interface, 2}, {E::Interface, 3}, {E::Coclass, 1},
        {E::Interface, 4}, {E::Interface, 5}, {E::Coclass, 2},   {E::Enum, 2},
        {E::Interface, 6}, {E::Interface, 7}, {E::Coclass, 3},
    };
    static const com::TypeLibTable library{
        LIBID_lkLK36, kLibraryName,          kLibraryHelpString, kMajorVersion, kMinorVersion,
        kLcid,        com::LIBFLAG_FCONTROL, interfaces,         coclasses,     enums,
        order};
    return library;
}

}  // namespace lkLK36
