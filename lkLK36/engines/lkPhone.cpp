// The Phone engine's set-up: construction, the TAPI phone application, the device list and
// description, opening and closing the phone, its status and related devices, and the callback
// that hands each TAPI message to its control.
#include "lkLK36/engines/lkPhone.h"

#include <cstring>
#include <set>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/lkLine.h"

namespace {

// The controls alive now: a message whose instance is none of them is dropped.
std::set<const TlkPhoneInternal*>& livePhones() {
    static std::set<const TlkPhoneInternal*> phones;
    return phones;
}

// Texts from TAPI are trimmed of blanks and control characters at both ends.
std::string trimmed(const std::string& text) {
    std::size_t begin = 0;
    while (begin < text.size() && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    std::size_t end = text.size();
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return text.substr(begin, end - begin);
}

}  // namespace

// Both conversions are exact integer arithmetic, so a half lands on the even neighbour.
DWORD PercentToLevel(LONG percent) {
    const std::uint64_t scaled = std::uint64_t(percent < 0 ? 0 : percent) * 0xFFFF;
    std::uint64_t level = scaled / 100;
    const std::uint64_t rest = scaled % 100;
    if (rest > 50 || (rest == 50 && level % 2 == 1))
        ++level;
    return static_cast<DWORD>(level);
}

LONG LevelToPercent(DWORD level) {
    const std::uint64_t scaled = std::uint64_t(level) * 100;
    std::uint64_t percent = scaled / 0xFFFF;
    // 0xFFFF is odd, so a remainder is never exactly a half.
    if ((scaled % 0xFFFF) * 2 > 0xFFFF)
        ++percent;
    return static_cast<LONG>(percent);
}

TlkPhoneInternal::TlkPhoneInternal() {
    InitCtrl(lkKindPhone, "TLKPHONE", "lkPhone");
    livePhones().insert(this);
    DWORD deviceCount = 0;
    InitializeTAPI(deviceCount);
    Device.Count = static_cast<LONG>(deviceCount);
    RefreshDevices();
}

TlkPhoneInternal::~TlkPhoneInternal() {
    Vantage().SetEvents(false);
    // Waits in progress end and the window closes before anything is freed. Nothing is pumped
    // here: a handler run from inside a destructor could reach this half-destroyed control.
    beginDestroy();
    const bool wasActive = Device.Active;
    if (wasActive)
        ClosePhone();
    ShutdownTAPI();
    Device.Active = wasActive;
    livePhones().erase(this);
}

void TlkPhoneInternal::Loaded() {
    if (lkDeviceActiveRequested())
        SetDeviceActive(true);
}

LONG TlkPhoneInternal::InitializeTAPI(DWORD& deviceCount) {
    Phone.PhoneAppHandle = 0;
    Phone.PhoneStates = 0;
    using InitializeEx = decltype(&phoneInitializeExA);
    auto initializeEx = reinterpret_cast<InitializeEx>(tapiGetProcAddress("phoneInitializeExA"));
    LONG result;
    if (initializeEx) {
        // Handed over as 28 bytes, four more than the structure: room is made for them.
        struct {
            PHONEINITIALIZEEXPARAMS params;
            DWORD spare;
        } block{};
        block.params.dwTotalSize = 28;
        block.params.dwOptions = PHONEINITIALIZEEXOPTION_USEHIDDENWINDOW;
        DWORD apiVersion = TAPI_VERSION2_2;
        result = initializeEx(&Phone.PhoneAppHandle, nullptr, PhoneCallback, nullptr, &deviceCount,
                              &apiVersion, &block.params);
    } else {
        result =
            phoneInitialize(&Phone.PhoneAppHandle, nullptr, PhoneCallback, nullptr, &deviceCount);
    }
    // A failure is not reported here: every later open reports TAPI as not initialised.
    if (result != 0) {
        m_tapiReady = false;
        Phone.PhoneAppHandle = 0;
        Phone.PhoneHandle = 0;
        Phone.PhoneStates = 0;
        deviceCount = 0;
    } else {
        m_tapiReady = true;
        Error().Clear();
    }
    return result;
}

void TlkPhoneInternal::ShutdownTAPI() {
    if (phoneShutdown(Phone.PhoneAppHandle) == 0)
        Phone.PhoneAppHandle = 0;
}

LONG TlkPhoneInternal::negotiate(DWORD deviceID, DWORD& apiVersion) {
    PHONEEXTENSIONID extension{};
    return phoneNegotiateAPIVersion(Phone.PhoneAppHandle, deviceID, TAPI_VERSION1_0,
                                    TAPI_VERSION2_2, &apiVersion, &extension);
}

TlkVarStructure TlkPhoneInternal::GetDevCaps(DWORD deviceID, DWORD apiVersion) {
    return TlkReadVarStructure(
        sizeof(PHONECAPS), PHONEERR_STRUCTURETOOSMALL, PHONEERR_NOMEM, [&](void* buffer) {
            return phoneGetDevCaps(Phone.PhoneAppHandle, deviceID, apiVersion, 0,
                                   static_cast<PHONECAPS*>(buffer));
        });
}

std::string TlkPhoneInternal::deviceNameUnavailable(LONG code) const {
    return Vantage().ToDevEnvSyntax("Device.Name unavailable: [" + Hex8(static_cast<DWORD>(code)) +
                                    "]  " + PhoneErrorName(code));
}

LONG TlkPhoneInternal::RefreshDevices() {
    Device.Name.clear();
    TAPI.Version = TAPI.Subversion = TAPI.ApiVersion = 0;
    TAPI.TSP.clear();
    clearRelatedDevices();
    Phone.PhoneHookSwitchDevs = 0;
    Phone.PhoneStates = 0;
    for (TlkHookSwitch* device : {&Handset, &Speakerphone, &Headset}) {
        device->Available = device->VolumeAvailable = device->GainAvailable = false;
        device->Modes = 0;
    }
    LONG outcome = m_tapiReady ? 0 : -1;
    if (m_tapiReady && Device.Count > 0) {
        if (Device.List.empty())
            readDeviceNames();
        DWORD apiVersion = 0;
        outcome = negotiate(static_cast<DWORD>(Device.ID), apiVersion);
        if (outcome == 0) {
            TAPI.ApiVersion = apiVersion;
            TAPI.Version = HIWORD(apiVersion);
            TAPI.Subversion = LOWORD(apiVersion);
            const TlkVarStructure caps = GetDevCaps(static_cast<DWORD>(Device.ID), apiVersion);
            if (caps.result == 0)
                readDescription(caps);
        }
    }
    refreshDevicePage();
    FillErrorStrings(outcome);
    return outcome;
}

// One entry per device, so an index into the list stays a device id; a device whose name cannot
// be read is listed with the reason.
void TlkPhoneInternal::readDeviceNames() {
    for (LONG id = 0; id < Device.Count; ++id) {
        DWORD apiVersion = 0;
        LONG result = negotiate(static_cast<DWORD>(id), apiVersion);
        std::string name;
        if (result == 0) {
            const TlkVarStructure caps = GetDevCaps(static_cast<DWORD>(id), apiVersion);
            result = caps.result;
            if (result == 0) {
                const auto& fixed = caps.fixed<PHONECAPS>();
                name = caps.text(fixed.dwPhoneNameOffset, fixed.dwPhoneNameSize);
            }
        }
        Device.List.push_back(name.empty() ? deviceNameUnavailable(result) : name);
    }
}

void TlkPhoneInternal::readDescription(const TlkVarStructure& caps) {
    const auto& fixed = caps.fixed<PHONECAPS>();
    if (fixed.dwProviderInfoSize > 0)
        TAPI.TSP = trimmed(caps.text(fixed.dwProviderInfoOffset, fixed.dwProviderInfoSize));
    if (fixed.dwPhoneNameSize > 0)
        Device.Name = trimmed(caps.text(fixed.dwPhoneNameOffset, fixed.dwPhoneNameSize));
    Phone.PhoneHookSwitchDevs = fixed.dwHookSwitchDevs;
    Phone.PhoneStates = fixed.dwPhoneStates;
    struct Row {
        TlkHookSwitch& device;
        DWORD modes;
    };
    for (const Row& row : {Row{Handset, fixed.dwHandsetHookSwitchModes},
                           Row{Speakerphone, fixed.dwSpeakerHookSwitchModes},
                           Row{Headset, fixed.dwHeadsetHookSwitchModes}}) {
        row.device.Available = (fixed.dwHookSwitchDevs & row.device.kind()) != 0;
        row.device.Modes = row.modes;
        row.device.VolumeAvailable = (fixed.dwVolumeFlags & row.device.kind()) != 0;
        row.device.GainAvailable = (fixed.dwGainFlags & row.device.kind()) != 0;
    }
}

void TlkPhoneInternal::clearRelatedDevices() {
    Line.Available = false;
    Line.ID = 0;
    WavePlay.Available = false;
    WavePlay.ID = 0;
    WaveRecord.Available = false;
    WaveRecord.ID = 0;
}

void TlkPhoneInternal::clearRequests() {
    Handset.clearRequests();
    Speakerphone.clearRequests();
    Headset.clearRequests();
}

LONG TlkPhoneInternal::ReadStatus() {
    const TlkVarStructure status = TlkReadVarStructure(
        sizeof(PHONESTATUS), PHONEERR_STRUCTURETOOSMALL, PHONEERR_NOMEM, [&](void* buffer) {
            return phoneGetStatus(Phone.PhoneHandle, static_cast<PHONESTATUS*>(buffer));
        });
    if (status.result != 0)
        return status.result;
    const auto& fixed = status.fixed<PHONESTATUS>();
    m_ringVolume = LevelToPercent(fixed.dwRingVolume & 0xFFFF);
    struct Row {
        TlkHookSwitch& device;
        DWORD mode, volume, gain;
    };
    for (const Row& row :
         {Row{Handset, fixed.dwHandsetHookSwitchMode, fixed.dwHandsetVolume, fixed.dwHandsetGain},
          Row{Headset, fixed.dwHeadsetHookSwitchMode, fixed.dwHeadsetVolume, fixed.dwHeadsetGain},
          Row{Speakerphone, fixed.dwSpeakerHookSwitchMode, fixed.dwSpeakerVolume,
              fixed.dwSpeakerGain}}) {
        row.device.setModeFlags(row.mode);
        row.device.Volume = LevelToPercent(row.volume & 0xFFFF);
        row.device.Gain = LevelToPercent(row.gain & 0xFFFF);
    }
    Vantage().observer<PhoneVantageObserver>().UpdateHookSwitchPanels();
    return 0;
}

bool TlkPhoneInternal::OpenPhone() {
    Error().Clear();
    if (!m_tapiReady) {
        TAPI.Version = 0;
        TAPI.Subversion = 0;
        Device.Count = 0;
        FillErrorStrings(-1);
        Device.Active = false;
        return false;
    }
    Device.State = 0;
    Device.StateDetails = 0;
    clearRelatedDevices();
    const DWORD privilege = Privilege.Owner     ? PHONEPRIVILEGE_OWNER
                            : Privilege.Monitor ? PHONEPRIVILEGE_MONITOR
                                                : 0;
    HPHONE phone = 0;
    const LONG result = phoneOpen(Phone.PhoneAppHandle, static_cast<DWORD>(Device.ID), &phone,
                                  TAPI.ApiVersion, 0, reinterpret_cast<DWORD_PTR>(this), privilege);
    if (result < 0) {
        const TlkLifeGuard guard = lifeGuard();
        FillErrorStrings(result);
        if (guard)
            Device.Active = false;
        return false;
    }
    Phone.PhoneHandle = phone;
    clearRequests();
    Device.Active = true;
    TAPI.Version = HIWORD(TAPI.ApiVersion);
    TAPI.Subversion = LOWORD(TAPI.ApiVersion);
    ReadStatus();
    readRelatedDevices();
    phoneSetStatusMessages(phone, 0x00FFFFFF, 0x3E, 3);
    refreshDevicePage();
    return true;
}

void TlkPhoneInternal::readRelatedDevices() {
    struct Row {
        const std::string& deviceClass;
        bool& available;
        LONG& id;
    };
    for (const Row& row : {Row{Line.DeviceClass, Line.Available, Line.ID},
                           Row{WavePlay.DeviceClass(), WavePlay.Available, WavePlay.ID},
                           Row{WaveRecord.DeviceClass(), WaveRecord.Available, WaveRecord.ID}}) {
        row.id = 0;
        if (row.deviceClass.empty())
            continue;
        const LONG id = QueryPhoneDeviceID(row.deviceClass, Phone.PhoneHandle);
        row.available = id != -2;
        row.id = row.available ? id : 0;
    }
}

bool TlkPhoneInternal::ClosePhone() {
    Error().Clear();
    bool closed = true;
    if (!m_tapiReady) {
        Device.Active = false;
    } else {
        // Whatever waits for a reply on this phone now will not get one.
        TAPI.abandonReplies();
        const LONG result = phoneClose(Phone.PhoneHandle);
        if (result < 0) {
            FillErrorStrings(result);
            closed = false;
        } else {
            Phone.PhoneHandle = 0;
            Device.Active = false;
            clearRequests();
            clearRelatedDevices();
        }
    }
    refreshDevicePage();
    return closed;
}

LONG TlkPhoneInternal::QueryPhoneDeviceID(const std::string& DeviceClass, HPHONE phone) {
    const TlkVarStructure answer = TlkReadVarStructure(
        sizeof(VARSTRING), PHONEERR_STRUCTURETOOSMALL, PHONEERR_NOMEM, [&](void* buffer) {
            return phoneGetID(phone, static_cast<VARSTRING*>(buffer), DeviceClass.c_str());
        });
    if (answer.result != 0 || answer.empty())
        return -2;
    const auto& deviceId = answer.fixed<VARSTRING>();
    // The id is read only when it lies wholly inside the buffer.
    if (deviceId.dwStringSize < sizeof(DWORD) ||
        !answer.contains(deviceId.dwStringOffset, sizeof(DWORD))) {
        return -2;
    }
    DWORD id;
    std::memcpy(&id, answer.bytes() + deviceId.dwStringOffset, sizeof id);
    return static_cast<LONG>(id);
}

void TlkPhoneInternal::refreshDevicePage() {
    auto& window = Vantage().observer<PhoneVantageObserver>();
    window.UpdateDeviceStatus();
    window.UpdateDeviceList();
}

void TlkPhoneInternal::refreshWindow() {
    auto& window = Vantage().observer<PhoneVantageObserver>();
    window.UpdateDeviceStatus();
    window.UpdateDeviceList();
    window.UpdateHookSwitchPanels();
    window.UpdatePhoneInfoTree();
}

void PhoneCallback(DWORD hDevice, DWORD dwMessage, DWORD_PTR dwCallbackInstance, DWORD_PTR dwParam1,
                   DWORD_PTR dwParam2, DWORD_PTR dwParam3) {
    if (dwCallbackInstance == 0)
        return;
    auto* phone = reinterpret_cast<TlkPhoneInternal*>(dwCallbackInstance);
    if (livePhones().count(phone) == 0)
        return;
    phone->phoneMessage(hDevice, dwMessage, dwParam1, dwParam2, dwParam3);
}
