#include "DialogFixture.h"

#include "editor/SecretEdit.h"

#include <QLineEdit>

using namespace qb;
using namespace qb::testing;

TEST(SecretEdit, ReadsTheTextAsUtf8)
{
    QLineEdit edit;
    Type(edit, QStringLiteral("k€y"));
    EXPECT_EQ(ReadSecret(edit).View(), "k\xe2\x82\xac" "y");
    EXPECT_EQ(edit.text(), QStringLiteral("k€y")); // reading leaves the edit alone
    edit.clear();
    EXPECT_TRUE(ReadSecret(edit).Empty());
}

TEST(SecretEdit, WipingEmptiesTheEditAndOverwritesWhatItHeld)
{
    for (const auto mode : {QLineEdit::Normal, QLineEdit::Password}) {
        SCOPED_TRACE(mode == QLineEdit::Normal ? "normal" : "password");
        QLineEdit edit;
        edit.setEchoMode(mode);
        Type(edit, QStringLiteral("Secret"));
        EXPECT_TRUE(WipeEdit(edit)); // the edit was the only holder of its characters
        EXPECT_EQ(edit.text(), QString());
        EXPECT_FALSE(edit.isUndoAvailable()); // undo cannot bring them back
        EXPECT_TRUE(WipeEdit(edit));          // nothing left to wipe
    }
}

TEST(SecretEdit, AKeptCopyIsNotOverwritten)
{
    QLineEdit edit;
    Type(edit, QStringLiteral("Secret"));
    const QString kept = edit.text();
    EXPECT_FALSE(WipeEdit(edit));
    EXPECT_EQ(kept, QStringLiteral("Secret"));
    EXPECT_EQ(edit.text(), QString());
}
