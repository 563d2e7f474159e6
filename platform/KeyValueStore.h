#pragma once
// The user's small persistent store of named text values (the registry key
// HKCU\Software\Dravik\Corvana on Windows, a file in the user's configuration
// folder on Linux). Values are UTF-8.

#include <string>

namespace Corvana {

class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;
    // Empty when the value, or the whole store, is missing or unreadable.
    virtual std::string readValue(const std::string& name) = 0;
    // False when the store cannot be written; the stored value is then unchanged.
    virtual bool writeValue(const std::string& name, const std::string& value) = 0;
};

// The store holding "UserName" and "UserEmail".
KeyValueStore& userKeyValueStore();

} // namespace Corvana
