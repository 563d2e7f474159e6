#pragma once
// Writes library documents: fixed key order, no blanks, fixed number format.

#include "convert/LibraryJson.h"
#include "convert/Profiles.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace Corvana {

// Takes the next piece of a document's text; false stops the writing.
using TextSink = std::function<bool(std::string_view piece)>;

// One library document written to a sink while it is built: each tool's record
// when the tool is added, then the holders distinct by geometry. The text goes
// out in pieces of about `kPieceChars`, so the whole document is never held.
class LibraryDocumentStream {
public:
    static constexpr std::size_t kPieceChars = std::size_t{1} << 18;

    LibraryDocumentStream(TextSink sink, std::string_view description, bool metricUnits, LibraryJsonMode mode);

    // A tool already in its target units, at position `index` of the document's tools.
    void add(const ToolModel& tool, std::int32_t index, const std::string& identifier);
    // Writes the holders and closes the document; false when the sink stopped it.
    bool finish();

private:
    void beginEntry();
    void deliver(bool whenFull);

    TextSink sink;
    LibraryJsonMode mode;
    std::string pending;
    DistinctHolderList holders;
    bool firstEntry = true;
    bool ok = true;
};

} // namespace Corvana
