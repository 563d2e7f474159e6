// The tool database seam on mdbtools (libmdb), which reads Jet 3 and Jet 4
// Access files without any Microsoft component.

#include "platform/ToolDatabase.h"

#include "platform/AsciiText.h"

// mdbtools.h includes glib.h inside its extern "C" block, which breaks C++
// templates in glib; including glib first makes that inner include a no-op.
#include <glib.h>
#include <mdbtools.h>

#include <clocale>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace Corvana {
namespace {

// Values longer than this are cut by libmdb; a form curve is a few hundred
// bytes, so only a damaged or foreign value comes near it.
constexpr std::size_t kBindSize = std::size_t{1} << 18;

struct HandleCloser {
    void operator()(MdbHandle* handle) const { mdb_close(handle); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using HandlePtr = std::unique_ptr<MdbHandle, HandleCloser>;
using TablePtr = std::unique_ptr<MdbTableDef, TableFreer>;

// libmdb prints doubles with the thread's LC_NUMERIC ("0,05" under de_DE);
// the seam promises C notation, so libmdb runs under the C locale.
class CNumericLocale {
public:
    CNumericLocale() {
        locale_t base = duplocale(uselocale(static_cast<locale_t>(nullptr)));
        if (base == nullptr) return;
        numeric = newlocale(LC_NUMERIC_MASK, "C", base);
        if (numeric == nullptr) {
            freelocale(base);
            return;
        }
        previous = uselocale(numeric);
    }
    ~CNumericLocale() {
        if (numeric == nullptr) return;
        uselocale(previous);
        freelocale(numeric);
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t numeric = nullptr;
    locale_t previous = nullptr;
};

// The 0-based position of the named column, or -1 when the table has none.
int columnPosition(const MdbTableDef& table, std::string_view name) {
    if (table.columns == nullptr) return -1;
    for (guint i = 0; i < table.columns->len; ++i) {
        const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table.columns, i));
        if (column != nullptr && equalsIgnoringAsciiCase(column->name, name)) return static_cast<int>(i);
    }
    return -1;
}

// libmdb 1.0.0 follows a table's page usage map unchecked and crashes on a
// map page number past the end of a damaged file. A type 0 map holds its
// bitmap inline; a type 1 map lists the pages that hold it.
bool hasSoundUsageMap(const MdbTableDef& table, std::uint64_t pageCount) {
    if (table.usage_map == nullptr || table.map_sz < 1) return false;
    if (table.usage_map[0] == 0) return table.map_sz >= 5;
    if (table.usage_map[0] != 1) return false;
    for (std::size_t offset = 1; offset + 4 <= table.map_sz; offset += 4) {
        const auto* bytes = table.usage_map + offset;
        const std::uint64_t page = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint64_t{bytes[3]} << 24);
        if (page >= pageCount) return false;
    }
    return true;
}

// mdb_read_catalog walks the catalog table, whose definition is always on page 2.
bool hasSoundCatalog(MdbHandle& handle, std::uint64_t pageCount) {
    MdbCatalogEntry entry{};
    entry.mdb = &handle;
    constexpr std::string_view catalogName = "MSysObjects";
    catalogName.copy(entry.object_name, catalogName.size());
    entry.object_type = MDB_TABLE;
    entry.table_pg = 2;
    const TablePtr catalog(mdb_read_table(&entry));
    return catalog && hasSoundUsageMap(*catalog, pageCount);
}

// A table ready for fetching, or null when the catalog has no such table or
// its definition cannot be read or trusted.
TablePtr openTable(MdbHandle& handle, std::uint64_t pageCount, const std::string& name) {
    std::string nameCopy = name;  // libmdb takes a non-const name
    TablePtr table(mdb_read_table_by_name(&handle, nameCopy.data(), MDB_TABLE));
    if (!table || !hasSoundUsageMap(*table, pageCount)) return nullptr;
    if (mdb_read_columns(table.get()) == nullptr) return nullptr;
    if (table->columns == nullptr || table->columns->len != table->num_cols) return nullptr;
    mdb_rewind_table(table.get());
    return table;
}

// One requested column bound to its own buffer; position -1 when absent.
struct BoundColumn {
    int position = -1;
    std::unique_ptr<char[]> buffer;
    int length = 0;
};

// libmdb reports NULL and a zero-length text alike, as length 0.
bool readBoundValue(const BoundColumn& column, FieldValue& value) {
    if (column.position < 0) return true;
    if (column.length < 0 || static_cast<std::size_t>(column.length) >= kBindSize - 1) return false;
    if (column.length == 0) {
        value.state = FieldState::Null;
        return true;
    }
    value.state = FieldState::Value;
    value.text.assign(column.buffer.get(), static_cast<std::size_t>(column.length));
    return true;
}

DatabaseRow readCurrentRow(const std::vector<BoundColumn>& bound) {
    DatabaseRow row;
    row.fields.resize(bound.size());
    for (std::size_t i = 0; i < bound.size(); ++i) {
        if (readBoundValue(bound[i], row.fields[i])) continue;
        row.failed = true;
        row.fields.assign(bound.size(), FieldValue{});
        break;
    }
    return row;
}

TableRows failedRead(const std::string& table, const char* reason) {
    TableRows result;
    result.failure = "Table " + table + " " + reason + ".";
    return result;
}

class MdbToolsDatabase final : public ToolDatabase {
public:
    MdbToolsDatabase(HandlePtr opened, std::uint64_t filePages) : handle(std::move(opened)), pageCount(filePages) {}

    TableRows readRows(const std::string& tableName, const std::vector<std::string>& columns) override {
        const CNumericLocale numericLocale;
        // Buffers are declared before the table so they outlive its bindings.
        std::vector<BoundColumn> bound(columns.size());
        const TablePtr table = openTable(*handle, pageCount, tableName);
        if (!table) return failedRead(tableName, "is missing or its definition cannot be read");
        for (std::size_t i = 0; i < columns.size(); ++i) {
            BoundColumn& column = bound[i];
            column.position = columnPosition(*table, columns[i]);
            if (column.position < 0) continue;
            column.buffer = std::make_unique_for_overwrite<char[]>(kBindSize);
            if (mdb_bind_column(table.get(), column.position + 1, column.buffer.get(), &column.length) < 0)
                return failedRead(tableName, "has a column that cannot be read");
        }
        TableRows result;
        result.ok = true;
        result.columns = columns;
        while (mdb_fetch_row(table.get()) != 0) result.rows.push_back(readCurrentRow(bound));
        return result;
    }

    std::optional<std::int64_t> countRows(const std::string& tableName) override {
        const CNumericLocale numericLocale;
        const TablePtr table = openTable(*handle, pageCount, tableName);
        if (!table) return std::nullopt;
        std::int64_t count = 0;
        while (mdb_fetch_row(table.get()) != 0) ++count;
        return count;
    }

private:
    HandlePtr handle;
    std::uint64_t pageCount = 0;
};

ToolDatabaseOpening failedOpening(std::string failure) {
    ToolDatabaseOpening opening;
    opening.failure = std::move(failure);
    return opening;
}

} // namespace

ToolDatabaseOpening openToolDatabase(const std::string& path) {
    // libmdb would block on a pipe and report a folder only on stderr.
    std::error_code error;
    const std::filesystem::path file(path);
    if (!std::filesystem::is_regular_file(file, error))
        return failedOpening("The database file " + path + " does not exist or is not a file.");
    const std::uintmax_t fileSize = std::filesystem::file_size(file, error);
    if (error) return failedOpening("The database file " + path + " cannot be opened.");
    const CNumericLocale numericLocale;
    HandlePtr handle(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!handle || handle->fmt == nullptr || handle->fmt->pg_size <= 0)
        return failedOpening("The database file " + path + " cannot be opened.");
    const std::uint64_t pageCount = fileSize / static_cast<std::uint64_t>(handle->fmt->pg_size);
    if (!hasSoundCatalog(*handle, pageCount) || mdb_read_catalog(handle.get(), MDB_TABLE) == nullptr)
        return failedOpening("The file " + path + " is not a readable Access database.");
    mdb_set_bind_size(handle.get(), kBindSize);
    mdb_set_boolean_fmt_numbers(handle.get());
    ToolDatabaseOpening opening;
    opening.database = std::make_unique<MdbToolsDatabase>(std::move(handle), pageCount);
    return opening;
}

} // namespace Corvana
