#pragma once
// A whole-file write given in pieces, with the same promise as
// writeFileAtomically: the target ends up either unchanged or holding the
// complete new content. The pieces go to a temporary file in the target's
// folder as they come; commit flushes it to disk and renames it over the target.

#include "platform/AtomicFile.h"

#include <string>
#include <string_view>

namespace Corvana {

class AtomicFileWriter {
public:
    // Creates the temporary file; failed() tells whether that worked.
    explicit AtomicFileWriter(std::string path);
    // Removes the temporary file unless the content was committed.
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // False once anything failed; later pieces are then ignored.
    bool write(std::string_view piece);
    bool failed() const { return !outcome.ok; }
    // Syncs, closes and renames; the first failure's outcome when anything failed.
    FileWriteOutcome commit();

private:
    void fail(const std::string& what, const std::string& path, int error);
    void closeFile();

    std::string target;
    std::string temporary;
    int descriptor = -1;
    FileWriteOutcome outcome{true, {}};
    bool committed = false;
};

} // namespace Corvana
