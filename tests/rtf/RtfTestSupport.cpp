#include "RtfTestSupport.h"

#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace qb::testing {

ReadDocument Read(const std::string& rtf)
{
    ReadDocument out;
    out.status = rtf::ReadRtf(rtf, *out.doc);
    return out;
}

std::string Rtf(const std::string& body, const std::string& fonts)
{
    return "{\\rtf1\\ansi\\deff0{\\fonttbl" + fonts + "}" + body + "}";
}

QTextCharFormat ReadDocument::FormatOf(const std::string& needle) const
{
    const QTextCursor found = doc->find(QString::fromStdString(needle), 0, QTextDocument::FindCaseSensitively);
    EXPECT_FALSE(found.isNull()) << needle;
    if (found.isNull())
        return {};
    QTextCursor at(doc.get());
    at.setPosition(found.selectionStart() + 1);
    return at.charFormat();
}

QTextBlockFormat ReadDocument::BlockOf(const std::string& needle) const
{
    const QTextCursor found = doc->find(QString::fromStdString(needle), 0, QTextDocument::FindCaseSensitively);
    EXPECT_FALSE(found.isNull()) << needle;
    return found.isNull() ? QTextBlockFormat() : found.block().blockFormat();
}

std::vector<std::string> ReadDocument::Blocks() const
{
    std::vector<std::string> blocks;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        blocks.push_back(b.text().toStdString());
    return blocks;
}

std::string Hex(const QByteArray& bytes)
{
    return bytes.toHex().toStdString();
}

QByteArray EncodedImage(const char* format, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace qb::testing
