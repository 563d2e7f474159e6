#include "apps/corvana-host/AddinModule.h"

#include <dlfcn.h>

#include <cstring>
#include <filesystem>

namespace Corvana {
namespace {

std::string lastLoaderError() {
    const char* message = dlerror();
    return message ? message : "unknown loader error";
}

AddinModule::EntryPoint entryPoint(void* handle, const char* name) {
    void* symbol = dlsym(handle, name);
    if (!symbol) return nullptr;
    // POSIX guarantees that a data pointer from dlsym can hold a function address.
    AddinModule::EntryPoint function = nullptr;
    static_assert(sizeof(function) == sizeof(symbol));
    std::memcpy(&function, &symbol, sizeof(function));
    return function;
}

} // namespace

std::optional<AddinModule> AddinModule::load(const std::string& path, std::string& error) {
    std::error_code status;
    // An absolute name keeps dlopen from searching the library path for a bare file name.
    const auto file = std::filesystem::absolute(path, status);
    if (status || !std::filesystem::is_regular_file(file, status)) {
        error = "add-in module \"" + path + "\" does not exist";
        return std::nullopt;
    }
    // The module is never closed, not even when it is refused: threads it
    // started (stop does not wait for workers) may run its code until exit.
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error = "cannot load add-in module \"" + path + "\": " + lastLoaderError();
        return std::nullopt;
    }
    const EntryPoint run = entryPoint(handle, "run");
    const EntryPoint stop = entryPoint(handle, "stop");
    if (!run || !stop) {
        error = "add-in module \"" + path + "\" does not export " +
                (!run && !stop ? "\"run\" and \"stop\"" : !run ? "\"run\"" : "\"stop\"");
        return std::nullopt;
    }
    return AddinModule(run, stop);
}

} // namespace Corvana
