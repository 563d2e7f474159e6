#pragma once
// Test twin of the tool database: tables held in memory, with scripted
// failures (unreadable tables, failing counts, rows that cannot be read), and
// a record of every query in the order it ran.

#include "platform/AsciiText.h"
#include "platform/ToolDatabase.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

struct SimTable {
    std::vector<std::string> columns;
    std::vector<std::vector<std::optional<std::string>>> rows;  // nullopt is NULL, "" is Empty
    std::vector<std::size_t> failingRows;                       // 0-based positions
    bool unreadable = false;                                    // reads and counts fail
    bool countFails = false;

    SimTable& row(std::vector<std::optional<std::string>> values) {
        rows.push_back(std::move(values));
        return *this;
    }
};

class SimToolDatabase final : public ToolDatabase {
public:
    std::map<std::string, SimTable> tables;
    std::vector<std::string> queries;  // "COUNT <table>" or "READ <table>"

    SimTable& table(const std::string& name, std::vector<std::string> columns) {
        SimTable& added = tables[name];
        added.columns = std::move(columns);
        return added;
    }

    TableRows readRows(const std::string& name, const std::vector<std::string>& columns) override {
        queries.push_back("READ " + name);
        TableRows result;
        const SimTable* found = find(name);
        if (found == nullptr || found->unreadable) {
            result.failure = "Table " + name + " cannot be read.";
            return result;
        }
        result.ok = true;
        result.columns = columns;
        for (std::size_t r = 0; r < found->rows.size(); ++r) result.rows.push_back(makeRow(*found, r, columns));
        return result;
    }

    std::optional<std::int64_t> countRows(const std::string& name) override {
        queries.push_back("COUNT " + name);
        const SimTable* found = find(name);
        if (found == nullptr || found->unreadable || found->countFails) return std::nullopt;
        return static_cast<std::int64_t>(found->rows.size());
    }

private:
    const SimTable* find(std::string_view name) const {
        for (const auto& [known, simTable] : tables)
            if (equalsIgnoringAsciiCase(known, name)) return &simTable;
        return nullptr;
    }

    static FieldValue valueOf(const SimTable& source, std::size_t rowIndex, std::string_view column) {
        const auto& values = source.rows[rowIndex];
        for (std::size_t c = 0; c < source.columns.size(); ++c) {
            if (!equalsIgnoringAsciiCase(source.columns[c], column)) continue;
            if (c >= values.size() || !values[c]) return FieldValue{FieldState::Null, {}};
            if (values[c]->empty()) return FieldValue{FieldState::Empty, {}};
            return FieldValue{FieldState::Value, *values[c]};
        }
        return FieldValue{};
    }

    static DatabaseRow makeRow(const SimTable& source, std::size_t rowIndex, const std::vector<std::string>& columns) {
        DatabaseRow row;
        row.fields.resize(columns.size());
        const auto& failing = source.failingRows;
        if (std::find(failing.begin(), failing.end(), rowIndex) != failing.end()) {
            row.failed = true;
            return row;
        }
        for (std::size_t c = 0; c < columns.size(); ++c) row.fields[c] = valueOf(source, rowIndex, columns[c]);
        return row;
    }
};

} // namespace Corvana
