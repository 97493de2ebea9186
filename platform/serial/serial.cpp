#include "platform/serial/serial.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <utility>

#include "platform/com/connection_point.h"
#include "platform/com/type_table.h"
#include "platform/com/variant.h"
#include "platform/core/messages.h"
#include "platform/core/text.h"
#include "platform/registry/registry.h"
#include "platform/serial/device_internal.h"
#include "platform/serial/testing/comm_events.h"

namespace serial {
namespace {

constexpr std::string_view kProgId = "MSCommLib.MSComm";
// How often an open port looks at its ring indicator line (when the device has one) and, with a
// receive threshold set, at what arrived.
constexpr DWORD kWatchIntervalMs = 100;
constexpr int kHighestPort = 255;

DeviceFactory& deviceFactory() {
    static DeviceFactory factory;
    return factory;
}

std::unique_ptr<Device> makeDevice() {
    if (const DeviceFactory& factory = deviceFactory()) {
        return factory();
    }
    return makeSerialPortDevice();
}

std::string errorDescription(LONG number) {
    switch (number) {
        case comInvalidPropertyValue:
            return "Invalid property value";
        case comPortOpen:
            return "Operation not valid while the port is opened";
        case comPortInvalid:
            return "Invalid Port Number";
        case comPortAlreadyOpen:
            return "Port already open";
        case comHardwareUnavailable:
            return "The hardware is not available (locked by another device)";
        case comSetCommStateFailed:
            return "Could not set comm state";
        case comPortNotOpen:
            return "Operation valid only when the port is open";
        case comReadError:
            return "Error reading comm device";
        default:
            return "Serial port error";
    }
}

// A character of a text becomes one byte: codes above 255 cannot travel and become "?".
std::string bytesOf(BSTR text) {
    const UINT length = SysStringLen(text);
    std::string bytes;
    bytes.reserve(length);
    for (UINT i = 0; i < length; ++i) {
        const OLECHAR c = text[i];
        bytes.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    }
    return bytes;
}

// Each byte becomes the character of the same code.
BSTR textOf(std::string_view bytes) {
    std::u16string text(bytes.size(), u'\0');
    std::transform(bytes.begin(), bytes.end(), text.begin(),
                   [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                             static_cast<UINT>(text.size()));
}

class MSCommObject;

// The open controls, for the test hook that raises a modem signal on a device.
std::map<MSCommObject*, std::string>& openControls() {
    static std::map<MSCommObject*, std::string> controls;
    return controls;
}

class MSCommObject final
    : public com::Dispatchable<MSCommObject, IDispatch, IConnectionPointContainer> {
  public:
    static const com::TypeTable& typeTable();

    MSCommObject() {
        m_watch.setOnTimer([this] { watch(); });
    }
    ~MSCommObject() override {
        m_events.disconnect();
        closePort();
    }

    // ---- IConnectionPointContainer ----
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override {
        if (points)
            *points = nullptr;
        return E_NOTIMPL;
    }
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        return m_events.find(iid, point);
    }

    // ---- Members ----
    HRESULT getCommPort(SHORT* port) {
        *port = static_cast<SHORT>(m_port);
        return S_OK;
    }
    HRESULT putCommPort(SHORT port) {
        if (m_device)
            return fail(comPortOpen);
        if (port < 1 || port > kHighestPort)
            return fail(comPortInvalid);
        m_port = port;
        return S_OK;
    }
    HRESULT getSettings(BSTR* text) {
        *text = com::bstrFromUtf8(m_settingsText);
        return S_OK;
    }
    HRESULT putSettings(BSTR text) {
        const std::string value = com::utf8FromBstr(text);
        const std::optional<LineSettings> parsed = parseSettings(value);
        if (!parsed)
            return fail(comInvalidPropertyValue);
        if (m_device && !m_device->configure(*parsed, m_handshaking))
            return fail(comSetCommStateFailed);
        m_settings = *parsed;
        m_settingsText = value;
        return S_OK;
    }
    HRESULT getPortOpen(VARIANT_BOOL* open) {
        *open = toVariantBool(static_cast<bool>(m_device));
        return S_OK;
    }
    HRESULT putPortOpen(VARIANT_BOOL open) {
        if (open == VARIANT_FALSE) {
            closePort();
            return S_OK;
        }
        if (m_device)
            return fail(comPortAlreadyOpen);
        return openPort();
    }
    HRESULT getInput(BSTR* text) {
        if (!m_device)
            return fail(comPortNotOpen);
        take();  // may close a port whose device went away; its last bytes are still given
        std::size_t count = m_received.size();
        if (m_inputLen > 0)
            count = std::min<std::size_t>(count, static_cast<std::size_t>(m_inputLen));
        *text = textOf(std::string_view(m_received).substr(0, count));
        m_received.erase(0, count);
        return S_OK;
    }
    HRESULT putOutput(const VARIANT& value) {
        if (!m_device)
            return fail(comPortNotOpen);
        std::string bytes;
        if (value.vt == VT_BSTR) {
            bytes = bytesOf(value.bstrVal);
        } else {
            const std::optional<std::string> text = com::Variant::copyOf(value).toString();
            if (!text)
                return fail(comInvalidPropertyValue);
            bytes = bytesOf(com::Bstr(*text).get());
        }
        if (!m_device->write(bytes))
            return fail(comReadError);
        return S_OK;
    }
    HRESULT getInBufferCount(SHORT* count) {
        if (m_device)
            take();
        *count = static_cast<SHORT>(std::min<std::size_t>(m_received.size(), 0x7FFF));
        return S_OK;
    }
    // Only 0 can be written: it throws away what was received and not yet read.
    HRESULT putInBufferCount(SHORT count) {
        if (count != 0)
            return fail(comInvalidPropertyValue);
        if (m_device)
            m_device->discardInput();
        m_received.clear();
        m_announced = 0;
        return S_OK;
    }
    HRESULT getInputLen(SHORT* length) {
        *length = m_inputLen;
        return S_OK;
    }
    HRESULT putInputLen(SHORT length) {
        if (length < 0)
            return fail(comInvalidPropertyValue);
        m_inputLen = length;
        return S_OK;
    }
    HRESULT getRThreshold(SHORT* threshold) {
        *threshold = m_rThreshold;
        return S_OK;
    }
    HRESULT putRThreshold(SHORT threshold) {
        if (threshold < 0)
            return fail(comInvalidPropertyValue);
        m_rThreshold = threshold;
        startWatching();
        return S_OK;
    }
    HRESULT getDTREnable(VARIANT_BOOL* on) {
        *on = toVariantBool(m_dtr);
        return S_OK;
    }
    HRESULT putDTREnable(VARIANT_BOOL on) {
        m_dtr = on != VARIANT_FALSE;
        if (m_device)
            m_device->setDtr(m_dtr);
        return S_OK;
    }
    HRESULT getRTSEnable(VARIANT_BOOL* on) {
        *on = toVariantBool(m_rts);
        return S_OK;
    }
    HRESULT putRTSEnable(VARIANT_BOOL on) {
        m_rts = on != VARIANT_FALSE;
        if (m_device)
            m_device->setRts(m_rts);
        return S_OK;
    }
    HRESULT getHandshaking(SHORT* value) {
        *value = m_handshaking;
        return S_OK;
    }
    HRESULT putHandshaking(SHORT value) {
        if (value < comNone || value > comRTSXOnXOff)
            return fail(comInvalidPropertyValue);
        m_handshaking = value;
        if (m_device)
            m_device->configure(m_settings, m_handshaking);
        return S_OK;
    }
    HRESULT getNullDiscard(VARIANT_BOOL* on) {
        *on = toVariantBool(m_nullDiscard);
        return S_OK;
    }
    HRESULT putNullDiscard(VARIANT_BOOL on) {
        m_nullDiscard = on != VARIANT_FALSE;
        return S_OK;
    }
    // Stored only: the received bytes are never cut at an end-of-file character, since a caller-ID
    // unit's binary block may hold one.
    HRESULT getEOFEnable(VARIANT_BOOL* on) {
        *on = toVariantBool(m_eofEnable);
        return S_OK;
    }
    HRESULT putEOFEnable(VARIANT_BOOL on) {
        m_eofEnable = on != VARIANT_FALSE;
        return S_OK;
    }
    HRESULT getCommEvent(SHORT* event) {
        *event = m_commEvent;
        return S_OK;
    }

    // Raises OnComm with `event` when the port is open on `path`.
    void raise(SHORT event) {
        if (!m_device)
            return;
        m_commEvent = event;
        // The container may let the control go inside its handler.
        const com::Ptr<MSCommObject> keepAlive(this);
        m_events.fire(DISPID_OnComm);
    }

  private:
    HRESULT fail(LONG number) const {
        com::setErrorInfo(IID_IMSComm, kProgId, errorDescription(number));
        return errorHresult(number);
    }

    HRESULT openPort() {
        const std::string path = devicePathOfPort(m_port);
        std::unique_ptr<Device> device = makeDevice();
        if (!device->open(path))
            return fail(device->errorNumber());
        if (!device->configure(m_settings, m_handshaking)) {
            device->close();
            return fail(comSetCommStateFailed);
        }
        // A device without modem control lines still carries data.
        device->setDtr(m_dtr);
        device->setRts(m_rts);
        m_device = std::move(device);
        m_received.clear();
        m_announced = 0;
        m_ringWasOn = m_device->ringIndicator().value_or(false);
        openControls()[this] = path;
        startWatching();
        return S_OK;
    }

    void closePort() {
        m_watch.setInterval(0);
        openControls().erase(this);
        if (m_device) {
            m_device->close();
            m_device.reset();
        }
        m_received.clear();
    }

    // Moves what the device received into the control's buffer, whose oldest bytes go when it
    // would pass the limit. A device that has gone closes the port.
    void take() {
        std::string bytes = m_device->readAvailable();
        if (m_nullDiscard)
            std::erase(bytes, '\0');
        m_received += bytes;
        if (m_received.size() > kReadLimit) {
            const std::size_t dropped = m_received.size() - kReadLimit;
            m_received.erase(0, dropped);
            m_announced = m_announced > dropped ? m_announced - dropped : 0;
        }
        if (m_device->hungUp())
            lose();
    }

    // The device went away: the port is closed, and what arrived before stays to be read.
    void lose() {
        m_watch.setInterval(0);
        openControls().erase(this);
        m_device->close();
        m_device.reset();
    }

    void startWatching() {
        const bool ringLine = m_device && m_device->ringIndicator().has_value();
        const bool wanted = m_device && (ringLine || m_rThreshold > 0);
        m_watch.setInterval(wanted ? kWatchIntervalMs : 0);
    }

    void watch() {
        if (!m_device)
            return;
        if (const std::optional<bool> ring = m_device->ringIndicator()) {
            const bool rising = *ring && !m_ringWasOn;
            m_ringWasOn = *ring;
            if (rising)
                raise(comEvRing);
        }
        if (m_device && m_rThreshold > 0) {
            take();
            if (m_received.size() >= static_cast<std::size_t>(m_rThreshold) &&
                m_received.size() > m_announced) {
                m_announced = m_received.size();
                raise(comEvReceive);
            }
        }
    }

    com::EventSource m_events{*this, DIID_DMSCommEvents};
    std::unique_ptr<Device> m_device;
    core::Timer m_watch;
    int m_port = 1;
    LineSettings m_settings;
    std::string m_settingsText = "9600,N,8,1";
    std::string m_received;
    std::size_t m_announced = 0;  // buffer size last reported by a receive event
    SHORT m_inputLen = 0;
    SHORT m_rThreshold = 0;
    SHORT m_handshaking = comNone;
    SHORT m_commEvent = 0;
    bool m_dtr = false;
    bool m_rts = false;
    bool m_nullDiscard = false;
    bool m_eofEnable = false;
    bool m_ringWasOn = false;
};

constexpr com::Member kMembers[] = {
    com::property<&MSCommObject::getCommPort, &MSCommObject::putCommPort>(
        "CommPort", DISPID_CommPort, com::doc("The port number opened next")),
    com::property<&MSCommObject::getDTREnable, &MSCommObject::putDTREnable>(
        "DTREnable", DISPID_DTREnable, com::doc("Data Terminal Ready on while open")),
    com::property<&MSCommObject::getHandshaking, &MSCommObject::putHandshaking>(
        "Handshaking", DISPID_Handshaking, com::doc("0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both")),
    com::property<&MSCommObject::getInBufferCount, &MSCommObject::putInBufferCount>(
        "InBufferCount", DISPID_InBufferCount,
        com::doc("Bytes received and not read; writing 0 discards them")),
    com::property<&MSCommObject::getInputLen, &MSCommObject::putInputLen>(
        "InputLen", DISPID_InputLen, com::doc("Characters one read of Input takes; 0 all")),
    com::property<&MSCommObject::getNullDiscard, &MSCommObject::putNullDiscard>(
        "NullDiscard", DISPID_NullDiscard, com::doc("Drops received NUL bytes")),
    com::property<&MSCommObject::getPortOpen, &MSCommObject::putPortOpen>(
        "PortOpen", DISPID_PortOpen, com::doc("Opens or closes the port")),
    com::property<&MSCommObject::getRThreshold, &MSCommObject::putRThreshold>(
        "RThreshold", DISPID_RThreshold, com::doc("Bytes received before a receive event; 0 none")),
    com::property<&MSCommObject::getRTSEnable, &MSCommObject::putRTSEnable>(
        "RTSEnable", DISPID_RTSEnable, com::doc("Request To Send on while open")),
    com::property<&MSCommObject::getSettings, &MSCommObject::putSettings>(
        "Settings", DISPID_Settings, com::doc("Baud, parity, data bits, stop bits")),
    com::writeOnly<&MSCommObject::putOutput>("Output", DISPID_Output,
                                             com::doc("Sends the text, one byte a character")),
    com::readOnly<&MSCommObject::getInput>("Input", DISPID_Input,
                                           com::doc("Takes the characters received, one a byte")),
    com::readOnly<&MSCommObject::getCommEvent>("CommEvent", DISPID_CommEvent,
                                               com::doc("The event OnComm reports")),
    com::property<&MSCommObject::getEOFEnable, &MSCommObject::putEOFEnable>(
        "EOFEnable", DISPID_EOFEnable, com::doc("Kept for compatibility; input is never cut")),
};

const com::TypeTable& MSCommObject::typeTable() {
    static constexpr com::TypeTable table{
        IID_IMSComm, "IMSComm", kMembers, "Serial communications control", TYPEFLAG_FDISPATCHABLE,
        kProgId};
    return table;
}

bool parseNumber(std::string_view text, int& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string devicePathOfPort(int port) {
    const std::string name = "COM" + std::to_string(port);
    for (const auto& [path, data] : registry::stringValues(HKEY_LOCAL_MACHINE, kSerialCommKey)) {
        if (core::equalsNoCase(data, name)) {
            return path;
        }
    }
    return "/dev/ttyS" + std::to_string(port - 1);
}

std::optional<LineSettings> parseSettings(std::string_view text) {
    std::string fields[4];
    std::size_t count = 0;
    for (std::size_t start = 0; count < 4;) {
        const std::size_t comma = text.find(',', start);
        fields[count++] = std::string(text.substr(start, comma - start));
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
        if (count == 4) {
            return std::nullopt;
        }
    }
    LineSettings settings;
    if (count != 4 || !parseNumber(fields[0], settings.baud) || settings.baud <= 0 ||
        fields[1].size() != 1 || !parseNumber(fields[2], settings.dataBits) ||
        !parseNumber(fields[3], settings.stopBits)) {
        return std::nullopt;
    }
    settings.parity = core::toUpperAscii(fields[1])[0];
    if (std::string_view("NEOMS").find(settings.parity) == std::string_view::npos ||
        settings.dataBits < 5 || settings.dataBits > 8 ||
        (settings.stopBits != 1 && settings.stopBits != 2)) {
        return std::nullopt;
    }
    return settings;
}

void setDeviceFactory(DeviceFactory factory) {
    deviceFactory() = std::move(factory);
}

com::Ptr<IDispatch> createMSCommObject() {
    return com::Ptr<IDispatch>::attach(static_cast<IDispatch*>(new MSCommObject()));
}

int injectCommEvent(std::string_view devicePath, SHORT event) {
    int reached = 0;
    for (const auto& [control, path] : openControls()) {
        if (path != devicePath) {
            continue;
        }
        ++reached;
        // As a real line change would, the event arrives when the program next pumps.
        com::Ptr<MSCommObject> target(control);
        core::post([target, event] { target->raise(event); });
    }
    return reached;
}

}  // namespace serial
