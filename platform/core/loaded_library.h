// A system library loaded on first use rather than linked, for one that costs every start of the
// program (its load, its chain of libraries, its pages) while only some runs need it. The layer
// that uses it asks for its functions when it first needs them; when the library cannot be loaded
// that use fails with the reason and the program runs on without it.
//
// The file loaded is the library's usual name, or the one an environment variable names when it is
// set (tests point it at a missing library). Thread-safe.
#pragma once

#include <memory>
#include <mutex>
#include <string>

namespace core {

// Finds a loaded library's functions by name, remembering the first one it could not find.
class LibrarySymbols {
  public:
    explicit LibrarySymbols(void* handle) : m_handle(handle) {}

    template <typename Function>
    void resolve(const char* symbol, Function& function) {
        function = reinterpret_cast<Function>(find(symbol));
    }
    bool complete() const { return m_missing.empty(); }
    const std::string& missing() const { return m_missing; }

  private:
    void* find(const char* symbol);

    void* m_handle;
    std::string m_missing;
};

// The path of `file` in the folder of the library that holds `address` (a function of that
// library): where a layer finds the module built beside it. `file` alone when the loader cannot
// tell which library holds the address.
std::string besideLibraryOf(const void* address, const char* file);

namespace detail {

// The library `file` opened with its symbols kept private, or null with the loader's reason.
void* openLibrary(const std::string& file, std::string& reason);
void closeLibrary(void* handle);
// The environment variable's value when set and not empty, else `usualFile`.
std::string wantedLibrary(const char* variable, const char* usualFile);

}  // namespace detail

template <typename Functions>
class LoadedLibrary {
  public:
    // Fills `functions` from `symbols`. Returns an empty string when the library can serve, else
    // why it cannot; a symbol that is missing is reported by the loader, naming it.
    using Bind = std::string (*)(LibrarySymbols& symbols, Functions& functions);

    // `label` names the library and `without` says what is off without it, in a reason such as
    // "libcurl could not be loaded (...): Internet transfers are off".
    LoadedLibrary(const char* label, const char* without, const char* variable,
                  const char* usualFile, Bind bind)
        : m_label(label),
          m_without(without),
          m_variable(variable),
          m_usualFile(usualFile),
          m_bind(bind) {}

    // The functions, loading the library the first time; null when it cannot be loaded, and then
    // `why` (when given) says so in words fit for the user. A failure is not remembered: a later
    // call tries again. A library loaded before under another name stays loaded, for whatever
    // still uses its functions.
    const Functions* load(std::string* why = nullptr) {
        const std::string wanted = detail::wantedLibrary(m_variable, m_usualFile);
        std::lock_guard lock(m_mutex);
        if (m_loaded && m_loaded->file == wanted)
            return &m_loaded->functions;

        std::string reason;
        if (void* handle = detail::openLibrary(wanted, reason)) {
            auto loaded = std::make_unique<Loaded>(wanted);
            LibrarySymbols symbols(handle);
            const std::string refusal = m_bind(symbols, loaded->functions);
            if (symbols.complete() && refusal.empty()) {
                m_loaded = loaded.release();  // never freed: its functions stay callable
                return &m_loaded->functions;
            }
            detail::closeLibrary(handle);
            reason = wanted + (symbols.complete() ? " " + refusal : " has no " + symbols.missing());
        }
        if (why)
            *why = std::string(m_label) + " could not be loaded (" + reason + "): " + m_without;
        return nullptr;
    }

  private:
    struct Loaded {
        explicit Loaded(std::string name) : file(std::move(name)) {}
        std::string file;
        Functions functions{};
    };

    const char* m_label;
    const char* m_without;
    const char* m_variable;
    const char* m_usualFile;
    Bind m_bind;
    std::mutex m_mutex;
    Loaded* m_loaded = nullptr;
};

}  // namespace core
