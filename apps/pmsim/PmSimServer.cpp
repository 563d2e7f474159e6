#include "apps/pmsim/PmSimServer.h"

#include "platform/linux/AutomationWire.h"
#include "platform/linux/RunningObjectTable.h"

#include <atomic>
#include <charconv>
#include <csignal>
#include <cstring>
#include <iostream>
#include <map>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace Corvana::PmSim {
namespace {

// The endpoint, for the signal handler: unlink is async-signal-safe.
char endpointPath[256];
std::atomic<int> openConnections{0};

[[noreturn]] void leave(int code) {
    ::unlink(endpointPath);
    ::_exit(code);
}

extern "C" void onTerminationSignal(int) { leave(0); }

void installSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// Objects a connection holds, by handle; the application object is 0.
struct ServerObject {
    enum class Kind { Project, Tools, Tool, Enumerator } kind;
    std::string name;                 // Tool
    std::vector<std::string> items;   // Enumerator
    std::size_t next = 0;             // Enumerator
};

class ConnectionServer {
public:
    ConnectionServer(PowerMill& session, int fd) : powerMill(session), channel(fd) {}

    void run() {
        while (auto request = channel.read(std::nullopt)) {
            // A hung PowerMill keeps its connections open and answers nothing more.
            while (powerMill.shouldHang()) std::this_thread::sleep_for(std::chrono::hours(1));
            if (!answer(*request)) return;
            if (powerMill.shouldExit()) leave(0);
        }
    }

private:
    bool reply(const char* kind, std::string_view payload = {}) {
        return channel.write({kind}, payload, std::nullopt);
    }

    std::uint64_t add(ServerObject object) {
        const std::uint64_t handle = nextHandle++;
        objects.emplace(handle, std::move(object));
        return handle;
    }

    bool replyObject(ServerObject object) { return reply("OBJECT", std::to_string(add(std::move(object)))); }

    bool answer(const Wire::Frame& request) {
        if (request.words.size() != 3) return reply("FAIL", "malformed request");
        const std::string& verb = request.words[0];
        std::uint64_t handle = 0;
        const std::string& handleText = request.words[1];
        const auto parsed = std::from_chars(handleText.data(), handleText.data() + handleText.size(), handle);
        if (parsed.ec != std::errc()) return reply("FAIL", "bad object");
        if (verb == "RELEASE") {
            objects.erase(handle);
            return true;
        }
        if (handle == 0) return answerApplication(verb, request.words[2], request.payload);
        const auto found = objects.find(handle);
        if (found == objects.end()) return reply("FAIL", "unknown object");
        return answerObject(verb, found->second, request.words[2]);
    }

    bool answerApplication(const std::string& verb, const std::string& member, const std::string& argument) {
        if (verb == "CALL" && member == "DoCommand") {
            powerMill.command(argument);
            return reply("EMPTY");
        }
        if (verb == "CALL" && member == "GetParameterXML") return reply("TEXT", powerMill.evaluate(argument));
        if (verb == "GET" && member == "Project") return replyObject({ServerObject::Kind::Project, {}, {}, 0});
        return reply("FAIL", "unknown member");
    }

    bool answerObject(const std::string& verb, ServerObject& object, const std::string& member) {
        using Kind = ServerObject::Kind;
        if (verb == "NEXT" && object.kind == Kind::Enumerator) {
            if (object.next >= object.items.size()) return reply("END");
            return replyObject({Kind::Tool, object.items[object.next++], {}, 0});
        }
        if (verb != "GET") return reply("FAIL", "unknown member");
        if (object.kind == Kind::Project && member == "Tools") return replyObject({Kind::Tools, {}, {}, 0});
        if (object.kind == Kind::Project && member == "Name") return reply("TEXT", powerMill.projectName());
        if (object.kind == Kind::Tools && member == "_NewEnum")
            return replyObject({Kind::Enumerator, {}, powerMill.toolNames(), 0});
        if (object.kind == Kind::Tool && member == "Name") return reply("TEXT", object.name);
        return reply("FAIL", "unknown member");
    }

    PowerMill& powerMill;
    Wire::Channel channel;
    std::map<std::uint64_t, ServerObject> objects;
    std::uint64_t nextHandle = 1;
};

void serveConnection(PowerMill& powerMill, int fd, bool embedding) {
    ConnectionServer(powerMill, fd).run();
    // A server started by a client ends when its last client has let go.
    if (openConnections.fetch_sub(1) == 1 && embedding) leave(0);
}

} // namespace

int serve(PowerMill& powerMill, bool embedding) {
    const auto registration = RunningObjectTable::registerThisProcess();
    if (!registration) {
        std::cerr << "pmsim: cannot register in the running-object table (XDG_RUNTIME_DIR)\n";
        return 1;
    }
    std::strncpy(endpointPath, registration->endpoint.c_str(), sizeof endpointPath - 1);
    installSignalHandlers();
    for (;;) {
        const int fd = ::accept4(registration->listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            leave(1);
        }
        openConnections.fetch_add(1);
        std::thread(serveConnection, std::ref(powerMill), fd, embedding).detach();
    }
}

} // namespace Corvana::PmSim
