#include "lkLK36/activex/lkLK36_server.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "lkLK36/activex/lkLineImpl1.h"
#include "lkLK36/activex/lkPhoneImpl1.h"
#include "lkLK36/activex/lkPlayImpl1.h"
#include "lkLK36/activex/lkRecordImpl1.h"
#include "platform/com/registration.h"
#include "platform/com/variant.h"
#include "platform/core/text.h"
#include "platform/registry/registry.h"

namespace lkLK36 {

namespace {

constexpr std::string_view kRegistryError = "Error creating system registry entry";

com::ServerModule g_module;

constexpr ControlClass kControlClasses[] = {
    {kLineIdentity, &lkLineCoclass, &com::createInstance<TlkLine>},
    {kPhoneIdentity, &lkPhoneCoclass, &com::createInstance<TlkPhone>},
    {kPlayIdentity, &lkPlayCoclass, &com::createInstance<TlkPlay>},
    {kRecordIdentity, &lkRecordCoclass, &com::createInstance<TlkRecord>},
};

// The factories, made when the library is loaded, in table order, for the controls that can be
// made; they live until the library is unloaded.
class Factories {
  public:
    Factories() {
        for (std::size_t i = 0; i < std::size(kControlClasses); ++i) {
            const ControlClass& control = kControlClasses[i];
            if (!control.create)
                continue;
            com::ClassFactory& factory = m_factories[i].emplace(g_module, control.create);
            m_entries.push_back({control.identity.clsid, factory});
        }
        // The Line engines take telephony messages only once the library stands.
        setLkLibraryReady(true);
    }
    std::span<const com::ClassEntry> entries() const { return m_entries; }

  private:
    std::array<std::optional<com::ClassFactory>, std::size(kControlClasses)> m_factories;
    std::vector<com::ClassEntry> m_entries;
};

const Factories g_factories;

std::string version() {
    return std::to_string(kMajorVersion) + "." + std::to_string(kMinorVersion);
}

std::string clsidKey(const ControlIdentity& control) {
    return "CLSID\\" + core::formatGuid(control.clsid);
}

// Each control's dual interface and events interface, as the type library lists them.
std::array<com::InterfaceRegistration, 2 * std::size(kControlClasses)> interfaceRegistrations() {
    std::array<com::InterfaceRegistration, 2 * std::size(kControlClasses)> interfaces{};
    std::size_t next = 0;
    for (const ControlClass& control : kControlClasses) {
        interfaces[next++] = {control.identity.iid, control.identity.interfaceName};
        interfaces[next++] = {control.identity.eventsIid, control.identity.eventsName};
    }
    return interfaces;
}

com::TypeLibRegistration typeLibRegistration(
    std::string_view path, std::string_view helpDirectory,
    std::span<const com::InterfaceRegistration> interfaces) {
    // The version key's text is the library's help string, as type libraries are listed.
    return {LIBID_lkLK36, kMajorVersion, kMinorVersion,         kLcid,     kLibraryHelpString,
            path,         helpDirectory, com::LIBFLAG_FCONTROL, interfaces};
}

// Leaves the reason for a failed registration where a caller of the entry point can find it.
HRESULT fail(std::string_view reason) {
    com::setErrorInfo(IID_NULL, kLibraryName, reason);
    return E_FAIL;
}

// The keys of one control, in the order they are written: the class, its server, its ProgID, the
// version and type library, the status, the toolbox bitmap, the control and verb markers, the
// verbs.
bool registerControl(const ControlIdentity& control, const std::string& path) {
    const std::string libid = core::formatGuid(LIBID_lkLK36);
    const std::string versionText = version();
    com::CoclassRegistration coclass{control.clsid, control.progId, control.description, path,
                                     "Apartment",   versionText,    &LIBID_lkLK36};
    if (FAILED(com::registerCoclass(coclass)))
        return false;
    const std::string key = clsidKey(control);
    const std::string bitmap = path + "," + std::to_string(control.toolboxBitmap);
    const std::string verb = std::string(kPropertiesVerbName) + ",0,2";
    const std::string verbKey = key + "\\Verb\\" + std::to_string(kPropertiesVerb);
    const std::pair<std::string, std::string> values[] = {
        {key + "\\MiscStatus", "0"},
        {key + "\\MiscStatus\\1", std::to_string(kMiscStatus)},
        {key + "\\ToolboxBitmap32", bitmap},
        {key + "\\Control", ""},
        {key + "\\Verb", ""},
        {verbKey, verb},
    };
    for (const auto& [subkey, text] : values) {
        if (FAILED(com::writeClassesValue(subkey, "", text)))
            return false;
    }
    return true;
}

// Deletes one key that has no subkeys left. Missing is fine, and so is a key that still holds
// keys another program put there (the registry refuses it and it stays); anything else means the
// registry could not be changed.
bool deleteKey(const std::string& key) {
    const LONG result = RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ||
           result == ERROR_ACCESS_DENIED;
}

// The keys of one control, innermost first, so that each key is empty by the time it goes.
bool unregisterControl(const ControlIdentity& control) {
    const std::string key = clsidKey(control);
    const std::string progId(control.progId);
    const std::string keys[] = {
        key + "\\Verb\\" + std::to_string(kPropertiesVerb),
        key + "\\Verb",
        key + "\\Control",
        key + "\\ToolboxBitmap32",
        key + "\\MiscStatus\\1",
        key + "\\MiscStatus",
        key + "\\TypeLib",
        key + "\\Version",
        key + "\\ProgID",
        progId + "\\Clsid",
        progId,
        key + "\\InprocServer32",
        key,
    };
    bool ok = true;
    for (const std::string& each : keys)
        ok = deleteKey(each) && ok;
    return ok;
}

}  // namespace

com::ServerModule& serverModule() {
    return g_module;
}

std::span<const ControlClass> controlClasses() {
    return kControlClasses;
}

HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return com::getClassObject(g_factories.entries(), clsid, iid, object);
}

HRESULT canUnloadNow() {
    return g_module.canUnloadNow();
}

HRESULT registerServer(std::string_view libraryPath) {
    const std::string path(libraryPath);
    const std::string helpDirectory = std::filesystem::path(path).parent_path().string();
    const auto interfaces = interfaceRegistrations();
    if (HRESULT hr = com::registerTypeLib(typeLibRegistration(path, helpDirectory, interfaces));
        FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "%08X", static_cast<unsigned>(hr));
        return fail("Error registering the type library [" + std::string(code) + "]");
    }
    for (const ControlClass& control : kControlClasses) {
        if (!registerControl(control.identity, path))
            return fail(kRegistryError);
    }
    return S_OK;
}

HRESULT unregisterServer() {
    const auto interfaces = interfaceRegistrations();
    // Whatever the type library's removal answers, the controls' keys go too.
    com::unregisterTypeLib(typeLibRegistration({}, {}, interfaces));
    bool ok = true;
    for (const ControlClass& control : kControlClasses)
        ok = unregisterControl(control.identity) && ok;
    return ok ? S_OK : E_FAIL;
}

}  // namespace lkLK36
