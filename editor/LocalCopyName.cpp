#include "editor/LocalCopyName.h"

namespace qb {

QString LocalCopyName(const std::string& noteName)
{
    const std::size_t slash = noteName.rfind('/');
    return QString::fromStdString(slash == std::string::npos ? noteName : noteName.substr(slash + 1));
}

} // namespace qb
