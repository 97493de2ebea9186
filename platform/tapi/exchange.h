// The simulated telephone exchange: the first provider under the telephony API. Its devices come
// from a text configuration (by default four voice-modem lines with caller ID and one handset);
// remote parties are scripted; everything runs on the platform clock, so tests drive it in
// virtual time through this interface, and a running program's exchange takes the same commands
// from tools/telsim through its control socket (control_socket.h).
//
// Line numbers here are device IDs (0-based); the command language counts lines from 1.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tapi/provider.h"

namespace tapi {

struct LineConfig {
    std::string name;
    std::string providerInfo;
    DWORD mediaModes = LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_AUTOMATEDVOICE |
                       LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_G3FAX | LINEMEDIAMODE_UNKNOWN;
    bool callerId = true;
    bool dataModem = true;
    // A voice part: wave-in and wave-out devices. A data or fax modem without one has none.
    bool wave = true;
    std::string commPort;  // the name given with a "comm/datamodem" handle
    std::string number;    // the line's own number (the called party of incoming calls)
    DWORD addresses = 1;
    DWORD unsupportedDigitModes = 0;  // LINEDIGITMODE_ bits the device refuses
    DWORD phone = LINEMAPPER;         // the phone device that belongs to the line
};

struct PhoneConfig {
    std::string name;
    std::string providerInfo;
    DWORD line = LINEMAPPER;  // the line device that belongs to the phone
    // PHONEHOOKSWITCHDEV_ bits: a desk telephone's handset, speakerphone and headset jack.
    DWORD hookSwitchDevs =
        PHONEHOOKSWITCHDEV_HANDSET | PHONEHOOKSWITCHDEV_SPEAKER | PHONEHOOKSWITCHDEV_HEADSET;
};

struct ExchangeConfig {
    std::vector<LineConfig> lines;
    std::vector<PhoneConfig> phones;

    // Four voice modems with caller ID and one handset phone (with speakerphone and headset) on
    // the first line.
    static ExchangeConfig defaults();
    // The text form: sections "[line]" and "[phone]", one "key=value" a line, "#" comments.
    // Line keys: name, provider, media (voice, data, fax, unknown, comma-separated), callerid
    // (yes/no), datamodem (yes/no), wave (yes/no), comm, number, addresses, nodigits (pulse, dtmf),
    // phone.
    // Phone keys: name, provider, line, hookswitch (handset, speaker, headset, comma-separated).
    // Phone and line numbers count from 1.
    static std::optional<ExchangeConfig> parse(std::string_view text, std::string* error);
};

// A caller: who rings a line and what they do.
struct IncomingCall {
    enum class CallerIdTiming { AfterFirstRing, AtOffering, Never };

    std::string number;
    std::string name;
    bool withheld = false;
    bool outOfArea = false;
    CallerIdTiming callerIdTiming = CallerIdTiming::AfterFirstRing;
    DWORD callerIdDelayMs = 1500;  // after the first ring
    DWORD ringIntervalMs = 5000;
    DWORD hangUpAfterRings = 0;  // 0: rings until answered or hung up
    DWORD mediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
    std::string digitsAfterAnswer;  // sent 200 ms apart once answered
    // Played into the line's wave-in device once answered; a line without one hears nothing.
    std::filesystem::path recording;
};

// The party an outgoing call reaches.
struct RemoteParty {
    enum class Outcome { Answer, Busy, NoAnswer };

    Outcome outcome = Outcome::Answer;
    DWORD answerAfterRings = 2;
    DWORD ringIntervalMs = 5000;
    std::string name;                 // the connected party's name, if it sends one
    std::filesystem::path recording;  // an answering machine: played into wave-in on answer
    std::string digits;               // sent 200 ms apart once connected
    DWORD hangUpAfterMs = 0;          // 0: stays until the application drops
};

// How the exchange answers an asynchronous request of one API function.
struct ReplyPolicy {
    DWORD delayMs = 0;
    LONG result = 0;                      // a failure code: the reply fails and nothing happens
    bool neverReply = false;              // no reply at all (and no effect)
    bool stateChangeBeforeReply = false;  // the call's state changes first, then the reply
};

class Exchange final : public Provider {
  public:
    Exchange();
    ~Exchange() override;

    // ---- set-up ----
    // Drops every call, forgets policies and injected failures, shuts every application down,
    // and builds the devices anew.
    void reset(ExchangeConfig config = ExchangeConfig::defaults());
    const ExchangeConfig& config() const { return m_config; }

    // ---- the far ends ----
    // A caller rings the line. Returns the new call's id, or 0 when the line is unknown, removed
    // or already has a call.
    CallId ring(DWORD line, const IncomingCall& caller);
    // The caller's number or name changes during the call (a second LINE_CALLINFO CALLERID, as
    // some networks send). Returns false when the line has no call.
    bool updateCaller(DWORD line, const IncomingCall& caller);
    // The far end of the line's call hangs up: DISCONNECTED, then IDLE for a call never
    // answered. Returns false when the line has no call.
    bool hangup(DWORD line);
    // Who answers when an application dials `number` (digits only are compared); the default
    // party answers everything else.
    void setRemoteParty(const std::string& number, RemoteParty party);
    void setDefaultRemoteParty(RemoteParty party);
    // Whom every call dialled from `line` reaches, whatever the number; nothing: as above.
    void setLineRemoteParty(DWORD line, std::optional<RemoteParty> party);
    void setDialTone(DWORD line, bool present);
    // The far end sends digits on the line's call, 200 ms apart.
    bool sendDigits(DWORD line, const std::string& digits, DWORD digitMode = LINEDIGITMODE_DTMF);
    // A tone (all frequencies 0: silence) starts or stops on the line's call.
    bool startTone(DWORD line, DWORD f1 = 0, DWORD f2 = 0, DWORD f3 = 0);
    bool stopTone(DWORD line);
    // The far end turns out to be of another media mode (a fax, a modem).
    bool detectMedia(DWORD line, DWORD mediaMode);

    // ---- the devices ----
    void forceClose(DWORD line);      // LINE_CLOSE to every application that has it open
    void disconnectLine(DWORD line);  // LINE_LINEDEVSTATE DISCONNECTED (the cable is pulled)
    void removeLine(DWORD line);      // LINE_CLOSE, then LINE_REMOVE; the device is gone
    // A key of the handset's keypad is pressed and released ('0'-'9', '*', '#').
    bool pressPhoneKey(DWORD phone, char key);
    // Any button (`mode` one PHONEBUTTONMODE_ bit) is pressed and released, 100 ms apart.
    bool pressPhoneButton(DWORD phone, DWORD buttonId, DWORD mode);
    // The user lifts or replaces the handset, or switches the speakerphone or headset
    // (`hookSwitchDev` is one PHONEHOOKSWITCHDEV_ bit). Returns false for a device or mode the
    // phone does not have.
    bool setHookSwitch(DWORD phone, DWORD hookSwitchDev, DWORD mode);
    // The user turns a hookswitch device's volume or gain (0 to 0xFFFF) on the phone itself.
    // Returns false for a device the phone does not have or a level out of range.
    bool setPhoneVolume(DWORD phone, DWORD hookSwitchDev, DWORD level);
    bool setPhoneGain(DWORD phone, DWORD hookSwitchDev, DWORD level);
    // The ringer's volume changes (0 to 0xFFFF).
    bool setRingVolume(DWORD phone, DWORD level);

    // ---- what tests ask for ----
    void setReplyPolicy(const std::string& function, ReplyPolicy policy);
    void setDefaultReplyPolicy(ReplyPolicy policy);
    // The function returns `code` at once (0 removes the failure).
    void setInjectedFailure(const std::string& function, LONG code);
    // "lineInitializeExA" and "phoneInitializeExA" are not found by tapiGetProcAddress.
    void setExEntriesMissing(bool missing);
    // Every variable-size structure needs more than 4096 bytes beyond its fixed part.
    void setLargeStructures(bool large);

    // ---- what tests and telsim read ----
    std::vector<CallId> callsOn(DWORD line);
    CallId currentCall(DWORD line);  // the line's newest call that is not idle, or 0
    // Digits and tones the applications generated on the line's calls, in order.
    std::string generatedOn(DWORD line) const;
    // Wave files played into the line's wave-in device (when no wave table is installed too);
    // none for a line without wave devices.
    std::vector<std::filesystem::path> playedInto(DWORD line) const;
    // The last request of each kind the exchange accepted, for checks of what applications sent.
    const Request* lastRequest(Op op) const;
    // One line per device: open state, the applications that have it open, its calls.
    std::string list();

    // The command language of the control socket and telsim, one command per call:
    //   ring <line> [--number N] [--name TEXT] [--withheld] [--out-of-area]
    //        [--callerid after|offering|none] [--rings N] [--interval MS]
    //   hangup <line> | digits <line> <digits> | close <line> | remove <line> | list
    //   press <phone> <key> | lift <phone> | replace <phone>   (the handset; phones count from 1)
    // Returns "OK" plus details, or "ERROR: " and the reason (and then nothing changed).
    std::string execute(std::string_view command);

    // ---- Provider ----
    LONG injectedFailure(const char* function) override;
    bool entryHidden(const char* function) override;
    DWORD lineDeviceCount() override;
    const LineDescription* line(DWORD device) override;
    bool lineRemoved(DWORD device) override;
    LineStatusDescription lineStatus(DWORD device) override;
    AddressStatusDescription addressStatus(DWORD device, DWORD address) override;
    const CallDescription* call(CallId call) override;
    std::vector<CallId> callsOn(DWORD device, DWORD address) override;
    LONG request(RequestId id, const Request& request, Created& created) override;
    void dropQuietly(CallId call) override;
    void releaseCall(CallId call) override;
    LONG setMediaMode(CallId call, DWORD mediaModes) override;
    void setAppSpecific(CallId call, DWORD value) override;
    void generated(CallId call, const std::string& digits, DWORD toneMode) override;
    int openCommHandle(CallId call) override;
    std::string translate(const std::string& address, DWORD device, DWORD options,
                          std::string& displayable, DWORD& results) override;
    DWORD phoneDeviceCount() override;
    const PhoneDescription* phone(DWORD device) override;
    PhoneStatusDescription phoneStatus(DWORD device) override;
    LONG phoneRequest(RequestId id, const Request& request) override;

    // Called by setWaveDeviceTable: registers the lines' wave devices with the new table.
    void reRegisterWaveDevices();

    struct State;

  private:
    std::unique_ptr<State> m_state;
    ExchangeConfig m_config;
};

// The process's exchange, built with the configuration named by $BELLTALE_EXCHANGE_CONFIG (a
// file), else the default one.
Exchange& exchange();

// A LINECALLSTATE_ value's name without its prefix ("CONNECTED"), as the exchange lists its
// calls; null for a value that is not one state.
const char* callStateText(DWORD state);

}  // namespace tapi
