// A tiny in-process server for the creation tests: one class, Echo, with the four entry points.
#include <dlfcn.h>

#include "platform/com/object.h"
#include "platform/com/registration.h"
#include "platform/com/type_table.h"
#include "platform/com/variant.h"

namespace {

constexpr CLSID kEchoClsid{0x8A1E0010, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x10}};
constexpr IID kEchoIid{0x8A1E0011, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x11}};

com::ServerModule g_module;

class Echo final : public com::Dispatchable<Echo> {
  public:
    static const com::TypeTable& typeTable();

    HRESULT Say(BSTR text, BSTR* result) {
        *result = com::bstrFromUtf8("echo: " + com::utf8FromBstr(text));
        return S_OK;
    }

  private:
    com::ServerModule::Ref m_moduleRef{g_module};
};

constexpr com::Member kEchoMembers[] = {
    com::method<&Echo::Say>("Say", 1, com::params("Text")),
};

const com::TypeTable& Echo::typeTable() {
    static constexpr com::TypeTable table{kEchoIid, "IEcho", kEchoMembers};
    return table;
}

com::ClassFactory g_factory{g_module, &com::createInstance<Echo>};
const com::ClassEntry g_classes[] = {{kEchoClsid, g_factory}};

std::string ownPath() {
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&ownPath), &info);
    return info.dli_fname ? info.dli_fname : "";
}

}  // namespace

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return com::getClassObject(g_classes, clsid, iid, object);
}

extern "C" HRESULT DllCanUnloadNow() {
    return g_module.canUnloadNow();
}

extern "C" HRESULT DllRegisterServer() {
    const std::string path = ownPath();
    return com::registerCoclass({kEchoClsid, "ComTest.Echo", "Echo test class", path});
}

extern "C" HRESULT DllUnregisterServer() {
    return com::unregisterCoclass(kEchoClsid, "ComTest.Echo");
}
