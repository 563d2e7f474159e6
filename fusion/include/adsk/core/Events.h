#pragma once
// Events of the host API. A handler subclasses the event's handler class and
// overrides notify; the event keeps a non-owning pointer to it between add
// and remove, so the handler must outlive its subscription.

#include "adsk/core/Base.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace adsk::sim::detail {
struct EventAccess;
}

namespace adsk::core {

class Command;

class EventHandler {
public:
    virtual ~EventHandler() = default;
};

class EventArgs : public Base {
public:
    static const char* classType() { return "adsk::core::EventArgs"; }
    const char* objectType() const override { return classType(); }
};

class Event : public Base {
public:
    static const char* classType() { return "adsk::core::Event"; }
    const char* objectType() const override { return classType(); }
};

// The add/remove pair shared by every event type.
template <class HandlerT, class ArgsT>
class EventOf : public Event {
public:
    // False for a null handler or one that is already subscribed.
    bool add(HandlerT* handler) {
        if (!handler || isSubscribed(handler)) return false;
        handlers.push_back(handler);
        return true;
    }

    // False when the handler was not subscribed.
    bool remove(HandlerT* handler) {
        const auto found = std::find(handlers.begin(), handlers.end(), handler);
        if (found == handlers.end()) return false;
        handlers.erase(found);
        return true;
    }

private:
    friend struct adsk::sim::detail::EventAccess;

    bool isSubscribed(HandlerT* handler) const {
        return std::find(handlers.begin(), handlers.end(), handler) != handlers.end();
    }

    // A handler removed by an earlier handler of the same firing is skipped.
    void notifyAll(const Ptr<ArgsT>& args) {
        const std::vector<HandlerT*> snapshot = handlers;
        for (HandlerT* handler : snapshot) {
            if (isSubscribed(handler)) handler->notify(args);
        }
    }

    std::vector<HandlerT*> handlers;
};

// Palette page messages.
class HTMLEventArgs : public EventArgs {
public:
    HTMLEventArgs(std::string action, std::string data)
        : actionText(std::move(action)), dataText(std::move(data)) {}
    static const char* classType() { return "adsk::core::HTMLEventArgs"; }
    const char* objectType() const override { return classType(); }

    std::string action() const { return actionText; }
    std::string data() const { return dataText; }
    // The text handed back to the page as the result of its send call.
    std::string returnData() const { return returnText; }
    bool returnData(const std::string& value) {
        returnText = value;
        return true;
    }

private:
    std::string actionText;
    std::string dataText;
    std::string returnText;
};

class HTMLEventHandler : public EventHandler {
public:
    virtual void notify(const Ptr<HTMLEventArgs>& eventArgs) = 0;
};

class HTMLEvent : public EventOf<HTMLEventHandler, HTMLEventArgs> {
public:
    static const char* classType() { return "adsk::core::HTMLEvent"; }
    const char* objectType() const override { return classType(); }
};

// Custom events fired by worker threads and delivered on the main thread.
class CustomEventArgs : public EventArgs {
public:
    explicit CustomEventArgs(std::string info) : infoText(std::move(info)) {}
    static const char* classType() { return "adsk::core::CustomEventArgs"; }
    const char* objectType() const override { return classType(); }

    std::string additionalInfo() const { return infoText; }

private:
    std::string infoText;
};

class CustomEventHandler : public EventHandler {
public:
    virtual void notify(const Ptr<CustomEventArgs>& eventArgs) = 0;
};

class CustomEvent : public EventOf<CustomEventHandler, CustomEventArgs> {
public:
    explicit CustomEvent(std::string id) : idText(std::move(id)) {}
    static const char* classType() { return "adsk::core::CustomEvent"; }
    const char* objectType() const override { return classType(); }

    std::string eventId() const { return idText; }

private:
    std::string idText;
};

// General user-interface notifications, such as a palette being closed.
class UserInterfaceGeneralEventArgs : public EventArgs {
public:
    static const char* classType() { return "adsk::core::UserInterfaceGeneralEventArgs"; }
    const char* objectType() const override { return classType(); }
};

class UserInterfaceGeneralEventHandler : public EventHandler {
public:
    virtual void notify(const Ptr<UserInterfaceGeneralEventArgs>& eventArgs) = 0;
};

class UserInterfaceGeneralEvent
    : public EventOf<UserInterfaceGeneralEventHandler, UserInterfaceGeneralEventArgs> {
public:
    static const char* classType() { return "adsk::core::UserInterfaceGeneralEvent"; }
    const char* objectType() const override { return classType(); }
};

// Workspace activation.
class WorkspaceEventArgs : public EventArgs {
public:
    static const char* classType() { return "adsk::core::WorkspaceEventArgs"; }
    const char* objectType() const override { return classType(); }
};

class WorkspaceEventHandler : public EventHandler {
public:
    virtual void notify(const Ptr<WorkspaceEventArgs>& eventArgs) = 0;
};

class WorkspaceEvent : public EventOf<WorkspaceEventHandler, WorkspaceEventArgs> {
public:
    static const char* classType() { return "adsk::core::WorkspaceEvent"; }
    const char* objectType() const override { return classType(); }
};

// Command creation: the host makes a new Command for every click.
class CommandCreatedEventArgs : public EventArgs {
public:
    explicit CommandCreatedEventArgs(Ptr<Command> command);
    ~CommandCreatedEventArgs() override;
    static const char* classType() { return "adsk::core::CommandCreatedEventArgs"; }
    const char* objectType() const override { return classType(); }

    Ptr<Command> command() const;

private:
    Ptr<Command> createdCommand;
};

class CommandCreatedEventHandler : public EventHandler {
public:
    virtual void notify(const Ptr<CommandCreatedEventArgs>& eventArgs) = 0;
};

class CommandCreatedEvent : public EventOf<CommandCreatedEventHandler, CommandCreatedEventArgs> {
public:
    static const char* classType() { return "adsk::core::CommandCreatedEvent"; }
    const char* objectType() const override { return classType(); }
};

// Command execution.
class CommandEventArgs : public EventArgs {
public:
    static const char* classType() { return "adsk::core::CommandEventArgs"; }
    const char* objectType() const override { return classType(); }
};

class CommandEventHandler : public EventHandler {
public:
    virtual void notify(const Ptr<CommandEventArgs>& eventArgs) = 0;
};

class CommandEvent : public EventOf<CommandEventHandler, CommandEventArgs> {
public:
    static const char* classType() { return "adsk::core::CommandEvent"; }
    const char* objectType() const override { return classType(); }
};

} // namespace adsk::core
