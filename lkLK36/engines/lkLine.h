// The Line control's engine: one TAPI line application per control, bound to one line device at a
// time. This unit sets the control up, reads the device, address and terminal descriptions, and
// opens and closes the line.
#pragma once

#include <functional>
#include <string>

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

// The current call and the call list: entry 0 is "00000000" (no call), entries 1 .. Count the
// handles of the known calls as 8 upper-case hexadecimal digits.
struct TlkCall {
    bool Active = false;
    LONG Tag = 0;
    TlkCallParameters Parameters;
    DWORD Handle = 0;
    DWORD ID = 0;
    DWORD State = 0;
    DWORD StateMode = 0;
    DWORD Address = 0;
    double Began = 0, Connected = 0, Disconnected = 0, Ended = 0;
    std::string PhoneNumber;
    LONG Count = 0;
    TlkStringList List;
};

struct TlkTransfer {
    TlkCallParameters Parameters;
};

struct TlkConference {
    TlkCallParameters Parameters;
    TlkStringList List;
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

    bool tapiReady() const { return m_tapiReady; }
    HLINEAPP LineAppHandle() const { return Line.hLineApp; }
    HLINE LineHandle() const { return Line.hLine; }
    core::Timer& idleTimer() { return m_idleTimer; }

    bool deviceActive() const override { return Device.Active; }

    // Where LineCallback hands this control's messages.
    void lineMessage(DWORD device, DWORD message, DWORD_PTR param1, DWORD_PTR param2,
                     DWORD_PTR param3);

    TlkCall Call;
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

    std::function<void(TlkLineInternal&, DWORD call)> OnIdle;

  protected:
    bool popupOnError() const override { return Popup.OnError; }

  private:
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

    core::Timer m_idleTimer;
    bool m_tapiReady = false;
};

// The callback the line application is initialised with: TAPI delivers every line message of
// every Line control here, on the UI thread.
void LineCallback(DWORD hDevice, DWORD dwMessage, DWORD_PTR dwCallbackInstance, DWORD_PTR dwParam1,
                  DWORD_PTR dwParam2, DWORD_PTR dwParam3);
