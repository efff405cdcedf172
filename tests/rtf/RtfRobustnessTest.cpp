// Bad input gives the best document it can or a clean refusal: never a crash, a hang or a
// runaway allocation. Run under the asan preset as well.

#include "RtfTestSupport.h"

#include "rtf/RtfWriter.h"

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
    } rows[] = {
        {"{\\rtf1\\ansi first\\par sec", "first\nsec"},
        {"{\\rtf1\\ansi {\\b bold", "bold"},
        {"{\\rtf1\\ansi a\\'e", "a"},
        {"{\\rtf1\\ansi a\\u", "a"},
        {"{\\rtf1\\ansi a\\", "a"},
        {"{\\rtf1\\ansi {\\pict\\pngblip 89504e", ""},
        {"{\\rtf1\\ansi a}}}} trailing", "a"},
    };
    for (const auto& row : rows) {
        const auto read = Read(row.rtf);
        EXPECT_NE(read.status, rtf::ReadStatus::NotRtf) << row.rtf;
        EXPECT_EQ(read.Text(), row.text) << row.rtf;
    }
    EXPECT_EQ(Read("{\\rtf1 a").status, rtf::ReadStatus::Damaged);
}

TEST(RtfRobustness, DeepNestingNeitherOverflowsNorLosesTheRest)
{
    const std::string deep = "{\\rtf1 start" + std::string(200000, '{') + "lost" + std::string(200000, '}') + " end}";
    const auto read = Read(deep);
    EXPECT_EQ(read.Text().substr(0, 5), "start");
    EXPECT_EQ(read.Text().substr(read.Text().size() - 3), "end");

    // Within the limit everything is read.
    const std::string nested = "{\\rtf1 " + std::string(500, '{') + "in" + std::string(500, '}') + "}";
    EXPECT_EQ(Read(nested).Text(), "in");
}

TEST(RtfRobustness, AbsurdParametersAreBounded)
{
    const std::string rows[] = {
        Rtf("\\fs999999999 big\\fs-5 small\\uc2147483647\\u9999999999 x"),
        Rtf("\\f-1\\f99999\\cf2147483647\\highlight-3 text"),
        Rtf("{\\pict\\pngblip\\picwgoal2147483647\\pichgoal2147483647\\picscalex99999 00}"),
        Rtf("{\\pict\\wmetafile8\\picw-100\\pich2000000000 00}"),
        Rtf("x\\bin2147483647 abc"),
        Rtf("\\li2147483647\\fi-2147483648\\sb99999999 x\\par"),
        Rtf("\\ls99999\\ilvl-7 x\\par"),
        Rtf("\\trowd\\cellx1" + std::string(1000, ' ') + "\\intbl" + [] {
            std::string cells;
            for (int i = 0; i < 500; ++i)
                cells += "c\\cell ";
            return cells;
        }() + "\\row"),
    };
    for (const auto& rtf : rows) {
        const auto read = Read(rtf);
        EXPECT_NE(read.status, rtf::ReadStatus::NotRtf) << rtf.substr(0, 60);
    }
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
        Read(bytes);
    }
}
