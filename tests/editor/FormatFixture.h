#pragma once
// An editor window over a new note with a short text, its settings in a temporary folder,
// and the colour popup answered while it runs.

#include "editor/ColorButton.h"
#include "editor/ColorPopup.h"
#include "editor/EditorDlg.h"
#include "editor/FormatBar.h"
#include "editor/NoteRichEdit.h"
#include "editor/SelectionFormat.h"

#include "note/NoteHost.h"

#include "app/ClientApp.h"

#include "TempDir.h"

#include <QTextCursor>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace qb::testing {

class NoHost : public INoteHost {
public:
    bool NameExists(const std::string&) const override { return false; }
    void RefreshListing() override {}
    void ShowProgress(int, int) override {}
    void HideProgress() override {}
};

// "Alpha beta gamma" and "Second line": tests select "beta gamma".
inline constexpr int kSelStart = 6, kSelEnd = 16;

class FormatTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_app.SetIniPath((m_dir.path / "Quillbox.ini").string());
        m_editor = MakeEditor();
        QTextCursor cursor(m_editor->TextControl().document());
        cursor.insertText(QStringLiteral("Alpha beta gamma"));
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("Second line"));
        Select(kSelStart, kSelEnd);
    }

    std::unique_ptr<CEditorDlg> MakeEditor()
    {
        auto editor = std::make_unique<CEditorDlg>(m_app, m_host);
        editor->SetNewNote("/Home");
        EXPECT_TRUE(editor->Start());
        return editor;
    }

    void Select(int start, int end)
    {
        QTextCursor cursor(Text().document());
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        Text().setTextCursor(cursor);
    }

    CNoteRichEdit& Text() { return m_editor->TextControl(); }
    CFormatBar& Bar() { return m_editor->FormatBar(); }

    TempDir m_dir;
    CClientApp m_app;
    NoHost m_host;
    std::unique_ptr<CEditorDlg> m_editor;
};

// Clicks the colour button and, once its popup shows, does what `inPopup` says.
inline void UseColorPopup(CColorButton& button, const std::function<void(CColorPopup&)>& inPopup)
{
    bool seen = false;
    QTimer::singleShot(0, &button, [&] {
        CColorPopup* popup = button.findChild<CColorPopup*>();
        ASSERT_NE(popup, nullptr);
        seen = true;
        inPopup(*popup);
    });
    button.click();
    EXPECT_TRUE(seen);
}

} // namespace qb::testing
