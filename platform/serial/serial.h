// The serial communications control (MSComm) as an automation object, over a serial device.
//
// Port number n names a device through the registry: a string value under
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM whose data is "COMn" and whose name is the
// device's path ("/dev/ttyUSB0" = "COM3"); without one, port n is "/dev/ttyS<n-1>". The device is
// opened in raw mode and carries bytes unchanged: `Input` gives one character per received byte
// (its code is the byte's value) and `Output` sends one byte per character. A member that cannot do
// its work fails with the control's error number (comPortInvalid, comPortNotOpen ...) in the error
// object's description and in the HRESULT's code. DTR, RTS and the modem status lines are
// best-effort: a device without them (a pseudo-terminal) still opens. A device that goes away while
// open (unplugged, the far end of a terminal closed) closes the port at the next read: `Input`
// still gives what arrived before, and `PortOpen` reads False from then on. A read takes at most
// kReadLimit bytes, and the control keeps at most that many unread (the newest), so a device that
// never pauses cannot fill the memory. Events (`OnComm`) reach the
// container on the UI thread when it pumps. UI thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/object.h"
#include "platform/com/oleauto.h"

namespace serial {

// The dispatch interface and the events interface (this project's IIDs).
inline constexpr IID IID_IMSComm{
    0x6E4B7F31, 0x2C1A, 0x4E8B, {0x9B, 0x52, 0x3D, 0x0F, 0x71, 0xA4, 0x18, 0x2E}};
inline constexpr IID DIID_DMSCommEvents{
    0x6E4B7F32, 0x2C1A, 0x4E8B, {0x9B, 0x52, 0x3D, 0x0F, 0x71, 0xA4, 0x18, 0x2E}};

inline constexpr DISPID DISPID_CommPort = 4;
inline constexpr DISPID DISPID_DTREnable = 9;
inline constexpr DISPID DISPID_Handshaking = 10;
inline constexpr DISPID DISPID_InBufferCount = 12;
inline constexpr DISPID DISPID_InputLen = 15;
inline constexpr DISPID DISPID_NullDiscard = 16;
inline constexpr DISPID DISPID_PortOpen = 20;
inline constexpr DISPID DISPID_RThreshold = 21;
inline constexpr DISPID DISPID_RTSEnable = 22;
inline constexpr DISPID DISPID_Settings = 23;
inline constexpr DISPID DISPID_Output = 25;
inline constexpr DISPID DISPID_Input = 26;
inline constexpr DISPID DISPID_CommEvent = 27;
inline constexpr DISPID DISPID_EOFEnable = 28;
inline constexpr DISPID DISPID_OnComm = 1;  // in the events interface

// CommEvent values.
inline constexpr SHORT comEvSend = 1;
inline constexpr SHORT comEvReceive = 2;
inline constexpr SHORT comEvCTS = 3;
inline constexpr SHORT comEvDSR = 4;
inline constexpr SHORT comEvCD = 5;
inline constexpr SHORT comEvRing = 6;
inline constexpr SHORT comEvEOF = 7;

// Handshaking values.
inline constexpr SHORT comNone = 0;
inline constexpr SHORT comXOnXoff = 1;
inline constexpr SHORT comRTS = 2;
inline constexpr SHORT comRTSXOnXOff = 3;

// Error numbers, as the error object's HRESULT carries them (FACILITY_CONTROL).
inline constexpr LONG comInvalidPropertyValue = 380;
inline constexpr LONG comPortOpen = 8000;
inline constexpr LONG comPortInvalid = 8002;
inline constexpr LONG comPortAlreadyOpen = 8005;
inline constexpr LONG comHardwareUnavailable = 8010;
inline constexpr LONG comSetCommStateFailed = 8015;
inline constexpr LONG comPortNotOpen = 8018;
inline constexpr LONG comReadError = 8020;
constexpr HRESULT errorHresult(LONG number) {
    return static_cast<HRESULT>(0x800A0000u | static_cast<std::uint32_t>(number));
}

// The most bytes one read takes from a device, and the most the control keeps unread.
inline constexpr std::size_t kReadLimit = 64 * 1024;

// The registry key that maps port numbers to devices.
inline constexpr std::string_view kSerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
// The device path of port `port` (1 and up).
std::string devicePathOfPort(int port);

// The map filled as the machine's devices come: each of `devices` (device paths, as
// machineSerialDevices() lists them) that no mapping names yet gets the lowest port number left,
// keyed by its link in `byIdFolder` (a USB device's stable name, "/dev/serial/by-id") when it has
// one, so it keeps its number across starts. A built-in port /dev/ttyS<k> keeps port k+1, its
// number without a map. A mapping already there, the user's included, is never changed. Returns
// the mappings added, as "path = COMn".
std::vector<std::string> fillSerialCommMap(std::vector<std::string> devices,
                                           const std::filesystem::path& byIdFolder);
// The serial devices of this machine (built-in, USB and ACM ports that have a driver).
std::vector<std::string> machineSerialDevices();
// Every port number the map or a built-in device of `devices` gives, in order: "COMn = path".
std::vector<std::string> serialPortList(const std::vector<std::string>& devices);

// Line parameters, as `Settings` writes them: "9600,N,8,1".
struct LineSettings {
    int baud = 9600;
    char parity = 'N';  // N, E, O, M or S
    int dataBits = 8;
    int stopBits = 1;  // 1 or 2
};
// Nothing when the text is not four such fields.
std::optional<LineSettings> parseSettings(std::string_view text);

// What the control drives: one serial device. The seam between the control and the system; tests
// put a fake in its place (platform/serial/testing/fake_port.h).
class Device {
  public:
    virtual ~Device() = default;
    // Opens `path` in raw mode. False, with errorNumber() set, when it cannot.
    virtual bool open(const std::string& path) = 0;
    virtual void close() = 0;
    // The error number of the last failed open (comPortInvalid, comHardwareUnavailable).
    virtual LONG errorNumber() const = 0;
    // False when the device refuses the parameters.
    virtual bool configure(const LineSettings& settings, SHORT handshaking) = 0;
    // Best-effort: false when the device has no such line.
    virtual bool setDtr(bool on) = 0;
    virtual bool setRts(bool on) = 0;
    // Everything received and not yet taken, without waiting.
    virtual std::string readAvailable() = 0;
    // False when not every byte could be handed to the device.
    virtual bool write(std::string_view bytes) = 0;
    // Drops what was received and not yet taken.
    virtual void discardInput() = 0;
    // The ring indicator line; nothing when the device has none.
    virtual std::optional<bool> ringIndicator() = 0;
    // True once the device has gone (unplugged, or the far end of a terminal closed), as seen by
    // the last read: it carries nothing more until it is opened again.
    virtual bool hungUp() = 0;
};

// The device a new control drives. Tests replace it; an empty function restores QSerialPort.
using DeviceFactory = std::function<std::unique_ptr<Device>()>;
void setDeviceFactory(DeviceFactory factory);

// A new serial control with its port closed (port 1, "9600,N,8,1"); the caller owns the one
// reference. It answers IDispatch, IID_IMSComm and IConnectionPointContainer (DIID_DMSCommEvents).
com::Ptr<IDispatch> createMSCommObject();

}  // namespace serial
