// A raw request body split by the fields of one script (the first byte picks it): a shape
// error or one value per field, each a view into the body, in the script's order.

#include "FuzzSupport.h"

#include "server/RequestBody.h"

#include <array>

namespace {

constexpr std::array<const char*, 9> kScripts = {"qbdir.pl",    "qbopen.pl",   "qbsave.pl",
                                                 "qbunlock.pl", "qbnewdir.pl", "qbrename.pl",
                                                 "qbdelete.pl", "qbcopy.pl",   "qbmove.pl"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace qb::server;
    if (size == 0)
        return 0;
    const Script* script = FindScript(kScripts[data[0] % kScripts.size()]);
    qb::fuzz::Require(script != nullptr, "every script is known");
    const std::string_view body = qb::fuzz::Text(data + 1, size - 1);
    const ParsedBody parsed = SplitBody(*script, body);
    if (!parsed.error.empty())
        return 0;
    qb::fuzz::Require(parsed.values.size() == script->fields.size(), "one value per field");
    // The body is exactly the fields' markers and values, in order: nothing lost, nothing
    // added. A value ends at the first marker of the next field; the last field's marker is
    // found from the end where that field can never hold it.
    std::string rebuilt;
    const std::size_t last = script->fields.size() - 1;
    for (std::size_t i = 0; i <= last; ++i) {
        const std::string& field = script->fields[i];
        const auto it = parsed.values.find(field);
        qb::fuzz::Require(it != parsed.values.end(), "every field has a value");
        const std::string_view value = it->second;
        qb::fuzz::Require(value.data() >= body.data() && value.data() + value.size() <= body.data() + body.size(),
                          "values are views into the body");
        rebuilt += (i == 0 ? "" : "&") + field + "=";
        rebuilt += value;
        if (i < last) {
            const std::string next = "&" + script->fields[i + 1] + "=";
            const bool fromEnd = script->lastMarkerFromEnd && i + 1 == last;
            qb::fuzz::Require(fromEnd || value.find(next) == std::string_view::npos,
                              "a value ends at the first marker of the next field");
        } else if (script->lastMarkerFromEnd) {
            qb::fuzz::Require(value.find("&" + field + "=") == std::string_view::npos,
                              "the last field never holds its own marker");
        }
    }
    qb::fuzz::Require(rebuilt == body, "the values and markers make the body again");
    return 0;
}
