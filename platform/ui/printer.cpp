#include "platform/ui/printer.h"

#include <cstdio>

#include "platform/core/loaded_library.h"
#include "platform/ui/print_module.h"

namespace ui {
namespace {

constexpr const char* kModuleName = "libbelltale_ui_print.so";

std::string& outputFile() {
    static std::string path;
    return path;
}

// The module is built beside this library; BELLTALE_PRINT_MODULE names another file.
const std::string& besideThisLibrary() {
    static const std::string file =
        core::besideLibraryOf(reinterpret_cast<const void*>(&besideThisLibrary), kModuleName);
    return file;
}

// A module that was loaded stays loaded: Qt keeps what it registered.
core::LoadedLibrary<BelltalePrintFunctions>& printModule() {
    static core::LoadedLibrary<BelltalePrintFunctions> library(
        "the printing module", "nothing prints", "BELLTALE_PRINT_MODULE",
        besideThisLibrary().c_str(),
        [](core::LibrarySymbols& symbols, BelltalePrintFunctions& functions) -> std::string {
            const BelltalePrintFunctions* (*entry)() = nullptr;
            symbols.resolve(kBelltalePrintEntryPoint, entry);
            if (entry) {
                functions = *entry();
            }
            return {};
        });
    return library;
}

// The module's functions, loading it the first time; null when it cannot be loaded, said once on
// standard error for each reason.
const BelltalePrintFunctions* module() {
    static std::string said;
    std::string why;
    if (const BelltalePrintFunctions* functions = printModule().load(&why)) {
        said.clear();
        return functions;
    }
    if (why != said) {
        std::fprintf(stderr, "printer: %s\n", why.c_str());
        said = why;
    }
    return nullptr;
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
