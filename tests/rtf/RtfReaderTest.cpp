#include "RtfTestSupport.h"

#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <gtest/gtest.h>

using namespace qb;
using namespace qb::testing;
using Strings = std::vector<std::string>;

TEST(RtfReader, TextThroughCodePagesAndUnicode)
{
    const struct {
        std::string rtf;
        std::string text;
    } rows[] = {
        {Rtf("caf\\'e9"), "café"},
        {"{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}\\'cf\\'f0\\'e8}", "При"},
        {Rtf("\\f1\\'e1\\'e2", "{\\f0 Arial;}{\\f1\\fcharset161 Greek;}"), "αβ"},
        {Rtf("\\f1\\'c7\\'e1", "{\\f0 Arial;}{\\f1\\fcharset178 Arabic;}"), "ال"},
        {Rtf("\\f1\\'a1\\'a2", "{\\f0 Arial;}{\\f1\\fcharset222 Thai;}"), "กข"},
        {Rtf("\\f1\\'82\\'a0\\'82\\'a2A", "{\\f0 Arial;}{\\f1\\fcharset128 MS Mincho;}"), "あいA"},
        {Rtf("\\f1 \x82\xa0\x82\xa2", "{\\f0 Arial;}{\\f1\\fcharset128 MS Mincho;}"), "あい"}, // raw 8-bit bytes
        {Rtf("\\f1\\'c4\\'e3\\'ba\\'c3", "{\\f0 Arial;}{\\f1\\fcharset134 SimSun;}"), "你好"},
        {Rtf("\\f1\\'cf\\'f0", "{\\f0 Arial;}{\\f1\\fcharset204 Cyr;}"), "Пр"},
        {"{\\rtf1\\mac{\\fonttbl{\\f0 Geneva;}}caf\\'8e}", "café"},
        {"{\\rtf1\\pc{\\fonttbl{\\f0 Courier;}}caf\\'82}", "café"},
        {Rtf("\\u8364?5"), "€5"},
        {Rtf("\\uc2\\u8364\\'80\\'80x"), "€x"},
        {Rtf("\\uc0\\u8364 x"), "€x"},
        {Rtf("{\\uc3\\u8364 abcdef}"), "€def"},
        {Rtf("\\u-10179?\\u-8704?"), "\xF0\x9F\x98\x80"},
        {Rtf("a\\tab b\\line c"), "a\tb\u2028c"},
        {Rtf("\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote\\~x"), "—–•‘’“”\u00a0x"},
        {Rtf("\\{\\}\\\\"), "{}\\"},
        {Rtf("one\\par two\\page three"), "one\ntwo\nthree"},
        {Rtf("{\\*\\unknowndest junk}visible"), "visible"},
        {Rtf("{\\info{\\title T}{\\author A}}{\\stylesheet{\\s0 Normal;}}{\\header H}{\\footer F}body"), "body"},
        {Rtf("a{\\*\\blob\\bin3 x}}y}b"), "ab"},
        {Rtf("a\\bin3 {}}b"), "ab"},
        {Rtf("{\\field{\\*\\fldinst PAGE}{\\fldrslt 7}}"), "7"},
        {Rtf("{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}{\\result R}}"), "R"},
        {Rtf("x\\-y\\_z"), "xy\u2011z"},
        {Rtf("x\\\nline"), "x\nline"},
    };
    for (const auto& row : rows) {
        const auto read = Read(row.rtf);
        EXPECT_EQ(read.status, rtf::ReadStatus::Ok) << row.rtf;
        std::string text = read.Text();
        EXPECT_EQ(text, row.text) << row.rtf;
    }
}

TEST(RtfReader, CharacterFormats)
{
    const auto read = Read(Rtf("\\fs20 {\\b B}{\\i I}{\\ulw U}{\\uldb D}{\\strike S}{\\f1 F}{\\fs40 Z}{\\cf1 C}"
                               "{\\highlight2 H}{\\cb2 K}{\\chcbpat1 P}{\\super Up}{\\sub Dn}{\\b\\i\\plain N}{\\b\\b0 O}",
                               "{\\f0 Arial;}{\\f1 Courier New;}}{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;"));
    EXPECT_EQ(read.Text(), "BIUDSFZCHKPUpDnNO");
    EXPECT_EQ(read.FormatOf("B").fontWeight(), QFont::Bold);
    EXPECT_TRUE(read.FormatOf("I").fontItalic());
    EXPECT_TRUE(read.FormatOf("U").fontUnderline());
    EXPECT_TRUE(read.FormatOf("D").fontUnderline());
    EXPECT_TRUE(read.FormatOf("S").fontStrikeOut());
    EXPECT_EQ(read.FormatOf("F").fontFamilies().toStringList(), QStringList{QStringLiteral("Courier New")});
    EXPECT_EQ(read.FormatOf("B").fontFamilies().toStringList(), QStringList{QStringLiteral("Arial")});
    EXPECT_EQ(read.FormatOf("Z").fontPointSize(), 20);
    EXPECT_EQ(read.FormatOf("B").fontPointSize(), 10);
    EXPECT_EQ(read.FormatOf("C").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(read.FormatOf("H").background().color(), QColor(0, 0, 255));
    EXPECT_EQ(read.FormatOf("K").background().color(), QColor(0, 0, 255));
    EXPECT_EQ(read.FormatOf("P").background().color(), QColor(255, 0, 0));
    EXPECT_EQ(read.FormatOf("Up").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(read.FormatOf("Dn").verticalAlignment(), QTextCharFormat::AlignSubScript);
    const auto plain = read.FormatOf("N");
    EXPECT_FALSE(plain.fontItalic());
    EXPECT_NE(plain.fontWeight(), QFont::Bold);
    EXPECT_EQ(plain.fontPointSize(), 12); // \plain: back to the default size
    EXPECT_NE(read.FormatOf("O").fontWeight(), QFont::Bold);
}

TEST(RtfReader, ParagraphFormats)
{
    const auto read = Read(Rtf("\\qc C\\par \\qr R\\par \\qj J\\par \\pard\\li1440\\ri720\\fi-360\\sb240\\sa120 I\\par "
                               "\\pard L"));
    EXPECT_EQ(read.Blocks(), (Strings{"C", "R", "J", "I", "L"}));
    EXPECT_EQ(read.BlockOf("C").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(read.BlockOf("R").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(read.BlockOf("J").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    const QTextBlockFormat indented = read.BlockOf("I");
    EXPECT_EQ(indented.leftMargin(), 96);
    EXPECT_EQ(indented.rightMargin(), 48);
    EXPECT_EQ(indented.textIndent(), -24);
    EXPECT_EQ(indented.topMargin(), 16);
    EXPECT_EQ(indented.bottomMargin(), 8);
    EXPECT_EQ(read.BlockOf("L").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(read.BlockOf("L").leftMargin(), 0);
}

TEST(RtfReader, ListsInTheRichEditAndTheWordProcessorForms)
{
    // As the rich edit control writes them.
    const auto old = Read(Rtf("{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-360\\li360 "
                              "one\\par {\\pntext\\f1\\'B7\\tab}two\\par \\pard "
                              "{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec{\\pntxta.}}first\\par \\pard after",
                              "{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}"));
    EXPECT_EQ(old.Blocks(), (Strings{"one", "two", "first", "after"}));
    const QTextCursor one = old.doc->find(QStringLiteral("one"));
    ASSERT_TRUE(one.block().textList());
    EXPECT_EQ(one.block().textList()->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(old.doc->find(QStringLiteral("two")).block().textList(), one.block().textList());
    const QTextCursor first = old.doc->find(QStringLiteral("first"));
    ASSERT_TRUE(first.block().textList());
    EXPECT_EQ(first.block().textList()->format().style(), QTextListFormat::ListDecimal);
    EXPECT_FALSE(old.doc->find(QStringLiteral("after")).block().textList());

    // As word processors write them: a list table and \ls.
    const auto modern = Read(Rtf(
        "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}\\listid7}"
        "{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}}\\listid8}}"
        "{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}{\\listoverride\\listid8\\ls2}}"
        "{\\listtext \\u8226?\\tab}\\ls1 dot\\par \\pard{\\listtext 1.\\tab}\\ls2 num\\par \\pard plain"));
    EXPECT_EQ(modern.Blocks(), (Strings{"dot", "num", "plain"}));
    ASSERT_TRUE(modern.doc->find(QStringLiteral("dot")).block().textList());
    EXPECT_EQ(modern.doc->find(QStringLiteral("dot")).block().textList()->format().style(), QTextListFormat::ListDisc);
    ASSERT_TRUE(modern.doc->find(QStringLiteral("num")).block().textList());
    EXPECT_EQ(modern.doc->find(QStringLiteral("num")).block().textList()->format().style(),
              QTextListFormat::ListDecimal);
}

namespace {

struct Shown {
    int width = 0, height = 0;
    bool drawable = false; // the resource holds a picture Qt can draw
    int count = 0;
};

Shown Pictures(const ReadDocument& read)
{
    Shown shown;
    for (QTextBlock b = read.doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.isImageFormat())
                continue;
            ++shown.count;
            const QTextImageFormat image = f.toImageFormat();
            shown.width = static_cast<int>(image.width());
            shown.height = static_cast<int>(image.height());
            const QVariant resource = read.doc->resource(QTextDocument::ImageResource, QUrl(image.name()));
            QImage decoded;
            if (resource.userType() == QMetaType::QByteArray)
                decoded.loadFromData(resource.toByteArray());
            else
                decoded = resource.value<QImage>();
            shown.drawable = !decoded.isNull();
        }
    }
    return shown;
}

} // namespace

TEST(RtfReader, PicturesAtTheirGoalSize)
{
    const std::string png = Hex(EncodedImage("PNG"));
    const std::string jpeg = Hex(EncodedImage("JPEG"));
    QByteArray bmp = EncodedImage("BMP");
    const std::string dib = Hex(bmp.mid(14)); // a device-independent bitmap has no file header
    const struct {
        std::string body;
        int width, height;
    } rows[] = {
        {"{\\pict\\pngblip\\picw4\\pich3\\picwgoal600\\pichgoal450 " + png + "}", 40, 30},
        {"{\\pict\\jpegblip\\picw4\\pich3 " + jpeg + "}", 4, 3},
        {"{\\pict\\dibitmap0\\picw4\\pich3\\picwgoal60\\pichgoal45 " + dib + "}", 4, 3},
        {"{\\pict\\pngblip\\picwgoal600\\pichgoal450\\bin" + std::to_string(EncodedImage("PNG").size()) + " "
             + EncodedImage("PNG").toStdString() + "}",
         40, 30},
        {"{\\pict\\pngblip\\picscalex50\\picscaley200\\picwgoal600\\pichgoal450 " + png + "}", 20, 60},
    };
    for (const auto& row : rows) {
        const auto read = Read(Rtf("a" + row.body + "b"));
        const Shown shown = Pictures(read);
        EXPECT_EQ(shown.count, 1) << row.body.substr(0, 40);
        EXPECT_TRUE(shown.drawable) << row.body.substr(0, 40);
        EXPECT_EQ(shown.width, row.width) << row.body.substr(0, 40);
        EXPECT_EQ(shown.height, row.height) << row.body.substr(0, 40);
    }
}

TEST(RtfReader, UndrawablePicturesBecomeVisiblePlaceholders)
{
    // A metafile of 5 by 2.5 cm (HIMETRIC), and damaged PNG data with a goal size.
    for (const std::string& body : {std::string("{\\pict\\wmetafile8\\picw5000\\pich2500 0100090000}"),
                                   std::string("{\\pict\\emfblip\\picwgoal1500\\pichgoal750 0102}"),
                                   std::string("{\\pict\\pngblip\\picwgoal1500\\pichgoal750 00112233}")}) {
        const Shown shown = Pictures(Read(Rtf(body)));
        EXPECT_EQ(shown.count, 1) << body;
        EXPECT_TRUE(shown.drawable) << body;
        EXPECT_GE(shown.width, 99) << body;
        EXPECT_LE(shown.width, 189) << body;
        EXPECT_EQ(shown.width, 2 * shown.height) << body;
    }
}

TEST(RtfReader, ShapePictureIsPreferredToItsFallback)
{
    const std::string png = Hex(EncodedImage("PNG"));
    const auto read = Read(Rtf("{\\*\\shppict{\\pict\\pngblip " + png + "}}{\\nonshppict{\\pict\\wmetafile8 0100}}x"));
    EXPECT_EQ(Pictures(read).count, 1);
    EXPECT_EQ(Pictures(read).width, 4);
}

TEST(RtfReader, TablesBecomeTextTables)
{
    const auto read = Read(Rtf("before\\par \\trowd\\cellx1000\\cellx2000\\intbl A1\\cell B1\\cell\\row "
                               "\\trowd\\cellx1000\\cellx2000\\intbl A2\\cell B2\\cell\\row \\pard after"));
    QTextTable* table = nullptr;
    for (QTextFrame* frame : read.doc->rootFrame()->childFrames())
        table = qobject_cast<QTextTable*>(frame) ? qobject_cast<QTextTable*>(frame) : table;
    ASSERT_TRUE(table);
    EXPECT_EQ(table->rows(), 2);
    EXPECT_EQ(table->columns(), 2);
    auto cellText = [&](int r, int c) {
        QTextCursor cursor = table->cellAt(r, c).firstCursorPosition();
        cursor.setPosition(table->cellAt(r, c).lastCursorPosition().position(), QTextCursor::KeepAnchor);
        return cursor.selectedText().toStdString();
    };
    EXPECT_EQ(cellText(0, 0), "A1");
    EXPECT_EQ(cellText(0, 1), "B1");
    EXPECT_EQ(cellText(1, 0), "A2");
    EXPECT_EQ(cellText(1, 1), "B2");
    EXPECT_EQ(read.Blocks().front(), "before");
    EXPECT_EQ(read.Blocks().back(), "after");
}

TEST(RtfReader, HyperlinkFieldsBecomeLinks)
{
    for (const char* inst : {"HYPERLINK \"https://example.org/a b\"", "{HYPERLINK \"https://example.org/a b\"}"}) {
        const auto read = Read(Rtf(std::string("see {\\field{\\*\\fldinst ") + inst + "}{\\fldrslt {\\ul here}}} now"));
        EXPECT_EQ(read.Text(), "see here now");
        const auto link = read.FormatOf("here");
        EXPECT_TRUE(link.isAnchor()) << inst;
        EXPECT_EQ(link.anchorHref(), QStringLiteral("https://example.org/a b")) << inst;
        EXPECT_FALSE(read.FormatOf("now").isAnchor());
    }
}
