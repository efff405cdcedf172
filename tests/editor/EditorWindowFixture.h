#pragma once
// The editor window against a real notes server: its dialogs answered by a script,
// message boxes by scripted prompts.

#include "../note/NoteFixture.h"

#include "editor/EditorDlg.h"
#include "editor/NoteRichEdit.h"
#include "editor/PastedPicture.h"

#include "rtf/RtfPicture.h"

#include "ui/ScriptedPrompts.h"

#include <QImage>
#include <QTextBlock>
#include <QUrl>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

#include <functional>

#include <memory>
#include <optional>
#include <vector>

namespace qb::testing {

// The editor with its dialogs answered from the scripts of a ScriptedWindow.
class ScriptedEditor : public CEditorDlg {
public:
    using CEditorDlg::CEditorDlg;
    std::optional<SecretText> AskOpenKey(const std::string& keyName) override { return script.AskOpenKey(keyName); }
    std::optional<TypedKey> AskNewKey() override { return script.AskNewKey(); }
    std::optional<std::string> AskNewName(bool nameExists) override { return script.AskNewName(nameExists); }
    void ShowDecryptFailure(const QString& source) override { script.ShowDecryptFailure(source); }
    std::optional<QString> AskLocalCopyPath(const QString& suggestedName) override
    {
        offeredNames.push_back(suggestedName);
        return localCopyPath;
    }

    ScriptedWindow script;
    std::optional<QString> localCopyPath; // the local copy dialog's answer
    std::vector<QString> offeredNames;    // the names it was opened with
};

class EditorWindowTest : public NoteTest {
protected:
    void SetUp() override
    {
        NoteTest::SetUp();
        SetPrompts(&m_prompts);
    }
    void TearDown() override
    {
        SetPrompts(nullptr);
        NoteTest::TearDown();
    }
    std::unique_ptr<ScriptedEditor> MakeEditor()
    {
        return std::make_unique<ScriptedEditor>(*m_app, m_host, nullptr);
    }

    ScriptedPrompts m_prompts;
    ScriptedHost m_host;
};

inline void TypeAtEnd(CEditorDlg& editor, const QString& text)
{
    QTextCursor cursor = editor.TextControl().textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

inline PastedPicture SmallPicture()
{
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    return {rtf::PngBytes(image).value(), image.size()};
}

// A note with every format the editor writes: bold heading, italic, underline, colour,
// another face, a centred line, bullets and a picture.
inline void WriteFormattedNote(QTextDocument& document)
{
    QTextCursor cursor(&document);
    const auto put = [&cursor](const QString& text, const std::function<void(QTextCharFormat&)>& style) {
        QTextCharFormat format;
        style(format);
        cursor.insertText(text, format);
        cursor.insertText(" ", QTextCharFormat());
    };
    put("Heading", [](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); f.setFontPointSize(16); });
    put("slanted", [](QTextCharFormat& f) { f.setFontItalic(true); });
    put("under", [](QTextCharFormat& f) { f.setFontUnderline(true); });
    put("red", [](QTextCharFormat& f) { f.setForeground(QColor(200, 0, 0)); });
    put("serif", [](QTextCharFormat& f) { f.setFontFamilies({QStringLiteral("DejaVu Serif")}); });
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.insertBlock(centred);
    cursor.insertText("centred line");
    cursor.insertBlock(QTextBlockFormat());
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    cursor.insertList(bullets);
    cursor.insertText("one");
    cursor.insertBlock();
    cursor.insertText("two");
    cursor.insertBlock(QTextBlockFormat());
    InsertPicture(cursor, SmallPicture());
}

// The first fragment of the document whose text is exactly `text`.
inline std::optional<QTextCharFormat> FormatOf(const QTextDocument& document, const QString& text)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().text() == text)
                return it.fragment().charFormat();
    return std::nullopt;
}

inline QTextBlock BlockOf(const QTextDocument& document, const QString& text)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        if (block.text() == text)
            return block;
    return {};
}

// The formats of WriteFormattedNote, as read back.
inline void ExpectFormattedNote(const QTextDocument& read)
{
    struct FormatCase {
        const char* text;
        std::function<bool(const QTextCharFormat&)> holds;
    };
    const FormatCase formats[] = {
        {"Heading", [](const QTextCharFormat& f) { return f.fontWeight() == QFont::Bold && f.fontPointSize() == 16; }},
        {"slanted", [](const QTextCharFormat& f) { return f.fontItalic() && f.fontWeight() != QFont::Bold; }},
        {"under", [](const QTextCharFormat& f) { return f.fontUnderline(); }},
        {"red", [](const QTextCharFormat& f) { return f.foreground().color() == QColor(200, 0, 0); }},
        {"serif", [](const QTextCharFormat& f) { return f.fontFamilies().toStringList().value(0) == "DejaVu Serif"; }},
    };
    for (const FormatCase& c : formats) {
        SCOPED_TRACE(c.text);
        const auto format = FormatOf(read, c.text);
        ASSERT_TRUE(format.has_value());
        EXPECT_TRUE(c.holds(*format));
    }
    EXPECT_EQ(BlockOf(read, "centred line").blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    for (const char* item : {"one", "two"}) {
        SCOPED_TRACE(item);
        const QTextList* list = BlockOf(read, item).textList();
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->format().style(), QTextListFormat::ListDisc);
    }
    const auto picture = FormatOf(read, QString(QChar::ObjectReplacementCharacter));
    ASSERT_TRUE(picture.has_value() && picture->isImageFormat());
    QImage image;
    ASSERT_TRUE(image.loadFromData(
        read.resource(QTextDocument::ImageResource, QUrl(picture->toImageFormat().name())).toByteArray()));
    EXPECT_EQ(image.size(), QSize(7, 5));
    EXPECT_EQ(image.pixelColor(3, 2), QColor(Qt::darkGreen));
}

} // namespace qb::testing
