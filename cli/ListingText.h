#pragma once
// How the listing commands print: dates as ls shows them, and JSON for --json.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace qb::cli {

// "YYYY-MM-DD HH:MM" in local time; a dash padded to the same width for no date.
std::string DateOf(std::int64_t seconds);

// A JSON string literal of UTF-8 text.
std::string JsonString(std::string_view text);

// "[" + the objects, one a line + "]" and a line feed.
void WriteJsonArray(std::ostream& out, const std::vector<std::string>& objects);

// The items as a JSON array (asJson) or one text line each.
template <typename Item>
void WriteItems(std::ostream& out, bool asJson, const std::vector<Item>& items, std::string (*line)(const Item&),
                std::string (*json)(const Item&))
{
    if (asJson) {
        std::vector<std::string> objects;
        for (const Item& item : items)
            objects.push_back(json(item));
        WriteJsonArray(out, objects);
    } else {
        for (const Item& item : items)
            out << line(item) << "\n";
    }
}

} // namespace qb::cli
