#pragma once
// Read access to a PowerMill tool database (an Access .mdb file): whole-table
// reads and row counts, the only queries the database reader runs.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Corvana {

enum class FieldState : std::uint8_t {
    Absent,  // the table has no column of that name
    Null,    // the column holds no value
    Empty,   // a zero-length text
    Value,
};

struct FieldValue {
    FieldState state = FieldState::Absent;
    // The value as text when state is Value: numbers in C notation with a
    // point, booleans as 1 or 0, text in UTF-8. Empty otherwise.
    std::string text;
};

struct DatabaseRow {
    std::vector<FieldValue> fields;  // one per requested column, in request order
    bool failed = false;             // the row could not be read; its fields are empty
};

struct TableRows {
    bool ok = false;                   // false: the table is missing or cannot be read
    std::string failure;               // one sentence when !ok
    std::vector<std::string> columns;  // the requested column names
    std::vector<DatabaseRow> rows;     // in the table's row order
};

class ToolDatabase {
public:
    virtual ~ToolDatabase() = default;
    // Every row of `table` with the requested columns; a column the table
    // lacks reads as Absent in every row. Names compare case-insensitively.
    virtual TableRows readRows(const std::string& table, const std::vector<std::string>& columns) = 0;
    // The number of rows of `table`; nullopt when it is missing or cannot be read.
    virtual std::optional<std::int64_t> countRows(const std::string& table) = 0;
};

struct ToolDatabaseOpening {
    std::unique_ptr<ToolDatabase> database;  // null when the file could not be opened
    std::string failure;                     // one sentence when database is null
};

// Opens the database file at the UTF-8 `path` read-only; it is closed when
// the returned object is destroyed. Failure is an outcome, never a throw.
ToolDatabaseOpening openToolDatabase(const std::string& path);

} // namespace Corvana
