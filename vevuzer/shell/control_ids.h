// What the main window knows of the telephony controls it hosts: their class ids, their events
// interfaces and the DISPIDs of the members it calls. The controls are reached only through these
// numbers (late-bound, by IDispatch::Invoke), never through the control library's own headers.
#pragma once

#include "platform/com/oleauto.h"

namespace vevuzer::controls {

// The Line control (one per telephone line) and the Record control.
inline constexpr CLSID CLSID_lkLine{
    0x55E22185, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr IID DIID_IlkLineEvents{
    0x55E22183, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr CLSID CLSID_lkRecord{
    0x55E221A9, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};
inline constexpr IID DIID_IlkRecordEvents{
    0x55E221A7, 0xC6CF, 0x11D4, {0x9F, 0x1D, 0x00, 0xA0, 0xCC, 0x61, 0x0C, 0xDF}};

// Members of the Line control.
namespace line {
inline constexpr DISPID CallActive = 32;
inline constexpr DISPID CallCallerIDBlocked = 42;
inline constexpr DISPID CallCallerIDFlags = 43;
inline constexpr DISPID CallCallerIDName = 44;
inline constexpr DISPID CallCallerIDNumber = 45;
inline constexpr DISPID CallCallerIDOutOfArea = 46;
inline constexpr DISPID CallMediaMode = 60;
inline constexpr DISPID CallOwner = 64;
inline constexpr DISPID TAPITSP = 97;
inline constexpr DISPID WaveRecordAvailable = 101;
inline constexpr DISPID WaveRecordID = 102;
inline constexpr DISPID CallAnswer = 103;
inline constexpr DISPID CallDial = 104;
inline constexpr DISPID CallHangup = 106;
inline constexpr DISPID CallCallerIDMaskNumber = 122;
inline constexpr DISPID CallPhoneNumber = 135;
inline constexpr DISPID DeviceActive = 139;
inline constexpr DISPID DeviceName = 140;
inline constexpr DISPID DeviceCount = 141;
inline constexpr DISPID DeviceList = 142;
inline constexpr DISPID PrivilegeMonitor = 178;
inline constexpr DISPID PrivilegeOwner = 180;
inline constexpr DISPID ErrorNumber = 193;
inline constexpr DISPID ErrorText = 194;
inline constexpr DISPID VantageLogActive = 210;
inline constexpr DISPID VantageLogLines = 212;
}  // namespace line

// Events of the Line control (IlkLineEvents), numbered in declaration order.
enum class LineEvent : DISPID {
    OnBusy = 1,
    OnCallBegin = 2,
    OnCalledID = 3,
    OnCallEnd = 4,
    OnCallerID = 5,
    OnCallInfo = 6,
    OnCallMediaModeChange = 7,
    OnCallOwnerChange = 8,
    OnCallState = 9,
    OnConnected = 10,
    OnConnectedID = 11,
    OnDialing = 12,
    OnDialtone = 13,
    OnDigitReceived = 14,
    OnDisconnected = 15,
    OnError = 16,
    OnIdle = 17,
    OnMessageOff = 18,
    OnMessageOn = 19,
    OnOffering = 20,
    OnRedirectingID = 21,
    OnRedirectionID = 22,
    OnRing = 23,
    OnRingBack = 24,
    OnSilence = 25,
    OnSpecialInfo = 26,
    OnTAPIMessage = 27,
    OnTAPIReply = 28,
    OnDigitsSent = 29,
    OnToneSent = 30,
    OnConferenced = 31,
    OnHold = 32,
    OnHoldPendingConference = 33,
    OnHoldPendingTransfer = 34,
    OnProceeding = 35,
    OnAddressForward = 36,
    OnDigitsGathered = 37,
};

// Members of the Record control.
namespace record {
inline constexpr DISPID DeviceActive = 11;
inline constexpr DISPID DeviceID = 15;
inline constexpr DISPID DeviceName = 17;
inline constexpr DISPID ErrorNumber = 24;
inline constexpr DISPID ErrorText = 25;
inline constexpr DISPID SourceFileName = 33;
inline constexpr DISPID SourceFormatBitsPerSample = 35;
inline constexpr DISPID SourceFormatID = 39;
inline constexpr DISPID SourceFormatName = 40;
inline constexpr DISPID SourceValid = 44;
inline constexpr DISPID VantageLogActive = 50;
inline constexpr DISPID VantageLogLines = 52;
}  // namespace record

// Events of the Record control (IlkRecordEvents).
enum class RecordEvent : DISPID {
    OnDone = 1,
    OnError = 2,
    OnWarning = 3,
};

// The standard string list every list member answers (device names, log lines).
namespace strings {
inline constexpr DISPID Count = 1;
inline constexpr DISPID Item = 2;
}  // namespace strings

// Members of the serial port control.
namespace comm {
inline constexpr DISPID CommPort = 4;
inline constexpr DISPID DTREnable = 9;
inline constexpr DISPID Handshaking = 10;
inline constexpr DISPID InBufferCount = 12;
inline constexpr DISPID NullDiscard = 16;
inline constexpr DISPID PortOpen = 20;
inline constexpr DISPID RTSEnable = 22;
inline constexpr DISPID Settings = 23;
inline constexpr DISPID Output = 25;
inline constexpr DISPID Input = 26;
inline constexpr DISPID CommEvent = 27;
inline constexpr DISPID EOFEnable = 28;
inline constexpr DISPID OnComm = 1;  // its only event
}  // namespace comm

}  // namespace vevuzer::controls
