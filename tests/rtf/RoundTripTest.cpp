// What the writer makes, the reader reads back the same: every format the format bar can
// make, pictures, lists, tables, links and text outside code page 1252.

#include "RtfTestSupport.h"

#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <QTextTable>

#include <gtest/gtest.h>

using namespace qb;
using namespace qb::testing;

namespace {

struct Run {
    QString text;
    QTextCharFormat format;
};

// The runs of every top-level block, as (text, format) pairs, for comparison.
std::vector<std::vector<Run>> Runs(const QTextDocument& doc)
{
    std::vector<std::vector<Run>> blocks;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        std::vector<Run> runs;
        for (auto it = b.begin(); !it.atEnd(); ++it)
            runs.push_back({it.fragment().text(), it.fragment().charFormat()});
        blocks.push_back(runs);
    }
    return blocks;
}

QTextCharFormat Char(const QString& family, double size)
{
    QTextCharFormat f;
    f.setFontFamilies({family});
    f.setFontPointSize(size);
    return f;
}

} // namespace

TEST(RtfRoundTrip, FormatBarFormatsPicturesAndScriptsSurvive)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat base = Char(QStringLiteral("Arial"), 10);
    c.insertText(QStringLiteral("plain "), base);
    QTextCharFormat bold = base;
    bold.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral("bold "), bold);
    QTextCharFormat italic = base;
    italic.setFontItalic(true);
    c.insertText(QStringLiteral("italic "), italic);
    QTextCharFormat under = base;
    under.setFontUnderline(true);
    c.insertText(QStringLiteral("under "), under);
    QTextCharFormat red = Char(QStringLiteral("Courier New"), 14);
    red.setForeground(QColor(200, 10, 20));
    c.insertText(QStringLiteral("red courier 14"), red);

    QTextBlockFormat centre;
    centre.setAlignment(Qt::AlignHCenter);
    c.insertBlock(centre);
    c.insertText(QStringLiteral("Привет, αβγ, 日本語, € and \\{}"), base);
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    c.insertBlock(right);
    c.insertText(QStringLiteral("right"), base);

    c.insertBlock(QTextBlockFormat());
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    c.createList(bullets);
    c.insertText(QStringLiteral("first bullet"), base);
    c.insertBlock();
    c.insertText(QStringLiteral("second bullet"), base);

    c.insertBlock(QTextBlockFormat());
    c.currentList() ? c.currentList()->remove(c.block()) : void();
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::blue);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:pic")), image);
    QTextImageFormat picture;
    picture.setName(QStringLiteral("mem:pic"));
    picture.setWidth(80);
    picture.setHeight(60);
    c.insertText(QStringLiteral("picture: "), base);
    c.insertImage(picture);

    const auto written = rtf::ToRtf(doc);
    EXPECT_TRUE(written.droppedPictures.empty());
    const std::string& rtf = written.rtf;
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252\\deff0", 0), 0u);
    EXPECT_NE(rtf.find("\\u1055\\'3f"), std::string::npos);
    EXPECT_NE(rtf.find("\\pngblip"), std::string::npos);
    EXPECT_NE(rtf.find("\\pntext"), std::string::npos);

    const auto back = Read(rtf);
    ASSERT_EQ(back.status, rtf::ReadStatus::Ok);
    EXPECT_EQ(back.Text(), doc.toPlainText().toStdString());
    const auto before = Runs(doc);
    const auto after = Runs(*back.doc);
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t b = 0; b < before.size(); ++b) {
        ASSERT_EQ(before[b].size(), after[b].size()) << "block " << b;
        for (std::size_t r = 0; r < before[b].size(); ++r) {
            const QTextCharFormat& x = before[b][r].format;
            const QTextCharFormat& y = after[b][r].format;
            EXPECT_EQ(before[b][r].text, after[b][r].text);
            if (x.isImageFormat()) {
                ASSERT_TRUE(y.isImageFormat());
                EXPECT_EQ(y.toImageFormat().width(), 80);
                EXPECT_EQ(y.toImageFormat().height(), 60);
                continue;
            }
            EXPECT_EQ(x.fontFamilies(), y.fontFamilies()) << before[b][r].text.toStdString();
            EXPECT_EQ(x.fontPointSize(), y.fontPointSize()) << before[b][r].text.toStdString();
            EXPECT_EQ(x.fontWeight() >= QFont::Bold, y.fontWeight() >= QFont::Bold);
            EXPECT_EQ(x.fontItalic(), y.fontItalic());
            EXPECT_EQ(x.fontUnderline(), y.fontUnderline());
            EXPECT_EQ(x.foreground().color(), y.foreground().color());
        }
    }
    std::vector<Qt::Alignment> alignments;
    for (QTextBlock b = back.doc->begin(); b.isValid(); b = b.next())
        alignments.push_back(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask);
    EXPECT_EQ(alignments[1], Qt::AlignHCenter);
    EXPECT_EQ(alignments[2], Qt::AlignRight);
    const QTextBlock first = back.doc->findBlockByNumber(3);
    ASSERT_TRUE(first.textList());
    EXPECT_EQ(first.textList()->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(back.doc->findBlockByNumber(4).textList(), first.textList());
    EXPECT_FALSE(back.doc->findBlockByNumber(5).textList());
}

TEST(RtfRoundTrip, TablesAndLinksSurvive)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("above"));
    QTextTable* table = c.insertTable(2, 3);
    for (int r = 0; r < 2; ++r)
        for (int col = 0; col < 3; ++col)
            table->cellAt(r, col).firstCursorPosition().insertText(QStringLiteral("r%1c%2").arg(r).arg(col));
    c = table->lastCursorPosition();
    c.movePosition(QTextCursor::NextBlock);
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("https://example.org/?q=1&r={2}"));
    c.insertText(QStringLiteral("link"), link);

    const auto back = Read(rtf::ToRtf(doc).rtf);
    QTextTable* read = nullptr;
    for (QTextFrame* frame : back.doc->rootFrame()->childFrames())
        read = read ? read : qobject_cast<QTextTable*>(frame);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->rows(), 2);
    EXPECT_EQ(read->columns(), 3);
    EXPECT_EQ(back.doc->toPlainText(), doc.toPlainText());
    EXPECT_EQ(back.FormatOf("link").anchorHref(), link.anchorHref());
}

TEST(RtfWriter, OutputComesInPieces)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    for (int i = 0; i < 500; ++i)
        c.insertText(QStringLiteral("A paragraph of some length, number %1.\n").arg(i));
    std::vector<std::size_t> pieces;
    std::string joined;
    EXPECT_TRUE(rtf::WriteRtf(doc, [&](std::string_view piece) {
                    pieces.push_back(piece.size());
                    joined.append(piece);
                    return true;
                }).Complete());
    ASSERT_GT(pieces.size(), 3u);
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i)
        EXPECT_EQ(pieces[i], rtf::kWritePiece);
    EXPECT_EQ(joined, rtf::ToRtf(doc).rtf);

    int calls = 0;
    const rtf::WriteResult stopped = rtf::WriteRtf(doc, [&](std::string_view) { return ++calls < 2; });
    EXPECT_FALSE(stopped.sinkAccepted);
    EXPECT_FALSE(stopped.Complete());
    EXPECT_EQ(calls, 2);
}

namespace {

int Count(const std::string& text, const std::string& needle)
{
    int n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++n;
    return n;
}

void InsertPicture(QTextCursor& cursor, const char* name, int width = 0)
{
    QTextImageFormat picture;
    picture.setName(QString::fromLatin1(name));
    if (width > 0)
        picture.setWidth(width);
    cursor.insertImage(picture);
}

} // namespace

TEST(RtfWriter, PicturesThatCannotBeEncodedAreReported)
{
    QTextDocument doc;
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::blue);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:good")), image);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:garbage")), QByteArray("no picture at all"));
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("a"));
    InsertPicture(c, "mem:good");
    c.insertText(QStringLiteral("b"));
    InsertPicture(c, "mem:missing"); // no resource of that name
    InsertPicture(c, "mem:garbage");

    const auto written = rtf::ToRtf(doc);
    const std::vector<rtf::DroppedPicture> dropped = {{QStringLiteral("mem:missing"), 3},
                                                      {QStringLiteral("mem:garbage"), 4}};
    EXPECT_EQ(written.droppedPictures, dropped);
    EXPECT_EQ(Count(written.rtf, "{\\pict"), 1);
    EXPECT_EQ(Read(written.rtf).Text(), "a\xEF\xBF\xBC" "b");

    const rtf::WriteResult result = rtf::WriteRtf(doc, [](std::string_view) { return true; });
    EXPECT_TRUE(result.sinkAccepted);
    EXPECT_EQ(result.droppedPictures, dropped);
    EXPECT_FALSE(result.Complete());
}

TEST(RtfWriter, PngAndJpegBytesGoOutAsTheyAre)
{
    for (const char* format : {"PNG", "JPEG"}) {
        const QByteArray bytes = EncodedImage(format, QSize(5, 7));
        QTextDocument doc;
        doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:pic")), bytes);
        QTextCursor c(&doc);
        InsertPicture(c, "mem:pic", 50);
        const auto written = rtf::ToRtf(doc);
        EXPECT_TRUE(written.droppedPictures.empty()) << format;
        const std::string blip = std::string(format) == "PNG" ? "\\pngblip" : "\\jpegblip";
        EXPECT_NE(written.rtf.find("{\\pict" + blip + "\\picw5\\pich7\\picwgoal750\\pichgoal105\r\n"), std::string::npos)
            << written.rtf.substr(0, 300);
        std::string hex;
        for (const char ch : written.rtf)
            if (ch != '\r' && ch != '\n')
                hex += ch;
        EXPECT_NE(hex.find(Hex(bytes)), std::string::npos) << format;
    }
}
