// Files written by other programs read with their text and formats; and, where those
// programs are installed, they read our writer's output with the same text.

#include "RtfTestSupport.h"

#include "ExternalTools.h"
#include "TempDir.h"
#include "rtf/RtfWriter.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace qb;
using namespace qb::testing;

namespace {

std::string Fixture(const std::string& name)
{
    return ReadFile(std::string(QUILLBOX_RTF_FIXTURES) + "/" + name);
}

} // namespace

TEST(RtfInterop, LibreOfficeWriterFile)
{
    const auto read = Read(Fixture("libreoffice/formats.rtf"));
    ASSERT_EQ(read.status, rtf::ReadStatus::Ok);
    EXPECT_NE(read.Text().find("Греческий: αβγ, Кириллица: Привет, 日本語"), std::string::npos);
    EXPECT_EQ(read.FormatOf("bold").fontWeight(), QFont::Bold);
    EXPECT_TRUE(read.FormatOf("italic").fontItalic());
    EXPECT_TRUE(read.FormatOf("underlined").fontUnderline());
    EXPECT_EQ(read.FormatOf("red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(read.BlockOf("Centered paragraph").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(read.BlockOf("Right aligned").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    const QTextBlock bullet = read.doc->find(QStringLiteral("First bullet")).block();
    ASSERT_TRUE(bullet.textList());
    EXPECT_EQ(bullet.textList()->format().style(), QTextListFormat::ListDisc);
    const QTextBlock number = read.doc->find(QStringLiteral("One")).block();
    ASSERT_TRUE(number.textList());
    EXPECT_EQ(number.textList()->format().style(), QTextListFormat::ListDecimal);
    bool table = false;
    for (QTextFrame* frame : read.doc->rootFrame()->childFrames())
        table = table || qobject_cast<QTextTable*>(frame);
    EXPECT_TRUE(table);
    EXPECT_EQ(read.FormatOf("link").anchorHref(), QStringLiteral("https://example.org/page"));
}

TEST(RtfInterop, PandocFile)
{
    const auto read = Read(Fixture("pandoc/formats.rtf"));
    ASSERT_EQ(read.status, rtf::ReadStatus::Ok);
    EXPECT_NE(read.Text().find("Греческий: αβγ, Кириллица: Привет, 日本語"), std::string::npos);
    EXPECT_EQ(read.FormatOf("bold").fontWeight(), QFont::Bold);
    EXPECT_TRUE(read.FormatOf("italic").fontItalic());
    EXPECT_EQ(read.FormatOf("code").fontFamilies().toStringList(), QStringList{QStringLiteral("Courier")});
    EXPECT_NE(read.Text().find("\u2022\tFirst bullet"), std::string::npos); // pandoc writes bullets as text
    EXPECT_EQ(read.FormatOf("link").anchorHref(), QStringLiteral("https://example.org/page"));
}

TEST(RtfInterop, OtherProgramsReadOurOutput)
{
    const bool pandoc = Installed("pandoc");
    const bool office = Installed("soffice");
    if (!pandoc && !office)
        GTEST_SKIP() << "neither pandoc nor LibreOffice is installed";

    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("Quillbox note with bold, Привет and 日本語."));
    c.insertBlock();
    QTextListFormat list;
    list.setStyle(QTextListFormat::ListDisc);
    c.createList(list);
    c.insertText(QStringLiteral("a bullet"));
    TempDir dir;
    const std::string rtfPath = (dir.path / "note.rtf").string();
    std::ofstream(rtfPath, std::ios::binary) << rtf::ToRtf(doc).rtf;

    if (pandoc) {
        const std::string out = (dir.path / "pandoc.txt").string();
        ASSERT_EQ(std::system(("pandoc -f rtf -t plain --wrap=none '" + rtfPath + "' -o '" + out + "'").c_str()), 0);
        const std::string text = Squeeze(ReadFile(out));
        EXPECT_NE(text.find("Quillbox note with bold, Привет and 日本語."), std::string::npos) << text;
        EXPECT_NE(text.find("a bullet"), std::string::npos) << text;
    }
    if (office) {
        const std::string command = "cd '" + dir.path.string()
            + "' && HOME='" + dir.path.string() + "' timeout 120 soffice --headless --convert-to 'txt:Text (encoded):UTF8' note.rtf"
              " >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::string text = Squeeze(ReadFile((dir.path / "note.txt").string()));
        EXPECT_NE(text.find("Quillbox note with bold, Привет and 日本語."), std::string::npos) << text;
        EXPECT_NE(text.find("a bullet"), std::string::npos) << text;
    }
}
