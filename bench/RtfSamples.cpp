#include "RtfSamples.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <random>

namespace qb::bench {
namespace {

const char* kHeader = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}"
                      "{\\f2\\fcharset204 Times New Roman;}}{\\colortbl ;\\red200\\green0\\blue0;\\red0\\green0\\blue160;}"
                      "\\viewkind4\\uc1\n";

std::string Paragraph(std::mt19937& random)
{
    static const char* words[] = {"quill", "note", "server", "folder", "encrypted", "paragraph", "format", "editor"};
    std::string p = random() % 4 == 0 ? "\\pard\\qc " : "\\pard\\ql ";
    for (int i = 0; i < 40; ++i) {
        switch (random() % 12) {
        case 0: p += "{\\b " + std::string(words[random() % 8]) + "} "; break;
        case 1: p += "{\\i\\cf1 " + std::string(words[random() % 8]) + "} "; break;
        case 2: p += "{\\f2\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2} "; break;
        case 3: p += "\\u26085?\\u26412? "; break;
        case 4: p += "{\\f1\\fs18 code} "; break;
        default: p += std::string(words[random() % 8]) + " "; break;
        }
    }
    return p + "\\par\n";
}

std::string PngHex()
{
    QImage image(160, 120, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int y = 0; y < 120; y += 8)
        for (int x = 0; x < 160; x += 8)
            painter.fillRect(x, y, 8, 8, QColor((x * 7) % 255, (y * 5) % 255, (x + y) % 255));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    std::string hex = bytes.toHex().toStdString();
    std::string lines;
    for (std::size_t i = 0; i < hex.size(); i += 128)
        lines += hex.substr(i, 128) + "\n";
    return lines;
}

} // namespace

std::string TextHeavyRtf(std::size_t bytes)
{
    std::mt19937 random(3);
    std::string rtf = kHeader;
    while (rtf.size() < bytes)
        rtf += Paragraph(random);
    return rtf + "}";
}

std::string PictureRtf(std::size_t bytes)
{
    std::mt19937 random(4);
    const std::string png = PngHex();
    std::string rtf = kHeader;
    for (int n = 0; rtf.size() < bytes; ++n) {
        rtf += Paragraph(random);
        if (n % 4 == 0)
            rtf += "{\\pict\\pngblip\\picw160\\pich120\\picwgoal2400\\pichgoal1800\n" + png + "}\\par\n";
    }
    return rtf + "}";
}

} // namespace qb::bench
