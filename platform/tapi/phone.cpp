// The phone half of the telephony API: applications, phone handles, privileges, status messages
// and the hookswitch, volume and gain requests.
#include <cstddef>
#include <map>
#include <memory>
#include <unordered_map>

#include "platform/core/text.h"
#include "platform/tapi/api_state.h"
#include "platform/tapi/app_queue.h"
#include "platform/tapi/hookswitch.h"
#include "platform/tapi/provider.h"
#include "platform/tapi/struct_sizes.h"
#include "platform/tapi/tapi.h"
#include "platform/tapi/var_struct.h"

namespace tapi::detail {

namespace {

constexpr DWORD kLowestPhoneVersion = TAPI_VERSION1_0;
constexpr DWORD kHighestPhoneVersion = TAPI_CURRENT_VERSION;
constexpr DWORD kButtonModes = PHONEBUTTONMODE_DUMMY | PHONEBUTTONMODE_CALL |
                               PHONEBUTTONMODE_FEATURE | PHONEBUTTONMODE_KEYPAD |
                               PHONEBUTTONMODE_LOCAL | PHONEBUTTONMODE_DISPLAY;
constexpr DWORD kButtonStates = PHONEBUTTONSTATE_UP | PHONEBUTTONSTATE_DOWN |
                                PHONEBUTTONSTATE_UNKNOWN | PHONEBUTTONSTATE_UNAVAIL;

bool singleBitDevice(DWORD v) {
    return v != 0 && (v & (v - 1)) == 0;
}

struct PhoneApp {
    HPHONEAPP handle = 0;
    std::string name;
    DWORD apiVersion = kLowestPhoneVersion;
    std::unique_ptr<AppQueue> queue;
};

struct PhoneOpen {
    HPHONE handle = 0;
    HPHONEAPP app = 0;
    DWORD device = 0;
    DWORD_PTR instance = 0;
    DWORD privilege = 0;
    DWORD apiVersion = 0;
    DWORD phoneStates = 0;
    DWORD buttonModes = 0;
    DWORD buttonStates = 0;
};

struct PendingPhoneRequest {
    HPHONEAPP app = 0;
    HPHONE phone = 0;
};

class PhoneApi {
  public:
    static PhoneApi& instance() {
        static PhoneApi* api = new PhoneApi;
        return *api;
    }

    std::map<HPHONEAPP, std::unique_ptr<PhoneApp>> apps;
    std::map<HPHONE, PhoneOpen> phones;
    std::unordered_map<RequestId, PendingPhoneRequest> pending;

    PhoneApp* app(HPHONEAPP h) {
        auto it = apps.find(h);
        return it == apps.end() ? nullptr : it->second.get();
    }
    PhoneOpen* phone(HPHONE h) {
        auto it = phones.find(h);
        return it == phones.end() ? nullptr : &it->second;
    }

    void queue(const PhoneOpen& open, DWORD msg, DWORD_PTR p1, DWORD_PTR p2, DWORD_PTR p3,
               bool reply = false) {
        PhoneApp* a = app(open.app);
        if (!a)
            return;
        QueuedMessage m;
        m.hDevice = reply ? 0 : open.handle;
        m.message = msg;
        m.instance = open.instance;
        m.param1 = p1;
        m.param2 = p2;
        m.param3 = p3;
        m.needs = QueuedMessage::Needs::Phone;
        m.handle = open.handle;
        a->queue->push(std::move(m));
    }

    void close(HPHONE h) {
        phones.erase(h);
        for (auto p = pending.begin(); p != pending.end();) {
            p = p->second.phone == h ? pending.erase(p) : std::next(p);
        }
    }

    void shutdown(HPHONEAPP h) {
        std::vector<HPHONE> mine;
        for (auto& [handle, open] : phones) {
            if (open.app == h)
                mine.push_back(handle);
        }
        for (HPHONE p : mine)
            close(p);
        apps.erase(h);
    }

    // Owners and monitors of a phone device, counted over the open handles.
    void counts(DWORD device, DWORD& owners, DWORD& monitors) {
        owners = monitors = 0;
        for (auto& [h, open] : phones) {
            if (open.device != device)
                continue;
            (open.privilege == PHONEPRIVILEGE_OWNER ? owners : monitors)++;
        }
    }
};

PhoneApi& api() {
    return PhoneApi::instance();
}

LONG checkPhoneDevice(HPHONEAPP app, DWORD device, const PhoneDescription** out) {
    if (!api().app(app))
        return PHONEERR_INVALAPPHANDLE;
    const PhoneDescription* d = provider().phone(device);
    if (!d)
        return PHONEERR_BADDEVICEID;
    *out = d;
    return 0;
}

LONG checkPhoneVersion(DWORD version) {
    return version < kLowestPhoneVersion || version > kHighestPhoneVersion
               ? PHONEERR_INCOMPATIBLEAPIVERSION
               : 0;
}

LONG createPhoneApp(HPHONEAPP* out, PHONECALLBACK callback, const char* name, DWORD version,
                    DWORD* numDevs) {
    auto a = std::make_unique<PhoneApp>();
    a->handle = newHandle();
    a->name = name && *name ? name : "belltale";
    a->apiVersion = version;
    a->queue = std::make_unique<AppQueue>(
        callback, [](const QueuedMessage& m) { return api().phones.contains(m.handle); }, nullptr);
    *out = a->handle;
    *numDevs = provider().phoneDeviceCount();
    api().apps.emplace(a->handle, std::move(a));
    return 0;
}

// An asynchronous hookswitch, volume or gain request on an owned phone. `devices` are
// PHONEHOOKSWITCHDEV_ bits the phone has; only a hookswitch request may name several.
LONG phoneSubmit(HPHONE hPhone, Op op, const char* function, DWORD devices, DWORD mode,
                 DWORD value) {
    PhoneOpen* open = api().phone(hPhone);
    if (!open)
        return PHONEERR_INVALPHONEHANDLE;
    if (open->privilege != PHONEPRIVILEGE_OWNER)
        return PHONEERR_NOTOWNER;
    const PhoneDescription* d = provider().phone(open->device);
    const DWORD offered = op == Op::PhoneSetVolume ? d->caps.dwVolumeFlags
                          : op == Op::PhoneSetGain ? d->caps.dwGainFlags
                                                   : d->caps.dwHookSwitchDevs;
    const bool several = op == Op::PhoneSetHookSwitch;
    if (devices == 0 || (devices & ~offered) || (!several && !singleBitDevice(devices))) {
        return PHONEERR_INVALHOOKSWITCHDEV;
    }
    Request r;
    r.op = op;
    r.function = function;
    r.device = open->device;
    r.mode = mode;
    r.value = value;
    r.value2 = devices;
    const RequestId id = newRequestId();
    if (const LONG rc = provider().phoneRequest(id, r); rc < 0)
        return rc;
    api().pending.emplace(id, PendingPhoneRequest{open->app, hPhone});
    return static_cast<LONG>(id);
}

}  // namespace

void phoneStateEvent(DWORD device, DWORD state, DWORD details) {
    for (auto& [h, open] : api().phones) {
        if (open.device == device && (open.phoneStates & state)) {
            api().queue(open, PHONE_STATE, state, details, 0);
        }
    }
}

void phoneButtonEvent(DWORD device, DWORD button, DWORD mode, DWORD state) {
    for (auto& [h, open] : api().phones) {
        if (open.device == device && (open.buttonModes & mode) && (open.buttonStates & state)) {
            api().queue(open, PHONE_BUTTON, button, mode, state);
        }
    }
}

void phoneReplyEvent(RequestId request, LONG result) {
    auto it = api().pending.find(request);
    if (it == api().pending.end())
        return;
    const HPHONE h = it->second.phone;
    api().pending.erase(it);
    if (PhoneOpen* open = api().phone(h)) {
        api().queue(*open, PHONE_REPLY, request, static_cast<DWORD>(result), 0, true);
    }
}

void resetPhoneApi() {
    std::vector<HPHONEAPP> all;
    for (auto& [h, a] : api().apps)
        all.push_back(h);
    for (HPHONEAPP h : all)
        api().shutdown(h);
    api().pending.clear();
}

}  // namespace tapi::detail

using namespace tapi;
using namespace tapi::detail;

#define PHONE_INJECTED(name)                                                      \
    if (const LONG injected = ::tapi::provider().injectedFailure(name); injected) \
    return injected

LONG phoneInitialize(HPHONEAPP* lphPhoneApp, HINSTANCE, PHONECALLBACK lpfnCallback,
                     const char* lpszAppName, DWORD* lpdwNumDevs) {
    PHONE_INJECTED("phoneInitialize");
    if (!lphPhoneApp || !lpfnCallback || !lpdwNumDevs)
        return PHONEERR_INVALPOINTER;
    return createPhoneApp(lphPhoneApp, lpfnCallback, lpszAppName, TAPI_VERSION1_0, lpdwNumDevs);
}

LONG phoneInitializeExA(HPHONEAPP* lphPhoneApp, HINSTANCE, PHONECALLBACK lpfnCallback,
                        const char* lpszFriendlyAppName, DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                        PHONEINITIALIZEEXPARAMS* params) {
    PHONE_INJECTED("phoneInitializeEx");
    if (!lphPhoneApp || !lpdwNumDevs || !lpdwAPIVersion || !params || !lpfnCallback) {
        return PHONEERR_INVALPOINTER;
    }
    if (params->dwTotalSize < sizeof(PHONEINITIALIZEEXPARAMS))
        return PHONEERR_STRUCTURETOOSMALL;
    if (*lpdwAPIVersion < TAPI_VERSION2_0)
        return PHONEERR_INCOMPATIBLEAPIVERSION;
    if ((params->dwOptions & 0x7) != PHONEINITIALIZEEXOPTION_USEHIDDENWINDOW) {
        return PHONEERR_INVALPARAM;
    }
    params->dwNeededSize = params->dwUsedSize = sizeof(PHONEINITIALIZEEXPARAMS);
    *lpdwAPIVersion = std::min(*lpdwAPIVersion, kHighestPhoneVersion);
    return createPhoneApp(lphPhoneApp, lpfnCallback, lpszFriendlyAppName, *lpdwAPIVersion,
                          lpdwNumDevs);
}

LONG phoneShutdown(HPHONEAPP hPhoneApp) {
    PHONE_INJECTED("phoneShutdown");
    if (!api().app(hPhoneApp))
        return PHONEERR_INVALAPPHANDLE;
    api().shutdown(hPhoneApp);
    return 0;
}

LONG phoneNegotiateAPIVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                              DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
                              PHONEEXTENSIONID* lpExtensionID) {
    PHONE_INJECTED("phoneNegotiateAPIVersion");
    const PhoneDescription* d = nullptr;
    if (const LONG rc = checkPhoneDevice(hPhoneApp, dwDeviceID, &d))
        return rc;
    if (!lpdwAPIVersion || !lpExtensionID)
        return PHONEERR_INVALPOINTER;
    if (dwAPILowVersion > dwAPIHighVersion || dwAPIHighVersion < kLowestPhoneVersion ||
        dwAPILowVersion > kHighestPhoneVersion) {
        return PHONEERR_INCOMPATIBLEAPIVERSION;
    }
    *lpdwAPIVersion = std::min(dwAPIHighVersion, kHighestPhoneVersion);
    *lpExtensionID = PHONEEXTENSIONID{};
    return 0;
}

LONG phoneGetDevCaps(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD,
                     PHONECAPS* caps) {
    PHONE_INJECTED("phoneGetDevCaps");
    const PhoneDescription* d = nullptr;
    if (const LONG rc = checkPhoneDevice(hPhoneApp, dwDeviceID, &d))
        return rc;
    if (const LONG rc = checkPhoneVersion(dwAPIVersion))
        return rc;
    if (!caps)
        return PHONEERR_INVALPOINTER;
    const DWORD fixedSize = fixedSizeFor<PHONECAPS>(dwAPIVersion);
    if (caps->dwTotalSize < fixedSize)
        return PHONEERR_STRUCTURETOOSMALL;
    VarWriter w(caps, fixedSize);
    w.writeFixed(d->caps);
    w.addText(offsetof(PHONECAPS, dwProviderInfoSize), d->providerInfo);
    w.addText(offsetof(PHONECAPS, dwPhoneInfoSize), d->phoneInfo);
    w.addText(offsetof(PHONECAPS, dwPhoneNameSize), d->phoneName);
    w.addBytes(offsetof(PHONECAPS, dwDevSpecificSize), d->devSpecific.data(),
               static_cast<DWORD>(d->devSpecific.size()));
    std::string classes = std::string("tapi/phone") + '\0' + "tapi/line" + '\0';
    if (d->wave)
        classes += std::string("wave/in") + '\0' + "wave/out" + '\0';
    classes += '\0';
    w.addBytes(offsetof(PHONECAPS, dwDeviceClassesSize), classes.data(),
               static_cast<DWORD>(classes.size()));
    w.finish();
    return 0;
}

LONG phoneOpen(HPHONEAPP hPhoneApp, DWORD dwDeviceID, HPHONE* lphPhone, DWORD dwAPIVersion,
               DWORD dwExtVersion, DWORD_PTR dwCallbackInstance, DWORD dwPrivilege) {
    PHONE_INJECTED("phoneOpen");
    const PhoneDescription* d = nullptr;
    if (const LONG rc = checkPhoneDevice(hPhoneApp, dwDeviceID, &d))
        return rc;
    if (const LONG rc = checkPhoneVersion(dwAPIVersion))
        return rc;
    if (dwExtVersion != 0)
        return PHONEERR_INCOMPATIBLEEXTVERSION;
    if (dwPrivilege != PHONEPRIVILEGE_OWNER && dwPrivilege != PHONEPRIVILEGE_MONITOR) {
        return PHONEERR_INVALPRIVILEGE;
    }
    if (!lphPhone)
        return PHONEERR_INVALPOINTER;
    DWORD owners = 0, monitors = 0;
    api().counts(dwDeviceID, owners, monitors);
    if (dwPrivilege == PHONEPRIVILEGE_OWNER && owners > 0)
        return PHONEERR_INUSE;
    PhoneOpen open;
    open.handle = newHandle();
    open.app = hPhoneApp;
    open.device = dwDeviceID;
    open.instance = dwCallbackInstance;
    open.privilege = dwPrivilege;
    open.apiVersion = dwAPIVersion;
    api().phones.emplace(open.handle, open);
    *lphPhone = open.handle;
    phoneStateEvent(dwDeviceID,
                    dwPrivilege == PHONEPRIVILEGE_OWNER ? PHONESTATE_OWNER : PHONESTATE_MONITORS,
                    0);
    return 0;
}

LONG phoneClose(HPHONE hPhone) {
    PHONE_INJECTED("phoneClose");
    PhoneOpen* open = api().phone(hPhone);
    if (!open)
        return PHONEERR_INVALPHONEHANDLE;
    const DWORD device = open->device;
    const DWORD privilege = open->privilege;
    api().close(hPhone);
    phoneStateEvent(device,
                    privilege == PHONEPRIVILEGE_OWNER ? PHONESTATE_OWNER : PHONESTATE_MONITORS, 0);
    return 0;
}

LONG phoneGetStatus(HPHONE hPhone, PHONESTATUS* status) {
    PHONE_INJECTED("phoneGetStatus");
    PhoneOpen* open = api().phone(hPhone);
    if (!open)
        return PHONEERR_INVALPHONEHANDLE;
    if (!status)
        return PHONEERR_INVALPOINTER;
    const DWORD fixedSize = fixedSizeFor<PHONESTATUS>(open->apiVersion);
    if (status->dwTotalSize < fixedSize)
        return PHONEERR_STRUCTURETOOSMALL;
    PhoneStatusDescription s = provider().phoneStatus(open->device);
    api().counts(open->device, s.status.dwNumOwners, s.status.dwNumMonitors);
    VarWriter w(status, fixedSize);
    w.writeFixed(s.status);
    w.addText(offsetof(PHONESTATUS, dwDisplaySize), s.display);
    w.addBytes(offsetof(PHONESTATUS, dwLampModesSize), nullptr, 0);
    std::string owner;
    for (auto& [h, o] : api().phones) {
        if (o.device == open->device && o.privilege == PHONEPRIVILEGE_OWNER) {
            if (PhoneApp* a = api().app(o.app))
                owner = a->name;
        }
    }
    w.addText(offsetof(PHONESTATUS, dwOwnerNameSize), owner);
    w.addBytes(offsetof(PHONESTATUS, dwDevSpecificSize), s.devSpecific.data(),
               static_cast<DWORD>(s.devSpecific.size()));
    w.finish();
    return 0;
}

LONG phoneSetStatusMessages(HPHONE hPhone, DWORD dwPhoneStates, DWORD dwButtonModes,
                            DWORD dwButtonStates) {
    PHONE_INJECTED("phoneSetStatusMessages");
    PhoneOpen* open = api().phone(hPhone);
    if (!open)
        return PHONEERR_INVALPHONEHANDLE;
    const PhoneDescription* d = provider().phone(open->device);
    if (dwPhoneStates & ~d->caps.dwPhoneStates)
        return PHONEERR_INVALPHONESTATE;
    if (dwButtonModes & ~kButtonModes)
        return PHONEERR_INVALBUTTONMODE;
    if (dwButtonStates & ~kButtonStates)
        return PHONEERR_INVALBUTTONSTATE;
    // Button states without modes (or modes without states) would never match a button.
    if ((dwButtonModes == 0) != (dwButtonStates == 0))
        return PHONEERR_INVALBUTTONSTATE;
    open->phoneStates = dwPhoneStates;
    open->buttonModes = dwButtonModes;
    open->buttonStates = dwButtonStates;
    return 0;
}

LONG phoneGetID(HPHONE hPhone, VARSTRING* id, const char* lpszDeviceClass) {
    PHONE_INJECTED("phoneGetID");
    PhoneOpen* open = api().phone(hPhone);
    if (!open)
        return PHONEERR_INVALPHONEHANDLE;
    if (!id || !lpszDeviceClass)
        return PHONEERR_INVALPOINTER;
    if (id->dwTotalSize < sizeof(VARSTRING))
        return PHONEERR_STRUCTURETOOSMALL;
    const PhoneDescription* d = provider().phone(open->device);
    const std::string cls = core::toLowerAscii(lpszDeviceClass);
    DWORD value = 0;
    if (cls == "tapi/phone") {
        value = open->device;
    } else if (cls == "tapi/line" && d->line != LINEMAPPER) {
        value = d->line;
    } else if ((cls == "wave/in" || cls == "wave/out") && d->line != LINEMAPPER && !d->wave) {
        return PHONEERR_NODEVICE;  // the phone's line is one without a voice part
    } else if (cls == "wave/in" && d->wave) {
        value = d->waveIn;
    } else if (cls == "wave/out" && d->wave) {
        value = d->waveOut;
    } else {
        return PHONEERR_INVALDEVICECLASS;
    }
    VarWriter w(id, sizeof(VARSTRING));
    w.writeFixed(VARSTRING{});
    id->dwStringFormat = STRINGFORMAT_BINARY;
    w.addBytes(offsetof(VARSTRING, dwStringSize), &value, sizeof value);
    w.finish();
    return 0;
}

LONG phoneGetHookSwitch(HPHONE hPhone, DWORD* lpdwHookSwitchDevs) {
    PHONE_INJECTED("phoneGetHookSwitch");
    PhoneOpen* open = api().phone(hPhone);
    if (!open)
        return PHONEERR_INVALPHONEHANDLE;
    if (!lpdwHookSwitchDevs)
        return PHONEERR_INVALPOINTER;
    const PHONESTATUS s = provider().phoneStatus(open->device).status;
    // The devices that are off hook.
    *lpdwHookSwitchDevs =
        (s.dwHandsetHookSwitchMode & ~PHONEHOOKSWITCHMODE_ONHOOK ? PHONEHOOKSWITCHDEV_HANDSET : 0) |
        (s.dwSpeakerHookSwitchMode & ~PHONEHOOKSWITCHMODE_ONHOOK ? PHONEHOOKSWITCHDEV_SPEAKER : 0) |
        (s.dwHeadsetHookSwitchMode & ~PHONEHOOKSWITCHMODE_ONHOOK ? PHONEHOOKSWITCHDEV_HEADSET : 0);
    return 0;
}

LONG phoneSetHookSwitch(HPHONE hPhone, DWORD dwHookSwitchDevs, DWORD dwHookSwitchMode) {
    PHONE_INJECTED("phoneSetHookSwitch");
    PhoneOpen* open = api().phone(hPhone);
    if (!open)
        return PHONEERR_INVALPHONEHANDLE;
    const PhoneDescription* d = provider().phone(open->device);
    if (!singleBitDevice(dwHookSwitchMode))
        return PHONEERR_INVALHOOKSWITCHMODE;
    // Every device named must be able to take the mode (devices the phone lacks are refused later).
    for (const HookSwitchDevice& dev : kHookSwitchDevices) {
        if ((dwHookSwitchDevs & dev.device & d->caps.dwHookSwitchDevs) &&
            !(dwHookSwitchMode & d->caps.*dev.settableModes)) {
            return PHONEERR_INVALHOOKSWITCHMODE;
        }
    }
    return phoneSubmit(hPhone, Op::PhoneSetHookSwitch, "phoneSetHookSwitch", dwHookSwitchDevs,
                       dwHookSwitchMode, 0);
}

// Levels above 0xFFFF are taken as 0xFFFF.
LONG phoneSetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwVolume) {
    PHONE_INJECTED("phoneSetVolume");
    return phoneSubmit(hPhone, Op::PhoneSetVolume, "phoneSetVolume", dwHookSwitchDev, 0,
                       std::min<DWORD>(dwVolume, 0xFFFF));
}

LONG phoneSetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwGain) {
    PHONE_INJECTED("phoneSetGain");
    return phoneSubmit(hPhone, Op::PhoneSetGain, "phoneSetGain", dwHookSwitchDev, 0,
                       std::min<DWORD>(dwGain, 0xFFFF));
}

namespace {

LONG readLevel(HPHONE hPhone, DWORD device, DWORD* out, bool volume) {
    PhoneOpen* open = api().phone(hPhone);
    if (!open)
        return PHONEERR_INVALPHONEHANDLE;
    if (!out)
        return PHONEERR_INVALPOINTER;
    const PhoneDescription* d = provider().phone(open->device);
    const DWORD flags = volume ? d->caps.dwVolumeFlags : d->caps.dwGainFlags;
    if (!singleBitDevice(device) || !(device & flags))
        return PHONEERR_INVALHOOKSWITCHDEV;
    const PHONESTATUS s = provider().phoneStatus(open->device).status;
    const HookSwitchDevice& dev = *hookSwitchDevice(device);
    *out = s.*(volume ? dev.volume : dev.gain);
    return 0;
}

}  // namespace

LONG phoneGetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwVolume) {
    PHONE_INJECTED("phoneGetVolume");
    return readLevel(hPhone, dwHookSwitchDev, lpdwVolume, true);
}

LONG phoneGetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwGain) {
    PHONE_INJECTED("phoneGetGain");
    return readLevel(hPhone, dwHookSwitchDev, lpdwGain, false);
}

LONG phoneConfigDialog(DWORD dwDeviceID, HWND, const char*) {
    PHONE_INJECTED("phoneConfigDialog");
    return provider().phone(dwDeviceID) ? 0 : PHONEERR_BADDEVICEID;
}
