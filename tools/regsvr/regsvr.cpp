// regsvr: registers or unregisters a control library in the registry, as a COM server registers
// itself: the library is loaded and its DllRegisterServer (or, with /u, DllUnregisterServer) is
// called. The registry is the one of the program folder ($BELLTALE_HOME).
//
//     regsvr [/u] [/s] <library path>
//
// /s leaves out the message on success; failures are always reported on standard error. The exit
// code tells what happened: 0 done, 1 bad arguments, 3 the library cannot be loaded, 4 it lacks
// the entry point, 5 the entry point failed.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/com/registration.h"
#include "platform/com/variant.h"
#include "platform/core/folders.h"
#include "platform/core/text.h"
#include "platform/registry/registry.h"

namespace {

enum ExitCode : int {
    kDone = 0,
    kBadArguments = 1,
    kCannotLoad = 3,
    kNoEntryPoint = 4,
    kEntryPointFailed = 5,
};

struct Options {
    bool unregister = false;
    bool silent = false;
    std::string library;
};

bool isOption(std::string_view arg, char letter) {
    return arg.size() == 2 && (arg[0] == '/' || arg[0] == '-') &&
           (arg[1] == letter || arg[1] == letter - 'a' + 'A');
}

// "/u" and "-u" alike, in either case. Any other argument is the library: a path may well begin
// with a slash.
bool parseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (isOption(arg, 'u'))
            options.unregister = true;
        else if (isOption(arg, 's'))
            options.silent = true;
        else if (arg.empty() || arg[0] == '-' || !options.library.empty())
            return false;
        else
            options.library = arg;
    }
    return !options.library.empty();
}

// The keys must name the library by a full path, whatever folder the next program starts in.
std::string fullPath(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return absolute.empty() ? path : absolute.lexically_normal().string();
}

std::string hresultText(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

// The reason the library left as error information for its failure, if any.
std::string errorDescription() {
    com::Ptr<IErrorInfo> error;
    if (GetErrorInfo(0, error.put()) != S_OK || !error)
        return {};
    com::Bstr description;
    if (FAILED(error->GetDescription(description.put())))
        return {};
    return description.utf8();
}

// Why the registry's files cannot be written, in words; empty when nothing is known against them.
std::string registryProblem() {
    const std::string written = registry::lastProblem();
    std::string folderProblem;
    const std::filesystem::path folder = core::programFolder() / "registry";
    if (!core::programFolderWritable(&folderProblem)) {
        // folderProblem says it
    } else if (std::error_code error; !std::filesystem::create_directories(folder, error) &&
                                      (error || !std::filesystem::is_directory(folder, error))) {
        folderProblem =
            "cannot make '" + folder.string() +
            "': " + (error ? error.message() : std::string("a file of that name is in the way"));
    } else {
        const std::filesystem::path probe = folder / (".write-test-" + std::to_string(::getpid()));
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            folderProblem = "cannot write in '" + folder.string() + "': " + std::strerror(errno);
        } else {
            ::close(fd);
            ::unlink(probe.c_str());
        }
    }
    if (written.empty() && folderProblem.empty())
        return {};
    std::string text = "the registry cannot be written";
    for (const std::string& part : {folderProblem, written}) {
        if (!part.empty())
            text += "; " + part;
    }
    return text;
}

int run(const Options& options) {
    const char* entryPoint = options.unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const std::string library = fullPath(options.library);
    void* function = nullptr;
    std::string error;
    const HRESULT found = com::findServerEntry(library, entryPoint, &function, &error);
    if (found == CO_E_DLLNOTFOUND) {
        std::fprintf(stderr, "regsvr: %s\n", error.c_str());
        return kCannotLoad;
    }
    if (FAILED(found)) {
        std::fprintf(stderr, "regsvr: %s; it is not a control library\n", error.c_str());
        return kNoEntryPoint;
    }
    SetErrorInfo(0, nullptr);
    const HRESULT hr = reinterpret_cast<HRESULT (*)()>(function)();
    if (FAILED(hr)) {
        const std::string reason = errorDescription();
        const std::string code = hresultText(hr) + (reason.empty() ? "" : ": " + reason);
        // A registry that cannot be written is by far the usual cause, and the library's code
        // does not say so: the reason comes first, in words, the code after it.
        if (const std::string problem = registryProblem(); !problem.empty()) {
            std::fprintf(stderr, "regsvr: %s in %s failed: %s (%s)\n", entryPoint, library.c_str(),
                         problem.c_str(), code.c_str());
        } else {
            std::fprintf(stderr, "regsvr: %s in %s failed with %s\n", entryPoint, library.c_str(),
                         code.c_str());
        }
        return kEntryPointFailed;
    }
    if (!options.silent)
        std::printf("%s in %s succeeded.\n", entryPoint, library.c_str());
    return kDone;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseArguments(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: regsvr [/u] [/s] <library path>\n"
                     "  registers a control library in the registry of $BELLTALE_HOME\n"
                     "  /u  unregister instead\n"
                     "  /s  no message on success\n");
        return kBadArguments;
    }
    // One registration writes many values: they go to the registry's files in one write each.
    registry::gatherWrites(true);
    const int result = run(options);
    if (registry::flush() != ERROR_SUCCESS && result == kDone) {
        std::fprintf(stderr, "regsvr: the registry could not be written: %s\n",
                     registry::lastProblem().c_str());
        return kEntryPointFailed;
    }
    return result;
}
