// The Line engine's set-up: construction, the TAPI line application, the device, address and
// terminal descriptions, the dialing-location dialog, the idle-delay timer, and the callback
// that hands each TAPI message to its control.
#include "lkLK36/engines/lkLine.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "lkLK36/engines/lkLKConst.h"

namespace {

bool g_deviceActiveRequested = false;
bool g_libraryReady = false;

// The controls alive now: a message whose instance is none of them is dropped.
std::set<const TlkLineInternal*>& liveLines() {
    static std::set<const TlkLineInternal*> lines;
    return lines;
}

std::string hex8(DWORD value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

}  // namespace

bool lkDeviceActiveRequested() {
    return g_deviceActiveRequested;
}
void setLkDeviceActiveRequested(bool requested) {
    g_deviceActiveRequested = requested;
}

bool lkLibraryReady() {
    return g_libraryReady;
}
void setLkLibraryReady(bool ready) {
    g_libraryReady = ready;
}

// Texts from TAPI are trimmed of blanks and control characters at both ends, NULs included.
std::string TlkLineInternal::trimmed(std::string text) {
    std::size_t begin = 0;
    while (begin < text.size() && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    std::size_t end = text.size();
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return text.substr(begin, end - begin);
}

TlkLineInternal::TlkLineInternal() : m_idleTimer([this] { IdleTimerFired(); }) {
    InitCtrl(lkKindLine, "TLKLINE", "lkLine");
    liveLines().insert(this);
    m_idleTimer.setEnabled(false);
    DWORD deviceCount = 0;
    InitializeTAPI(deviceCount);
    Device.Count = static_cast<LONG>(deviceCount);
    EnumerateDevices();
}

TlkLineInternal::~TlkLineInternal() {
    Vantage().SetEvents(false);
    // Waits in progress end and the window closes before anything is freed. Nothing is pumped
    // here: a handler run from inside a destructor could reach this half-destroyed control.
    beginDestroy();
    if (Device.Active) {
        CloseDevice(false);
        Device.Active = true;
    }
    ShutdownTAPI();
    liveLines().erase(this);
}

void TlkLineInternal::Loaded() {
    if (lkDeviceActiveRequested())
        SetDeviceActive(true);
}

LONG TlkLineInternal::InitializeTAPI(DWORD& deviceCount) {
    Line.hLineApp = 0;
    using InitializeEx = decltype(&lineInitializeExA);
    auto initializeEx = reinterpret_cast<InitializeEx>(tapiGetProcAddress("lineInitializeExA"));
    LONG result = LINEERR_OPERATIONFAILED;
    if (initializeEx) {
        // Handed over as 28 bytes, four more than the structure: room is made for them.
        struct {
            LINEINITIALIZEEXPARAMS params;
            DWORD spare;
        } block{};
        block.params.dwTotalSize = 28;
        block.params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
        DWORD apiVersion = TAPI_VERSION2_2;
        result = initializeEx(&Line.hLineApp, nullptr, LineCallback, nullptr, &deviceCount,
                              &apiVersion, &block.params);
    }
    if (result == LINEERR_OPERATIONFAILED) {
        result = lineInitialize(&Line.hLineApp, nullptr, LineCallback, nullptr, &deviceCount);
    }
    if (result != 0) {
        FillErrorStrings(result);
        m_tapiReady = false;
        Line.hLineApp = 0;
        Line.hLine = 0;
    } else {
        m_tapiReady = true;
        Error().Clear();
    }
    return result;
}

void TlkLineInternal::ShutdownTAPI() {
    if (lineShutdown(Line.hLineApp) == 0)
        Line.hLineApp = 0;
}

LONG TlkLineInternal::negotiate(DWORD deviceID, DWORD& apiVersion) {
    LINEEXTENSIONID extension{};
    return lineNegotiateAPIVersion(Line.hLineApp, deviceID, TAPI_VERSION1_0, TAPI_VERSION2_2,
                                   &apiVersion, &extension);
}

TlkVarStructure TlkLineInternal::ReadDeviceCaps(DWORD deviceID, DWORD apiVersion) {
    return TlkReadVarStructure(sizeof(LINEDEVCAPS), LINEERR_STRUCTURETOOSMALL, LINEERR_NOMEM,
                               [&](void* buffer) {
                                   return lineGetDevCaps(Line.hLineApp, deviceID, apiVersion, 0,
                                                         static_cast<LINEDEVCAPS*>(buffer));
                               });
}

TlkVarStructure TlkLineInternal::ReadAddressCaps(LONG addressID) {
    if (!m_tapiReady) {
        TlkVarStructure notReady;
        notReady.result = -1;
        return notReady;
    }
    return TlkReadVarStructure(
        sizeof(LINEADDRESSCAPS), LINEERR_STRUCTURETOOSMALL, LINEERR_NOMEM, [&](void* buffer) {
            return lineGetAddressCaps(Line.hLineApp, static_cast<DWORD>(Device.ID),
                                      static_cast<DWORD>(addressID), TAPI.ApiVersion, 0,
                                      static_cast<LINEADDRESSCAPS*>(buffer));
        });
}

std::string TlkLineInternal::deviceNameUnavailable(LONG code) const {
    return Vantage().ToDevEnvSyntax("Device.Name unavailable: [" + hex8(static_cast<DWORD>(code)) +
                                    "]  " + LineErrorName(code));
}

void TlkLineInternal::clearDescriptions() {
    Call.Handle = 0;
    Call.Active = false;
    Call.ID = 0;
    Device.Name.clear();
    Device.MediaModes = {};
    Address.Count = 0;
    Address.ID = 0;
    Address.Name.clear();
    Address.Capabilities = {};
    TAPI.ApiVersion = 0;
    TAPI.Version = 0;
    TAPI.Subversion = 0;
    TAPI.TSP.clear();
    Comm.Enabled = false;
    Comm.Available = false;
    Comm.Handle = 0;
    clearRelatedDevices();
    Terminal.PendingRequest = 0;
}

void TlkLineInternal::clearRelatedDevices() {
    Phone.ID = 0;
    Phone.Available = false;
    WavePlay.ID = 0;
    WavePlay.Available = false;
    WaveRecord.ID = 0;
    WaveRecord.Available = false;
}

void TlkLineInternal::EnumerateDevices() {
    clearDescriptions();
    LONG outcome = m_tapiReady ? 0 : -1;
    if (outcome == 0 && Device.Count > 0) {
        if (Device.List.empty())
            readDeviceNames();
        DWORD apiVersion = 0;
        outcome = negotiate(static_cast<DWORD>(Device.ID), apiVersion);
        if (outcome == 0) {
            TAPI.ApiVersion = apiVersion;
            TAPI.Version = HIWORD(apiVersion);
            TAPI.Subversion = LOWORD(apiVersion);
            const TlkVarStructure caps = ReadDeviceCaps(static_cast<DWORD>(Device.ID), apiVersion);
            outcome = caps.result;
            if (outcome == 0)
                readDeviceDescription(caps);
        }
        resetCallParameters();
        // A failure here has been reported already and ends the refresh.
        if (outcome == 0 && !readAddresses())
            return;
    }
    auto& window = Vantage().observer<LineVantageObserver>();
    window.UpdateDeviceList(Device);
    window.UpdateCallDetails();
    window.UpdateInfoTree();
    FillErrorStrings(outcome);
}

// One entry per device, so an index into the list stays a device id; a device whose name cannot
// be read is listed with the reason.
void TlkLineInternal::readDeviceNames() {
    for (LONG id = 0; id < Device.Count; ++id) {
        DWORD apiVersion = 0;
        LONG result = negotiate(static_cast<DWORD>(id), apiVersion);
        std::string name;
        if (result == 0) {
            const TlkVarStructure caps = ReadDeviceCaps(static_cast<DWORD>(id), apiVersion);
            result = caps.result;
            if (result == 0) {
                const auto& fixed = caps.fixed<LINEDEVCAPS>();
                name = trimmed(caps.text(fixed.dwLineNameOffset, fixed.dwLineNameSize));
            }
        }
        Device.List.push_back(name.empty() ? deviceNameUnavailable(result) : name);
    }
}

void TlkLineInternal::readDeviceDescription(const TlkVarStructure& caps) {
    const auto& fixed = caps.fixed<LINEDEVCAPS>();
    // Each address is asked for its own capabilities: no more than a DWORD's worth of the
    // structure apiece.
    Address.Count = static_cast<LONG>(caps.countThatFits(fixed.dwNumAddresses, sizeof(DWORD)));
    if (fixed.dwProviderInfoSize > 0) {
        TAPI.TSP = caps.text(fixed.dwProviderInfoOffset, fixed.dwProviderInfoSize);
    }
    if (fixed.dwLineNameSize > 0) {
        Device.Name = trimmed(caps.text(fixed.dwLineNameOffset, fixed.dwLineNameSize));
    }
    Device.MediaModes.Available = fixed.dwMediaModes;
    Device.MediaModes.Active = fixed.dwMediaModes;
    TlkLineDeviceCaps& c = Device.Capabilities;
    c.BearerModes = fixed.dwBearerModes;
    c.Tones = fixed.dwGenerateToneModes;
    c.RingModes = fixed.dwRingModes;
    c.LineFeatures = fixed.dwLineFeatures;
    c.Flags = fixed.dwDevCapFlags;
    c.MaxNumActiveCalls = fixed.dwMaxNumActiveCalls;
    c.AnswerMode = fixed.dwAnswerMode;
    c.States = fixed.dwLineStates;
    copyDevSpecific(caps);
    readTerminals(caps);
}

void TlkLineInternal::copyDevSpecific(const TlkVarStructure& caps) {
    const auto& fixed = caps.fixed<LINEDEVCAPS>();
    Device.Capabilities.DevSpecific.clear();
    if (caps.contains(fixed.dwDevSpecificOffset, fixed.dwDevSpecificSize)) {
        Device.Capabilities.DevSpecific.assign(
            reinterpret_cast<const char*>(caps.bytes()) + fixed.dwDevSpecificOffset,
            fixed.dwDevSpecificSize);
    }
}

void TlkLineInternal::readTerminals(const TlkVarStructure& caps) {
    const auto& fixed = caps.fixed<LINEDEVCAPS>();
    // Every terminal has its capabilities in the structure.
    const DWORD terminals = caps.countThatFits(fixed.dwNumTerminals, sizeof(LINETERMCAPS));
    Terminal.Count = static_cast<LONG>(terminals);
    Terminal.List.clear();
    Terminal.Device = Terminal.AvailableModes = Terminal.Sharing = Terminal.ActiveModes = 0;
    Terminal.Name.clear();
    Terminal.Present = terminals > 0;
    if (!Terminal.Present)
        return;
    for (DWORD i = 0; i < terminals; ++i) {
        std::string name;
        if (fixed.dwTerminalTextSize > 0) {
            const std::uint64_t at =
                fixed.dwTerminalTextOffset + std::uint64_t{i} * fixed.dwTerminalTextEntrySize;
            if (at <= 0xFFFFFFFFu) {
                name = trimmed(caps.text(static_cast<DWORD>(at), fixed.dwTerminalTextEntrySize));
            }
        } else {
            name = "Terminal.ID = " + std::to_string(i) + " <Name not available>";
        }
        Terminal.List.push_back(name);
    }
    Terminal.Name = Terminal.List.front();
    if (fixed.dwTerminalCapsSize >= sizeof(LINETERMCAPS) &&
        caps.contains(fixed.dwTerminalCapsOffset, sizeof(LINETERMCAPS))) {
        LINETERMCAPS first;
        std::memcpy(&first, caps.bytes() + fixed.dwTerminalCapsOffset, sizeof first);
        Terminal.Device = first.dwTermDev;
        Terminal.AvailableModes = first.dwTermModes;
        Terminal.Sharing = first.dwTermSharing;
    }
}

void TlkLineInternal::resetCallParameters() {
    TlkCallParameters& call = Call.Parameters;
    call = TlkCallParameters{true, LINEBEARERMODE_VOICE, LINEMEDIAMODE_INTERACTIVEVOICE, 0, 0, 0};
    Address.Forward.Parameters = call;
    Conference.Parameters = call;
    Transfer.Parameters = call;
}

bool TlkLineInternal::readAddresses() {
    Address.List.clear();
    for (LONG id = 0; id < Address.Count; ++id) {
        const TlkVarStructure caps = ReadAddressCaps(id);
        if (caps.result != 0) {
            FillErrorStrings(caps.result);
            return false;
        }
        const auto& fixed = caps.fixed<LINEADDRESSCAPS>();
        std::string name = trimmed(caps.text(fixed.dwAddressOffset, fixed.dwAddressSize));
        if (name.empty())
            name = "Address.ID = " + std::to_string(id) + " <Name not available>";
        if (id == Address.ID)
            Address.Name = name;
        Address.List.push_back(name);
    }
    SetAddressID(Address.ID);
    return true;
}

void TlkLineInternal::SetAddressID(LONG value) {
    log().Add(1, "Address.ID := " + std::to_string(value));
    log().Add(0, "\tAddress.Count = " + std::to_string(Address.Count));
    Error().Clear();
    if (Address.Count < 0 || value >= Address.Count) {
        if (!(Address.Count == 0 && value == 0))
            FillErrorStrings(LINEERR_INVALADDRESSID);
        return;
    }
    if (!m_tapiReady)
        return;
    const TlkVarStructure caps = ReadAddressCaps(value);
    if (caps.result != 0) {
        FillErrorStrings(caps.result);
    } else {
        const auto& fixed = caps.fixed<LINEADDRESSCAPS>();
        Address.ID = value;
        Address.Capabilities = fixed;
        Address.Name = trimmed(caps.text(fixed.dwAddressOffset, fixed.dwAddressSize));
        if (fixed.dwAddressSize == 0 || Address.Name.empty()) {
            Address.Name = "Address.ID = " + std::to_string(value) + " <Name not available>";
        }
        log().Add(0, "\tAddress.Name = '" + Address.Name + "'");
    }
    Vantage().observer<LineVantageObserver>().UpdateAddressList();
    if (Device.Active) {
        lineSetStatusMessages(Line.hLine, Device.Capabilities.States,
                              Address.Capabilities.dwAddressStates);
    }
}

void TlkLineInternal::SetTerminalID(LONG value) {
    if (Device.Active && value == Terminal.ID)
        return;
    log().Add(1, "Terminal.ID := " + std::to_string(value));
    log().Add(0, "\tTerminal.Count = " + std::to_string(Terminal.Count));
    Error().Clear();
    if (Terminal.Count < 0 || value >= Terminal.Count) {
        if (!(Terminal.Count == 0 && value == 0))
            FillErrorStrings(LINEERR_INVALTERMINALID);
        return;
    }
    if (!m_tapiReady)
        return;
    const TlkVarStructure caps = ReadDeviceCaps(static_cast<DWORD>(Device.ID), TAPI.ApiVersion);
    if (caps.result != 0)
        return;
    readTerminals(caps);
    Terminal.ID = 0;
    if (Terminal.Count > 0 && value >= 0 && value < static_cast<LONG>(Terminal.List.size())) {
        Terminal.ID = value;
        Terminal.Name = Terminal.List[static_cast<std::size_t>(value)];
        const auto& fixed = caps.fixed<LINEDEVCAPS>();
        const std::uint64_t at = fixed.dwTerminalCapsOffset +
                                 std::uint64_t{static_cast<DWORD>(value)} * sizeof(LINETERMCAPS);
        if (at + sizeof(LINETERMCAPS) <= caps.size()) {
            LINETERMCAPS chosen;
            std::memcpy(&chosen, caps.bytes() + at, sizeof chosen);
            Terminal.Device = chosen.dwTermDev;
            Terminal.AvailableModes = chosen.dwTermModes;
            Terminal.Sharing = chosen.dwTermSharing;
        }
    } else {
        Terminal.Name.clear();
    }
    log().Add(0, "\tTerminal.Name = '" + Terminal.Name + "'");
    Vantage().observer<LineVantageObserver>().UpdateTerminalPage();
}

bool TlkLineInternal::SetLocation() {
    if (!m_tapiReady) {
        // No dialog can be shown without TAPI: a failure, reported as an open without TAPI is.
        FillErrorStrings(-1);
        return false;
    }
    log().Add(1, "SetLocation");
    // The dialog is shown the number as it is dialled; on success that form is kept.
    const std::string number = UnformatNumber(Device.UnformatPhoneNumber, Call.PhoneNumber);
    const LONG result = lineTranslateDialog(Line.hLineApp, static_cast<DWORD>(Device.ID),
                                            TAPI.ApiVersion, nullptr, number.c_str());
    if (result == 0 && number != Call.PhoneNumber)
        Call.PhoneNumber = number;
    bool done = true;
    if (result < 0) {
        FillErrorStrings(result);
        done = false;
    } else {
        Error().Clear();
    }
    log().Add(1, "\tSetLocation - Returned = " + TlkVantage::BooleanText(done));
    return done;
}

void TlkLineInternal::IdleTimerFired() {
    m_idleTimer.setEnabled(false);
    if (m_idleTimer.interval() != 0)
        log().Add(1, "\tlkLine.Device.IdleDelay - Complete ");
    if (!fire(OnIdle, *this, Call.Handle))
        return;
    Vantage().Popup(Popup.OnIdle);
}

void LineCallback(DWORD hDevice, DWORD dwMessage, DWORD_PTR dwCallbackInstance, DWORD_PTR dwParam1,
                  DWORD_PTR dwParam2, DWORD_PTR dwParam3) {
    if (!lkLibraryReady() || dwCallbackInstance == 0)
        return;
    // A re-initialisation request is not followed: the control keeps its line application.
    if (dwMessage == LINE_LINEDEVSTATE && dwParam1 == LINEDEVSTATE_REINIT)
        return;
    auto* line = reinterpret_cast<TlkLineInternal*>(dwCallbackInstance);
    if (liveLines().count(line) == 0)
        return;
    line->lineMessage(hDevice, dwMessage, dwParam1, dwParam2, dwParam3);
}
