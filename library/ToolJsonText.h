#pragma once
// Reading the JSON texts the host gives for tools and holders. The host may
// write them with or without blanks and in any key order, and a tool's holder
// repeats some of the tool's keys, so members are read one object level at a
// time instead of by searching the text.

#include <optional>
#include <string>
#include <string_view>

namespace Corvana {

// Raw text of the value of `key` among the members of the object `json`
// holds (leading blanks allowed); nothing when the key is absent or the text
// is not a well-formed object up to that member.
std::optional<std::string_view> jsonMemberText(std::string_view json, std::string_view key);

// The text a JSON string literal stands for, escapes decoded; nothing for any other value.
std::optional<std::string> jsonStringValue(std::string_view value);

// The finite number of a JSON number literal; nothing for any other value.
std::optional<double> jsonNumberValue(std::string_view value);

// The string member `key` of `json`; empty when absent or not a string.
std::string jsonStringMember(std::string_view json, std::string_view key);

// The number member `key` of `json`; nothing when absent or not a number.
std::optional<double> jsonNumberMember(std::string_view json, std::string_view key);

// A tool entry's own "product-id" (the identifier the library writer gives
// it), never its holder's; empty when absent.
std::string toolProductId(std::string_view toolJson);

// Identifies a holder's geometry: its unit, then "|" and each number of its
// "segments" in steps of 0.025 mm or 0.001 in, rounded half away from zero.
// Holders without segments are known by their unit alone.
std::string holderKey(std::string_view holderJson);

} // namespace Corvana
