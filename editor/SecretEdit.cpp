#include "editor/SecretEdit.h"

#include <QLineEdit>

#include <string_view>

namespace qb {

SecretText ReadSecret(const QLineEdit& edit)
{
    QByteArray utf8 = edit.text().toUtf8(); // the edit's text is shared, not copied, up to here
    SecretText secret(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    SecureWipe(utf8.data(), static_cast<std::size_t>(utf8.size()));
    return secret;
}

bool WipeEdit(QLineEdit& edit)
{
    QString held = edit.text(); // shares the edit's buffer
    edit.setText(QString());    // a new text also drops the undo history
    if (held.isEmpty())
        return true;
    // Writing through data() copies a shared buffer first; only the sole owner wipes the
    // characters the edit held.
    const bool sole = held.isDetached();
    SecureWipe(held.data(), static_cast<std::size_t>(held.size()) * sizeof(QChar));
    return sole;
}

} // namespace qb
