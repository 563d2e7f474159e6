#pragma once
// Out-of-process automation: the objects an automation server (PowerMill)
// exposes, the running servers the desktop knows of, starting a new server,
// and the processes behind them. On Windows this is COM: IDispatch objects,
// the Running Object Table, CoCreateInstance and interface marshalling. On
// Linux it is a small request/answer protocol over Unix-domain sockets.
//
// Every call on a server that has died or stopped answering fails softly
// within a bounded time: a method call yields no result, a property get
// yields an empty value, an enumeration ends.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

class AutomationObject;
using AutomationRef = std::shared_ptr<AutomationObject>;

// What a call or property get gave back (a VARIANT on Windows): nothing,
// text, or another object of the same server.
struct AutomationValue {
    enum class Kind { Empty, Text, Object };
    Kind kind = Kind::Empty;
    std::string text;  // UTF-8, Kind::Text only
    AutomationRef object;  // Kind::Object only
};

class AutomationEnumerator {
public:
    virtual ~AutomationEnumerator() = default;
    // The next element; empty at the end of the collection or on failure.
    virtual std::optional<AutomationValue> next() = 0;
};

// One object of a server. A reference is released by dropping it; it is used
// by one thread at a time (forThread hands a server to another thread).
class AutomationObject {
public:
    virtual ~AutomationObject() = default;
    // Calls the method `method` with one text argument. Empty when the method
    // is unknown or the call failed; otherwise what the method returned.
    virtual std::optional<AutomationValue> call(std::string_view method, std::string_view argument) = 0;
    // The property `name`; Kind::Empty on any failure.
    virtual AutomationValue getProperty(std::string_view name) = 0;
    // The elements of a collection object; null when it is not one.
    virtual std::unique_ptr<AutomationEnumerator> enumerate() = 0;
    // Equal for two references to the same server object.
    virtual std::string identity() const = 0;
};

// A reference prepared on one thread to be taken up on another (a marshalled
// interface stream on Windows, the server's endpoint on Linux).
class AutomationHandoff {
public:
    virtual ~AutomationHandoff() = default;
};
using AutomationHandoffRef = std::shared_ptr<AutomationHandoff>;

// The application objects of the running servers, in the table's order.
std::vector<AutomationRef> runningAutomationObjects();

// True when a server class is registered under the program id.
bool isAutomationClassRegistered(const std::string& progId);

// The server of the class that registered itself last and still runs; null
// when there is none.
AutomationRef activeAutomationObject(const std::string& progId);

struct CreatedServer {
    AutomationRef object;       // null on failure
    std::uint32_t failureCode = 0;  // an HRESULT-style code when object is null
};

// Starts a new local server of the class and connects to its application
// object. The started process is reaped by the platform when it ends.
CreatedServer createLocalServer(const std::string& progId);

// Prepares `object` for use on another thread; null when that is impossible.
AutomationHandoffRef handOffAutomationObject(const AutomationRef& object);

// Takes a handed-off reference up on the calling thread; null on failure.
AutomationRef takeUpAutomationObject(const AutomationHandoff& handoff);

// Process facts of a server.
bool isProcessRunning(std::uint32_t pid);
bool terminateProcess(std::uint32_t pid, std::uint32_t exitCode);
// Minimises the visible top-level windows without owner of the process, or,
// for pid 0, those whose title contains `titlePart`.
void minimiseServerWindows(std::uint32_t pid, std::string_view titlePart);

// Machine-wide registry keys (read-only): the per-machine software keys and
// the class registrations.
enum class RegistryRoot { LocalMachine, ClassesRoot };
bool registryKeyExists(RegistryRoot root, const std::string& path);

} // namespace Corvana
