#pragma once

#include <algorithm>
#include <cctype>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vonnik {

// What every kind of file table has in common: rows with an `extension` (lower case, no dot)
// and a `format`. The writers, the command line's help and errors and the viewer's file
// filters all read the same rows, so that a new format is one row.

// The row of a bare name as the command line gives it, "glb" or ".GLB"; nothing when no row has it.
template <typename Row>
const Row* RowNamed(std::span<const Row> rows, std::string_view name) {
    if (!name.empty() && name.front() == '.') name.remove_prefix(1);
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const Row& row : rows)
        if (lower == row.extension) return &row;
    return nullptr;
}

template <typename Row, typename Format>
const Row& RowOf(std::span<const Row> rows, Format format) {
    return *std::find_if(rows.begin(), rows.end(),
                         [&](const Row& r) { return r.format == format; });
}

// The extensions one after the other: "glb, obj, ply, stl or 3mf" (last = " or "), with a dot
// before each when dotted.
template <typename Row>
std::string ExtensionList(std::span<const Row> rows, bool dotted, std::string_view last) {
    std::string list;
    for (std::size_t n = 0; n < rows.size(); ++n) {
        if (n > 0) list += n + 1 == rows.size() ? std::string(last) : std::string(", ");
        if (dotted) list += '.';
        list += rows[n].extension;
    }
    return list;
}

// The lines a help text gives the formats: the extension in a column as wide as the longest,
// then the description, whose later lines stand under its first.
template <typename Row>
std::string HelpLines(std::span<const Row> rows, std::string_view indent) {
    std::size_t width = 0;
    for (const Row& row : rows) width = std::max(width, std::string_view(row.extension).size());
    std::string text;
    const std::string hanging(indent.size() + width + 3, ' ');
    for (const Row& row : rows) {
        std::string ext = std::string(".") + row.extension;
        ext.resize(width + 3, ' ');
        text += std::string(indent) + ext;
        for (const char c : std::string_view(row.description)) {
            text += c;
            if (c == '\n') text += hanging;
        }
        text += '\n';
    }
    return text;
}

}  // namespace vonnik
