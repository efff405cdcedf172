// Notes printed into PDF files with no dialog and no printer, read back with poppler's
// tools when they are installed.

#include "editor/NotePrinter.h"

#include "ExternalTools.h"

#include <QPageLayout>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace qb {
namespace {

using testing::CommandOutput;
using testing::Installed;
using testing::Squeeze;

TEST(NotePrinter, PageIsThePrintableAreaInWholeInches)
{
    struct Case {
        const char* name;
        QPageSize::PageSizeId size;
        QMarginsF marginsMm;
        int inchesWide, inchesHigh;
    };
    const Case cases[] = {
        {"A4, no margins (8.27 x 11.69 in)", QPageSize::A4, {0, 0, 0, 0}, 8, 11},
        {"A4, 10 mm margins (7.48 x 10.90 in)", QPageSize::A4, {10, 10, 10, 10}, 7, 10},
        {"Letter, 12.7 mm margins (7.5 x 10 in)", QPageSize::Letter, {12.7, 12.7, 12.7, 12.7}, 7, 10},
        {"Letter, no margins (8.5 x 11 in)", QPageSize::Letter, {0, 0, 0, 0}, 8, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setFullPage(false);
        ASSERT_TRUE(printer.setPageLayout(
            QPageLayout(QPageSize(c.size), QPageLayout::Portrait, c.marginsMm, QPageLayout::Millimeter)));
        const int dpi = printer.resolution();
        EXPECT_EQ(WholeInchPage(printer), QSizeF(c.inchesWide * dpi, c.inchesHigh * dpi));
    }
}

class PrintToPdfTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Installed("pdftotext") || !Installed("pdfinfo"))
            GTEST_SKIP() << "poppler-utils (pdftotext, pdfinfo) is not installed";
    }

    // Prints into a PDF on A4 with 10 mm margins; the number of pages the printer began.
    int Print(const QTextDocument& document)
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(Pdf());
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                          QPageLayout::Millimeter));
        return PrintDocument(document, printer);
    }
    QString Pdf() const { return m_dir.filePath("note.pdf"); }
    int PdfPages() const
    {
        const auto info = CommandOutput("pdfinfo '" + Pdf().toStdString() + "'");
        std::smatch found;
        if (!info || !std::regex_search(*info, found, std::regex("Pages:\\s+(\\d+)")))
            return -1;
        return std::stoi(found[1]);
    }
    // The text of each page, its spacing squeezed.
    std::vector<std::string> PdfPageTexts() const
    {
        const auto text = CommandOutput("pdftotext -enc UTF-8 '" + Pdf().toStdString() + "' -");
        std::vector<std::string> pages;
        if (!text)
            return pages;
        std::size_t start = 0;
        for (std::size_t feed; (feed = text->find('\f', start)) != std::string::npos; start = feed + 1)
            pages.push_back(Squeeze(text->substr(start, feed - start)));
        return pages;
    }

    QTemporaryDir m_dir;
};

TEST_F(PrintToPdfTest, TwoPageNoteGivesItsTextOnTwoPagesAndNothingElse)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("DejaVu Sans")});
    format.setFontPointSize(12);
    std::vector<std::string> lines;
    for (int i = 1; i <= 70; ++i) {
        lines.push_back("Line " + std::string(i < 10 ? "0" : "") + std::to_string(i) + " of the note");
        if (i > 1)
            cursor.insertBlock();
        cursor.insertText(QString::fromStdString(lines.back()), format);
    }
    ASSERT_EQ(Print(document), 2);
    EXPECT_EQ(PdfPages(), 2);

    const std::vector<std::string> pages = PdfPageTexts();
    ASSERT_EQ(pages.size(), 2u);
    // Both pages carry lines of the note and nothing else: no page number, header or footer.
    std::string all;
    for (const std::string& line : lines)
        all += (all.empty() ? "" : " ") + line;
    EXPECT_EQ(pages[0] + " " + pages[1], all);
    EXPECT_TRUE(pages[0].starts_with("Line 01 of the note")) << pages[0];
    EXPECT_TRUE(pages[1].ends_with("Line 70 of the note")) << pages[1];
    // The whole printable height (10 in) holds about 50 lines of 12 points, not all 70.
    const auto linesOn = [](const std::string& page) {
        std::size_t count = 0;
        for (std::size_t at = 0; (at = page.find("Line ", at)) != std::string::npos; ++at)
            ++count;
        return count;
    };
    EXPECT_GT(linesOn(pages[0]), 40u);
    EXPECT_LT(linesOn(pages[0]), 60u);
}

TEST_F(PrintToPdfTest, EmptyNoteGivesOneBlankPage)
{
    QTextDocument document;
    ASSERT_EQ(Print(document), 1);
    EXPECT_EQ(PdfPages(), 1);
    EXPECT_EQ(PdfPageTexts(), std::vector<std::string>{""});
}

} // namespace
} // namespace qb
