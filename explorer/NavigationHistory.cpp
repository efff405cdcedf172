#include "NavigationHistory.h"

namespace qb {

void NavigationHistory::Push(const std::string& path)
{
    if (m_entries.size() >= kMaxEntries)
        m_entries.erase(m_entries.begin());
    m_entries.push_back(path);
    m_pos = static_cast<int>(m_entries.size()) - 1;
}

} // namespace qb
