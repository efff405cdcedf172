#pragma once
// Key texts out of password edits. Qt keeps an edit's text in ordinary strings, so the
// dialogs take what they need into wiped storage and empty their edits when they end,
// overwriting the buffer the edit held.

#include "codec/SecureWipe.h"

class QLineEdit;

namespace qb {

// The edit's text as UTF-8 in wiped storage; the temporary UTF-8 copy is overwritten.
SecretText ReadSecret(const QLineEdit& edit);

// Empties the edit (its undo history too) and overwrites the characters it held. False when
// someone else still shares that text, so that only the edit let go of it.
bool WipeEdit(QLineEdit& edit);

} // namespace qb
