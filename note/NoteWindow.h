#pragma once
// What the note flows need from the editor window: its dialogs, its title and its progress
// bar. Kept free of widget types so that the flows run without one (and in tests).

#include "codec/SecureWipe.h"

#include <QString>

#include <optional>
#include <string>

namespace qb {

// A key created in the key dialog: its name and the typed text, in wiped storage.
struct TypedKey {
    std::string name;
    SecretText key;
};

class INoteWindow {
public:
    virtual ~INoteWindow() = default;
    // The key dialog asking for the key of that name; nothing when cancelled.
    virtual std::optional<SecretText> AskOpenKey(const std::string& keyName) = 0;
    // The key dialog creating a key; nothing when cancelled.
    virtual std::optional<TypedKey> AskNewKey() = 0;
    // The file name dialog, with the "already exists" prompt when told; nothing when
    // cancelled. The name comes back as typed.
    virtual std::optional<std::string> AskNewName(bool nameExists) = 0;
    // The note could not be decrypted with either key: shows part of its source.
    virtual void ShowDecryptFailure(const QString& source) = 0;
    // The window title while a save runs; the note's own title once it is over.
    virtual void SetStatus(const QString& title) = 0;
    virtual void ShowProgress(int position, int range) = 0;
    virtual void HideProgress() = 0;
};

} // namespace qb
