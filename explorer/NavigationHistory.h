#pragma once
// The explorer's history of shown folders: at most 20, oldest first. Opening a folder
// appends behind every earlier entry, even after going Back.

#include <string>
#include <vector>

namespace qb {

class NavigationHistory {
public:
    static constexpr std::size_t kMaxEntries = 20;

    void Push(const std::string& path);
    bool CanGoBack() const { return m_pos > 0; }
    bool CanGoForward() const { return m_pos + 1 < static_cast<int>(m_entries.size()); }
    // Moves the position and returns the path to list there. The position stays moved when
    // that listing fails.
    const std::string& StepBack() { return m_entries[static_cast<std::size_t>(--m_pos)]; }
    const std::string& StepForward() { return m_entries[static_cast<std::size_t>(++m_pos)]; }

    int Position() const { return m_pos; }
    const std::vector<std::string>& Entries() const { return m_entries; }

private:
    std::vector<std::string> m_entries;
    int m_pos = 0;
};

} // namespace qb
