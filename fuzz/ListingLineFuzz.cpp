// A listing line from the server, as the explorer reads it, then everything the list shows
// of the entry: its columns, its sort place against a fixed entry, its path and back.

#include "FuzzGui.h"
#include "FuzzSupport.h"

#include "explorer/RemoteEntry.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qb::fuzz::StartGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace qb;
    const std::string_view line = fuzz::Text(data, size);
    const ParsedEntryLine parsed = ParseEntryLine(line);
    if (!parsed.entry)
        return 0;
    const RemoteEntry& entry = *parsed.entry;
    static_cast<void>(SizeText(entry));
    static_cast<void>(DateText(entry));
    static_cast<void>(ExtensionOf(entry.name));
    RemoteEntry other;
    other.name = QStringLiteral("Recipes");
    other.foldedName = other.name.toCaseFolded();
    for (int column : {kColumnName, kColumnSize, kColumnDate}) {
        for (bool ascending : {true, false}) {
            fuzz::Require(CompareEntries(entry, entry, column, ascending) == 0, "an entry sorts level with itself");
            const int ab = CompareEntries(entry, other, column, ascending);
            const int ba = CompareEntries(other, entry, column, ascending);
            fuzz::Require((ab < 0) == (ba > 0) && (ab == 0) == (ba == 0), "the order is antisymmetric");
        }
    }
    const std::string name = entry.name.toStdString();
    const std::string path = ChildPath("/Recipes", name);
    fuzz::Require(ParentPath(path).has_value(), "a child path has a parent");
    return 0;
}
