#pragma once
// A library or folder address such as "user://Local/Mills.json".

#include "adsk/core/Base.h"

#include <string>

namespace adsk::core {

class URL : public Base {
public:
    explicit URL(std::string text);
    static const char* classType() { return "adsk::core::URL"; }
    const char* objectType() const override { return classType(); }

    static Ptr<URL> create(const std::string& url);
    std::string toString() const;
    // The part after the last "/".
    std::string leafName() const;

private:
    std::string address;
};

} // namespace adsk::core
