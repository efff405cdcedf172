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
    const char* previousEnd = body.data();
    for (const std::string& field : script->fields) {
        const auto it = parsed.values.find(field);
        qb::fuzz::Require(it != parsed.values.end(), "every field has a value");
        const std::string_view value = it->second;
        qb::fuzz::Require(value.data() >= previousEnd && value.data() + value.size() <= body.data() + body.size(),
                          "values are views into the body, in order");
        previousEnd = value.data() + value.size();
        for (std::size_t i = 1; i < script->fields.size(); ++i)
            qb::fuzz::Require(value.find("&" + script->fields[i] + "=") == std::string_view::npos,
                              "no value holds a field marker of its script");
    }
    return 0;
}
