#pragma once
// Test helpers that parse produced JSON text with a real JSON parser.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

namespace Corvana::Testing {

// Parses `text`; a parse failure is reported as a test failure and yields null.
inline nlohmann::json parseJsonOrFail(const std::string& text) {
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error& error) {
        ADD_FAILURE() << "invalid JSON: " << error.what() << "\n" << text.substr(0, 2000);
        return nullptr;
    }
}

} // namespace Corvana::Testing
