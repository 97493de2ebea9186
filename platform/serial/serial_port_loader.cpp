// Loads the serial port module when the first real port is opened (see serial_port_module.h).
#include <cstdio>
#include <string>

#include "platform/core/loaded_library.h"
#include "platform/serial/device_internal.h"
#include "platform/serial/serial_port_module.h"

namespace serial {
namespace {

constexpr const char* kModuleName = "libbelltale_serial_port.so";

// The module is built beside this library; BELLTALE_SERIAL_MODULE names another file.
const std::string& besideThisLibrary() {
    static const std::string file =
        core::besideLibraryOf(reinterpret_cast<const void*>(&besideThisLibrary), kModuleName);
    return file;
}

core::LoadedLibrary<BelltaleSerialFunctions>& module() {
    static core::LoadedLibrary<BelltaleSerialFunctions> library(
        "the serial port module", "no serial port opens", "BELLTALE_SERIAL_MODULE",
        besideThisLibrary().c_str(),
        [](core::LibrarySymbols& symbols, BelltaleSerialFunctions& functions) -> std::string {
            const BelltaleSerialFunctions* (*entry)() = nullptr;
            symbols.resolve(kBelltaleSerialEntryPoint, entry);
            if (entry) {
                functions = *entry();
            }
            return {};
        });
    return library;
}

// Stands in for the device when the module cannot be loaded: every open fails as a port that
// cannot be opened does.
class UnavailableDevice final : public Device {
  public:
    bool open(const std::string&) override { return false; }
    void close() override {}
    LONG errorNumber() const override { return comHardwareUnavailable; }
    bool configure(const LineSettings&, SHORT) override { return false; }
    bool setDtr(bool) override { return false; }
    bool setRts(bool) override { return false; }
    std::string readAvailable() override { return {}; }
    bool write(std::string_view) override { return false; }
    void discardInput() override {}
    std::optional<bool> ringIndicator() override { return std::nullopt; }
    bool hungUp() override { return true; }
};

}  // namespace

std::unique_ptr<Device> makeSerialPortDevice() {
    // Each open tries again; a reason is said once until the module loads.
    static std::string said;
    std::string why;
    if (const BelltaleSerialFunctions* functions = module().load(&why)) {
        said.clear();
        return std::unique_ptr<Device>(functions->newDevice());
    }
    if (why != said) {
        std::fprintf(stderr, "serial: %s\n", why.c_str());
        said = why;
    }
    return std::make_unique<UnavailableDevice>();
}

}  // namespace serial
