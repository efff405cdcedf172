#include "RemoteEntry.h"

#include <QCoreApplication>

#include <climits>
#include <ctime>

namespace qb {
namespace {

// One "%d" conversion: optional white space, sign, digits; false without digits.
bool ScanInt(std::string_view text, std::size_t& pos, std::int32_t& value)
{
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r')))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    const std::size_t digits = pos;
    long long magnitude = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        if (magnitude <= INT_MAX)
            magnitude = magnitude * 10 + (text[pos] - '0');
    }
    if (pos == digits)
        return false;
    // Out-of-range numbers are clamped rather than left to overflow.
    const long long signedValue = negative ? -magnitude : magnitude;
    value = static_cast<std::int32_t>(signedValue < INT_MIN ? INT_MIN : signedValue > INT_MAX ? INT_MAX : signedValue);
    return true;
}

} // namespace

ParsedEntryLine ParseEntryLine(std::string_view line)
{
    ParsedEntryLine parsed;
    RemoteEntry entry;
    std::int32_t folder = 0;
    std::size_t pos = 0;
    auto bar = [&] {
        if (pos < line.size() && line[pos] == '|') {
            ++pos;
            return true;
        }
        return false;
    };
    if (!ScanInt(line, pos, folder) || !bar() || !ScanInt(line, pos, entry.size) || !bar()
        || !ScanInt(line, pos, entry.modified)) {
        parsed.error = EntryLineError::BadNumbers;
        return parsed;
    }
    const auto last = line.rfind('|');
    if (last == std::string_view::npos) {
        parsed.error = EntryLineError::NoName;
        return parsed;
    }
    entry.isFolder = folder != 0;
    entry.name = QString::fromUtf8(line.data() + last + 1, static_cast<qsizetype>(line.size() - last - 1));
    entry.foldedName = entry.name.toCaseFolded();
    parsed.entry = std::move(entry);
    return parsed;
}

QString SizeText(const RemoteEntry& entry)
{
    if (entry.isFolder)
        return {};
    const long long kb = (static_cast<long long>(entry.size) + 999) / 1000;
    return QCoreApplication::translate("RemoteEntry", "%1 KB").arg(kb);
}

QString DateText(const RemoteEntry& entry)
{
    if (entry.modified <= 0)
        return {};
    const std::time_t when = entry.modified;
    std::tm local{};
    localtime_r(&when, &local);
    char text[64];
    std::strftime(text, sizeof text, "%m/%d/%Y %I:%M %p", &local);
    return QString::fromLatin1(text);
}

QString ExtensionOf(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot) : QString();
}

int CompareEntries(const RemoteEntry& a, const RemoteEntry& b, int column, bool ascending)
{
    const int sign = ascending ? 1 : -1;
    if (column == kColumnDate) {
        const int order = a.modified < b.modified ? -1 : a.modified > b.modified ? 1 : 0;
        return sign * order;
    }
    if (a.isFolder != b.isFolder)
        return a.isFolder ? -1 : 1; // not negated: folders stay first
    if (column == kColumnSize && !a.isFolder) {
        const long long order = static_cast<long long>(a.size) - b.size;
        return sign * (order < 0 ? -1 : order > 0 ? 1 : 0);
    }
    if (!a.foldedName.isEmpty() && !b.foldedName.isEmpty())
        return sign * a.foldedName.compare(b.foldedName);
    return sign * a.name.compare(b.name, Qt::CaseInsensitive);
}

std::string ChildPath(const std::string& dir, const std::string& name)
{
    return dir + "/" + name;
}

std::optional<std::string> ParentPath(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::nullopt;
    return path.substr(0, slash);
}

} // namespace qb
