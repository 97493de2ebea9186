// Readable names of the telephony and multimedia codes, for the logs, the error record, the monitor
// trees and the controls' string members. One function per constant family; each names exactly one
// code (masks are walked bit by bit by the caller) and keeps no state.
//
// Error families answer "Unknown" for a code they do not know (the line and phone ones answer the
// empty text for 0); every other family answers its prefix followed by "???".
#pragma once

#include <string>

#include "platform/core/win_types.h"

// The library's own codes, reported beside the platform's.
inline constexpr LONG LINE_ERROR_DEVICE = -2;
inline constexpr LONG TAPIREPLYTIMEOUT = -3;
inline constexpr LONG LINE_ERROR_NOT_COMPLIANT = -985;
inline constexpr LONG PHONE_ERROR_DEVICE = -2;
inline constexpr LONG WAV_ERROR_DIRNOTFOUND = -1;
inline constexpr LONG WAV_ERROR_NOFILE = -2;
inline constexpr LONG WAV_ERROR_FILEOPEN = -3;
inline constexpr LONG WAV_ERROR_FILECORRUPT = -4;
inline constexpr LONG WAV_ERROR_FILEREAD = -5;
inline constexpr LONG WAV_ERROR_FILEWRITE = -6;
inline constexpr LONG WAV_ERROR_NOMEMORY = -7;
inline constexpr LONG WAV_ERROR_UNSUPPORTEDFORMAT = -8;
inline constexpr LONG WAV_ERROR_DEVICE = -9;
inline constexpr LONG WAV_ERROR_CANCELED = -10;
inline constexpr LONG WAV_ERROR_FILETOOBIG = -11;
inline constexpr LONG WAV_ERROR_INVALIDVOLUME = -12;
inline constexpr LONG WAV_ERROR_FORMATMISMATCH = -13;
inline constexpr LONG WAV_ERROR_INVALIDBUFSIZE = -14;
inline constexpr LONG WAV_ERROR_DEVICEACTIVE = -15;
inline constexpr LONG WAV_ERROR_DEVICEINACTIVE = -16;
inline constexpr LONG WAV_ERROR_BUSY = -17;
inline constexpr LONG WAV_ERROR_TIMEOUT = -18;

std::string LineErrorName(LONG code);
std::string PhoneErrorName(LONG code);
std::string WaveErrorName(LONG code);
std::string LineBearerModeName(LONG code);
std::string LineToneModeName(LONG code);
std::string LineAddrCapFlagsName(LONG code);
std::string LineCallPartyIDName(LONG code);
std::string LineCallInfoStateName(LONG code);
std::string LineCallStateName(LONG code);
// The mode's name in the family the call state uses (dial tone, busy, special information,
// disconnect); "Not applicable" for any other state.
std::string CallStateModeName(LONG callState, LONG mode);
std::string LineBusyModeName(LONG code);
std::string LineDialToneModeName(LONG code);
std::string LineDisconnectModeName(LONG code);
std::string LineSpecialInfoName(LONG code);
std::string LineCallOriginName(LONG code);
std::string LineCallReasonName(LONG code);
std::string LineMediaModeName(LONG code);
std::string LineTermDevName(LONG code);
std::string LineTermModeName(LONG code);
std::string LineTermSharingName(LONG code);
std::string LineAddressStateName(LONG code);
std::string LineCallFeatureName(LONG code);
std::string LineDevCapFlagsName(LONG code);
std::string LineDevStateName(LONG code);
std::string LineRemoveFromConfName(LONG code);
std::string LineTransferModeName(LONG code);
std::string LineParkModeName(LONG code);
std::string LineForwardModeName(LONG code);
std::string LineAddrFeatureName(LONG code);
std::string LineAnswerModeName(LONG code);
std::string LineConnectedModeName(LONG code);
std::string LineOfferingModeName(LONG code);
std::string PhoneStateName(LONG code);
std::string HookSwitchModeName(LONG code);
std::string LineFeatureName(LONG code);
