#include "RequestBodies.h"

namespace qb {

std::string NameList(const std::vector<std::string>& names)
{
    std::string list;
    for (const auto& name : names)
        list += name + "\n";
    return list;
}

std::string ListBody(const std::string& token, const std::string& dir)
{
    return "ID=" + token + "&DIR=" + dir;
}

std::string OpenBody(const std::string& token, const std::string& file, const std::string& lock)
{
    return "ID=" + token + "&FILE=" + file + "&LOCK=" + lock;
}

std::string SavePrefix(const std::string& token, const std::string& dir, const std::string& file,
                       const std::string& lock, bool releaseLock)
{
    // A kept lock is marked by the single character "0" right after the lock value.
    return "ID=" + token + "&DIR=" + dir + "&FILE=" + file + "&LOCK=" + lock + (releaseLock ? "&UNLOCK=1" : "0")
        + "&DATA=";
}

std::string UnlockBody(const std::string& token, const std::string& file, const std::string& lock)
{
    return "ID=" + token + "&FILE=" + file + "&LOCK=" + lock;
}

std::string NewFolderBody(const std::string& token, const std::string& dir)
{
    return "ID=" + token + "&DIR=" + dir;
}

std::string RenameBody(const std::string& token, const std::string& dir, const std::string& from,
                       const std::string& to)
{
    return "ID=" + token + "&DIR=" + dir + "&FROM=" + from + "&TO=" + to;
}

std::string DeleteBody(const std::string& token, const std::string& dir, const std::vector<std::string>& names)
{
    return "ID=" + token + "&DIR=" + dir + "&LIST=" + NameList(names);
}

std::string PasteBody(const std::string& token, const std::string& dir, const std::string& fromDir,
                      const std::vector<std::string>& names)
{
    return "ID=" + token + "&DIR=" + dir + "&FROMDIR=" + fromDir + "&FILELIST=" + NameList(names);
}

} // namespace qb
