#pragma once
// An add-in module loaded the way Fusion loads one: the shared library is
// opened and its exported "run" and "stop" entry points are resolved.

#include <optional>
#include <string>

namespace Corvana {

class AddinModule {
public:
    using EntryPoint = bool (*)(const char* context);

    // Nothing, with `error` set to one sentence, when the file is missing,
    // cannot be loaded or lacks either entry point.
    static std::optional<AddinModule> load(const std::string& path, std::string& error);

    bool run(const char* context) const { return runEntry(context); }
    bool stop(const char* context) const { return stopEntry(context); }

private:
    AddinModule(EntryPoint runFunction, EntryPoint stopFunction) : runEntry(runFunction), stopEntry(stopFunction) {}

    EntryPoint runEntry;
    EntryPoint stopEntry;
};

} // namespace Corvana
