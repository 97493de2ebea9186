// The telephony API (TAPI 2.x line and phone functions): types, structures with their 32-bit
// published layouts, constants with their published values, and the functions.
//
// Handles are 32-bit values and every structure field is a DWORD, so the fixed parts keep the
// sizes a 32-bit program saw (checked below). Variable-size structures follow the usual rule:
// the caller sets dwTotalSize; below the fixed size the call fails with STRUCTURETOOSMALL;
// otherwise it succeeds, sets dwNeededSize, fills what fits and sets dwUsedSize. Texts are
// NUL-terminated and their sizes include the NUL.
//
// Messages reach an application's callback only when the thread that initialised it pumps
// (platform/core/messages.h), never from inside the call that caused them.
#pragma once

#include <cstddef>

#include "platform/core/win_types.h"

using HLINEAPP = DWORD;
using HLINE = DWORD;
using HCALL = DWORD;
using HPHONEAPP = DWORD;
using HPHONE = DWORD;

using LINECALLBACK = void (*)(DWORD hDevice, DWORD dwMessage, DWORD_PTR dwCallbackInstance,
                              DWORD_PTR dwParam1, DWORD_PTR dwParam2, DWORD_PTR dwParam3);
using PHONECALLBACK = LINECALLBACK;

// API versions this service negotiates.
inline constexpr DWORD TAPI_VERSION1_0 = 0x00010003;
inline constexpr DWORD TAPI_VERSION1_4 = 0x00010004;
inline constexpr DWORD TAPI_VERSION2_0 = 0x00020000;
inline constexpr DWORD TAPI_VERSION2_1 = 0x00020001;
inline constexpr DWORD TAPI_VERSION2_2 = 0x00020002;
inline constexpr DWORD TAPI_CURRENT_VERSION = TAPI_VERSION2_2;

inline constexpr DWORD LINEMAPPER = 0xFFFFFFFF;

// ---------------------------------------------------------------------------------------------
// Structures
// ---------------------------------------------------------------------------------------------

struct LINEDIALPARAMS {
    DWORD dwDialPause;
    DWORD dwDialSpeed;
    DWORD dwDigitDuration;
    DWORD dwWaitForDialtone;
};

struct LINEEXTENSIONID {
    DWORD dwExtensionID0;
    DWORD dwExtensionID1;
    DWORD dwExtensionID2;
    DWORD dwExtensionID3;
};
using PHONEEXTENSIONID = LINEEXTENSIONID;

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

// The event handle of the other delivery options is carried as a 32-bit value, so the structure
// keeps its published 24 bytes (callers may pass a larger dwTotalSize).
struct LINEINITIALIZEEXPARAMS {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwOptions;
    DWORD hEvent;
    DWORD dwCompletionKey;
};
using PHONEINITIALIZEEXPARAMS = LINEINITIALIZEEXPARAMS;

struct LINEMESSAGE {
    DWORD hDevice;
    DWORD dwMessageID;
    DWORD_PTR dwCallbackInstance;
    DWORD_PTR dwParam1;
    DWORD_PTR dwParam2;
    DWORD_PTR dwParam3;
};
using PHONEMESSAGE = LINEMESSAGE;

struct LINETERMCAPS {
    DWORD dwTermDev;
    DWORD dwTermModes;
    DWORD dwTermSharing;
};

struct LINEDEVCAPS {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwProviderInfoSize;
    DWORD dwProviderInfoOffset;
    DWORD dwSwitchInfoSize;
    DWORD dwSwitchInfoOffset;
    DWORD dwPermanentLineID;
    DWORD dwLineNameSize;
    DWORD dwLineNameOffset;
    DWORD dwStringFormat;
    DWORD dwAddressModes;
    DWORD dwNumAddresses;
    DWORD dwBearerModes;
    DWORD dwMaxRate;
    DWORD dwMediaModes;
    DWORD dwGenerateToneModes;
    DWORD dwGenerateToneMaxNumFreq;
    DWORD dwGenerateDigitModes;
    DWORD dwMonitorToneMaxNumFreq;
    DWORD dwMonitorToneMaxNumEntries;
    DWORD dwMonitorDigitModes;
    DWORD dwGatherDigitsMinTimeout;
    DWORD dwGatherDigitsMaxTimeout;
    DWORD dwMedCtlDigitMaxListSize;
    DWORD dwMedCtlMediaMaxListSize;
    DWORD dwMedCtlToneMaxListSize;
    DWORD dwMedCtlCallStateMaxListSize;
    DWORD dwDevCapFlags;
    DWORD dwMaxNumActiveCalls;
    DWORD dwAnswerMode;
    DWORD dwRingModes;
    DWORD dwLineStates;
    DWORD dwUUIAcceptSize;
    DWORD dwUUIAnswerSize;
    DWORD dwUUIMakeCallSize;
    DWORD dwUUIDropSize;
    DWORD dwUUISendUserUserInfoSize;
    DWORD dwUUICallInfoSize;
    LINEDIALPARAMS MinDialParams;
    LINEDIALPARAMS MaxDialParams;
    LINEDIALPARAMS DefaultDialParams;
    DWORD dwNumTerminals;
    DWORD dwTerminalCapsSize;
    DWORD dwTerminalCapsOffset;
    DWORD dwTerminalTextEntrySize;
    DWORD dwTerminalTextSize;
    DWORD dwTerminalTextOffset;
    DWORD dwDevSpecificSize;
    DWORD dwDevSpecificOffset;
    DWORD dwLineFeatures;
    DWORD dwSettableDevStatus;
    DWORD dwDeviceClassesSize;
    DWORD dwDeviceClassesOffset;
};

struct LINEADDRESSCAPS {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwLineDeviceID;
    DWORD dwAddressSize;
    DWORD dwAddressOffset;
    DWORD dwDevSpecificSize;
    DWORD dwDevSpecificOffset;
    DWORD dwAddressSharing;
    DWORD dwAddressStates;
    DWORD dwCallInfoStates;
    DWORD dwCallerIDFlags;
    DWORD dwCalledIDFlags;
    DWORD dwConnectedIDFlags;
    DWORD dwRedirectionIDFlags;
    DWORD dwRedirectingIDFlags;
    DWORD dwCallStates;
    DWORD dwDialToneModes;
    DWORD dwBusyModes;
    DWORD dwSpecialInfo;
    DWORD dwDisconnectModes;
    DWORD dwMaxNumActiveCalls;
    DWORD dwMaxNumOnHoldCalls;
    DWORD dwMaxNumOnHoldPendingCalls;
    DWORD dwMaxNumConference;
    DWORD dwMaxNumTransConf;
    DWORD dwAddrCapFlags;
    DWORD dwCallFeatures;
    DWORD dwRemoveFromConfCaps;
    DWORD dwRemoveFromConfState;
    DWORD dwTransferModes;
    DWORD dwParkModes;
    DWORD dwForwardModes;
    DWORD dwMaxForwardEntries;
    DWORD dwMaxSpecificEntries;
    DWORD dwMinFwdNumRings;
    DWORD dwMaxFwdNumRings;
    DWORD dwMaxCallCompletions;
    DWORD dwCallCompletionConds;
    DWORD dwCallCompletionModes;
    DWORD dwNumCompletionMessages;
    DWORD dwCompletionMsgTextEntrySize;
    DWORD dwCompletionMsgTextSize;
    DWORD dwCompletionMsgTextOffset;
    DWORD dwAddressFeatures;
    DWORD dwPredictiveAutoTransferStates;
    DWORD dwNumCallTreatments;
    DWORD dwCallTreatmentListSize;
    DWORD dwCallTreatmentListOffset;
    DWORD dwDeviceClassesSize;
    DWORD dwDeviceClassesOffset;
    DWORD dwMaxCallDataSize;
    DWORD dwCallFeatures2;
    DWORD dwMaxNoAnswerTimeout;
    DWORD dwConnectedModes;
    DWORD dwOfferingModes;
    DWORD dwAvailableMediaModes;
};

struct LINECALLINFO {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    HLINE hLine;
    DWORD dwLineDeviceID;
    DWORD dwAddressID;
    DWORD dwBearerMode;
    DWORD dwRate;
    DWORD dwMediaMode;
    DWORD dwAppSpecific;
    DWORD dwCallID;
    DWORD dwRelatedCallID;
    DWORD dwCallParamFlags;
    DWORD dwCallStates;
    DWORD dwMonitorDigitModes;
    DWORD dwMonitorMediaModes;
    LINEDIALPARAMS DialParams;
    DWORD dwOrigin;
    DWORD dwReason;
    DWORD dwCompletionID;
    DWORD dwNumOwners;
    DWORD dwNumMonitors;
    DWORD dwCountryCode;
    DWORD dwTrunk;
    DWORD dwCallerIDFlags;
    DWORD dwCallerIDSize;
    DWORD dwCallerIDOffset;
    DWORD dwCallerIDNameSize;
    DWORD dwCallerIDNameOffset;
    DWORD dwCalledIDFlags;
    DWORD dwCalledIDSize;
    DWORD dwCalledIDOffset;
    DWORD dwCalledIDNameSize;
    DWORD dwCalledIDNameOffset;
    DWORD dwConnectedIDFlags;
    DWORD dwConnectedIDSize;
    DWORD dwConnectedIDOffset;
    DWORD dwConnectedIDNameSize;
    DWORD dwConnectedIDNameOffset;
    DWORD dwRedirectionIDFlags;
    DWORD dwRedirectionIDSize;
    DWORD dwRedirectionIDOffset;
    DWORD dwRedirectionIDNameSize;
    DWORD dwRedirectionIDNameOffset;
    DWORD dwRedirectingIDFlags;
    DWORD dwRedirectingIDSize;
    DWORD dwRedirectingIDOffset;
    DWORD dwRedirectingIDNameSize;
    DWORD dwRedirectingIDNameOffset;
    DWORD dwAppNameSize;
    DWORD dwAppNameOffset;
    DWORD dwDisplayableAddressSize;
    DWORD dwDisplayableAddressOffset;
    DWORD dwCalledPartySize;
    DWORD dwCalledPartyOffset;
    DWORD dwCommentSize;
    DWORD dwCommentOffset;
    DWORD dwDisplaySize;
    DWORD dwDisplayOffset;
    DWORD dwUserUserInfoSize;
    DWORD dwUserUserInfoOffset;
    DWORD dwHighLevelCompSize;
    DWORD dwHighLevelCompOffset;
    DWORD dwLowLevelCompSize;
    DWORD dwLowLevelCompOffset;
    DWORD dwChargingInfoSize;
    DWORD dwChargingInfoOffset;
    DWORD dwTerminalModesSize;
    DWORD dwTerminalModesOffset;
    DWORD dwDevSpecificSize;
    DWORD dwDevSpecificOffset;
    DWORD dwCallTreatment;
    DWORD dwCallDataSize;
    DWORD dwCallDataOffset;
    DWORD dwSendingFlowspecSize;
    DWORD dwSendingFlowspecOffset;
    DWORD dwReceivingFlowspecSize;
    DWORD dwReceivingFlowspecOffset;
};

struct LINECALLSTATUS {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwCallState;
    DWORD dwCallStateMode;
    DWORD dwCallPrivilege;
    DWORD dwCallFeatures;
    DWORD dwDevSpecificSize;
    DWORD dwDevSpecificOffset;
    DWORD dwCallFeatures2;
    SYSTEMTIME tStateEntryTime;
};

struct LINEDEVSTATUS {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwNumOpens;
    DWORD dwOpenMediaModes;
    DWORD dwNumActiveCalls;
    DWORD dwNumOnHoldCalls;
    DWORD dwNumOnHoldPendCalls;
    DWORD dwLineFeatures;
    DWORD dwNumCallCompletions;
    DWORD dwRingMode;
    DWORD dwSignalLevel;
    DWORD dwBatteryLevel;
    DWORD dwRoamMode;
    DWORD dwDevStatusFlags;
    DWORD dwTerminalModesSize;
    DWORD dwTerminalModesOffset;
    DWORD dwDevSpecificSize;
    DWORD dwDevSpecificOffset;
    DWORD dwAvailableMediaModes;
    DWORD dwAppInfoSize;
    DWORD dwAppInfoOffset;
};

struct LINEADDRESSSTATUS {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwNumInUse;
    DWORD dwNumActiveCalls;
    DWORD dwNumOnHoldCalls;
    DWORD dwNumOnHoldPendCalls;
    DWORD dwAddressFeatures;
    DWORD dwNumRingsNoAnswer;
    DWORD dwForwardNumEntries;
    DWORD dwForwardSize;
    DWORD dwForwardOffset;
    DWORD dwTerminalModesSize;
    DWORD dwTerminalModesOffset;
    DWORD dwDevSpecificSize;
    DWORD dwDevSpecificOffset;
};

struct LINECALLLIST {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwCallsNumEntries;
    DWORD dwCallsSize;
    DWORD dwCallsOffset;
};

struct VARSTRING {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwStringFormat;
    DWORD dwStringSize;
    DWORD dwStringOffset;
};

struct LINECALLPARAMS {
    DWORD dwTotalSize;
    DWORD dwBearerMode;
    DWORD dwMinRate;
    DWORD dwMaxRate;
    DWORD dwMediaMode;
    DWORD dwCallParamFlags;
    DWORD dwAddressMode;
    DWORD dwAddressID;
    LINEDIALPARAMS DialParams;
    DWORD dwOrigAddressSize;
    DWORD dwOrigAddressOffset;
    DWORD dwDisplayableAddressSize;
    DWORD dwDisplayableAddressOffset;
    DWORD dwCalledPartySize;
    DWORD dwCalledPartyOffset;
    DWORD dwCommentSize;
    DWORD dwCommentOffset;
    DWORD dwUserUserInfoSize;
    DWORD dwUserUserInfoOffset;
    DWORD dwHighLevelCompSize;
    DWORD dwHighLevelCompOffset;
    DWORD dwLowLevelCompSize;
    DWORD dwLowLevelCompOffset;
    DWORD dwDevSpecificSize;
    DWORD dwDevSpecificOffset;
    DWORD dwPredictiveAutoTransferStates;
    DWORD dwTargetAddressSize;
    DWORD dwTargetAddressOffset;
    DWORD dwSendingFlowspecSize;
    DWORD dwSendingFlowspecOffset;
    DWORD dwReceivingFlowspecSize;
    DWORD dwReceivingFlowspecOffset;
    DWORD dwDeviceClassSize;
    DWORD dwDeviceClassOffset;
    DWORD dwDeviceConfigSize;
    DWORD dwDeviceConfigOffset;
    DWORD dwCallDataSize;
    DWORD dwCallDataOffset;
    DWORD dwNoAnswerTimeout;
    DWORD dwCallingPartyIDSize;
    DWORD dwCallingPartyIDOffset;
};

// Offsets inside a forward entry are counted from the start of the structure that holds it
// (the LINEFORWARDLIST passed to lineForward, or the LINEADDRESSSTATUS that reports it).
struct LINEFORWARD {
    DWORD dwForwardMode;
    DWORD dwCallerAddressSize;
    DWORD dwCallerAddressOffset;
    DWORD dwDestCountryCode;
    DWORD dwDestAddressSize;
    DWORD dwDestAddressOffset;
};

struct LINEFORWARDLIST {
    DWORD dwTotalSize;
    DWORD dwNumEntries;
    LINEFORWARD ForwardList[1];
};

struct LINETRANSLATEOUTPUT {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwDialableStringSize;
    DWORD dwDialableStringOffset;
    DWORD dwDisplayableStringSize;
    DWORD dwDisplayableStringOffset;
    DWORD dwCurrentCountry;
    DWORD dwDestCountry;
    DWORD dwTranslateResults;
};

struct LINEMONITORTONE {
    DWORD dwAppSpecific;
    DWORD dwDuration;
    DWORD dwFrequency1;
    DWORD dwFrequency2;
    DWORD dwFrequency3;
};

struct LINEGENERATETONE {
    DWORD dwFrequency;
    DWORD dwCadenceOn;
    DWORD dwCadenceOff;
    DWORD dwVolume;
};

struct PHONECAPS {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwProviderInfoSize;
    DWORD dwProviderInfoOffset;
    DWORD dwPhoneInfoSize;
    DWORD dwPhoneInfoOffset;
    DWORD dwPermanentPhoneID;
    DWORD dwPhoneNameSize;
    DWORD dwPhoneNameOffset;
    DWORD dwStringFormat;
    DWORD dwPhoneStates;
    DWORD dwHookSwitchDevs;
    DWORD dwHandsetHookSwitchModes;
    DWORD dwSpeakerHookSwitchModes;
    DWORD dwHeadsetHookSwitchModes;
    DWORD dwVolumeFlags;
    DWORD dwGainFlags;
    DWORD dwDisplayNumRows;
    DWORD dwDisplayNumColumns;
    DWORD dwNumRingModes;
    DWORD dwNumButtonLamps;
    DWORD dwButtonModesSize;
    DWORD dwButtonModesOffset;
    DWORD dwButtonFunctionsSize;
    DWORD dwButtonFunctionsOffset;
    DWORD dwLampModesSize;
    DWORD dwLampModesOffset;
    DWORD dwNumSetData;
    DWORD dwSetDataSize;
    DWORD dwSetDataOffset;
    DWORD dwNumGetData;
    DWORD dwGetDataSize;
    DWORD dwGetDataOffset;
    DWORD dwDevSpecificSize;
    DWORD dwDevSpecificOffset;
    DWORD dwDeviceClassesSize;
    DWORD dwDeviceClassesOffset;
    DWORD dwPhoneFeatures;
    DWORD dwSettableHandsetHookSwitchModes;
    DWORD dwSettableSpeakerHookSwitchModes;
    DWORD dwSettableHeadsetHookSwitchModes;
    DWORD dwMonitoredHandsetHookSwitchModes;
    DWORD dwMonitoredSpeakerHookSwitchModes;
    DWORD dwMonitoredHeadsetHookSwitchModes;
};

struct PHONESTATUS {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwStatusFlags;
    DWORD dwNumOwners;
    DWORD dwNumMonitors;
    DWORD dwRingMode;
    DWORD dwRingVolume;
    DWORD dwHandsetHookSwitchMode;
    DWORD dwHandsetVolume;
    DWORD dwHandsetGain;
    DWORD dwSpeakerHookSwitchMode;
    DWORD dwSpeakerVolume;
    DWORD dwSpeakerGain;
    DWORD dwHeadsetHookSwitchMode;
    DWORD dwHeadsetVolume;
    DWORD dwHeadsetGain;
    DWORD dwDisplaySize;
    DWORD dwDisplayOffset;
    DWORD dwLampModesSize;
    DWORD dwLampModesOffset;
    DWORD dwOwnerNameSize;
    DWORD dwOwnerNameOffset;
    DWORD dwDevSpecificSize;
    DWORD dwDevSpecificOffset;
    DWORD dwPhoneFeatures;
};

// The fixed sizes of TAPI 2.x as a 32-bit program sees them. An application that negotiated a 1.x
// version gets the shorter structures of its version instead.
static_assert(sizeof(LINEDIALPARAMS) == 16);
static_assert(sizeof(LINEEXTENSIONID) == 16);
static_assert(sizeof(SYSTEMTIME) == 16);
static_assert(sizeof(LINEINITIALIZEEXPARAMS) == 24);
static_assert(sizeof(LINETERMCAPS) == 12);
static_assert(sizeof(LINEDEVCAPS) == 252);
static_assert(sizeof(LINEADDRESSCAPS) == 228);
static_assert(sizeof(LINECALLINFO) == 324);
static_assert(sizeof(LINECALLSTATUS) == 56);
static_assert(sizeof(LINEDEVSTATUS) == 88);
static_assert(sizeof(LINEADDRESSSTATUS) == 64);
static_assert(sizeof(LINECALLLIST) == 24);
static_assert(sizeof(VARSTRING) == 24);
static_assert(sizeof(LINECALLPARAMS) == 176);
static_assert(sizeof(LINEFORWARD) == 24);
static_assert(sizeof(LINEFORWARDLIST) == 32);
static_assert(sizeof(LINETRANSLATEOUTPUT) == 40);
static_assert(sizeof(LINEMONITORTONE) == 20);
static_assert(sizeof(LINEGENERATETONE) == 16);
static_assert(sizeof(PHONECAPS) == 180);
static_assert(sizeof(PHONESTATUS) == 104);
// Offsets the engines read by number.
static_assert(offsetof(LINEDEVCAPS, dwNumTerminals) == 204);
static_assert(offsetof(LINEADDRESSCAPS, dwAddressFeatures) == 176);
static_assert(offsetof(LINEADDRESSCAPS, dwOfferingModes) == 220);
static_assert(offsetof(LINECALLINFO, dwOrigin) == 80);
static_assert(offsetof(LINECALLINFO, dwCallerIDFlags) == 108);
static_assert(offsetof(LINECALLINFO, dwAppNameSize) == 208);
static_assert(offsetof(LINECALLPARAMS, dwNoAnswerTimeout) == 164);
static_assert(offsetof(LINECALLSTATUS, dwCallPrivilege) == 20);

// ---------------------------------------------------------------------------------------------
// Line constants
// ---------------------------------------------------------------------------------------------

// Messages (the line messages and the phone messages share one numbering).
inline constexpr DWORD LINE_ADDRESSSTATE = 0;
inline constexpr DWORD LINE_CALLINFO = 1;
inline constexpr DWORD LINE_CALLSTATE = 2;
inline constexpr DWORD LINE_CLOSE = 3;
inline constexpr DWORD LINE_DEVSPECIFIC = 4;
inline constexpr DWORD LINE_DEVSPECIFICFEATURE = 5;
inline constexpr DWORD LINE_GATHERDIGITS = 6;
inline constexpr DWORD LINE_GENERATE = 7;
inline constexpr DWORD LINE_LINEDEVSTATE = 8;
inline constexpr DWORD LINE_MONITORDIGITS = 9;
inline constexpr DWORD LINE_MONITORMEDIA = 10;
inline constexpr DWORD LINE_MONITORTONE = 11;
inline constexpr DWORD LINE_REPLY = 12;
inline constexpr DWORD LINE_REQUEST = 13;
inline constexpr DWORD PHONE_BUTTON = 14;
inline constexpr DWORD PHONE_CLOSE = 15;
inline constexpr DWORD PHONE_DEVSPECIFIC = 16;
inline constexpr DWORD PHONE_REPLY = 17;
inline constexpr DWORD PHONE_STATE = 18;
inline constexpr DWORD LINE_CREATE = 19;
inline constexpr DWORD PHONE_CREATE = 20;
inline constexpr DWORD LINE_AGENTSPECIFIC = 21;
inline constexpr DWORD LINE_AGENTSTATUS = 22;
inline constexpr DWORD LINE_APPNEWCALL = 23;
inline constexpr DWORD LINE_PROXYREQUEST = 24;
inline constexpr DWORD LINE_REMOVE = 25;
inline constexpr DWORD PHONE_REMOVE = 26;

// Error codes: 0 is success, an asynchronous call returns a positive request ID.
inline constexpr LONG LINEERR_ALLOCATED = LONG(0x80000001);
inline constexpr LONG LINEERR_BADDEVICEID = LONG(0x80000002);
inline constexpr LONG LINEERR_BEARERMODEUNAVAIL = LONG(0x80000003);
inline constexpr LONG LINEERR_CALLUNAVAIL = LONG(0x80000005);
inline constexpr LONG LINEERR_COMPLETIONOVERRUN = LONG(0x80000006);
inline constexpr LONG LINEERR_CONFERENCEFULL = LONG(0x80000007);
inline constexpr LONG LINEERR_DIALBILLING = LONG(0x80000008);
inline constexpr LONG LINEERR_DIALDIALTONE = LONG(0x80000009);
inline constexpr LONG LINEERR_DIALPROMPT = LONG(0x8000000A);
inline constexpr LONG LINEERR_DIALQUIET = LONG(0x8000000B);
inline constexpr LONG LINEERR_INCOMPATIBLEAPIVERSION = LONG(0x8000000C);
inline constexpr LONG LINEERR_INCOMPATIBLEEXTVERSION = LONG(0x8000000D);
inline constexpr LONG LINEERR_INIFILECORRUPT = LONG(0x8000000E);
inline constexpr LONG LINEERR_INUSE = LONG(0x8000000F);
inline constexpr LONG LINEERR_INVALADDRESS = LONG(0x80000010);
inline constexpr LONG LINEERR_INVALADDRESSID = LONG(0x80000011);
inline constexpr LONG LINEERR_INVALADDRESSMODE = LONG(0x80000012);
inline constexpr LONG LINEERR_INVALADDRESSSTATE = LONG(0x80000013);
inline constexpr LONG LINEERR_INVALAPPHANDLE = LONG(0x80000014);
inline constexpr LONG LINEERR_INVALAPPNAME = LONG(0x80000015);
inline constexpr LONG LINEERR_INVALBEARERMODE = LONG(0x80000016);
inline constexpr LONG LINEERR_INVALCALLCOMPLMODE = LONG(0x80000017);
inline constexpr LONG LINEERR_INVALCALLHANDLE = LONG(0x80000018);
inline constexpr LONG LINEERR_INVALCALLPARAMS = LONG(0x80000019);
inline constexpr LONG LINEERR_INVALCALLPRIVILEGE = LONG(0x8000001A);
inline constexpr LONG LINEERR_INVALCALLSELECT = LONG(0x8000001B);
inline constexpr LONG LINEERR_INVALCALLSTATE = LONG(0x8000001C);
inline constexpr LONG LINEERR_INVALCALLSTATELIST = LONG(0x8000001D);
inline constexpr LONG LINEERR_INVALCARD = LONG(0x8000001E);
inline constexpr LONG LINEERR_INVALCOMPLETIONID = LONG(0x8000001F);
inline constexpr LONG LINEERR_INVALCONFCALLHANDLE = LONG(0x80000020);
inline constexpr LONG LINEERR_INVALCONSULTCALLHANDLE = LONG(0x80000021);
inline constexpr LONG LINEERR_INVALCOUNTRYCODE = LONG(0x80000022);
inline constexpr LONG LINEERR_INVALDEVICECLASS = LONG(0x80000023);
inline constexpr LONG LINEERR_INVALDEVICEHANDLE = LONG(0x80000024);
inline constexpr LONG LINEERR_INVALDIALPARAMS = LONG(0x80000025);
inline constexpr LONG LINEERR_INVALDIGITLIST = LONG(0x80000026);
inline constexpr LONG LINEERR_INVALDIGITMODE = LONG(0x80000027);
inline constexpr LONG LINEERR_INVALDIGITS = LONG(0x80000028);
inline constexpr LONG LINEERR_INVALEXTVERSION = LONG(0x80000029);
inline constexpr LONG LINEERR_INVALGROUPID = LONG(0x8000002A);
inline constexpr LONG LINEERR_INVALLINEHANDLE = LONG(0x8000002B);
inline constexpr LONG LINEERR_INVALLINESTATE = LONG(0x8000002C);
inline constexpr LONG LINEERR_INVALLOCATION = LONG(0x8000002D);
inline constexpr LONG LINEERR_INVALMEDIALIST = LONG(0x8000002E);
inline constexpr LONG LINEERR_INVALMEDIAMODE = LONG(0x8000002F);
inline constexpr LONG LINEERR_INVALMESSAGEID = LONG(0x80000030);
inline constexpr LONG LINEERR_INVALPARAM = LONG(0x80000032);
inline constexpr LONG LINEERR_INVALPARKID = LONG(0x80000033);
inline constexpr LONG LINEERR_INVALPARKMODE = LONG(0x80000034);
inline constexpr LONG LINEERR_INVALPOINTER = LONG(0x80000035);
inline constexpr LONG LINEERR_INVALPRIVSELECT = LONG(0x80000036);
inline constexpr LONG LINEERR_INVALRATE = LONG(0x80000037);
inline constexpr LONG LINEERR_INVALREQUESTMODE = LONG(0x80000038);
inline constexpr LONG LINEERR_INVALTERMINALID = LONG(0x80000039);
inline constexpr LONG LINEERR_INVALTERMINALMODE = LONG(0x8000003A);
inline constexpr LONG LINEERR_INVALTIMEOUT = LONG(0x8000003B);
inline constexpr LONG LINEERR_INVALTONE = LONG(0x8000003C);
inline constexpr LONG LINEERR_INVALTONELIST = LONG(0x8000003D);
inline constexpr LONG LINEERR_INVALTONEMODE = LONG(0x8000003E);
inline constexpr LONG LINEERR_INVALTRANSFERMODE = LONG(0x8000003F);
inline constexpr LONG LINEERR_LINEMAPPERFAILED = LONG(0x80000040);
inline constexpr LONG LINEERR_NOCONFERENCE = LONG(0x80000041);
inline constexpr LONG LINEERR_NODEVICE = LONG(0x80000042);
inline constexpr LONG LINEERR_NODRIVER = LONG(0x80000043);
inline constexpr LONG LINEERR_NOMEM = LONG(0x80000044);
inline constexpr LONG LINEERR_NOREQUEST = LONG(0x80000045);
inline constexpr LONG LINEERR_NOTOWNER = LONG(0x80000046);
inline constexpr LONG LINEERR_NOTREGISTERED = LONG(0x80000047);
inline constexpr LONG LINEERR_OPERATIONFAILED = LONG(0x80000048);
inline constexpr LONG LINEERR_OPERATIONUNAVAIL = LONG(0x80000049);
inline constexpr LONG LINEERR_RATEUNAVAIL = LONG(0x8000004A);
inline constexpr LONG LINEERR_RESOURCEUNAVAIL = LONG(0x8000004B);
inline constexpr LONG LINEERR_REQUESTOVERRUN = LONG(0x8000004C);
inline constexpr LONG LINEERR_STRUCTURETOOSMALL = LONG(0x8000004D);
inline constexpr LONG LINEERR_TARGETNOTFOUND = LONG(0x8000004E);
inline constexpr LONG LINEERR_TARGETSELF = LONG(0x8000004F);
inline constexpr LONG LINEERR_UNINITIALIZED = LONG(0x80000050);
inline constexpr LONG LINEERR_USERUSERINFOTOOBIG = LONG(0x80000051);
inline constexpr LONG LINEERR_REINIT = LONG(0x80000052);
inline constexpr LONG LINEERR_ADDRESSBLOCKED = LONG(0x80000053);
inline constexpr LONG LINEERR_BILLINGREJECTED = LONG(0x80000054);
inline constexpr LONG LINEERR_INVALFEATURE = LONG(0x80000055);
inline constexpr LONG LINEERR_NOMULTIPLEINSTANCE = LONG(0x80000056);

inline constexpr DWORD LINEADDRCAPFLAGS_FWDNUMRINGS = 0x00000001;
inline constexpr DWORD LINEADDRCAPFLAGS_PICKUPGROUPID = 0x00000002;
inline constexpr DWORD LINEADDRCAPFLAGS_SECURE = 0x00000004;
inline constexpr DWORD LINEADDRCAPFLAGS_BLOCKIDDEFAULT = 0x00000008;
inline constexpr DWORD LINEADDRCAPFLAGS_BLOCKIDOVERRIDE = 0x00000010;
inline constexpr DWORD LINEADDRCAPFLAGS_DIALED = 0x00000020;
inline constexpr DWORD LINEADDRCAPFLAGS_ORIGOFFHOOK = 0x00000040;
inline constexpr DWORD LINEADDRCAPFLAGS_DESTOFFHOOK = 0x00000080;
inline constexpr DWORD LINEADDRCAPFLAGS_FWDCONSULT = 0x00000100;
inline constexpr DWORD LINEADDRCAPFLAGS_SETUPCONFNULL = 0x00000200;
inline constexpr DWORD LINEADDRCAPFLAGS_AUTORECONNECT = 0x00000400;
inline constexpr DWORD LINEADDRCAPFLAGS_COMPLETIONID = 0x00000800;
inline constexpr DWORD LINEADDRCAPFLAGS_TRANSFERHELD = 0x00001000;
inline constexpr DWORD LINEADDRCAPFLAGS_TRANSFERMAKE = 0x00002000;
inline constexpr DWORD LINEADDRCAPFLAGS_CONFERENCEHELD = 0x00004000;
inline constexpr DWORD LINEADDRCAPFLAGS_CONFERENCEMAKE = 0x00008000;
inline constexpr DWORD LINEADDRCAPFLAGS_PARTIALDIAL = 0x00010000;
inline constexpr DWORD LINEADDRCAPFLAGS_FWDSTATUSVALID = 0x00020000;
inline constexpr DWORD LINEADDRCAPFLAGS_FWDINTEXTADDR = 0x00040000;
inline constexpr DWORD LINEADDRCAPFLAGS_FWDBUSYNAADDR = 0x00080000;
inline constexpr DWORD LINEADDRCAPFLAGS_ACCEPTTOALERT = 0x00100000;
inline constexpr DWORD LINEADDRCAPFLAGS_CONFDROP = 0x00200000;
inline constexpr DWORD LINEADDRCAPFLAGS_PICKUPCALLWAIT = 0x00400000;
inline constexpr DWORD LINEADDRCAPFLAGS_PREDICTIVEDIALER = 0x00800000;
inline constexpr DWORD LINEADDRCAPFLAGS_QUEUE = 0x01000000;
inline constexpr DWORD LINEADDRCAPFLAGS_ROUTEPOINT = 0x02000000;
inline constexpr DWORD LINEADDRCAPFLAGS_HOLDMAKESNEW = 0x04000000;
inline constexpr DWORD LINEADDRCAPFLAGS_NOINTERNALCALLS = 0x08000000;
inline constexpr DWORD LINEADDRCAPFLAGS_NOEXTERNALCALLS = 0x10000000;
inline constexpr DWORD LINEADDRCAPFLAGS_SETCALLINGID = 0x20000000;
inline constexpr DWORD LINEADDRCAPFLAGS_ACDGROUP = 0x40000000;
inline constexpr DWORD LINEADDRCAPFLAGS_NOPSTNADDRESSTRANSLATION = 0x80000000;

inline constexpr DWORD LINEADDRESSMODE_ADDRESSID = 0x00000001;
inline constexpr DWORD LINEADDRESSMODE_DIALABLEADDR = 0x00000002;

inline constexpr DWORD LINEADDRESSSHARING_PRIVATE = 0x00000001;
inline constexpr DWORD LINEADDRESSSHARING_BRIDGEDEXCL = 0x00000002;
inline constexpr DWORD LINEADDRESSSHARING_BRIDGEDNEW = 0x00000004;
inline constexpr DWORD LINEADDRESSSHARING_BRIDGEDSHARED = 0x00000008;
inline constexpr DWORD LINEADDRESSSHARING_MONITORED = 0x00000010;

inline constexpr DWORD LINEADDRESSSTATE_OTHER = 0x00000001;
inline constexpr DWORD LINEADDRESSSTATE_DEVSPECIFIC = 0x00000002;
inline constexpr DWORD LINEADDRESSSTATE_INUSEZERO = 0x00000004;
inline constexpr DWORD LINEADDRESSSTATE_INUSEONE = 0x00000008;
inline constexpr DWORD LINEADDRESSSTATE_INUSEMANY = 0x00000010;
inline constexpr DWORD LINEADDRESSSTATE_NUMCALLS = 0x00000020;
inline constexpr DWORD LINEADDRESSSTATE_FORWARD = 0x00000040;
inline constexpr DWORD LINEADDRESSSTATE_TERMINALS = 0x00000080;
inline constexpr DWORD LINEADDRESSSTATE_CAPSCHANGE = 0x00000100;

inline constexpr DWORD LINEADDRFEATURE_FORWARD = 0x00000001;
inline constexpr DWORD LINEADDRFEATURE_MAKECALL = 0x00000002;
inline constexpr DWORD LINEADDRFEATURE_PICKUP = 0x00000004;
inline constexpr DWORD LINEADDRFEATURE_SETMEDIACONTROL = 0x00000008;
inline constexpr DWORD LINEADDRFEATURE_SETTERMINAL = 0x00000010;
inline constexpr DWORD LINEADDRFEATURE_SETUPCONF = 0x00000020;
inline constexpr DWORD LINEADDRFEATURE_UNCOMPLETECALL = 0x00000040;
inline constexpr DWORD LINEADDRFEATURE_UNPARK = 0x00000080;
inline constexpr DWORD LINEADDRFEATURE_PICKUPHELD = 0x00000100;
inline constexpr DWORD LINEADDRFEATURE_PICKUPGROUP = 0x00000200;
inline constexpr DWORD LINEADDRFEATURE_PICKUPDIRECT = 0x00000400;
inline constexpr DWORD LINEADDRFEATURE_PICKUPWAITING = 0x00000800;
inline constexpr DWORD LINEADDRFEATURE_FORWARDFWD = 0x00001000;
inline constexpr DWORD LINEADDRFEATURE_FORWARDDND = 0x00002000;

inline constexpr DWORD LINEANSWERMODE_NONE = 0x00000001;
inline constexpr DWORD LINEANSWERMODE_DROP = 0x00000002;
inline constexpr DWORD LINEANSWERMODE_HOLD = 0x00000004;

inline constexpr DWORD LINEBEARERMODE_VOICE = 0x00000001;
inline constexpr DWORD LINEBEARERMODE_SPEECH = 0x00000002;
inline constexpr DWORD LINEBEARERMODE_MULTIUSE = 0x00000004;
inline constexpr DWORD LINEBEARERMODE_DATA = 0x00000008;
inline constexpr DWORD LINEBEARERMODE_ALTSPEECHDATA = 0x00000010;
inline constexpr DWORD LINEBEARERMODE_NONCALLSIGNALING = 0x00000020;
inline constexpr DWORD LINEBEARERMODE_PASSTHROUGH = 0x00000040;
inline constexpr DWORD LINEBEARERMODE_RESTRICTEDDATA = 0x00000080;

inline constexpr DWORD LINEBUSYMODE_STATION = 0x00000001;
inline constexpr DWORD LINEBUSYMODE_TRUNK = 0x00000002;
inline constexpr DWORD LINEBUSYMODE_UNKNOWN = 0x00000004;
inline constexpr DWORD LINEBUSYMODE_UNAVAIL = 0x00000008;

inline constexpr DWORD LINECALLCOMPLCOND_BUSY = 0x00000001;
inline constexpr DWORD LINECALLCOMPLCOND_NOANSWER = 0x00000002;

inline constexpr DWORD LINECALLCOMPLMODE_CAMPON = 0x00000001;
inline constexpr DWORD LINECALLCOMPLMODE_CALLBACK = 0x00000002;
inline constexpr DWORD LINECALLCOMPLMODE_INTRUDE = 0x00000004;
inline constexpr DWORD LINECALLCOMPLMODE_MESSAGE = 0x00000008;

inline constexpr DWORD LINECALLFEATURE_ACCEPT = 0x00000001;
inline constexpr DWORD LINECALLFEATURE_ADDTOCONF = 0x00000002;
inline constexpr DWORD LINECALLFEATURE_ANSWER = 0x00000004;
inline constexpr DWORD LINECALLFEATURE_BLINDTRANSFER = 0x00000008;
inline constexpr DWORD LINECALLFEATURE_COMPLETECALL = 0x00000010;
inline constexpr DWORD LINECALLFEATURE_COMPLETETRANSF = 0x00000020;
inline constexpr DWORD LINECALLFEATURE_DIAL = 0x00000040;
inline constexpr DWORD LINECALLFEATURE_DROP = 0x00000080;
inline constexpr DWORD LINECALLFEATURE_GATHERDIGITS = 0x00000100;
inline constexpr DWORD LINECALLFEATURE_GENERATEDIGITS = 0x00000200;
inline constexpr DWORD LINECALLFEATURE_GENERATETONE = 0x00000400;
inline constexpr DWORD LINECALLFEATURE_HOLD = 0x00000800;
inline constexpr DWORD LINECALLFEATURE_MONITORDIGITS = 0x00001000;
inline constexpr DWORD LINECALLFEATURE_MONITORMEDIA = 0x00002000;
inline constexpr DWORD LINECALLFEATURE_MONITORTONES = 0x00004000;
inline constexpr DWORD LINECALLFEATURE_PARK = 0x00008000;
inline constexpr DWORD LINECALLFEATURE_PREPAREADDCONF = 0x00010000;
inline constexpr DWORD LINECALLFEATURE_REDIRECT = 0x00020000;
inline constexpr DWORD LINECALLFEATURE_REMOVEFROMCONF = 0x00040000;
inline constexpr DWORD LINECALLFEATURE_SECURECALL = 0x00080000;
inline constexpr DWORD LINECALLFEATURE_SENDUSERUSER = 0x00100000;
inline constexpr DWORD LINECALLFEATURE_SETCALLPARAMS = 0x00200000;
inline constexpr DWORD LINECALLFEATURE_SETMEDIACONTROL = 0x00400000;
inline constexpr DWORD LINECALLFEATURE_SETTERMINAL = 0x00800000;
inline constexpr DWORD LINECALLFEATURE_SETUPCONF = 0x01000000;
inline constexpr DWORD LINECALLFEATURE_SETUPTRANSFER = 0x02000000;
inline constexpr DWORD LINECALLFEATURE_SWAPHOLD = 0x04000000;
inline constexpr DWORD LINECALLFEATURE_UNHOLD = 0x08000000;
inline constexpr DWORD LINECALLFEATURE_RELEASEUSERUSERINFO = 0x10000000;
inline constexpr DWORD LINECALLFEATURE_SETTREATMENT = 0x20000000;
inline constexpr DWORD LINECALLFEATURE_SETQOS = 0x40000000;
inline constexpr DWORD LINECALLFEATURE_SETCALLDATA = 0x80000000;

inline constexpr DWORD LINECALLFEATURE2_NOHOLDCONFERENCE = 0x00000001;
inline constexpr DWORD LINECALLFEATURE2_ONESTEPTRANSFER = 0x00000002;
inline constexpr DWORD LINECALLFEATURE2_COMPLCAMPON = 0x00000004;
inline constexpr DWORD LINECALLFEATURE2_COMPLCALLBACK = 0x00000008;
inline constexpr DWORD LINECALLFEATURE2_COMPLINTRUDE = 0x00000010;
inline constexpr DWORD LINECALLFEATURE2_COMPLMESSAGE = 0x00000020;
inline constexpr DWORD LINECALLFEATURE2_TRANSFERNORM = 0x00000040;
inline constexpr DWORD LINECALLFEATURE2_TRANSFERCONF = 0x00000080;
inline constexpr DWORD LINECALLFEATURE2_PARKDIRECT = 0x00000100;
inline constexpr DWORD LINECALLFEATURE2_PARKNONDIRECT = 0x00000200;

inline constexpr DWORD LINECALLINFOSTATE_OTHER = 0x00000001;
inline constexpr DWORD LINECALLINFOSTATE_DEVSPECIFIC = 0x00000002;
inline constexpr DWORD LINECALLINFOSTATE_BEARERMODE = 0x00000004;
inline constexpr DWORD LINECALLINFOSTATE_RATE = 0x00000008;
inline constexpr DWORD LINECALLINFOSTATE_MEDIAMODE = 0x00000010;
inline constexpr DWORD LINECALLINFOSTATE_APPSPECIFIC = 0x00000020;
inline constexpr DWORD LINECALLINFOSTATE_CALLID = 0x00000040;
inline constexpr DWORD LINECALLINFOSTATE_RELATEDCALLID = 0x00000080;
inline constexpr DWORD LINECALLINFOSTATE_ORIGIN = 0x00000100;
inline constexpr DWORD LINECALLINFOSTATE_REASON = 0x00000200;
inline constexpr DWORD LINECALLINFOSTATE_COMPLETIONID = 0x00000400;
inline constexpr DWORD LINECALLINFOSTATE_NUMOWNERINCR = 0x00000800;
inline constexpr DWORD LINECALLINFOSTATE_NUMOWNERDECR = 0x00001000;
inline constexpr DWORD LINECALLINFOSTATE_NUMMONITORS = 0x00002000;
inline constexpr DWORD LINECALLINFOSTATE_TRUNK = 0x00004000;
inline constexpr DWORD LINECALLINFOSTATE_CALLERID = 0x00008000;
inline constexpr DWORD LINECALLINFOSTATE_CALLEDID = 0x00010000;
inline constexpr DWORD LINECALLINFOSTATE_CONNECTEDID = 0x00020000;
inline constexpr DWORD LINECALLINFOSTATE_REDIRECTIONID = 0x00040000;
inline constexpr DWORD LINECALLINFOSTATE_REDIRECTINGID = 0x00080000;
inline constexpr DWORD LINECALLINFOSTATE_DISPLAY = 0x00100000;
inline constexpr DWORD LINECALLINFOSTATE_USERUSERINFO = 0x00200000;
inline constexpr DWORD LINECALLINFOSTATE_HIGHLEVELCOMP = 0x00400000;
inline constexpr DWORD LINECALLINFOSTATE_LOWLEVELCOMP = 0x00800000;
inline constexpr DWORD LINECALLINFOSTATE_CHARGINGINFO = 0x01000000;
inline constexpr DWORD LINECALLINFOSTATE_TERMINAL = 0x02000000;
inline constexpr DWORD LINECALLINFOSTATE_DIALPARAMS = 0x04000000;
inline constexpr DWORD LINECALLINFOSTATE_MONITORMODES = 0x08000000;
inline constexpr DWORD LINECALLINFOSTATE_TREATMENT = 0x10000000;
inline constexpr DWORD LINECALLINFOSTATE_QOS = 0x20000000;
inline constexpr DWORD LINECALLINFOSTATE_CALLDATA = 0x40000000;

inline constexpr DWORD LINECALLORIGIN_OUTBOUND = 0x00000001;
inline constexpr DWORD LINECALLORIGIN_INTERNAL = 0x00000002;
inline constexpr DWORD LINECALLORIGIN_EXTERNAL = 0x00000004;
inline constexpr DWORD LINECALLORIGIN_UNKNOWN = 0x00000010;
inline constexpr DWORD LINECALLORIGIN_UNAVAIL = 0x00000020;
inline constexpr DWORD LINECALLORIGIN_CONFERENCE = 0x00000040;
inline constexpr DWORD LINECALLORIGIN_INBOUND = 0x00000080;

inline constexpr DWORD LINECALLPARAMFLAGS_SECURE = 0x00000001;
inline constexpr DWORD LINECALLPARAMFLAGS_IDLE = 0x00000002;
inline constexpr DWORD LINECALLPARAMFLAGS_BLOCKID = 0x00000004;
inline constexpr DWORD LINECALLPARAMFLAGS_ORIGOFFHOOK = 0x00000008;
inline constexpr DWORD LINECALLPARAMFLAGS_DESTOFFHOOK = 0x00000010;
inline constexpr DWORD LINECALLPARAMFLAGS_NOHOLDCONFERENCE = 0x00000020;
inline constexpr DWORD LINECALLPARAMFLAGS_PREDICTIVEDIAL = 0x00000040;
inline constexpr DWORD LINECALLPARAMFLAGS_ONESTEPTRANSFER = 0x00000080;

inline constexpr DWORD LINECALLPARTYID_BLOCKED = 0x00000001;
inline constexpr DWORD LINECALLPARTYID_OUTOFAREA = 0x00000002;
inline constexpr DWORD LINECALLPARTYID_NAME = 0x00000004;
inline constexpr DWORD LINECALLPARTYID_ADDRESS = 0x00000008;
inline constexpr DWORD LINECALLPARTYID_PARTIAL = 0x00000010;
inline constexpr DWORD LINECALLPARTYID_UNKNOWN = 0x00000020;
inline constexpr DWORD LINECALLPARTYID_UNAVAIL = 0x00000040;

inline constexpr DWORD LINECALLPRIVILEGE_NONE = 0x00000001;
inline constexpr DWORD LINECALLPRIVILEGE_MONITOR = 0x00000002;
inline constexpr DWORD LINECALLPRIVILEGE_OWNER = 0x00000004;

inline constexpr DWORD LINECALLREASON_DIRECT = 0x00000001;
inline constexpr DWORD LINECALLREASON_FWDBUSY = 0x00000002;
inline constexpr DWORD LINECALLREASON_FWDNOANSWER = 0x00000004;
inline constexpr DWORD LINECALLREASON_FWDUNCOND = 0x00000008;
inline constexpr DWORD LINECALLREASON_PICKUP = 0x00000010;
inline constexpr DWORD LINECALLREASON_UNPARK = 0x00000020;
inline constexpr DWORD LINECALLREASON_REDIRECT = 0x00000040;
inline constexpr DWORD LINECALLREASON_CALLCOMPLETION = 0x00000080;
inline constexpr DWORD LINECALLREASON_TRANSFER = 0x00000100;
inline constexpr DWORD LINECALLREASON_REMINDER = 0x00000200;
inline constexpr DWORD LINECALLREASON_UNKNOWN = 0x00000400;
inline constexpr DWORD LINECALLREASON_UNAVAIL = 0x00000800;
inline constexpr DWORD LINECALLREASON_INTRUDE = 0x00001000;
inline constexpr DWORD LINECALLREASON_PARKED = 0x00002000;
inline constexpr DWORD LINECALLREASON_CAMPEDON = 0x00004000;
inline constexpr DWORD LINECALLREASON_ROUTEREQUEST = 0x00008000;

inline constexpr DWORD LINECALLSELECT_LINE = 0x00000001;
inline constexpr DWORD LINECALLSELECT_ADDRESS = 0x00000002;
inline constexpr DWORD LINECALLSELECT_CALL = 0x00000004;
inline constexpr DWORD LINECALLSELECT_DEVICEID = 0x00000008;
inline constexpr DWORD LINECALLSELECT_CALLID = 0x00000010;

inline constexpr DWORD LINECALLSTATE_IDLE = 0x00000001;
inline constexpr DWORD LINECALLSTATE_OFFERING = 0x00000002;
inline constexpr DWORD LINECALLSTATE_ACCEPTED = 0x00000004;
inline constexpr DWORD LINECALLSTATE_DIALTONE = 0x00000008;
inline constexpr DWORD LINECALLSTATE_DIALING = 0x00000010;
inline constexpr DWORD LINECALLSTATE_RINGBACK = 0x00000020;
inline constexpr DWORD LINECALLSTATE_BUSY = 0x00000040;
inline constexpr DWORD LINECALLSTATE_SPECIALINFO = 0x00000080;
inline constexpr DWORD LINECALLSTATE_CONNECTED = 0x00000100;
inline constexpr DWORD LINECALLSTATE_PROCEEDING = 0x00000200;
inline constexpr DWORD LINECALLSTATE_ONHOLD = 0x00000400;
inline constexpr DWORD LINECALLSTATE_CONFERENCED = 0x00000800;
inline constexpr DWORD LINECALLSTATE_ONHOLDPENDCONF = 0x00001000;
inline constexpr DWORD LINECALLSTATE_ONHOLDPENDTRANSFER = 0x00002000;
inline constexpr DWORD LINECALLSTATE_DISCONNECTED = 0x00004000;
inline constexpr DWORD LINECALLSTATE_UNKNOWN = 0x00008000;

inline constexpr DWORD LINECONNECTEDMODE_ACTIVE = 0x00000001;
inline constexpr DWORD LINECONNECTEDMODE_INACTIVE = 0x00000002;
inline constexpr DWORD LINECONNECTEDMODE_ACTIVEHELD = 0x00000004;
inline constexpr DWORD LINECONNECTEDMODE_INACTIVEHELD = 0x00000008;
inline constexpr DWORD LINECONNECTEDMODE_CONFIRMED = 0x00000010;

inline constexpr DWORD LINEDEVCAPFLAGS_CROSSADDRCONF = 0x00000001;
inline constexpr DWORD LINEDEVCAPFLAGS_HIGHLEVCOMP = 0x00000002;
inline constexpr DWORD LINEDEVCAPFLAGS_LOWLEVCOMP = 0x00000004;
inline constexpr DWORD LINEDEVCAPFLAGS_MEDIACONTROL = 0x00000008;
inline constexpr DWORD LINEDEVCAPFLAGS_MULTIPLEADDR = 0x00000010;
inline constexpr DWORD LINEDEVCAPFLAGS_CLOSEDROP = 0x00000020;
inline constexpr DWORD LINEDEVCAPFLAGS_DIALBILLING = 0x00000040;
inline constexpr DWORD LINEDEVCAPFLAGS_DIALQUIET = 0x00000080;
inline constexpr DWORD LINEDEVCAPFLAGS_DIALDIALTONE = 0x00000100;
inline constexpr DWORD LINEDEVCAPFLAGS_MSP = 0x00000200;
inline constexpr DWORD LINEDEVCAPFLAGS_CALLHUB = 0x00000400;
inline constexpr DWORD LINEDEVCAPFLAGS_CALLHUBTRACKING = 0x00000800;
inline constexpr DWORD LINEDEVCAPFLAGS_PRIVATEOBJECTS = 0x00001000;
inline constexpr DWORD LINEDEVCAPFLAGS_LOCAL = 0x00002000;

inline constexpr DWORD LINEDEVSTATE_OTHER = 0x00000001;
inline constexpr DWORD LINEDEVSTATE_RINGING = 0x00000002;
inline constexpr DWORD LINEDEVSTATE_CONNECTED = 0x00000004;
inline constexpr DWORD LINEDEVSTATE_DISCONNECTED = 0x00000008;
inline constexpr DWORD LINEDEVSTATE_MSGWAITON = 0x00000010;
inline constexpr DWORD LINEDEVSTATE_MSGWAITOFF = 0x00000020;
inline constexpr DWORD LINEDEVSTATE_INSERVICE = 0x00000040;
inline constexpr DWORD LINEDEVSTATE_OUTOFSERVICE = 0x00000080;
inline constexpr DWORD LINEDEVSTATE_MAINTENANCE = 0x00000100;
inline constexpr DWORD LINEDEVSTATE_OPEN = 0x00000200;
inline constexpr DWORD LINEDEVSTATE_CLOSE = 0x00000400;
inline constexpr DWORD LINEDEVSTATE_NUMCALLS = 0x00000800;
inline constexpr DWORD LINEDEVSTATE_NUMCOMPLETIONS = 0x00001000;
inline constexpr DWORD LINEDEVSTATE_TERMINALS = 0x00002000;
inline constexpr DWORD LINEDEVSTATE_ROAMMODE = 0x00004000;
inline constexpr DWORD LINEDEVSTATE_BATTERY = 0x00008000;
inline constexpr DWORD LINEDEVSTATE_SIGNAL = 0x00010000;
inline constexpr DWORD LINEDEVSTATE_DEVSPECIFIC = 0x00020000;
inline constexpr DWORD LINEDEVSTATE_REINIT = 0x00040000;
inline constexpr DWORD LINEDEVSTATE_LOCK = 0x00080000;
inline constexpr DWORD LINEDEVSTATE_CAPSCHANGE = 0x00100000;
inline constexpr DWORD LINEDEVSTATE_CONFIGCHANGE = 0x00200000;
inline constexpr DWORD LINEDEVSTATE_TRANSLATECHANGE = 0x00400000;
inline constexpr DWORD LINEDEVSTATE_COMPLCANCEL = 0x00800000;
inline constexpr DWORD LINEDEVSTATE_REMOVED = 0x01000000;

inline constexpr DWORD LINEDEVSTATUSFLAGS_CONNECTED = 0x00000001;
inline constexpr DWORD LINEDEVSTATUSFLAGS_MSGWAIT = 0x00000002;
inline constexpr DWORD LINEDEVSTATUSFLAGS_INSERVICE = 0x00000004;
inline constexpr DWORD LINEDEVSTATUSFLAGS_LOCKED = 0x00000008;

inline constexpr DWORD LINEDIALTONEMODE_NORMAL = 0x00000001;
inline constexpr DWORD LINEDIALTONEMODE_SPECIAL = 0x00000002;
inline constexpr DWORD LINEDIALTONEMODE_INTERNAL = 0x00000004;
inline constexpr DWORD LINEDIALTONEMODE_EXTERNAL = 0x00000008;
inline constexpr DWORD LINEDIALTONEMODE_UNKNOWN = 0x00000010;
inline constexpr DWORD LINEDIALTONEMODE_UNAVAIL = 0x00000020;

inline constexpr DWORD LINEDIGITMODE_PULSE = 0x00000001;
inline constexpr DWORD LINEDIGITMODE_DTMF = 0x00000002;
inline constexpr DWORD LINEDIGITMODE_DTMFEND = 0x00000004;

inline constexpr DWORD LINEDISCONNECTMODE_NORMAL = 0x00000001;
inline constexpr DWORD LINEDISCONNECTMODE_UNKNOWN = 0x00000002;
inline constexpr DWORD LINEDISCONNECTMODE_REJECT = 0x00000004;
inline constexpr DWORD LINEDISCONNECTMODE_PICKUP = 0x00000008;
inline constexpr DWORD LINEDISCONNECTMODE_FORWARDED = 0x00000010;
inline constexpr DWORD LINEDISCONNECTMODE_BUSY = 0x00000020;
inline constexpr DWORD LINEDISCONNECTMODE_NOANSWER = 0x00000040;
inline constexpr DWORD LINEDISCONNECTMODE_BADADDRESS = 0x00000080;
inline constexpr DWORD LINEDISCONNECTMODE_UNREACHABLE = 0x00000100;
inline constexpr DWORD LINEDISCONNECTMODE_CONGESTION = 0x00000200;
inline constexpr DWORD LINEDISCONNECTMODE_INCOMPATIBLE = 0x00000400;
inline constexpr DWORD LINEDISCONNECTMODE_UNAVAIL = 0x00000800;
inline constexpr DWORD LINEDISCONNECTMODE_NODIALTONE = 0x00001000;
inline constexpr DWORD LINEDISCONNECTMODE_NUMBERCHANGED = 0x00002000;
inline constexpr DWORD LINEDISCONNECTMODE_OUTOFORDER = 0x00004000;
inline constexpr DWORD LINEDISCONNECTMODE_TEMPFAILURE = 0x00008000;
inline constexpr DWORD LINEDISCONNECTMODE_QOSUNAVAIL = 0x00010000;
inline constexpr DWORD LINEDISCONNECTMODE_BLOCKED = 0x00020000;
inline constexpr DWORD LINEDISCONNECTMODE_DONOTDISTURB = 0x00040000;
inline constexpr DWORD LINEDISCONNECTMODE_CANCELLED = 0x00080000;

inline constexpr DWORD LINEFEATURE_DEVSPECIFIC = 0x00000001;
inline constexpr DWORD LINEFEATURE_DEVSPECIFICFEAT = 0x00000002;
inline constexpr DWORD LINEFEATURE_FORWARD = 0x00000004;
inline constexpr DWORD LINEFEATURE_MAKECALL = 0x00000008;
inline constexpr DWORD LINEFEATURE_SETMEDIACONTROL = 0x00000010;
inline constexpr DWORD LINEFEATURE_SETTERMINAL = 0x00000020;
inline constexpr DWORD LINEFEATURE_SETDEVSTATUS = 0x00000040;
inline constexpr DWORD LINEFEATURE_FORWARDFWD = 0x00000080;
inline constexpr DWORD LINEFEATURE_FORWARDDND = 0x00000100;

inline constexpr DWORD LINEFORWARDMODE_UNCOND = 0x00000001;
inline constexpr DWORD LINEFORWARDMODE_UNCONDINTERNAL = 0x00000002;
inline constexpr DWORD LINEFORWARDMODE_UNCONDEXTERNAL = 0x00000004;
inline constexpr DWORD LINEFORWARDMODE_UNCONDSPECIFIC = 0x00000008;
inline constexpr DWORD LINEFORWARDMODE_BUSY = 0x00000010;
inline constexpr DWORD LINEFORWARDMODE_BUSYINTERNAL = 0x00000020;
inline constexpr DWORD LINEFORWARDMODE_BUSYEXTERNAL = 0x00000040;
inline constexpr DWORD LINEFORWARDMODE_BUSYSPECIFIC = 0x00000080;
inline constexpr DWORD LINEFORWARDMODE_NOANSW = 0x00000100;
inline constexpr DWORD LINEFORWARDMODE_NOANSWINTERNAL = 0x00000200;
inline constexpr DWORD LINEFORWARDMODE_NOANSWEXTERNAL = 0x00000400;
inline constexpr DWORD LINEFORWARDMODE_NOANSWSPECIFIC = 0x00000800;
inline constexpr DWORD LINEFORWARDMODE_BUSYNA = 0x00001000;
inline constexpr DWORD LINEFORWARDMODE_BUSYNAINTERNAL = 0x00002000;
inline constexpr DWORD LINEFORWARDMODE_BUSYNAEXTERNAL = 0x00004000;
inline constexpr DWORD LINEFORWARDMODE_BUSYNASPECIFIC = 0x00008000;
inline constexpr DWORD LINEFORWARDMODE_UNKNOWN = 0x00010000;
inline constexpr DWORD LINEFORWARDMODE_UNAVAIL = 0x00020000;

inline constexpr DWORD LINEGATHERTERM_BUFFERFULL = 0x00000001;
inline constexpr DWORD LINEGATHERTERM_TERMDIGIT = 0x00000002;
inline constexpr DWORD LINEGATHERTERM_FIRSTTIMEOUT = 0x00000004;
inline constexpr DWORD LINEGATHERTERM_INTERTIMEOUT = 0x00000008;
inline constexpr DWORD LINEGATHERTERM_CANCEL = 0x00000010;

inline constexpr DWORD LINEGENERATETERM_DONE = 0x00000001;
inline constexpr DWORD LINEGENERATETERM_CANCEL = 0x00000002;

inline constexpr DWORD LINEINITIALIZEEXOPTION_USEHIDDENWINDOW = 0x00000001;
inline constexpr DWORD LINEINITIALIZEEXOPTION_USEEVENT = 0x00000002;
inline constexpr DWORD LINEINITIALIZEEXOPTION_USECOMPLETIONPORT = 0x00000003;
inline constexpr DWORD LINEINITIALIZEEXOPTION_CALLHUBTRACKING = 0x80000000;

inline constexpr DWORD LINEMEDIAMODE_UNKNOWN = 0x00000002;
inline constexpr DWORD LINEMEDIAMODE_INTERACTIVEVOICE = 0x00000004;
inline constexpr DWORD LINEMEDIAMODE_AUTOMATEDVOICE = 0x00000008;
inline constexpr DWORD LINEMEDIAMODE_DATAMODEM = 0x00000010;
inline constexpr DWORD LINEMEDIAMODE_G3FAX = 0x00000020;
inline constexpr DWORD LINEMEDIAMODE_TDD = 0x00000040;
inline constexpr DWORD LINEMEDIAMODE_G4FAX = 0x00000080;
inline constexpr DWORD LINEMEDIAMODE_DIGITALDATA = 0x00000100;
inline constexpr DWORD LINEMEDIAMODE_TELETEX = 0x00000200;
inline constexpr DWORD LINEMEDIAMODE_VIDEOTEX = 0x00000400;
inline constexpr DWORD LINEMEDIAMODE_TELEX = 0x00000800;
inline constexpr DWORD LINEMEDIAMODE_MIXED = 0x00001000;
inline constexpr DWORD LINEMEDIAMODE_ADSI = 0x00002000;
inline constexpr DWORD LINEMEDIAMODE_VOICEVIEW = 0x00004000;
inline constexpr DWORD LINEMEDIAMODE_VIDEO = 0x00008000;

inline constexpr DWORD LINEOFFERINGMODE_ACTIVE = 0x00000001;
inline constexpr DWORD LINEOFFERINGMODE_INACTIVE = 0x00000002;

inline constexpr DWORD LINEOPENOPTION_SINGLEADDRESS = 0x80000000;
inline constexpr DWORD LINEOPENOPTION_PROXY = 0x40000000;

inline constexpr DWORD LINEPARKMODE_DIRECTED = 0x00000001;
inline constexpr DWORD LINEPARKMODE_NONDIRECTED = 0x00000002;

inline constexpr DWORD LINEREMOVEFROMCONF_NONE = 0x00000001;
inline constexpr DWORD LINEREMOVEFROMCONF_LAST = 0x00000002;
inline constexpr DWORD LINEREMOVEFROMCONF_ANY = 0x00000003;

inline constexpr DWORD LINEREQUESTMODE_MAKECALL = 0x00000001;
inline constexpr DWORD LINEREQUESTMODE_MEDIACALL = 0x00000002;
inline constexpr DWORD LINEREQUESTMODE_DROP = 0x00000004;

inline constexpr DWORD LINEROAMMODE_UNKNOWN = 0x00000001;
inline constexpr DWORD LINEROAMMODE_UNAVAIL = 0x00000002;
inline constexpr DWORD LINEROAMMODE_HOME = 0x00000004;
inline constexpr DWORD LINEROAMMODE_ROAMA = 0x00000008;
inline constexpr DWORD LINEROAMMODE_ROAMB = 0x00000010;

inline constexpr DWORD LINESPECIALINFO_NOCIRCUIT = 0x00000001;
inline constexpr DWORD LINESPECIALINFO_CUSTIRREG = 0x00000002;
inline constexpr DWORD LINESPECIALINFO_REORDER = 0x00000004;
inline constexpr DWORD LINESPECIALINFO_UNKNOWN = 0x00000008;
inline constexpr DWORD LINESPECIALINFO_UNAVAIL = 0x00000010;

inline constexpr DWORD LINETERMDEV_PHONE = 0x00000001;
inline constexpr DWORD LINETERMDEV_HEADSET = 0x00000002;
inline constexpr DWORD LINETERMDEV_SPEAKER = 0x00000004;

inline constexpr DWORD LINETERMMODE_BUTTONS = 0x00000001;
inline constexpr DWORD LINETERMMODE_LAMPS = 0x00000002;
inline constexpr DWORD LINETERMMODE_DISPLAY = 0x00000004;
inline constexpr DWORD LINETERMMODE_RINGER = 0x00000008;
inline constexpr DWORD LINETERMMODE_HOOKSWITCH = 0x00000010;
inline constexpr DWORD LINETERMMODE_MEDIATOLINE = 0x00000020;
inline constexpr DWORD LINETERMMODE_MEDIAFROMLINE = 0x00000040;
inline constexpr DWORD LINETERMMODE_MEDIABIDIRECT = 0x00000080;

inline constexpr DWORD LINETERMSHARING_PRIVATE = 0x00000001;
inline constexpr DWORD LINETERMSHARING_SHAREDEXCL = 0x00000002;
inline constexpr DWORD LINETERMSHARING_SHAREDCONF = 0x00000004;

inline constexpr DWORD LINETONEMODE_CUSTOM = 0x00000001;
inline constexpr DWORD LINETONEMODE_RINGBACK = 0x00000002;
inline constexpr DWORD LINETONEMODE_BUSY = 0x00000004;
inline constexpr DWORD LINETONEMODE_BEEP = 0x00000008;
inline constexpr DWORD LINETONEMODE_BILLING = 0x00000010;

inline constexpr DWORD LINETRANSFERMODE_TRANSFER = 0x00000001;
inline constexpr DWORD LINETRANSFERMODE_CONFERENCE = 0x00000002;

inline constexpr DWORD LINETRANSLATEOPTION_CARDOVERRIDE = 0x00000001;
inline constexpr DWORD LINETRANSLATEOPTION_CANCELCALLWAITING = 0x00000002;
inline constexpr DWORD LINETRANSLATEOPTION_FORCELOCAL = 0x00000004;
inline constexpr DWORD LINETRANSLATEOPTION_FORCELD = 0x00000008;

inline constexpr DWORD LINETRANSLATERESULT_CANONICAL = 0x00000001;
inline constexpr DWORD LINETRANSLATERESULT_INTERNATIONAL = 0x00000002;
inline constexpr DWORD LINETRANSLATERESULT_LONGDISTANCE = 0x00000004;
inline constexpr DWORD LINETRANSLATERESULT_LOCAL = 0x00000008;
inline constexpr DWORD LINETRANSLATERESULT_INTOLLLIST = 0x00000010;
inline constexpr DWORD LINETRANSLATERESULT_NOTINTOLLLIST = 0x00000020;
inline constexpr DWORD LINETRANSLATERESULT_DIALBILLING = 0x00000040;
inline constexpr DWORD LINETRANSLATERESULT_DIALQUIET = 0x00000080;
inline constexpr DWORD LINETRANSLATERESULT_DIALDIALTONE = 0x00000100;
inline constexpr DWORD LINETRANSLATERESULT_DIALPROMPT = 0x00000200;
inline constexpr DWORD LINETRANSLATERESULT_VOICEDETECT = 0x00000400;
inline constexpr DWORD LINETRANSLATERESULT_NOTRANSLATION = 0x00000800;

inline constexpr DWORD STRINGFORMAT_ASCII = 0x00000001;
inline constexpr DWORD STRINGFORMAT_DBCS = 0x00000002;
inline constexpr DWORD STRINGFORMAT_UNICODE = 0x00000003;
inline constexpr DWORD STRINGFORMAT_BINARY = 0x00000004;

// ---------------------------------------------------------------------------------------------
// Phone constants
// ---------------------------------------------------------------------------------------------

inline constexpr LONG PHONEERR_ALLOCATED = LONG(0x90000001);
inline constexpr LONG PHONEERR_BADDEVICEID = LONG(0x90000002);
inline constexpr LONG PHONEERR_INCOMPATIBLEAPIVERSION = LONG(0x90000003);
inline constexpr LONG PHONEERR_INCOMPATIBLEEXTVERSION = LONG(0x90000004);
inline constexpr LONG PHONEERR_INIFILECORRUPT = LONG(0x90000005);
inline constexpr LONG PHONEERR_INUSE = LONG(0x90000006);
inline constexpr LONG PHONEERR_INVALAPPHANDLE = LONG(0x90000007);
inline constexpr LONG PHONEERR_INVALAPPNAME = LONG(0x90000008);
inline constexpr LONG PHONEERR_INVALBUTTONLAMPID = LONG(0x90000009);
inline constexpr LONG PHONEERR_INVALBUTTONMODE = LONG(0x9000000A);
inline constexpr LONG PHONEERR_INVALBUTTONSTATE = LONG(0x9000000B);
inline constexpr LONG PHONEERR_INVALDATAID = LONG(0x9000000C);
inline constexpr LONG PHONEERR_INVALDEVICECLASS = LONG(0x9000000D);
inline constexpr LONG PHONEERR_INVALEXTVERSION = LONG(0x9000000E);
inline constexpr LONG PHONEERR_INVALHOOKSWITCHDEV = LONG(0x9000000F);
inline constexpr LONG PHONEERR_INVALHOOKSWITCHMODE = LONG(0x90000010);
inline constexpr LONG PHONEERR_INVALLAMPMODE = LONG(0x90000011);
inline constexpr LONG PHONEERR_INVALPARAM = LONG(0x90000012);
inline constexpr LONG PHONEERR_INVALPHONEHANDLE = LONG(0x90000013);
inline constexpr LONG PHONEERR_INVALPHONESTATE = LONG(0x90000014);
inline constexpr LONG PHONEERR_INVALPOINTER = LONG(0x90000015);
inline constexpr LONG PHONEERR_INVALPRIVILEGE = LONG(0x90000016);
inline constexpr LONG PHONEERR_INVALRINGMODE = LONG(0x90000017);
inline constexpr LONG PHONEERR_NODEVICE = LONG(0x90000018);
inline constexpr LONG PHONEERR_NODRIVER = LONG(0x90000019);
inline constexpr LONG PHONEERR_NOMEM = LONG(0x9000001A);
inline constexpr LONG PHONEERR_NOTOWNER = LONG(0x9000001B);
inline constexpr LONG PHONEERR_OPERATIONFAILED = LONG(0x9000001C);
inline constexpr LONG PHONEERR_OPERATIONUNAVAIL = LONG(0x9000001D);
inline constexpr LONG PHONEERR_RESOURCEUNAVAIL = LONG(0x9000001F);
inline constexpr LONG PHONEERR_REQUESTOVERRUN = LONG(0x90000020);
inline constexpr LONG PHONEERR_STRUCTURETOOSMALL = LONG(0x90000021);
inline constexpr LONG PHONEERR_UNINITIALIZED = LONG(0x90000022);
inline constexpr LONG PHONEERR_REINIT = LONG(0x90000023);

inline constexpr DWORD PHONEBUTTONMODE_DUMMY = 0x00000001;
inline constexpr DWORD PHONEBUTTONMODE_CALL = 0x00000002;
inline constexpr DWORD PHONEBUTTONMODE_FEATURE = 0x00000004;
inline constexpr DWORD PHONEBUTTONMODE_KEYPAD = 0x00000008;
inline constexpr DWORD PHONEBUTTONMODE_LOCAL = 0x00000010;
inline constexpr DWORD PHONEBUTTONMODE_DISPLAY = 0x00000020;

inline constexpr DWORD PHONEBUTTONSTATE_UP = 0x00000001;
inline constexpr DWORD PHONEBUTTONSTATE_DOWN = 0x00000002;
inline constexpr DWORD PHONEBUTTONSTATE_UNKNOWN = 0x00000004;
inline constexpr DWORD PHONEBUTTONSTATE_UNAVAIL = 0x00000008;

inline constexpr DWORD PHONEFEATURE_GETBUTTONINFO = 0x00000001;
inline constexpr DWORD PHONEFEATURE_GETDATA = 0x00000002;
inline constexpr DWORD PHONEFEATURE_GETDISPLAY = 0x00000004;
inline constexpr DWORD PHONEFEATURE_GETGAINHANDSET = 0x00000008;
inline constexpr DWORD PHONEFEATURE_GETGAINSPEAKER = 0x00000010;
inline constexpr DWORD PHONEFEATURE_GETGAINHEADSET = 0x00000020;
inline constexpr DWORD PHONEFEATURE_GETHOOKSWITCHHANDSET = 0x00000040;
inline constexpr DWORD PHONEFEATURE_GETHOOKSWITCHSPEAKER = 0x00000080;
inline constexpr DWORD PHONEFEATURE_GETHOOKSWITCHHEADSET = 0x00000100;
inline constexpr DWORD PHONEFEATURE_GETLAMP = 0x00000200;
inline constexpr DWORD PHONEFEATURE_GETRING = 0x00000400;
inline constexpr DWORD PHONEFEATURE_GETVOLUMEHANDSET = 0x00000800;
inline constexpr DWORD PHONEFEATURE_GETVOLUMESPEAKER = 0x00001000;
inline constexpr DWORD PHONEFEATURE_GETVOLUMEHEADSET = 0x00002000;
inline constexpr DWORD PHONEFEATURE_SETBUTTONINFO = 0x00004000;
inline constexpr DWORD PHONEFEATURE_SETDATA = 0x00008000;
inline constexpr DWORD PHONEFEATURE_SETDISPLAY = 0x00010000;
inline constexpr DWORD PHONEFEATURE_SETGAINHANDSET = 0x00020000;
inline constexpr DWORD PHONEFEATURE_SETGAINSPEAKER = 0x00040000;
inline constexpr DWORD PHONEFEATURE_SETGAINHEADSET = 0x00080000;
inline constexpr DWORD PHONEFEATURE_SETHOOKSWITCHHANDSET = 0x00100000;
inline constexpr DWORD PHONEFEATURE_SETHOOKSWITCHSPEAKER = 0x00200000;
inline constexpr DWORD PHONEFEATURE_SETHOOKSWITCHHEADSET = 0x00400000;
inline constexpr DWORD PHONEFEATURE_SETLAMP = 0x00800000;
inline constexpr DWORD PHONEFEATURE_SETRING = 0x01000000;
inline constexpr DWORD PHONEFEATURE_SETVOLUMEHANDSET = 0x02000000;
inline constexpr DWORD PHONEFEATURE_SETVOLUMESPEAKER = 0x04000000;
inline constexpr DWORD PHONEFEATURE_SETVOLUMEHEADSET = 0x08000000;

inline constexpr DWORD PHONEHOOKSWITCHDEV_HANDSET = 0x00000001;
inline constexpr DWORD PHONEHOOKSWITCHDEV_SPEAKER = 0x00000002;
inline constexpr DWORD PHONEHOOKSWITCHDEV_HEADSET = 0x00000004;

inline constexpr DWORD PHONEHOOKSWITCHMODE_ONHOOK = 0x00000001;
inline constexpr DWORD PHONEHOOKSWITCHMODE_MIC = 0x00000002;
inline constexpr DWORD PHONEHOOKSWITCHMODE_SPEAKER = 0x00000004;
inline constexpr DWORD PHONEHOOKSWITCHMODE_MICSPEAKER = 0x00000008;
inline constexpr DWORD PHONEHOOKSWITCHMODE_UNKNOWN = 0x00000010;

inline constexpr DWORD PHONEINITIALIZEEXOPTION_USEHIDDENWINDOW = 0x00000001;
inline constexpr DWORD PHONEINITIALIZEEXOPTION_USEEVENT = 0x00000002;
inline constexpr DWORD PHONEINITIALIZEEXOPTION_USECOMPLETIONPORT = 0x00000003;

inline constexpr DWORD PHONELAMPMODE_DUMMY = 0x00000001;
inline constexpr DWORD PHONELAMPMODE_OFF = 0x00000002;
inline constexpr DWORD PHONELAMPMODE_STEADY = 0x00000004;
inline constexpr DWORD PHONELAMPMODE_WINK = 0x00000008;
inline constexpr DWORD PHONELAMPMODE_FLASH = 0x00000010;
inline constexpr DWORD PHONELAMPMODE_FLUTTER = 0x00000020;
inline constexpr DWORD PHONELAMPMODE_BROKENFLUTTER = 0x00000040;
inline constexpr DWORD PHONELAMPMODE_UNKNOWN = 0x00000080;

inline constexpr DWORD PHONEPRIVILEGE_MONITOR = 0x00000001;
inline constexpr DWORD PHONEPRIVILEGE_OWNER = 0x00000002;

inline constexpr DWORD PHONESTATE_OTHER = 0x00000001;
inline constexpr DWORD PHONESTATE_CONNECTED = 0x00000002;
inline constexpr DWORD PHONESTATE_DISCONNECTED = 0x00000004;
inline constexpr DWORD PHONESTATE_OWNER = 0x00000008;
inline constexpr DWORD PHONESTATE_MONITORS = 0x00000010;
inline constexpr DWORD PHONESTATE_DISPLAY = 0x00000020;
inline constexpr DWORD PHONESTATE_LAMP = 0x00000040;
inline constexpr DWORD PHONESTATE_RINGMODE = 0x00000080;
inline constexpr DWORD PHONESTATE_RINGVOLUME = 0x00000100;
inline constexpr DWORD PHONESTATE_HANDSETHOOKSWITCH = 0x00000200;
inline constexpr DWORD PHONESTATE_HANDSETVOLUME = 0x00000400;
inline constexpr DWORD PHONESTATE_HANDSETGAIN = 0x00000800;
inline constexpr DWORD PHONESTATE_SPEAKERHOOKSWITCH = 0x00001000;
inline constexpr DWORD PHONESTATE_SPEAKERVOLUME = 0x00002000;
inline constexpr DWORD PHONESTATE_SPEAKERGAIN = 0x00004000;
inline constexpr DWORD PHONESTATE_HEADSETHOOKSWITCH = 0x00008000;
inline constexpr DWORD PHONESTATE_HEADSETVOLUME = 0x00010000;
inline constexpr DWORD PHONESTATE_HEADSETGAIN = 0x00020000;
inline constexpr DWORD PHONESTATE_SUSPEND = 0x00040000;
inline constexpr DWORD PHONESTATE_RESUME = 0x00080000;
inline constexpr DWORD PHONESTATE_DEVSPECIFIC = 0x00100000;
inline constexpr DWORD PHONESTATE_REINIT = 0x00200000;
inline constexpr DWORD PHONESTATE_CAPSCHANGE = 0x00400000;
inline constexpr DWORD PHONESTATE_REMOVED = 0x00800000;

inline constexpr DWORD PHONESTATUSFLAGS_CONNECTED = 0x00000001;
inline constexpr DWORD PHONESTATUSFLAGS_SUSPENDED = 0x00000002;

// ---------------------------------------------------------------------------------------------
// Line functions. Synchronous calls return 0 or a negative LINEERR_ code; asynchronous ones a
// positive request ID (never 0) or a negative code, and later a LINE_REPLY with that ID.
// ---------------------------------------------------------------------------------------------

LONG lineInitialize(HLINEAPP* lphLineApp, HINSTANCE hInstance, LINECALLBACK lpfnCallback,
                    const char* lpszAppName, DWORD* lpdwNumDevs);
// Only the hidden-window option is offered: messages go to the callback from a hidden window of
// the calling thread. The other options give LINEERR_INVALPARAM.
LONG lineInitializeExA(HLINEAPP* lphLineApp, HINSTANCE hInstance, LINECALLBACK lpfnCallback,
                       const char* lpszFriendlyAppName, DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                       LINEINITIALIZEEXPARAMS* lpLineInitializeExParams);
inline LONG lineInitializeEx(HLINEAPP* lphLineApp, HINSTANCE hInstance, LINECALLBACK lpfnCallback,
                             const char* lpszFriendlyAppName, DWORD* lpdwNumDevs,
                             DWORD* lpdwAPIVersion,
                             LINEINITIALIZEEXPARAMS* lpLineInitializeExParams) {
    return lineInitializeExA(lphLineApp, hInstance, lpfnCallback, lpszFriendlyAppName, lpdwNumDevs,
                             lpdwAPIVersion, lpLineInitializeExParams);
}
// Closes every line of the application and discards its undelivered messages.
LONG lineShutdown(HLINEAPP hLineApp);
LONG lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                             DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
                             LINEEXTENSIONID* lpExtensionID);
LONG lineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                    LINEDEVCAPS* lpLineDevCaps);
LONG lineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID, DWORD dwAPIVersion,
                        DWORD dwExtVersion, LINEADDRESSCAPS* lpAddressCaps);
LONG lineOpen(HLINEAPP hLineApp, DWORD dwDeviceID, HLINE* lphLine, DWORD dwAPIVersion,
              DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivileges,
              DWORD dwMediaModes, const LINECALLPARAMS* lpCallParams);
// Calls this application owns alone are dropped; its call handles become invalid.
LONG lineClose(HLINE hLine);
LONG lineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates);
LONG lineGetStatusMessages(HLINE hLine, DWORD* lpdwLineStates, DWORD* lpdwAddressStates);
LONG lineGetNewCalls(HLINE hLine, DWORD dwAddressID, DWORD dwSelect, LINECALLLIST* lpCallList);
LONG lineGetLineDevStatus(HLINE hLine, LINEDEVSTATUS* lpLineDevStatus);
LONG lineGetAddressStatus(HLINE hLine, DWORD dwAddressID, LINEADDRESSSTATUS* lpAddressStatus);
LONG lineGetCallInfo(HCALL hCall, LINECALLINFO* lpCallInfo);
LONG lineGetCallStatus(HCALL hCall, LINECALLSTATUS* lpCallStatus);
// Replies still pending for the call are delivered afterwards.
LONG lineDeallocateCall(HCALL hCall);
// Classes "wave/in" and "wave/out" (line or call), "tapi/line", "tapi/phone" (a DWORD device
// ID) and "comm/datamodem" (a call of a data modem: a HANDLE, then the device's name).
LONG lineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect, VARSTRING* lpDeviceID,
               const char* lpszDeviceClass);
LONG lineTranslateAddress(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                          const char* lpszAddressIn, DWORD dwCard, DWORD dwTranslateOptions,
                          LINETRANSLATEOUTPUT* lpTranslateOutput);
// The exchange has one fixed dialling location (country 44, area 1632) and no device settings,
// so the two dialogs have nothing to show: after the usual checks they answer 0, as when the user
// closes them with OK, and change nothing. Tests make them fail with an injected failure.
LONG lineTranslateDialog(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, HWND hwndOwner,
                         const char* lpszAddressIn);
LONG lineConfigDialog(DWORD dwDeviceID, HWND hwndOwner, const char* lpszDeviceClass);

LONG lineMakeCall(HLINE hLine, HCALL* lphCall, const char* lpszDestAddress, DWORD dwCountryCode,
                  const LINECALLPARAMS* lpCallParams);
LONG lineDial(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode);
LONG lineAnswer(HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize);
LONG lineDrop(HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize);
LONG lineRedirect(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode);
LONG linePark(HCALL hCall, DWORD dwParkMode, const char* lpszDirAddress,
              VARSTRING* lpNonDirAddress);
LONG lineUnpark(HLINE hLine, DWORD dwAddressID, HCALL* lphCall, const char* lpszDestAddress);
LONG linePickup(HLINE hLine, DWORD dwAddressID, HCALL* lphCall, const char* lpszDestAddress,
                const char* lpszGroupID);
// Synchronous: hands the call to another application ("" or a media mode as the target).
LONG lineHandoff(HCALL hCall, const char* lpszFileName, DWORD dwMediaMode);
LONG lineHold(HCALL hCall);
LONG lineUnhold(HCALL hCall);
LONG lineBlindTransfer(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode);
LONG lineSetupTransfer(HCALL hCall, HCALL* lphConsultCall, const LINECALLPARAMS* lpCallParams);
LONG lineCompleteTransfer(HCALL hCall, HCALL hConsultCall, HCALL* lphConfCall,
                          DWORD dwTransferMode);
LONG lineSetupConference(HCALL hCall, HLINE hLine, HCALL* lphConfCall, HCALL* lphConsultCall,
                         DWORD dwNumParties, const LINECALLPARAMS* lpCallParams);
LONG linePrepareAddToConference(HCALL hConfCall, HCALL* lphConsultCall,
                                const LINECALLPARAMS* lpCallParams);
LONG lineAddToConference(HCALL hConfCall, HCALL hConsultCall);
LONG lineRemoveFromConference(HCALL hCall);
LONG lineSwapHold(HCALL hActiveCall, HCALL hHeldCall);
LONG lineForward(HLINE hLine, DWORD bAllAddresses, DWORD dwAddressID,
                 const LINEFORWARDLIST* lpForwardList, DWORD dwNumRingsNoAnswer,
                 HCALL* lphConsultCall, const LINECALLPARAMS* lpCallParams);
LONG lineSetTerminal(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                     DWORD dwTerminalModes, DWORD dwTerminalID, DWORD bEnable);
LONG lineSetCallParams(HCALL hCall, DWORD dwBearerMode, DWORD dwMinRate, DWORD dwMaxRate,
                       const LINEDIALPARAMS* lpDialParams);

LONG lineSetCallPrivilege(HCALL hCall, DWORD dwCallPrivilege);
LONG lineSetMediaMode(HCALL hCall, DWORD dwMediaModes);
// Completion comes as LINE_GENERATE (DONE, or CANCEL when replaced or cancelled).
LONG lineGenerateDigits(HCALL hCall, DWORD dwDigitMode, const char* lpszDigits, DWORD dwDuration);
LONG lineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                      const LINEGENERATETONE* lpTones);
// The buffer is written until LINE_GATHERDIGITS arrives; a digit mode of 0 (buffer NULL)
// cancels, and a new request cancels the running one, both with LINEGATHERTERM_CANCEL.
LONG lineGatherDigits(HCALL hCall, DWORD dwDigitModes, char* lpsDigits, DWORD dwNumDigits,
                      const char* lpszTerminationDigits, DWORD dwFirstDigitTimeout,
                      DWORD dwInterDigitTimeout);
LONG lineMonitorDigits(HCALL hCall, DWORD dwDigitModes);
LONG lineMonitorMedia(HCALL hCall, DWORD dwMediaModes);
// A tone whose three frequencies are 0 is silence of dwDuration ms.
LONG lineMonitorTones(HCALL hCall, const LINEMONITORTONE* lpToneList, DWORD dwNumEntries);

// ---------------------------------------------------------------------------------------------
// Phone functions, with the same conventions (PHONEERR_ codes, PHONE_REPLY).
// ---------------------------------------------------------------------------------------------

LONG phoneInitialize(HPHONEAPP* lphPhoneApp, HINSTANCE hInstance, PHONECALLBACK lpfnCallback,
                     const char* lpszAppName, DWORD* lpdwNumDevs);
LONG phoneInitializeExA(HPHONEAPP* lphPhoneApp, HINSTANCE hInstance, PHONECALLBACK lpfnCallback,
                        const char* lpszFriendlyAppName, DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                        PHONEINITIALIZEEXPARAMS* lpPhoneInitializeExParams);
inline LONG phoneInitializeEx(HPHONEAPP* lphPhoneApp, HINSTANCE hInstance,
                              PHONECALLBACK lpfnCallback, const char* lpszFriendlyAppName,
                              DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                              PHONEINITIALIZEEXPARAMS* lpPhoneInitializeExParams) {
    return phoneInitializeExA(lphPhoneApp, hInstance, lpfnCallback, lpszFriendlyAppName,
                              lpdwNumDevs, lpdwAPIVersion, lpPhoneInitializeExParams);
}
LONG phoneShutdown(HPHONEAPP hPhoneApp);
LONG phoneNegotiateAPIVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                              DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
                              PHONEEXTENSIONID* lpExtensionID);
LONG phoneGetDevCaps(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                     PHONECAPS* lpPhoneCaps);
LONG phoneOpen(HPHONEAPP hPhoneApp, DWORD dwDeviceID, HPHONE* lphPhone, DWORD dwAPIVersion,
               DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivilege);
LONG phoneClose(HPHONE hPhone);
LONG phoneGetStatus(HPHONE hPhone, PHONESTATUS* lpPhoneStatus);
LONG phoneSetStatusMessages(HPHONE hPhone, DWORD dwPhoneStates, DWORD dwButtonModes,
                            DWORD dwButtonStates);
// Classes "tapi/line", "wave/in" and "wave/out": a DWORD device ID.
LONG phoneGetID(HPHONE hPhone, VARSTRING* lpDeviceID, const char* lpszDeviceClass);
LONG phoneGetHookSwitch(HPHONE hPhone, DWORD* lpdwHookSwitchDevs);
// `dwHookSwitchDevs` may name several of the phone's devices; each takes the mode.
LONG phoneSetHookSwitch(HPHONE hPhone, DWORD dwHookSwitchDevs, DWORD dwHookSwitchMode);
// Levels run from 0 to 0xFFFF.
LONG phoneSetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwVolume);
LONG phoneSetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwGain);
LONG phoneGetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwVolume);
LONG phoneGetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwGain);
LONG phoneConfigDialog(DWORD dwDeviceID, HWND hwndOwner, const char* lpszDeviceClass);

// The telephony library's exported entry points by name ("lineInitializeExA", "phoneOpen" ...),
// as a program finds them after loading the library: nullptr for a name it does not export, or
// for an entry the exchange was told to hide (a system without the Ex entries).
void* tapiGetProcAddress(const char* procName);
