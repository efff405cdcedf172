// Faults found by reading a corpus with another reader and comparing: each snippet shows one,
// with what came out before it was fixed.

#include "RtfTestSupport.h"

#include "rtf/RtfWriter.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>

#include <gtest/gtest.h>

using namespace qb;
using namespace qb::testing;

namespace {

// A font table followed by a colour table of "auto" and red, for Rtf()'s font argument.
std::string FontsAndRed(const std::string& fonts)
{
    return fonts + "}{\\colortbl ;\\red255\\green0\\blue0;";
}

Qt::Alignment AlignmentOf(const ReadDocument& read, const std::string& needle)
{
    return read.BlockOf(needle).alignment() & Qt::AlignHorizontal_Mask;
}

} // namespace

// Before: "A" and "B" came out left-aligned while "X", ended by \par, was centred: \cell
// never gave its paragraph the paragraph state.
TEST(RtfFidelity, CellEndsItsParagraphWithItsFormat)
{
    const auto read = Read(Rtf("\\trowd\\cellx1000\\cellx2000\\intbl\\qc A\\cell\\pard\\intbl\\qr\\sb240 B\\cell\\row"
                               "\\trowd\\cellx1000\\intbl\\qc X\\par Y\\cell\\row\\pard after"));
    EXPECT_EQ(AlignmentOf(read, "A"), Qt::AlignHCenter);
    EXPECT_EQ(AlignmentOf(read, "B"), Qt::AlignRight);
    EXPECT_EQ(read.BlockOf("B").topMargin(), 16);
    EXPECT_EQ(AlignmentOf(read, "X"), Qt::AlignHCenter);
    EXPECT_EQ(AlignmentOf(read, "Y"), Qt::AlignHCenter);
    EXPECT_EQ(AlignmentOf(read, "after"), Qt::AlignLeft);
}

// Before: every row came out in the plain formats, so "{\dbch\ab ...}" (bold CJK) was regular
// and "{\dbch\af1\afs40 ...}" kept the body's font and size.
TEST(RtfFidelity, AssociatedFormatsApplyToDoubleByteAndRightToLeftText)
{
    const auto read = Read(Rtf("{\\f1\\dbch\\ab\\'82\\'a0}|{\\dbch\\af1\\afs40 Size}|{\\rtlch\\ai Rtl}|"
                               "{\\ltrch\\ai Ltr}|{\\loch\\ab Loch}|{\\hich\\ab Hich}|{\\b\\dbch\\ab0 Off}|{\\b\\dbch Unset}|"
                               "{\\dbch\\aul\\acf1 Under}|{\\rtlch\\ab\\ltrch Back}|{\\dbch\\ab\\plain Plain}",
                               FontsAndRed("{\\f0 Arial;}{\\f1\\fcharset128 MS Mincho;}")));
    ASSERT_EQ(read.status, rtf::ReadStatus::Ok);
    EXPECT_EQ(read.Text(), "あ|Size|Rtl|Ltr|Loch|Hich|Off|Unset|Under|Back|Plain");
    const struct {
        const char* text;
        bool bold, italic, underline;
    } rows[] = {
        {"あ", true, false, false},   {"Rtl", false, true, false},    {"Ltr", false, false, false},
        {"Loch", false, false, false}, {"Hich", false, false, false}, {"Off", false, false, false},
        {"Unset", true, false, false}, {"Under", false, false, true}, {"Back", false, false, false},
        {"Plain", false, false, false},
    };
    for (const auto& row : rows) {
        const QTextCharFormat f = read.FormatOf(row.text);
        EXPECT_EQ(f.fontWeight() == QFont::Bold, row.bold) << row.text;
        EXPECT_EQ(f.fontItalic(), row.italic) << row.text;
        EXPECT_EQ(f.fontUnderline(), row.underline) << row.text;
    }
    EXPECT_EQ(read.FormatOf("Size").fontFamilies().toStringList(), QStringList{QStringLiteral("MS Mincho")});
    EXPECT_EQ(read.FormatOf("Size").fontPointSize(), 20);
    EXPECT_EQ(read.FormatOf("Under").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(read.FormatOf("Ltr").fontFamilies().toStringList(), QStringList{QStringLiteral("Arial")});
}

// Before: the list item took the red of the line before it as its paragraph's character
// format, and the HTML export showed <li style=" font-family:'Arial'; font-size:12pt;
// color:#ff0000;">item</li>.
TEST(RtfFidelity, NewParagraphDoesNotTakeTheFormatOfTheRunBefore)
{
    const std::string bullet = "{\\pntext\\'B7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'B7}}";
    for (const std::string& body : {"{\\cf1 red line}\\par\\pard" + bullet + "item",
                                    "\\cf1 red line\\par\\pard\\cf0 " + bullet + "item\\par"}) {
        const auto read = Read(Rtf(body, FontsAndRed("{\\f0 Arial;}")));
        const QTextBlock item = read.doc->find(QStringLiteral("item")).block();
        ASSERT_TRUE(item.textList()) << body;
        EXPECT_EQ(item.charFormat().foreground().style(), Qt::NoBrush) << body;
        EXPECT_EQ(item.charFormat().fontPointSize(), 12) << body;
        const std::string html = read.doc->toHtml().toStdString();
        const auto li = html.find("<li");
        ASSERT_NE(li, std::string::npos) << html;
        EXPECT_EQ(html.substr(li, html.find('>', li) - li).find("color"), std::string::npos) << html;
        // The red line itself is still red.
        EXPECT_EQ(read.FormatOf("red").foreground().color(), QColor(255, 0, 0));
    }
}

// Before: the unnamed entry was written back as "{\f0\fnil\fcharset0 Sans Serif;}", a face
// the file never named, and its \fmodern was lost.
TEST(RtfFidelity, UnnamedFontKeepsItsFamilyClassAndGetsNoName)
{
    const auto read = Read("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0;}{\\f1\\froman Times;}"
                           "{\\f2\\fswiss}}mono \\f1 serif \\f2 sans}");
    ASSERT_EQ(read.status, rtf::ReadStatus::Ok);
    const QTextCharFormat mono = read.FormatOf("mono");
    EXPECT_TRUE(mono.fontFamilies().toStringList().isEmpty());
    EXPECT_EQ(mono.fontStyleHint(), QFont::TypeWriter);
    EXPECT_EQ(read.FormatOf("serif").fontFamilies().toStringList(), QStringList{QStringLiteral("Times")});
    EXPECT_EQ(read.FormatOf("serif").fontStyleHint(), QFont::Serif);
    EXPECT_EQ(read.FormatOf("sans").fontStyleHint(), QFont::SansSerif); // an entry ended by its group

    const auto written = rtf::ToRtf(*read.doc);
    const std::string& rtf = written.rtf;
    EXPECT_NE(rtf.find("{\\f1\\fmodern\\fcharset0 ;}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("{\\f2\\froman\\fcharset0 Times;}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("{\\f3\\fswiss\\fcharset0 ;}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("{\\f1\\fs24 mono "), std::string::npos) << rtf;

    const auto back = Read(rtf);
    EXPECT_TRUE(back.FormatOf("mono").fontFamilies().toStringList().isEmpty());
    EXPECT_EQ(back.FormatOf("mono").fontStyleHint(), QFont::TypeWriter);
    EXPECT_EQ(back.FormatOf("serif").fontFamilies().toStringList(), QStringList{QStringLiteral("Times")});
}
