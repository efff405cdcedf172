#pragma once
// What an editor needs from the window that opened it (the explorer), so that the editor
// never reaches into that window's classes.

#include <string>

namespace qb {

class INoteHost {
public:
    virtual ~INoteHost() = default;
    // The current listing shows an entry with this name.
    virtual bool NameExists(const std::string& name) const = 0;
    // Fetches the current folder's listing again, after a save.
    virtual void RefreshListing() = 0;
    // The host's progress bar, for an open that runs before the editor is shown.
    virtual void ShowProgress(int position, int range) = 0;
    virtual void HideProgress() = 0;
};

} // namespace qb
