// The automation seam on Linux: clients of servers that speak the protocol of
// AutomationWire.h and register in the running-object table.

#include "platform/Automation.h"

#include "platform/TimeScale.h"
#include "platform/linux/AutomationWire.h"
#include "platform/linux/MachineRegistry.h"
#include "platform/linux/RunningObjectTable.h"
#include "platform/linux/ServerProcesses.h"
#include "platform/linux/SocketAutomation.h"

#include <algorithm>
#include <charconv>
#include <mutex>
#include <thread>
#include <utility>

#include <sys/socket.h>

namespace Corvana {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long one call may wait for its answer. Objects found in the table serve
// quick questions on the caller's main thread. A session used by a worker
// waits longer than the 120 s extraction watchdog (both follow the time
// scale), so that the watchdog, not the transport, decides when PowerMill has
// stopped answering; a floor keeps shortened waits clear of scheduling noise.
constexpr milliseconds kDiscoveryAnswerBound{5000};
constexpr milliseconds kSessionAnswerBound{150000};
constexpr milliseconds kSessionAnswerFloor{2000};
constexpr milliseconds kConnectBound{2000};
// How long a started server has to register in the table, and the poll for it.
constexpr milliseconds kRegistrationBound{30000};
constexpr milliseconds kRegistrationPoll{20};
// A server whose connection closes is usually ending; this long it may take
// to finish, so that its process facts agree with the failed call.
constexpr milliseconds kExitGrace{500};
constexpr milliseconds kExitPoll{2};

// CO_E_SERVER_EXEC_FAILURE and REGDB_E_CLASSNOTREG, as COM reports them.
constexpr std::uint32_t kServerExecFailure = 0x80080005u;
constexpr std::uint32_t kClassNotRegistered = 0x80040154u;

Wire::Deadline deadlineIn(milliseconds bound) { return Clock::now() + bound; }

milliseconds sessionAnswerBound() {
    const auto scaled = std::chrono::duration_cast<milliseconds>(scaledDuration(kSessionAnswerBound));
    return std::max(scaled, kSessionAnswerFloor);
}

// One socket to one server. Requests are serialised; after any failure or
// time-out the connection is closed, because a late answer would otherwise
// be taken for the answer to the next request.
class Connection {
public:
    Connection(int fd, std::string endpointPath, milliseconds answerBound)
        : channel(fd), path(std::move(endpointPath)), bound(answerBound) {}

    std::optional<Wire::Frame> request(const std::vector<std::string>& words, std::string_view payload) {
        std::lock_guard lock(mutex);
        if (broken) return std::nullopt;
        const Wire::Deadline deadline = deadlineIn(bound);
        std::optional<Wire::Frame> answer;
        if (channel.write(words, payload, deadline)) answer = channel.read(deadline);
        if (answer && answer->words.size() == 1) return answer;
        broken = true;
        ::shutdown(channel.descriptor(), SHUT_RDWR);
        if (Clock::now() < *deadline) awaitServerExit();
        return std::nullopt;
    }

    // A request the server does not answer (RELEASE); never waits.
    void notify(const std::vector<std::string>& words) {
        std::lock_guard lock(mutex);
        if (!broken) channel.write(words, {}, Clock::now());
    }

    const std::string& endpoint() const { return path; }

private:
    void awaitServerExit() const {
        const std::uint32_t pid = RunningObjectTable::pidOfEndpoint(path);
        const auto until = Clock::now() + kExitGrace;
        while (pid != 0 && isProcessRunning(pid) && Clock::now() < until) std::this_thread::sleep_for(kExitPoll);
    }

    std::mutex mutex;
    Wire::Channel channel;
    std::string path;
    milliseconds bound;
    bool broken = false;
};

class SocketObject;

std::optional<AutomationValue> valueOf(const std::shared_ptr<Connection>& connection, const Wire::Frame& answer);

class SocketEnumerator final : public AutomationEnumerator {
public:
    SocketEnumerator(std::shared_ptr<Connection> connection, std::uint64_t handle)
        : server(std::move(connection)), object(handle) {}
    ~SocketEnumerator() override { server->notify({"RELEASE", std::to_string(object), "-"}); }

    std::optional<AutomationValue> next() override {
        const auto answer = server->request({"NEXT", std::to_string(object), "-"}, {});
        if (!answer) return std::nullopt;
        return valueOf(server, *answer);
    }

private:
    std::shared_ptr<Connection> server;
    std::uint64_t object;
};

class SocketObject final : public AutomationObject {
public:
    SocketObject(std::shared_ptr<Connection> connection, std::uint64_t handle)
        : server(std::move(connection)), object(handle) {}
    ~SocketObject() override {
        if (object != 0) server->notify({"RELEASE", std::to_string(object), "-"});
    }

    std::optional<AutomationValue> call(std::string_view method, std::string_view argument) override {
        const auto answer = server->request({"CALL", std::to_string(object), std::string(method)}, argument);
        if (!answer) return std::nullopt;
        return valueOf(server, *answer);
    }

    AutomationValue getProperty(std::string_view name) override {
        const auto answer = server->request({"GET", std::to_string(object), std::string(name)}, {});
        if (!answer) return {};
        return valueOf(server, *answer).value_or(AutomationValue{});
    }

    std::unique_ptr<AutomationEnumerator> enumerate() override {
        const auto answer = server->request({"GET", std::to_string(object), "_NewEnum"}, {});
        std::uint64_t handle = 0;
        if (!answer || answer->words.front() != "OBJECT" || !parseHandle(answer->payload, handle)) return nullptr;
        return std::make_unique<SocketEnumerator>(server, handle);
    }

    std::string identity() const override { return server->endpoint() + "#" + std::to_string(object); }

    const std::shared_ptr<Connection>& connection() const { return server; }
    bool isApplication() const { return object == 0; }

    static bool parseHandle(const std::string& text, std::uint64_t& handle) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), handle);
        return error == std::errc() && end == text.data() + text.size() && handle != 0;
    }

private:
    std::shared_ptr<Connection> server;
    std::uint64_t object;
};

std::optional<AutomationValue> valueOf(const std::shared_ptr<Connection>& connection, const Wire::Frame& answer) {
    const std::string& kind = answer.words.front();
    AutomationValue value;
    if (kind == "TEXT") {
        value.kind = AutomationValue::Kind::Text;
        value.text = answer.payload;
        return value;
    }
    if (kind == "OBJECT") {
        std::uint64_t handle = 0;
        if (!SocketObject::parseHandle(answer.payload, handle)) return std::nullopt;
        value.kind = AutomationValue::Kind::Object;
        value.object = std::make_shared<SocketObject>(connection, handle);
        return value;
    }
    if (kind == "EMPTY") return value;
    return std::nullopt;  // FAIL, END or an unknown answer
}

// The application object of the server at `endpoint`; null when it does not accept.
AutomationRef connectApplication(const std::string& endpoint, milliseconds answerBound) {
    const int fd = Wire::connectTo(endpoint, deadlineIn(kConnectBound));
    if (fd < 0) return nullptr;
    return std::make_shared<SocketObject>(std::make_shared<Connection>(fd, endpoint, answerBound), 0);
}

std::optional<RunningObjectTable::Entry> waitForRegistration(std::uint32_t pid) {
    const auto deadline = Clock::now() + kRegistrationBound;
    while (Clock::now() < deadline && isProcessRunning(pid)) {
        for (const auto& entry : RunningObjectTable::liveEntries())
            if (entry.pid == pid) return entry;
        std::this_thread::sleep_for(kRegistrationPoll);
    }
    return std::nullopt;
}

std::string classKey(const std::string& progId) {
    return std::string(MachineRegistry::kClassesRoot) + "\\" + progId;
}

} // namespace

std::vector<AutomationRef> runningAutomationObjects() {
    std::vector<AutomationRef> objects;
    for (const auto& entry : RunningObjectTable::liveEntries()) {
        AutomationRef object = connectApplication(entry.endpoint, kDiscoveryAnswerBound);
        // A socket nobody listens on any more is a stale entry.
        if (!object) RunningObjectTable::removeEntry(entry.endpoint);
        else objects.push_back(std::move(object));
    }
    return objects;
}

bool isAutomationClassRegistered(const std::string& progId) {
    return MachineRegistry::keyExists(MachineRegistry::readEntries(), classKey(progId));
}

// Only servers of the one registered class register in the table on Linux,
// so the newest live entry is the class's active object.
AutomationRef activeAutomationObject(const std::string& progId) {
    if (!isAutomationClassRegistered(progId)) return nullptr;
    auto entries = RunningObjectTable::liveEntries();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (AutomationRef object = connectApplication(it->endpoint, kDiscoveryAnswerBound)) return object;
    return nullptr;
}

CreatedServer createLocalServer(const std::string& progId) {
    CreatedServer created;
    const auto command = MachineRegistry::defaultValue(MachineRegistry::readEntries(), classKey(progId));
    auto arguments = command ? MachineRegistry::splitCommandLine(*command) : std::vector<std::string>{};
    if (arguments.empty()) {
        created.failureCode = kClassNotRegistered;
        return created;
    }
    // As COM does, the server learns that a client started it; such a server
    // ends when its last client has let go of it.
    arguments.push_back("-Embedding");
    const std::uint32_t pid = startReapedProcess(arguments);
    const auto entry = pid != 0 ? waitForRegistration(pid) : std::nullopt;
    if (entry) created.object = connectApplication(entry->endpoint, sessionAnswerBound());
    if (!created.object) {
        if (pid != 0) terminateProcess(pid, 1);
        created.failureCode = kServerExecFailure;
    }
    return created;
}

AutomationHandoffRef handOffAutomationObject(const AutomationRef& object) {
    const auto* socketObject = dynamic_cast<const SocketObject*>(object.get());
    if (!socketObject || !socketObject->isApplication()) return nullptr;
    return handoffForEndpoint(socketObject->connection()->endpoint());
}

// A fresh connection to the same server stands for the marshalled interface.
AutomationRef takeUpAutomationObject(const AutomationHandoff& handoff) {
    const auto* endpoint = dynamic_cast<const EndpointHandoff*>(&handoff);
    return endpoint ? connectApplication(endpoint->endpoint, sessionAnswerBound()) : nullptr;
}

AutomationHandoffRef handoffForEndpoint(const std::string& endpoint) {
    auto handoff = std::make_shared<EndpointHandoff>();
    handoff->endpoint = endpoint;
    return handoff;
}

} // namespace Corvana
