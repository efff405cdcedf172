// Bad input gives the best document it can or a clean refusal: never a crash, a hang or a
// runaway allocation. Run under the asan preset as well.

#include "RtfTestSupport.h"

#include "rtf/RtfPicture.h"
#include "rtf/RtfWriter.h"

#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <gtest/gtest.h>

#include <random>

using namespace qb;
using namespace qb::testing;

TEST(RtfRobustness, NotRtfIsRefused)
{
    for (const char* text : {"", "hello", "{hello}", "\\rtf1 x", "{\\rt x}"}) {
        const auto read = Read(text);
        EXPECT_EQ(read.status, rtf::ReadStatus::NotRtf) << text;
        EXPECT_EQ(read.Text(), "") << text;
    }
}

TEST(RtfRobustness, TruncatedAndUnbalancedGiveWhatCouldBeRead)
{
    const struct {
        std::string rtf;
        std::string text;
        rtf::ReadStatus status;
    } rows[] = {
        {"{\\rtf1\\ansi first\\par sec", "first\nsec", rtf::ReadStatus::Damaged},
        {"{\\rtf1\\ansi {\\b bold", "bold", rtf::ReadStatus::Damaged},
        {"{\\rtf1\\ansi a\\'e", "a", rtf::ReadStatus::Damaged},
        {"{\\rtf1\\ansi a\\u", "a", rtf::ReadStatus::Damaged},
        {"{\\rtf1\\ansi a\\", "a", rtf::ReadStatus::Damaged},
        {"{\\rtf1\\ansi {\\pict\\pngblip 89504e", "", rtf::ReadStatus::Damaged},
        {"{\\rtf1 a", "a", rtf::ReadStatus::Damaged},
        {"{\\rtf1\\ansi a}}}} trailing", "a", rtf::ReadStatus::Ok}, // what follows the document is not read
    };
    for (const auto& row : rows) {
        const auto read = Read(row.rtf);
        EXPECT_EQ(read.status, row.status) << row.rtf;
        EXPECT_EQ(read.Text(), row.text) << row.rtf;
    }
}

TEST(RtfRobustness, ControlBytesAndPictureMarksAreNotText)
{
    // Plain ASCII runs take a fast path; a control byte among them is dropped there too.
    // U+FFFC is where a document holds a picture, so as a character it is dropped as well.
    // What is read is then what the writer can write back.
    const struct {
        std::string rtf;
        std::string text;
    } rows[] = {
        {"{\\rtf1\\ansi a\x07\x07" "b}", "ab"},
        {"{\\rtf1\\mac\x07\x01{\\fonttbl{\\f0 Geneva;}}caf\\'8e}", "caf\xc3\xa9"},
        {"{\\rtf1\\ansi a\x1f\x0b\x0c" "b\tc}", "ab\tc"},
        {"{\\rtf1\\ansi caf\xe9\x07!}", "caf\xc3\xa9!"},
        {"{\\rtf1\\ansi a\\u65532?b}", "ab"},
        {"{\\rtf1\\ansi a\\u-4?b\\u-4 ?c}", "abc"},
    };
    for (const auto& row : rows) {
        const auto read = Read(row.rtf);
        EXPECT_EQ(read.status, rtf::ReadStatus::Ok) << row.rtf;
        EXPECT_EQ(read.Text(), row.text) << row.rtf;
        EXPECT_EQ(Read(rtf::ToRtf(*read.doc).rtf).Text(), row.text) << row.rtf;
    }
}

TEST(RtfRobustness, GroupsDeeperThanTheLimitAreSkippedWhole)
{
    // The document group and kMaxGroupDepth - 1 groups inside it are read; a group deeper
    // than that is skipped with all it holds, and the reading goes on after it.
    auto nested = [](int depth, const std::string& inner) {
        return "{\\rtf1 start" + std::string(static_cast<std::size_t>(depth), '{') + inner
            + std::string(static_cast<std::size_t>(depth), '}') + " end}";
    };
    const auto atLimit = Read(nested(rtf::kMaxGroupDepth - 1, "in"));
    EXPECT_EQ(atLimit.status, rtf::ReadStatus::Ok);
    EXPECT_EQ(atLimit.Text(), "startin end");
    const auto pastLimit = Read(nested(rtf::kMaxGroupDepth, "lost"));
    EXPECT_EQ(pastLimit.status, rtf::ReadStatus::Ok);
    EXPECT_EQ(pastLimit.Text(), "start end");
    // Far past it the reader's stack does not grow with the depth.
    const auto deep = Read(nested(200000, "lost"));
    EXPECT_EQ(deep.status, rtf::ReadStatus::Ok);
    EXPECT_EQ(deep.Text(), "start end");
    // Never closed: what was read before stays.
    const auto open = Read("{\\rtf1 start" + std::string(200000, '{') + "lost");
    EXPECT_EQ(open.status, rtf::ReadStatus::Damaged);
    EXPECT_EQ(open.Text(), "start");
}

TEST(RtfRobustness, AbsurdFontSizesColoursAndCharactersAreBounded)
{
    const auto read = Read(Rtf("{\\fs999999999 big}{\\fs-5 dflt}{\\f-1\\f99999\\cf2147483647\\highlight-3 odd}"
                               "{\\uc2147483647\\u9999999999 0123456789abcdefghij}"));
    ASSERT_EQ(read.status, rtf::ReadStatus::Ok);
    EXPECT_EQ(read.FormatOf("big").fontPointSize(), rtf::kMaxFontHalfPoints / 2.0);
    EXPECT_EQ(read.FormatOf("dflt").fontPointSize(), 12);
    const QTextCharFormat odd = read.FormatOf("odd");
    EXPECT_TRUE(odd.fontFamilies().toStringList().isEmpty()); // no such font
    EXPECT_EQ(odd.foreground().style(), Qt::NoBrush);
    EXPECT_EQ(odd.background().style(), Qt::NoBrush);
    // \u is clamped to one UTF-16 unit; \uc skips at most 16 fallback characters.
    EXPECT_EQ(read.Text(), "bigdfltodd\uFFFFghij");
}

TEST(RtfRobustness, AbsurdPictureSizesAreBounded)
{
    const struct {
        std::string body;
        int width, height;
    } rows[] = {
        {"{\\pict\\pngblip\\picwgoal2147483647\\pichgoal2147483647\\picscalex99999 00}", rtf::kMaxPicturePixels,
         rtf::kMaxPicturePixels},
        {"{\\pict\\wmetafile8\\picw-100\\pich2000000000 00}", 32, 32}, // no sensible size: a small placeholder
        {"{\\pict\\emfblip\\picw2000000000\\pich100 00}", rtf::kMaxPicturePixels, 3},
    };
    for (const auto& row : rows) {
        const auto read = Read(Rtf(row.body));
        EXPECT_EQ(read.status, rtf::ReadStatus::Ok) << row.body;
        QTextCursor at(read.doc.get());
        at.setPosition(1);
        ASSERT_TRUE(at.charFormat().isImageFormat()) << row.body;
        const QTextImageFormat image = at.charFormat().toImageFormat();
        EXPECT_EQ(image.width(), row.width) << row.body;
        EXPECT_EQ(image.height(), row.height) << row.body;
        // The placeholder is drawn small whatever size it is shown at.
        const QImage drawn = read.doc->resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
        EXPECT_LE(drawn.width(), 512) << row.body;
        EXPECT_LE(drawn.height(), 512) << row.body;
    }
}

TEST(RtfRobustness, AbsurdListAndDataParametersAreBounded)
{
    const auto data = Read(Rtf("x\\bin2147483647 abc"));
    EXPECT_EQ(data.Text(), "x"); // the \bin data is taken from what there is, no further

    const auto list = Read(Rtf("\\ls99999\\ilvl-7 x\\par \\ilvl99 y"));
    EXPECT_EQ(list.status, rtf::ReadStatus::Ok);
    const QTextBlock x = list.doc->find(QStringLiteral("x")).block();
    ASSERT_TRUE(x.textList());
    EXPECT_EQ(x.textList()->format().indent(), 1); // level 0
    const QTextBlock y = list.doc->find(QStringLiteral("y")).block();
    ASSERT_TRUE(y.textList());
    EXPECT_EQ(y.textList()->format().indent(), 9); // level 8, the deepest

    const auto margins = Read(Rtf("\\li2147483647\\fi-2147483648\\sb99999999 x\\par"));
    EXPECT_EQ(margins.status, rtf::ReadStatus::Ok);
    EXPECT_EQ(margins.Blocks().front(), "x");
}

TEST(RtfRobustness, TableColumnsAreBounded)
{
    std::string cells;
    for (int i = 0; i < 500; ++i)
        cells += "c" + std::to_string(i) + "\\cell ";
    const auto read = Read(Rtf("\\trowd\\cellx1" + std::string(1000, ' ') + "\\intbl " + cells + "\\row"));
    ASSERT_EQ(read.status, rtf::ReadStatus::Ok);
    QTextTable* table = nullptr;
    for (QTextFrame* frame : read.doc->rootFrame()->childFrames())
        table = table ? table : qobject_cast<QTextTable*>(frame);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->rows(), 1);
    EXPECT_EQ(table->columns(), rtf::kMaxTableColumns);
    // The cells past the bound go into the last column: nothing is lost.
    const QTextTableCell last = table->cellAt(0, rtf::kMaxTableColumns - 1);
    QTextCursor cursor = last.firstCursorPosition();
    cursor.setPosition(last.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    EXPECT_TRUE(cursor.selectedText().startsWith(QStringLiteral("c63"))) << cursor.selectedText().left(40).toStdString();
    EXPECT_TRUE(cursor.selectedText().endsWith(QStringLiteral("c499")));
}

namespace {

std::string RichSample()
{
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil Arial;}{\\f1\\fcharset128 MS Mincho;}"
           "{\\f2\\fcharset2 Symbol;}}{\\colortbl ;\\red255\\green0\\blue0;}"
           "{\\*\\listtable{\\list{\\listlevel\\levelnfc23}\\listid1}}{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}"
           "\\pard\\qc{\\b\\cf1 Title}\\par\\pard{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2{\\pntxtb\\'B7}}item\\par"
           "\\pard\\ls1 modern\\par\\pard\\f1\\'82\\'a0\\uc1\\u8364?\\par"
           "\\trowd\\cellx1000\\cellx2000\\intbl a\\cell b\\cell\\row\\pard"
           "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}"
           "{\\pict\\pngblip\\picwgoal150\\pichgoal150 89504e470d0a1a0a}"
           "{\\object{\\*\\objdata 01}{\\result r}}\\bin4 abcd end}";
}

} // namespace

TEST(RtfRobustness, MutatedDocumentsNeverCrash)
{
    std::mt19937 random(99);
    const std::string good = RichSample();
    ASSERT_EQ(Read(good).status, rtf::ReadStatus::Ok);
    const char alphabet[] = "{}\\'0123456789abcdefuxbin-; ";
    for (int i = 0; i < 1500; ++i) {
        std::string bad = good;
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % bad.size();
            switch (random() % 4) {
            case 0: bad[at] = alphabet[random() % (sizeof alphabet - 1)]; break;
            case 1: bad.erase(at, 1 + random() % 8); break;
            case 2: bad.insert(at, 1, alphabet[random() % (sizeof alphabet - 1)]); break;
            default: bad.resize(at); break;
            }
            if (bad.empty())
                bad = "{";
        }
        const auto read = Read(bad);
        // Whatever was read must also be writable, pictures included.
        if (read.status != rtf::ReadStatus::NotRtf) {
            const auto written = rtf::ToRtf(*read.doc);
            EXPECT_FALSE(written.rtf.empty());
            EXPECT_TRUE(written.droppedPictures.empty()) << bad;
        }
    }
}

TEST(RtfRobustness, RandomBytes)
{
    std::mt19937 random(7);
    for (int i = 0; i < 500; ++i) {
        std::string bytes = "{\\rtf1 ";
        const std::size_t n = random() % 400;
        for (std::size_t k = 0; k < n; ++k)
            bytes += static_cast<char>(random());
        EXPECT_NE(Read(bytes).status, rtf::ReadStatus::NotRtf);
    }
}
