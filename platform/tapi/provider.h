// The service-provider interface under the telephony API. The API layer keeps everything that is
// per application (handles, privileges, message queues, digit gathering, monitors, the layouts of
// the variable-size structures); a provider keeps devices and calls and reports what happens to
// them. Everything here runs on the UI thread.
#pragma once

#include <string>
#include <vector>

#include "platform/tapi/tapi.h"

namespace tapi {

using CallId = DWORD;     // the provider's id of a call (LINECALLINFO's dwCallID); never 0
using RequestId = DWORD;  // an asynchronous request, answered by ProviderEvents::completeRequest

struct Party {
    DWORD flags = 0;  // LINECALLPARTYID_*
    std::string number;
    std::string name;
};

struct AddressDescription {
    LINEADDRESSCAPS caps{};  // fixed fields only; the API fills sizes and offsets
    std::string address;
    std::string devSpecific;
};

struct LineDescription {
    LINEDEVCAPS caps{};  // fixed fields only
    std::string providerInfo;
    std::string switchInfo;
    std::string lineName;
    std::string devSpecific;
    std::vector<LINETERMCAPS> terminalCaps;
    DWORD terminalTextEntrySize = 0;
    std::vector<std::string> terminalTexts;  // one per terminal, cut or padded to the entry size
    std::vector<std::string> deviceClasses;
    std::vector<AddressDescription> addresses;
    bool wave = true;                 // has wave-in and wave-out devices
    DWORD waveIn = 0, waveOut = 0;    // wave device ids (platform/winmm numbering)
    DWORD phone = LINEMAPPER;         // the phone device that belongs to the line, if any
    bool dataModem = false;           // answers "comm/datamodem" on its calls
    std::string commPort;             // the name given with the comm handle
    DWORD unsupportedDigitModes = 0;  // LINEDIGITMODE_ bits refused with INVALDIGITMODE
};

struct CallDescription {
    DWORD device = 0;
    DWORD address = 0;
    DWORD state = LINECALLSTATE_IDLE;
    DWORD stateMode = 0;
    DWORD bearerMode = LINEBEARERMODE_VOICE;
    DWORD rate = 0;
    DWORD mediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
    DWORD appSpecific = 0;
    DWORD relatedCallId = 0;
    DWORD callParamFlags = 0;
    DWORD callStates = 0;
    LINEDIALPARAMS dialParams{};
    DWORD origin = LINECALLORIGIN_UNKNOWN;
    DWORD reason = LINECALLREASON_UNKNOWN;
    DWORD countryCode = 0;
    DWORD trunk = 0xFFFFFFFF;
    Party caller, called, connected, redirection, redirecting;
    std::string displayableAddress, calledParty, comment, display, userUserInfo, chargingInfo;
    std::string devSpecific;
    DWORD callFeatures = 0;
    DWORD callFeatures2 = 0;
    SYSTEMTIME stateEntryTime{};
};

struct LineStatusDescription {
    LINEDEVSTATUS status{};  // provider's fields; the API adds opens and media modes
    std::vector<DWORD> terminalModes;
    std::string devSpecific;
};

struct ForwardEntry {
    DWORD mode = 0;
    std::string caller;
    std::string destination;
    DWORD destCountryCode = 0;
};

struct AddressStatusDescription {
    LINEADDRESSSTATUS status{};  // the API fills sizes and offsets
    std::vector<ForwardEntry> forwards;
    std::vector<DWORD> terminalModes;
    std::string devSpecific;
};

struct PhoneDescription {
    PHONECAPS caps{};  // fixed fields only
    std::string providerInfo;
    std::string phoneInfo;
    std::string phoneName;
    std::string devSpecific;
    DWORD line = LINEMAPPER;  // the line device that belongs to the phone, if any
    bool wave = false;        // its line's wave devices are its own
    DWORD waveIn = 0, waveOut = 0;
};

struct PhoneStatusDescription {
    PHONESTATUS status{};
    std::string display;
    std::string devSpecific;
};

// The asynchronous operations, one request shape for all of them.
enum class Op {
    MakeCall,
    Dial,
    Answer,
    Drop,
    Redirect,
    Park,
    Unpark,
    Pickup,
    Hold,
    Unhold,
    BlindTransfer,
    SetupTransfer,
    CompleteTransfer,
    SetupConference,
    PrepareAddToConference,
    AddToConference,
    RemoveFromConference,
    SwapHold,
    Forward,
    SetTerminal,
    SetCallParams,
    PhoneSetHookSwitch,
    PhoneSetVolume,
    PhoneSetGain,
};

struct Request {
    Op op = Op::MakeCall;
    const char* function = "";  // the API function's name, for reply policies
    DWORD device = 0;
    DWORD address = 0;
    CallId call = 0;
    CallId otherCall = 0;  // consultation, held or conference call
    std::string text;      // destination, group or park address
    DWORD mode = 0;        // transfer, park, hookswitch or terminal mode
    DWORD value = 0;       // bearer mode, level, terminal id, rings ...
    DWORD value2 = 0, value3 = 0;
    DWORD mediaMode = 0;
    DWORD noAnswerTimeout = 0;  // seconds, 0 = none
    std::vector<ForwardEntry> forwards;
};

struct Created {
    CallId call = 0;       // the new call (or the conference call)
    CallId second = 0;     // the consultation call of a conference set-up
    std::string parkedAt;  // where a non-directed park put the call
};

// What a provider reports. Calls come from its own timers on the UI thread, never from inside a
// Provider call.
class ProviderEvents {
  public:
    virtual void callCreated(CallId call) = 0;  // a call the applications did not ask for
    virtual void callStateChanged(CallId call) = 0;
    virtual void callInfoChanged(CallId call, DWORD infoStates) = 0;
    virtual void lineDevState(DWORD device, DWORD state, DWORD param2, DWORD param3) = 0;
    virtual void addressState(DWORD device, DWORD address, DWORD states) = 0;
    virtual void completeRequest(RequestId request, LONG result) = 0;
    virtual void digitReceived(CallId call, char digit, DWORD digitMode) = 0;
    virtual void mediaDetected(CallId call, DWORD mediaMode) = 0;
    // A tone (all frequencies 0: silence) starts or stops on the call.
    virtual void toneStarted(CallId call, DWORD f1, DWORD f2, DWORD f3) = 0;
    virtual void toneStopped(CallId call) = 0;
    virtual void lineForcedClose(DWORD device) = 0;
    virtual void lineRemoved(DWORD device) = 0;
    virtual void phoneState(DWORD device, DWORD state, DWORD details) = 0;
    virtual void phoneButton(DWORD device, DWORD buttonId, DWORD mode, DWORD state) = 0;
    virtual void phoneCompleteRequest(RequestId request, LONG result) = 0;

  protected:
    ~ProviderEvents() = default;
};

class Provider {
  public:
    virtual ~Provider() = default;

    // A failure a test asked for: the API function `function` returns this code at once (0 = none).
    virtual LONG injectedFailure(const char* function) = 0;
    virtual bool entryHidden(const char* function) = 0;

    virtual DWORD lineDeviceCount() = 0;
    virtual const LineDescription* line(DWORD device) = 0;  // nullptr: no such device
    virtual bool lineRemoved(DWORD device) = 0;
    virtual LineStatusDescription lineStatus(DWORD device) = 0;
    virtual AddressStatusDescription addressStatus(DWORD device, DWORD address) = 0;
    virtual const CallDescription* call(CallId call) = 0;
    virtual std::vector<CallId> callsOn(DWORD device, DWORD address) = 0;

    // An asynchronous operation: 0 when accepted (completeRequest follows later, never inside this
    // call) with the calls it creates in `created`, or a negative code when refused at once.
    virtual LONG request(RequestId id, const Request& request, Created& created) = 0;
    // The last owner let go of a call that is not idle (closed its line or deallocated it).
    virtual void dropQuietly(CallId call) = 0;
    // No application holds a handle to this idle call any more: the provider may forget it.
    virtual void releaseCall(CallId call) = 0;
    virtual LONG setMediaMode(CallId call, DWORD mediaModes) = 0;
    virtual void setAppSpecific(CallId call, DWORD value) = 0;
    // Digits or a tone the application sends on the call; the far end hears them.
    virtual void generated(CallId call, const std::string& digits, DWORD toneMode) = 0;
    // "comm/datamodem": a descriptor the caller must close, or -1.
    virtual int openCommHandle(CallId call) = 0;
    virtual std::string translate(const std::string& address, DWORD device, DWORD options,
                                  std::string& displayable, DWORD& results) = 0;

    virtual DWORD phoneDeviceCount() = 0;
    virtual const PhoneDescription* phone(DWORD device) = 0;
    virtual PhoneStatusDescription phoneStatus(DWORD device) = 0;
    virtual LONG phoneRequest(RequestId id, const Request& request) = 0;
};

// The process's provider: the simulated exchange unless a test installed another.
Provider& provider();
ProviderEvents& apiEvents();  // the API layer's receiver of provider events

}  // namespace tapi
