#include "platform/ui/printer.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/ui/print_module.h"

namespace ui {
namespace {

constexpr const char* kModuleName = "libbelltale_ui_print.so";

std::string& outputFile() {
    static std::string path;
    return path;
}

// The module is built beside this library; BELLTALE_PRINT_MODULE names another file.
std::string moduleFile() {
    if (const char* named = std::getenv("BELLTALE_PRINT_MODULE"); named && *named) {
        return named;
    }
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&moduleFile), &info) || !info.dli_fname) {
        return kModuleName;
    }
    return (std::filesystem::path(info.dli_fname).parent_path() / kModuleName).string();
}

struct Module {
    std::string file;  // where the functions came from, or what failed to load
    const BelltalePrintFunctions* functions = nullptr;
};

// The module's functions, loading it the first time; null when it cannot be loaded, said once on
// standard error. A module that was loaded stays loaded: Qt keeps what it registered.
const BelltalePrintFunctions* module() {
    static Module loaded;
    const std::string wanted = moduleFile();
    if (loaded.file == wanted) {
        return loaded.functions;
    }
    loaded = Module{wanted, nullptr};
    std::string why;
    if (void* handle = dlopen(wanted.c_str(), RTLD_NOW | RTLD_LOCAL); !handle) {
        const char* error = dlerror();
        why = error ? error : wanted;
    } else if (auto entry = reinterpret_cast<const BelltalePrintFunctions* (*)()>(
                   dlsym(handle, kBelltalePrintEntryPoint));
               !entry) {
        dlclose(handle);
        why = wanted + " has no " + kBelltalePrintEntryPoint;
    } else {
        loaded.functions = entry();
    }
    if (!loaded.functions) {
        std::fprintf(stderr,
                     "printer: the printing module could not be loaded (%s): nothing prints\n",
                     why.c_str());
    }
    return loaded.functions;
}

}  // namespace

struct Printer::Document {
    Document(const BelltalePrintFunctions& print, BelltalePrintDocument* handle)
        : print(print), handle(handle) {}
    const BelltalePrintFunctions& print;
    BelltalePrintDocument* handle;
};

Printer::Printer() = default;

Printer::~Printer() {
    EndDoc();
}

void Printer::setFontSize(double points) {
    if (points > 0) {
        m_fontSize = points;
    }
}

bool Printer::startDocument() {
    const BelltalePrintFunctions* print = module();
    if (!print) {
        return false;
    }
    BelltalePrintDocument* handle = print->open(outputFile().c_str());
    if (!handle) {
        return false;
    }
    m_document = std::make_unique<Document>(*print, handle);
    return true;
}

bool Printer::Print(std::string_view text) {
    if (!m_document && !startDocument()) {
        return false;
    }
    m_document->print.printLine(m_document->handle, text.data(), text.size(), m_fontSize,
                                m_currentX);
    m_currentX = 0;
    return true;
}

void Printer::EndDoc() {
    if (m_document) {
        m_document->print.end(m_document->handle);
        m_document.reset();
    }
}

void Printer::KillDoc() {
    if (m_document) {
        m_document->print.abort(m_document->handle);
        m_document.reset();
    }
}

Printer& printer() {
    static Printer instance;
    return instance;
}

void setPrinterOutputFile(std::string path) {
    outputFile() = std::move(path);
}

}  // namespace ui
