#pragma once
// corvana-host --serve: the palette page and a bridge to the add-in, for a
// browser on this machine. Listens on 127.0.0.1 only; every request must carry
// the run's token, and a Host or Origin other than this server is refused, so
// another web page in the same browser cannot drive the add-in.

#include "apps/corvana-host/ScriptRunner.h"

#include "adsk/sim/SimHost.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace Corvana {

struct ServeOptions {
    int port = 0;  // 0 picks a free port
    std::filesystem::path pageFolder;
};

struct RequestFacts {
    std::string_view token;   // the "token" query parameter
    std::string_view host;    // the Host header
    std::string_view origin;  // the Origin header, empty when absent
};

// True when a request may reach the bridge: the right token, Host naming this
// server and, when present, an Origin of this server.
bool requestAllowed(const RequestFacts& facts, std::string_view expectedToken, int port);

// A random token of 32 lower-case hexadecimal digits.
std::string makeToken();

// The page's HTML with the bridge's settings put in front of its script.
std::string servedPage(std::string html, const std::string& token, const std::string& paletteQuery);

// Serves until interrupted or a stop line arrives; prints the page's address as
// one line to `announce`. Runs the add-in's steps on the calling thread, which
// must be the simulated host's main thread. Returns the exit code.
int servePage(adsk::sim::SimHost& host, ScriptRunner& runner, const ServeOptions& options, std::FILE* announce);

} // namespace Corvana
