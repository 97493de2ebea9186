// The Line control's engine: one TAPI line application per control, bound to one line device at a
// time. It sets the control up, reads the device, address and terminal descriptions, opens and
// closes the line (lkLine.cpp, lkLine_open.cpp), turns TAPI's messages into the control's events
// (lkLine_dispatch.cpp), keeps a record of every call it knows with one of them current
// (lkLine_records.cpp, lkLine_calls.cpp), and shapes the calls' caller-ID parties for display
// (lkLine_callerid.cpp).
#pragma once

#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "lkLK36/engines/lkLKShare.h"
#include "platform/core/messages.h"
#include "platform/tapi/tapi.h"

// One value for the whole library: the last value any Line or Phone control's Device.Active setter
// was asked for. A control that finishes loading opens its device when it is set.
bool lkDeviceActiveRequested();
void setLkDeviceActiveRequested(bool requested);

// The parameters of a call the control makes (or forwards, transfers, conferences). With Defaults
// no LINECALLPARAMS is passed.
struct TlkCallParameters {
    bool Defaults = true;
    LONG BearerMode = 0;
    LONG MediaMode = 0;
    LONG Flags = 0;
    LONG AddressID = 0;
    LONG NoAnswerTimeout = 0;
};

// The LINECALLPARAMS a call is made with: null when `parameters.Defaults`, else `block` filled
// with 180 bytes, zero but the total size and the five values.
const LINECALLPARAMS* BuildCallParams(const TlkCallParameters& parameters,
                                      std::vector<BYTE>& block);

struct TlkLineDeviceCaps {
    DWORD Flags = 0;  // dwDevCapFlags
    DWORD MaxNumActiveCalls = 0;
    DWORD AnswerMode = 0;
    DWORD States = 0;  // dwLineStates
    DWORD LineFeatures = 0;
    DWORD BearerModes = 0;
    DWORD RingModes = 0;
    DWORD Tones = 0;          // dwGenerateToneModes
    std::string DevSpecific;  // a copy of the device-specific bytes
};

struct TlkMediaModes {
    DWORD Active = 0;  // the modes the line opens with
    DWORD Available = 0;
    DWORD Open = 0;
};

class TlkLineDevice : public TlkSharedDevice {
  public:
    using TlkSharedDevice::TlkSharedDevice;

    bool TranslatePhoneNumber = false;
    bool UnformatPhoneNumber = false;
    LONG IdleDelay = 0;  // ms
    TlkLineDeviceCaps Capabilities;
    TlkMediaModes MediaModes;
    DWORD OpenCount = 0;
    DWORD ActiveCalls = 0;
    DWORD OnHoldCalls = 0;
    DWORD OnHoldPendCalls = 0;
    DWORD RingMode = 0;
};

struct TlkAddressForward {
    bool Active = false;
    std::string Caller;
    std::string PhoneNumber;
    DWORD Mode = LINEFORWARDMODE_UNCOND;
    DWORD ConsultCall = 0;
    DWORD NumEntries = 0;
    TlkCallParameters Parameters;
};

struct TlkAddress {
    LONG Count = 0;
    LONG ID = -1;  // none chosen yet
    std::string Name;
    TlkStringList List;
    LINEADDRESSCAPS Capabilities{};  // the fixed part as TAPI gave it
    DWORD NumInUse = 0;
    DWORD NumActiveCalls = 0;
    DWORD NumOnHoldCalls = 0;
    DWORD NumOnHoldPendCalls = 0;
    DWORD Features = 0;
    DWORD NumRingsNoAnswer = 0;
    TlkAddressForward Forward;
};

struct TlkTerminal {
    LONG ID = 0;
    LONG Count = 0;
    std::string Name;
    TlkStringList List;
    DWORD Device = 0;
    DWORD AvailableModes = 0;
    DWORD Sharing = 0;
    DWORD ActiveModes = 0;
    bool Present = false;  // the device has terminals
    LONG PendingRequest = 0;
};

class TlkLineInternal;

// The monitor switches of a call. The current call's are the published ones; each call record
// keeps its own copy, so switching the current call restores them.
struct TlkGatherDigits {
    bool Active = false;
    LONG Count = 5;
    std::string Terminate = "#*";
    LONG Timeout = 5000;  // ms
};
struct TlkMonitorDigits {
    bool Active = false;
};
struct TlkMonitorMediaModes {
    bool Active = false;
    DWORD MediaModes = 0;
};
struct TlkMonitorSilence {
    bool Active = false;
    LONG Duration = 0;  // ms
};

// The five parties a call names, in the order their events fire.
enum TlkPartyKind : int {
    CallerParty,
    CalledParty,
    ConnectedParty,
    RedirectionParty,
    RedirectingParty,
    PartyKindCount
};

// One party as TAPI gave it: raw texts and the LINECALLPARTYID bits.
struct TlkPartyRecord {
    std::string Name;  // trimmed
    std::string Number;
    bool Blocked = false;
    bool OutOfArea = false;
    DWORD Flags = 0;
};

// A caller-ID party of the current call. The raw values are kept as TAPI gave them; the getters
// shape them for display on every read, so changing FormatName or MaskNumber never loses data.
class TlkCallerID {
  public:
    explicit TlkCallerID(const TlkLineInternal& owner) : m_owner(owner) {}

    // The name with each word capitalised when FormatName is set, else as TAPI gave it.
    std::string GetName() const;
    // The number stripped of punctuation (unless the device translates numbers) and shaped by
    // MaskNumber (unless it is empty).
    std::string GetNumber() const;
    void SetFormatName(bool value);
    void SetMaskNumber(const std::string& value);

    void assign(const TlkPartyRecord& party);
    TlkPartyRecord record() const { return {Name, Number, Blocked, OutOfArea, Flags}; }
    // Empties the raw values; FormatName and MaskNumber stay.
    void clear() { assign({}); }

    std::string MaskNumber = "000-000-0000;0";
    std::string Name;
    std::string Number;
    bool FormatName = true;
    bool Blocked = false;
    bool OutOfArea = false;
    DWORD Flags = 0;

  private:
    const TlkLineInternal& m_owner;
};

// The name with every word capitalised: A to Z lower-cased, then the first character and every
// character after a blank upper-cased. Other characters stay as they are.
std::string CapitalizeWords(const std::string& name);
// The number without " ", "+", "(", ")", "-" and "." when `unformat` is set, else unchanged.
std::string UnformatNumber(bool unformat, std::string number);
// The text shaped by an edit mask ("000-000-0000;0": places, literals, and after ";" whether the
// text already holds the literals). An empty mask leaves the text unchanged.
std::string FormatMaskText(const std::string& mask, const std::string& text);

// The asynchronous requests a call can have pending, in the order a reply is matched to them.
enum class TlkRequestSlot : int {
    Answer,
    Redirect,
    Dial,
    MakeCall,
    Hangup,
    Hold,
    Park,
    Unhold,
    Unpark,
    ConferenceSetup,
    ConferenceDial,
    ConferenceAdd,
    Pickup,
    TransferSetup,
    TransferDial,
    SwapHold,
    TransferComplete,
    ThreeWay,
    Forward,
    BlindTransfer,
    Count
};
inline constexpr int TlkRequestSlotCount = static_cast<int>(TlkRequestSlot::Count);

// What the control keeps of one known call while another call is current, and the call's
// pending requests. The placeholder record (handle 0) stands for "no call".
struct TlkCallRecord {
    DWORD Handle = 0;
    LONG Tag = 0;
    LONG Requests[TlkRequestSlotCount] = {};  // request IDs, 0 = none
    DWORD State = 0, StateMode = 0, ID = 0, MediaMode = 0, BearerMode = 0, Owners = 0, Monitors = 0,
          Origin = 0, Reason = 0, Address = 0, DisconnectMode = 0, SpecialInfo = 0,
          DialToneMode = 0, BusyMode = 0;
    double Began = 0, Connected = 0, Disconnected = 0, Ended = 0;
    bool Owner = false;
    std::string PhoneNumber;
    TlkGatherDigits GatherDigits;
    TlkMonitorDigits MonitorDigits;
    TlkMonitorMediaModes MonitorMediaModes;
    TlkMonitorSilence MonitorSilence;
    // Where TAPI writes gathered digits. TAPI stops writing when the call leaves its active
    // states or its handle is deallocated, both of which come before a record is released.
    char Digits[32] = {};
    // Gathering requests started on the call whose LINE_GATHERDIGITS has not come yet. Only the
    // newest request's report ends gathering; a request replaced by a newer one (a restart) ends
    // with its own report, which must not end the newer one.
    LONG GatherRequests = 0;
    TlkPartyRecord Parties[PartyKindCount];

    LONG& slot(TlkRequestSlot which) { return Requests[static_cast<int>(which)]; }
};

// How a record joins the chain: the placeholder (which starts the chain anew), a call found when
// the line opened, or a call by handle.
enum class TlkRecordKind { Placeholder = 0, FoundAtOpen = 1, ByHandle = 2 };

// The current call, the call list and the call records. List entry 0 is "00000000" (no call),
// entries 1 .. Count the handles of the known calls as 8 upper-case hexadecimal digits, in the
// order they became known.
class TlkCall {
  public:
    explicit TlkCall(TlkLineInternal& owner);

    // The Call.Handle setter: makes a known call (or none, 0) current.
    void SetHandle(DWORD handle);
    // The state and state mode kept for a call; 0 when it is not known.
    DWORD GetCallState(DWORD handle) const;
    DWORD GetCallStateMode(DWORD handle) const;
    // Pumps messages until the call's kept state has a bit of `mask` (True), or ReplyTimeout ms
    // pass, the call is forgotten or the control goes away (False).
    bool WaitForFlag(DWORD handle, DWORD mask);
    bool SetBearerMode(LONG mode);
    bool SetMediaMode(LONG modes);
    bool Transfer();
    bool Hold();
    bool Unhold();

    // ---- the call operations (lkLine_operations.cpp) ----
    // Each acts on the current call (or makes a new one), logs its headline and its result, and
    // returns True on success; the reason of a failure is in the error record.
    // Dials PhoneNumber: more digits on the current call, else a new call.
    bool Dial();
    bool Answer();
    bool Hangup();
    bool Redirect(const std::string& number);
    // Hands the call to another application and keeps only monitoring it.
    bool Handoff(const std::string& application);
    bool Park(const std::string& number);
    bool Unpark(const std::string& number);
    bool Pickup(const std::string& number, const std::string& groupID);
    bool SendDigits(const std::string& digits, LONG duration);
    bool SendPulseDigits(const std::string& digits, LONG duration);
    bool SendTone(LONG toneMode, LONG duration);
    // The setters that act: Owner asks TAPI for the privilege, Active dials or hangs up,
    // PhoneNumber translates the number when the device translates numbers, Tag is kept with
    // the call's record.
    void SetOwner(bool value);
    void SetActive(bool value);
    void SetPhoneNumber(const std::string& value);
    void SetTag(LONG value);
    // Reads the current call's information with all five parties; True when TAPI answered.
    bool GetInfo();
    // The LINECALLPARAMS block the last new call was made with (empty: none was passed).
    const std::vector<BYTE>& callParamsBlock() const { return m_callParamsBlock; }

    // ---- the monitor switches (lkLine_monitors.cpp) ----
    // Each acts on the current call while it is active (else only stores), keeps the setting in
    // the call's record, and reports a refusal through the error record, keeping the old value.
    // Setting Active True while gathering restarts it with an empty buffer.
    void SetGatherDigitsActive(bool value);
    void SetGatherDigitsCount(LONG value);  // 1 to 31
    void SetGatherDigitsTerminate(const std::string& value);
    void SetGatherDigitsTimeout(LONG value);  // ms, 0 or more
    void SetMonitorDigitsActive(bool value);
    void SetMonitorMediaModesActive(bool value);
    void SetMonitorMediaModes(DWORD value);  // MonitorMediaModes.MediaModes
    void SetMonitorSilenceActive(bool value);
    void SetMonitorSilenceDuration(LONG value);  // ms; negative values are ignored

    TlkCallerID& party(int kind);
    const TlkCallerID& party(int kind) const;

    bool Active = false;
    TlkCallParameters Parameters;
    TlkCallerID CallerID, CalledID, ConnectedID, RedirectionID, RedirectingID;
    TlkGatherDigits GatherDigits;
    TlkMonitorDigits MonitorDigits;
    TlkMonitorMediaModes MonitorMediaModes;
    TlkMonitorSilence MonitorSilence;
    LONG Tag = 0;
    DWORD Address = 0, State = 0, StateMode = 0, BearerMode = 0, MediaMode = 0, Origin = 0,
          Reason = 0, Owners = 0, Monitors = 0, DisconnectMode = 0, SpecialInfo = 0,
          DialToneMode = 0, BusyMode = 0;
    bool Owner = false;
    double Began = 0, Connected = 0, Disconnected = 0, Ended = 0;
    DWORD ID = 0;
    DWORD Handle = 0;
    std::string OriginatingApp;
    std::string PhoneNumber;
    LONG Count = 0;
    TlkStringList List;
    // The placeholder first, then the calls, newest first. Records are held by pointer so that
    // one stays where it is while the chain changes.
    std::list<std::unique_ptr<TlkCallRecord>> Records;

  private:
    // Waits for the reply of lineSetCallParams; False (reported) when it failed or never came.
    bool awaitCallParams(LONG requestId);
    // `arguments` go in round brackets before the handle in the headline ("Call.Park (201) [..]").
    bool requestAndWait(const char* name, TlkRequestSlot slot,
                        const std::function<LONG(HCALL)>& request,
                        const std::string& arguments = {});
    // The request on `call` and the wait for its own reply, without the log lines.
    bool submitAndWait(DWORD call, TlkRequestSlot slot, const std::function<LONG(HCALL)>& request);
    // Makes a new call (make-call, unpark, pickup) through `request`, which gets the cell for
    // the new handle; on success the new call becomes current and is announced.
    bool createCall(TlkRequestSlot slot, const std::function<LONG(HCALL*)>& request);
    bool sendDigits(const char* name, DWORD digitMode, const std::string& digits, LONG duration);
    // The end of Dial, Unpark and Pickup: line and address status (when asked), the closing
    // line, the monitor's device and call panels. Returns `done`.
    bool closeCallOperation(const char* name, bool done, bool readStatus);
    // The 180-byte LINECALLPARAMS lineMakeCall gets when Parameters.Defaults is False.
    std::vector<BYTE> m_callParamsBlock;

    bool monitorsReachTAPI() const;
    void keepMonitorSettings();
    void clearShownDigits();
    bool gatherSettingAccepted(bool inRange);
    void finishGatherSetting();

    TlkLineInternal& m_owner;
};

// What a call-creating request hands TAPI for the new handle. The control keeps the cell until
// the request's reply has come (or the control goes), so TAPI never writes into freed memory,
// whatever happens to the call's record meanwhile.
struct TlkHandleCell {
    HCALL Handle = 0;
    LONG Request = 0;  // 0 until the request was accepted
};

struct TlkTransfer {
    std::string PhoneNumber;
    DWORD PrimaryCall = 0;
    DWORD ConsultCall = 0;
    DWORD ThreeWayCall = 0;
    TlkCallParameters Parameters;
    std::vector<BYTE> CallParams;  // the LINECALLPARAMS of the last set-up
};

struct TlkConference {
    std::string PhoneNumber;
    DWORD PrimaryCall = 0;
    DWORD ConsultCall = 0;
    DWORD Handle = 0;  // the conference call
    LONG Count = 0;
    TlkStringList List;  // member calls, 8 hexadecimal digits each
    TlkCallParameters Parameters;
    std::vector<BYTE> CallParams;  // the LINECALLPARAMS of the last set-up
};

struct TlkRelatedCommDevice {
    bool Enabled = false;
    std::string DeviceClass = "comm/datamodem";
    bool Available = false;
    DWORD Handle = 0;
};

struct TlkRelatedPhoneDevice {
    std::string DeviceClass = "tapi/phone";
    bool Available = false;
    LONG ID = 0;
};

struct TlkPrivilege {
    bool None = false;
    bool Monitor = true;
    bool Owner = true;
};

struct TlkLineLine {
    HLINE hLine = 0;
    HLINEAPP hLineApp = 0;
};

// One flag per event: pop the monitor window up on its log page when the event fires.
struct TlkLinePopup {
    bool OnMessageOn = false, OnMessageOff = false, OnError = false, OnAddressForward = false;
    bool OnCallerID = false, OnCalledID = false, OnConnectedID = false, OnRedirectionID = false;
    bool OnRedirectingID = false, OnCallInfo = false, OnCallEnd = false, OnCallState = false;
    bool OnDialing = false, OnProceeding = false, OnIdle = false, OnRingBack = false;
    bool OnConnected = false, OnSpecialInfo = false, OnCallOwnerChange = false;
    bool OnCallMediaModeChange = false, OnDialtone = false, OnBusy = false;
    bool OnDisconnected = false, OnHold = false, OnConferenced = false;
    bool OnHoldPendingTransfer = false, OnHoldPendingConference = false, OnDigitsSent = false;
    bool OnToneSent = false, OnSilence = false, OnCallBegin = false, OnOffering = false;
    bool OnRing = false, OnDigitReceived = false, OnDigitsGathered = false;
    bool OnTAPIMessage = false, OnTAPIReply = false;
};

// Whether the library has finished its start-up; until then every line message is ignored.
bool lkLibraryReady();
void setLkLibraryReady(bool ready);

class TlkLineInternal : public TlkSharedControl {
  public:
    TlkLineInternal();
    ~TlkLineInternal() override;

    // After the stored properties are read: opens the device when the library-wide requested
    // flag is set.
    void Loaded();

    LONG InitializeTAPI(DWORD& deviceCount);
    void ShutdownTAPI();
    void EnumerateDevices();
    bool OpenDevice(DWORD mediaModes);
    bool CloseDevice(bool lineAlreadyGone);
    LONG OpenLine(DWORD deviceID, DWORD& mediaModes, DWORD& apiVersion, HLINE& line);
    TlkVarStructure ReadDeviceCaps(DWORD deviceID, DWORD apiVersion);
    TlkVarStructure ReadAddressCaps(LONG addressID);
    void ReadDeviceStatus();
    void ReadAddressStatus();
    LONG DeallocateCall(DWORD callHandle);
    bool SetLocation();
    void IdleTimerFired();

    // Device.Active: opens (True) or closes (False) the line.
    void SetDeviceActive(bool value);
    // Selects an address and reads its capabilities.
    void SetAddressID(LONG value);
    // Selects a terminal and reads the terminal names and modes again.
    void SetTerminalID(LONG value);

    // ---- address, forwarding, terminal modes, conference and transfer (lkLine_address.cpp,
    // lkLine_conference.cpp) ----
    // Accepted and ignored: the address name follows Address.ID.
    void SetAddressName(const std::string& value);
    // Forwards the address (True) or cancels forwarding (False); Forward.Active follows the reply.
    void SetForwardActive(bool value);
    // Refused while forwarding is on; the texts hold at most 31 characters.
    void SetForwardCaller(const std::string& value);
    void SetForwardPhoneNumber(const std::string& value);
    void SetForwardMode(DWORD value);
    // Routes the requested modes the terminal offers to it, and its other modes away from it.
    void SetTerminalActiveModes(DWORD value);
    // The setters of the four call-parameter groups: store, refresh the parameter panels.
    void SetCallParametersDefaults(TlkCallParameters& group, bool value);
    void SetCallParameter(TlkCallParameters& group, LONG TlkCallParameters::*field, LONG value);
    void SetConferencePhoneNumber(const std::string& value);
    void SetTransferPhoneNumber(const std::string& value);
    void SetConferencePrimaryCall(DWORD value);
    void SetTransferPrimaryCall(DWORD value);
    // Accepts only a member call of the conference.
    void SetConferenceConsultCall(DWORD value);
    // Sets up a conference (or adds to it) and dials Conference.PhoneNumber on the new
    // consultation call; on failure the new calls are let go and the primary call is current.
    bool ConferenceDial();
    bool ConferenceSwapHold();
    bool ConferenceAddCall();
    // Sets up a transfer and dials Transfer.PhoneNumber on the consultation call once it has
    // dial tone; on failure as ConferenceDial.
    bool TransferDial();
    bool TransferSwapHold();
    bool TransferComplete();
    bool TransferThreeWay();
    // A member call that ended leaves the conference's member list.
    void RemoveConferenceMember(DWORD call);

    // ---- the device, its privileges and related devices (lkLine_devices.cpp) ----
    // Selects another line device; an open line is closed first. Out of range: BADDEVICEID.
    void SetDeviceID(LONG value);
    // Selects the first device listed under that name; none: BADDEVICEID, the device stays.
    void SetDeviceName(const std::string& value);
    // The setters below are refused with INVALLINESTATE while the line is open.
    void SetIdleDelay(LONG value);
    void SetPrivilegeNone(bool value);
    void SetPrivilegeMonitor(bool value);
    void SetPrivilegeOwner(bool value);
    void SetCommDeviceClass(const std::string& value);
    void SetPhoneDeviceClass(const std::string& value);
    // Only modes the device has are taken; any other value is ignored.
    void SetDeviceMediaModesActive(DWORD value);
    // Comm.Enabled: with a current data or fax call, obtains its comm handle; False closes it.
    void SetCommEnabled(bool value);
    // The device's configuration dialog; True when it was accepted.
    bool DeviceConfigure();

    // ---- call records ----
    // Adds a record (kind Placeholder starts the chain and the list anew). A call by handle that
    // is known already keeps its record; a handle already in the list is not listed twice.
    TlkCallRecord* AddCallRecord(TlkRecordKind kind, DWORD handle);
    TlkCallRecord* FindCallRecord(DWORD handle);
    // The first record with the request pending in any slot, or in the given slot.
    TlkCallRecord* FindCallRecordByRequest(LONG requestId);
    TlkCallRecord* FindCallRecordBySlot(TlkRequestSlot slot, LONG requestId);
    // Unlinks and releases a record (never the placeholder). Requests it still waits for are
    // kept by the control until their replies come.
    bool RemoveCallRecord(const TlkCallRecord* record);
    // Index of a handle in Call.List (0 for handle 0), -1 when absent.
    LONG IndexOfCallHandle(DWORD handle) const;
    // Removes the handle's list entry and its record; False when it is not listed.
    bool RemoveCallHandle(DWORD handle);
    TlkCallRecord* SaveCallRecord(DWORD handle);
    TlkCallRecord* RestoreCallRecord(DWORD handle);
    bool SelectFirstCall();
    // The first message of a call: its record, time stamp and OnCallBegin. The record is looked
    // up again before it is returned; null when the call was forgotten meanwhile.
    TlkCallRecord* BeginCall(DWORD handle);
    // Reads LINECALLINFO into the call's record, the parties whose LINECALLINFOSTATE bits are in
    // `partyMask` included. 0 or the TAPI code (-1 when TAPI is not ready).
    LONG ReadCallInfo(DWORD handle, DWORD partyMask);
    // Re-reads LINECALLSTATUS of the current call; with `skipState` the kept state stays 0.
    bool RefreshCallStatus(bool skipState = false);
    void ResetCallState();
    void ResetCallTimes();
    void ClearParties();
    void ResetTransfer();
    void ResetConference();

    // ---- hooks of the call operations ----
    // A cell for a call-creating request's new handle (see TlkHandleCell); bind it to the
    // request once accepted, or release it when TAPI refused at once.
    HCALL* newHandleCell();
    void bindHandleCell(const HCALL* cell, LONG requestId);
    void releaseHandleCell(const HCALL* cell);
    // A cell stays bound to an accepted request until its reply; a refused request's goes.
    void keepCellForReply(const HCALL* cell, LONG requestId);
    // The call a successful call-creating reply brought, once (0 when none came for the request).
    DWORD takeCreatedCall(LONG requestId);
    // A number as lineTranslateAddress dials it; the output grows to the size TAPI asks for, so
    // a long number is never cut off. 0 or the TAPI code (dialable then untouched).
    LONG TranslateAddress(const std::string& number, std::string& dialable);
    // The TAPI side of the monitor switches, for one call. Each returns 0 or the TAPI code.
    LONG applyGatherDigits(TlkCallRecord& record, bool on);
    LONG applyMonitorDigits(DWORD call, bool on);
    LONG applyMonitorMedia(DWORD call, DWORD mediaModes);
    LONG applyMonitorSilence(DWORD call, bool on, LONG duration);
    // Switches on again, for the call itself, the monitors its record has on (a call that
    // connects or proceeds). Media modes only when `mediaModes` is set.
    void ReapplyMonitors(DWORD call, bool otherMonitors, bool mediaModes);
    // Set by the digit (1) and tone (0) operations: what LINE_GENERATE reports.
    BYTE GenerateKind = 0;

    bool tapiReady() const { return m_tapiReady; }
    HLINEAPP LineAppHandle() const { return Line.hLineApp; }
    HLINE LineHandle() const { return Line.hLine; }
    core::Timer& idleTimer() { return m_idleTimer; }

    bool deviceActive() const override { return Device.Active; }

    // Where LineCallback hands this control's messages.
    void lineMessage(DWORD device, DWORD message, DWORD_PTR param1, DWORD_PTR param2,
                     DWORD_PTR param3);

    TlkCall Call{*this};
    TlkTransfer Transfer;
    TlkConference Conference;
    TlkAddress Address;
    TlkRelatedCommDevice Comm;
    TlkLineDevice Device{this};
    TlkLineLine Line;
    TlkRelatedPhoneDevice Phone;
    TlkLinePopup Popup;
    TlkPrivilege Privilege;
    TlkTAPI TAPI{*this};
    TlkRelatedWaveDevice WavePlay{*this, "WavePlay", "wave/out"};
    TlkRelatedWaveDevice WaveRecord{*this, "WaveRecord", "wave/in"};
    TlkTerminal Terminal;

    // The events. Each is given the control first; call events the call's handle.
    using Event = std::function<void(TlkLineInternal&)>;
    using CallEvent = std::function<void(TlkLineInternal&, DWORD call)>;
    Event OnMessageOn, OnMessageOff;
    std::function<void(TlkLineInternal&, LONG address)> OnAddressForward;
    CallEvent OnCallerID, OnCalledID, OnConnectedID, OnRedirectionID, OnRedirectingID;
    CallEvent OnCallInfo, OnCallEnd, OnCallState, OnDialing, OnProceeding, OnIdle, OnRingBack;
    CallEvent OnConnected, OnSpecialInfo, OnCallOwnerChange, OnCallMediaModeChange, OnDialtone;
    CallEvent OnBusy, OnDisconnected, OnHold, OnConferenced, OnHoldPendingTransfer;
    CallEvent OnHoldPendingConference, OnDigitsSent, OnToneSent, OnSilence, OnCallBegin;
    CallEvent OnOffering;
    std::function<void(TlkLineInternal&, LONG count, LONG ringMode)> OnRing;
    std::function<void(TlkLineInternal&, DWORD call, LONG digit, LONG tag)> OnDigitReceived;
    std::function<void(TlkLineInternal&, DWORD call, const std::string& digits, LONG termination,
                       LONG tag)>
        OnDigitsGathered;
    std::function<void(TlkLineInternal&, DWORD call, DWORD message, DWORD param1, DWORD param2,
                       DWORD param3)>
        OnTAPIMessage;
    std::function<void(TlkLineInternal&, LONG requestId, LONG result, LONG param3)> OnTAPIReply;

  protected:
    bool popupOnError() const override { return Popup.OnError; }

  private:
    friend class TlkCall;

    static std::string trimmed(std::string text);
    LONG negotiate(DWORD deviceID, DWORD& apiVersion);
    std::string deviceNameUnavailable(LONG code) const;
    void clearDescriptions();
    void clearRelatedDevices();
    void readDeviceNames();
    void readDeviceDescription(const TlkVarStructure& caps);
    void copyDevSpecific(const TlkVarStructure& caps);
    void readTerminals(const TlkVarStructure& caps);
    void resetCallParameters();
    bool readAddresses();
    void resetCallList();
    bool readNewCalls();
    void readRelatedDevices();
    void clearCallState();
    void closeCommHandle();
    void openCommHandle(DWORD call);
    bool lineClosedForSetting();
    void setPrivilege(const char* name, bool TlkPrivilege::*member, bool value);
    void setRelatedDeviceClass(const char* group, std::string& deviceClass,
                               const std::string& value);
    void refreshCallPanels();
    // ---- steps of the address, conference and transfer operations ----
    void setForwardText(const char* name, std::string& field, const std::string& value);
    LONG setTerminalModes(DWORD modes, bool enable);
    void setGroupPhoneNumber(std::string& field, const std::string& value);
    // Waits for the reply of an accepted request whose ID goes into `slot` of `record` (none:
    // only the control's own table). A refusal (ID not positive), a failed reply and a time-out
    // are reported. `record` is not touched after the wait.
    TlkReply awaitRequest(TlkCallRecord* record, TlkRequestSlot slot, LONG requestId);
    // The handle TAPI wrote into a cell the reply handler does not take: once the reply is in
    // the cell is let go; while it is due it stays bound to the request until it comes.
    DWORD settleCell(HCALL* cell, LONG requestId, const TlkReply& reply);
    bool swapHold(const char* group, DWORD primary, DWORD consult);
    // The operations on a group's two calls: the headline, both calls needed (else
    // INVALCALLHANDLE), `act` makes the request and waits, then the closing line.
    bool pairRequest(const std::string& name, const std::string& headline, DWORD primary,
                     DWORD consult, const std::function<bool()>& act);
    bool finishGroupRequest(const std::string& name, bool done);
    // Dials a set-up's consultation call and closes the group's Dial; `fail(waited)` undoes the
    // set-up when the dial is refused or fails.
    bool dialConsultCall(const std::string& name, DWORD consult, const std::string& number,
                         TlkRequestSlot slot, const std::function<bool(bool waited)>& fail);
    // Undoes a group's Dial that failed: `undo` lets go of what it made, the primary call
    // becomes current again and the failure's error stays. Always false.
    bool failGroupDial(const std::string& name, DWORD primary, bool waited,
                       const std::function<void()>& undo);
    // A call this control made becomes current, owned and active, and OnCallBegin announces it.
    bool announceOwnCall(DWORD call);
    // Gives the call made for `record` its handle and lists it, unless it is known already.
    void adoptCall(TlkCallRecord* record, DWORD call);
    // Lets go of a call a failed operation made: its record and list entry go, TAPI drops it.
    void forgetOwnCall(TlkCallRecord* record, DWORD call);
    void makePrimaryCurrent(DWORD primary);
    void refreshConferencePanel();
    void refreshTransferPanel();

    // Fires an event under the Events rule, then pops the monitor up on its flag. False when the
    // handler destroyed the control.
    template <class Handler, class... Args>
    bool fireEvent(bool popupFlag, const Handler& handler, Args&&... args) {
        if (!fire(handler, *this, std::forward<Args>(args)...))
            return false;
        Vantage().Popup(popupFlag);
        return true;
    }

    // ---- message handlers ----
    void LogTAPIMessage(DWORD handle, DWORD message, const std::string& headline, DWORD_PTR p1,
                        DWORD_PTR p2, DWORD_PTR p3);
    void LogPartyID(DWORD handle, const TlkPartyRecord& party, const char* word);
    void HandleAddressState(DWORD_PTR address, DWORD_PTR states);
    void HandleCallInfo(DWORD call, DWORD_PTR states, DWORD_PTR p2, DWORD_PTR p3);
    void HandleCallState(DWORD call, DWORD state, DWORD mode);
    bool callStateStep(DWORD call, DWORD state, DWORD mode);
    bool connectedStep(DWORD call);
    bool disconnectedStep(DWORD call, DWORD mode);
    bool idleStep(DWORD call);
    bool FireCallEvent(const char* name, bool popupFlag, DWORD call, const CallEvent& hook);
    void HandleLineClose();
    void HandleGatherDigits(DWORD call, DWORD termination);
    void HandleGenerate(DWORD call);
    void HandleLineDevState(DWORD states, DWORD p2, DWORD p3);
    void HandleMonitorDigits(DWORD call, DWORD digit);
    void HandleMonitorMedia(DWORD call, DWORD mediaMode);
    void HandleMonitorTone(DWORD call, DWORD value);
    void HandleReply(DWORD device, LONG requestId, LONG result, DWORD_PTR p3);
    std::string resolveReply(LONG requestId, LONG result);
    void HandleAppNewCall(DWORD call);

    core::Timer m_idleTimer;
    bool m_tapiReady = false;
    // Requests of records released before their replies came: the reply still ends the wait and
    // is reported the same way.
    std::map<LONG, TlkRequestSlot> m_orphanRequests;
    std::list<TlkHandleCell> m_handleCells;
    // New calls of successful call-creating replies, until their operation takes them.
    std::map<LONG, DWORD> m_createdCalls;
};

// The callback the line application is initialised with: TAPI delivers every line message of
// every Line control here, on the UI thread.
void LineCallback(DWORD hDevice, DWORD dwMessage, DWORD_PTR dwCallbackInstance, DWORD_PTR dwParam1,
                  DWORD_PTR dwParam2, DWORD_PTR dwParam3);

// ---- the published properties (lkLine_properties.cpp) ----
// Every value of the control's object tree under one flattened name, the dotted path run together
// (Call.CallerID.Name is CallCallerIDName). Reading never calls TAPI and never touches the error
// record. Writing a plain property stores the value and nothing else; writing an acting one runs
// its group's setter, which checks, logs and calls TAPI, and keeps the old value when it refuses.
enum class TlkPropertyType { Boolean, Integer, DateTime, Text, TextList, Bytes };
enum class TlkPropertyAccess { ReadOnly, Plain, Acting };
// Integers (TAPI bit masks and handles included) travel as LONG, date-times as day counts, byte
// texts as a copy of the bytes, text lists as the engine's own list, live.
using TlkPropertyValue = std::variant<bool, LONG, double, std::string, const TlkStringList*>;
struct TlkLineProperty {
    std::string_view Name;
    TlkPropertyType Type;
    TlkPropertyAccess Access;
    TlkPropertyValue (*Get)(const TlkLineInternal& line);
    void (*Put)(TlkLineInternal& line, const TlkPropertyValue& value);  // null when not writable
};
std::span<const TlkLineProperty> LinePublishedProperties();
const TlkLineProperty* FindLineProperty(std::string_view name);
// The property's value; nothing for an unknown name.
std::optional<TlkPropertyValue> ReadLineProperty(const TlkLineInternal& line,
                                                 std::string_view name);
// False, changing nothing, for an unknown name, a property that cannot be written or a value of
// another type. Otherwise the write runs; a setter's refusal is in the error record.
bool WriteLineProperty(TlkLineInternal& line, std::string_view name, const TlkPropertyValue& value);
