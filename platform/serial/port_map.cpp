// The serial-port map, filled at start from the machine's serial devices as Windows fills it from
// the devices it finds.
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <set>
#include <system_error>

#include "platform/core/text.h"
#include "platform/registry/registry.h"
#include "platform/serial/serial.h"

namespace serial {
namespace {

constexpr std::string_view kBuiltInPrefix = "/dev/ttyS";
constexpr int kHighestPort = 255;

// The number of a "COMn" text; nothing for any other.
std::optional<int> portOf(std::string_view data) {
    if (data.size() < 4 || !core::equalsNoCase(data.substr(0, 3), "COM")) {
        return std::nullopt;
    }
    int port = 0;
    const char* end = data.data() + data.size();
    const auto [last, error] = std::from_chars(data.data() + 3, end, port);
    if (error != std::errc() || last != end || port < 1 || port > kHighestPort) {
        return std::nullopt;
    }
    return port;
}

// A built-in port /dev/ttyS<k> is port k+1 without any mapping.
std::optional<int> builtInPort(std::string_view device) {
    if (device.substr(0, kBuiltInPrefix.size()) != kBuiltInPrefix) {
        return std::nullopt;
    }
    const std::string_view index = device.substr(kBuiltInPrefix.size());
    int k = 0;
    const auto [last, error] = std::from_chars(index.data(), index.data() + index.size(), k);
    if (index.empty() || error != std::errc() || last != index.data() + index.size() || k < 0 ||
        k + 1 > kHighestPort) {
        return std::nullopt;
    }
    return k + 1;
}

// The stable name of each device that has one: the links of the by-id folder, by the device
// they lead to.
std::map<std::string, std::string> stableNames(const std::filesystem::path& byIdFolder) {
    std::map<std::string, std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(byIdFolder, error)) {
        std::error_code ignored;
        const std::filesystem::path target = std::filesystem::canonical(entry.path(), ignored);
        if (ignored) {
            continue;
        }
        const std::string link = entry.path().string();
        // Two links to one device: the first in name order, so the choice is the same each start.
        auto [at, added] = names.emplace(target.string(), link);
        if (!added && link < at->second) {
            at->second = link;
        }
    }
    return names;
}

// The names of a folder's entries; none when it cannot be read.
std::set<std::string> entryNames(const std::filesystem::path& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// A built-in UART's driver makes a device for every slot it was given, a chip behind it or not;
// only a slot whose port type is known has one.
bool isSerial8250WithChip(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    serial_struct info{};
    const bool known = ::ioctl(fd, TIOCGSERIAL, &info) != -1 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return known;
}

// Terminals without a hardware parent that are serial ports all the same: Bluetooth RFCOMM, the
// null-modem pairs, a USB gadget's serial function.
bool isVirtualSerialPort(std::string_view name) {
    return name.starts_with("rfcomm") || name.starts_with("tnt") || name.starts_with("ttyGS");
}

}  // namespace

std::vector<std::string> fillSerialCommMap(std::vector<std::string> devices,
                                           const std::filesystem::path& byIdFolder) {
    const std::map<std::string, std::string> stable = stableNames(byIdFolder);
    std::set<int> taken;
    std::set<std::string> mapped;
    for (const auto& [path, data] : registry::stringValues(HKEY_LOCAL_MACHINE, kSerialCommKey)) {
        if (const std::optional<int> port = portOf(data)) {
            taken.insert(*port);
        }
        mapped.insert(path);
        std::error_code ignored;
        const std::filesystem::path target = std::filesystem::canonical(path, ignored);
        if (!ignored) {
            mapped.insert(target.string());
        }
    }
    std::sort(devices.begin(), devices.end());
    // Built-in ports keep the numbers they have without a map; others take the lowest number left.
    for (const std::string& device : devices) {
        if (const std::optional<int> port = builtInPort(device)) {
            taken.insert(*port);
        }
    }
    std::vector<std::string> added;
    int next = 1;
    for (const std::string& device : devices) {
        if (builtInPort(device)) {
            continue;
        }
        const auto found = stable.find(device);
        const std::string key = found != stable.end() ? found->second : device;
        if (mapped.count(key) || mapped.count(device)) {
            continue;
        }
        while (taken.count(next)) {
            ++next;
        }
        if (next > kHighestPort) {
            break;
        }
        const std::string data = "COM" + std::to_string(next);
        if (registry::writeString(HKEY_LOCAL_MACHINE, kSerialCommKey, key, data) == ERROR_SUCCESS) {
            taken.insert(next);
            added.push_back(key + " = " + data);
        }
    }
    return added;
}

// Read from sysfs directly: the device database's walk over every terminal of the machine took
// about 20 ms of each start. A terminal whose device has a hardware parent is a port, unless it is
// a built-in UART slot with no chip; the parent's driver is what the "device" link leads to.
std::vector<std::string> machineSerialDevices() {
    const std::filesystem::path sys = "/sys";
    const std::set<std::string> virtualTerminals = entryNames(sys / "devices/virtual/tty");
    std::vector<std::string> devices;
    for (const std::string& name : entryNames(sys / "class/tty")) {
        const std::string device = "/dev/" + name;
        if (virtualTerminals.count(name)) {
            if (isVirtualSerialPort(name)) {
                devices.push_back(device);
            }
            continue;
        }
        std::error_code error;
        const std::filesystem::path driver =
            std::filesystem::read_symlink(sys / "class/tty" / name / "device/driver", error);
        if (!error && driver.filename() == "serial8250" && !isSerial8250WithChip(device)) {
            continue;
        }
        devices.push_back(device);
    }
    return devices;
}

std::vector<std::string> serialPortList(const std::vector<std::string>& devices) {
    std::map<int, std::string> ports;
    for (const auto& [path, data] : registry::stringValues(HKEY_LOCAL_MACHINE, kSerialCommKey)) {
        if (const std::optional<int> port = portOf(data)) {
            ports.emplace(*port, path);
        }
    }
    for (const std::string& device : devices) {
        if (const std::optional<int> port = builtInPort(device)) {
            ports.emplace(*port, device);
        }
    }
    std::vector<std::string> list;
    for (const auto& [port, path] : ports) {
        list.push_back("COM" + std::to_string(port) + " = " + path);
    }
    return list;
}

}  // namespace serial
