#include "RtfWriter.h"

#include "CodePage.h"
#include "RtfPicture.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <cmath>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace qb::rtf {
namespace {

constexpr int kTwipsPerPixel = 15; // at 96 pixels an inch
constexpr int kListIndentTwips = 360;

// A font table entry: a face name, or none when only the kind of face is known, and its
// family class.
struct FontEntry {
    QString family;
    QFont::StyleHint hint = QFont::AnyStyle;
    auto operator<=>(const FontEntry& other) const
    {
        if (const auto byName = family.compare(other.family); byName != 0)
            return byName <=> 0;
        return hint <=> other.hint;
    }
    bool operator==(const FontEntry&) const = default;
};

const char* FamilyClass(QFont::StyleHint hint)
{
    switch (hint) {
    case QFont::Serif: return "\\froman";
    case QFont::SansSerif: return "\\fswiss";
    case QFont::TypeWriter:
    case QFont::Monospace: return "\\fmodern";
    case QFont::Cursive: return "\\fscript";
    case QFont::Decorative:
    case QFont::Fantasy: return "\\fdecor";
    default: return "\\fnil";
    }
}

// A picture as it goes into \pict: PNG or JPEG bytes and the picture's own size.
struct EncodedPicture {
    QByteArray data;
    bool jpeg = false;
    QSize size;
};

// PNG and JPEG data go out as they are, their size read from the header; anything else that
// can be read is written as PNG. Nothing when the resource is no picture that can be read.
std::optional<EncodedPicture> Encode(const QVariant& resource)
{
    QImage image;
    if (resource.userType() == QMetaType::QByteArray) {
        const QByteArray data = resource.toByteArray();
        const bool jpeg = data.startsWith("\xFF\xD8");
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        if (jpeg || data.startsWith("\x89PNG")) {
            QImageReader header(&buffer, jpeg ? "jpeg" : "png");
            const QSize size = header.size();
            if (size.isValid() && !size.isEmpty())
                return EncodedPicture{data, jpeg, size};
            buffer.seek(0);
        }
        QImageReader reader(&buffer); // another format: written again as PNG below
        image = reader.read();
    } else if (resource.userType() == QMetaType::QImage) {
        image = resource.value<QImage>();
    } else if (resource.userType() == QMetaType::QPixmap) {
        image = resource.value<QPixmap>().toImage();
    }
    auto png = PngBytes(image);
    if (!png)
        return std::nullopt;
    return EncodedPicture{std::move(*png), false, image.size()};
}

class Writer {
public:
    Writer(const QTextDocument& doc, const std::function<bool(std::string_view)>& sink, std::size_t piece)
        : m_doc(doc), m_sink(sink), m_piece(piece ? piece : kWritePiece)
    {
    }

    WriteResult Run();

private:
    void CollectTables();
    void CollectFormat(const QTextCharFormat& format);
    int FontIndex(const QTextCharFormat& format) const;
    int ColorIndex(const QColor& color) const;
    void WriteFrame(QTextFrame* frame);
    void WriteTable(QTextTable* table);
    void WriteBlock(const QTextBlock& block, bool inTable, bool endWithPar);
    void WriteParagraphFormat(const QTextBlock& block, bool inTable);
    void WriteFragment(const QTextFragment& fragment);
    void WriteCharFormat(const QTextCharFormat& format);
    void WriteText(const QString& text);
    void WriteImage(const QTextImageFormat& format, int position);
    void Put(std::string_view text);
    bool Drain(bool all);

    const QTextDocument& m_doc;
    const std::function<bool(std::string_view)>& m_sink;
    std::size_t m_piece;
    std::string m_out;
    bool m_failed = false;

    FontEntry FontOf(const QTextCharFormat& format) const;

    QString m_defaultFamily;
    double m_defaultSize = 12;
    std::vector<FontEntry> m_fonts;
    std::map<FontEntry, int> m_fontIndex;
    int m_symbolFont = -1;
    std::vector<QColor> m_colors;
    std::map<QRgb, int> m_colorIndex;
    std::vector<DroppedPicture> m_dropped;
};

// A run without a face name but with a family class keeps the class and gets no invented
// name; a run with neither is in the document's default font.
FontEntry Writer::FontOf(const QTextCharFormat& format) const
{
    const QFont::StyleHint hint
        = format.hasProperty(QTextFormat::FontStyleHint) ? format.fontStyleHint() : QFont::AnyStyle;
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return {families.first(), hint};
    if (hint != QFont::AnyStyle)
        return {QString(), hint};
    return {m_defaultFamily, QFont::AnyStyle};
}

void Writer::Put(std::string_view text)
{
    m_out.append(text);
    if (m_out.size() >= m_piece)
        Drain(false);
}

bool Writer::Drain(bool all)
{
    std::size_t at = 0;
    while (!m_failed && (m_out.size() - at >= m_piece || (all && at < m_out.size()))) {
        const std::size_t n = std::min(m_piece, m_out.size() - at);
        if (!m_sink(std::string_view(m_out).substr(at, n)))
            m_failed = true;
        at += n;
    }
    m_out.erase(0, at);
    return !m_failed;
}

void Writer::CollectFormat(const QTextCharFormat& format)
{
    const FontEntry font = FontOf(format);
    if (!m_fontIndex.count(font)) {
        m_fontIndex[font] = static_cast<int>(m_fonts.size());
        m_fonts.push_back(font);
    }
    for (const QBrush& brush : {format.foreground(), format.background()}) {
        if (brush.style() == Qt::NoBrush)
            continue;
        const QRgb rgb = brush.color().rgb();
        if (!m_colorIndex.count(rgb)) {
            m_colors.push_back(brush.color());
            m_colorIndex[rgb] = static_cast<int>(m_colors.size()); // 0 is "auto"
        }
    }
}

int Writer::FontIndex(const QTextCharFormat& format) const
{
    const auto it = m_fontIndex.find(FontOf(format));
    return it == m_fontIndex.end() ? 0 : it->second;
}

int Writer::ColorIndex(const QColor& color) const
{
    const auto it = m_colorIndex.find(color.rgb());
    return it == m_colorIndex.end() ? 0 : it->second;
}

WriteResult Writer::Run()
{
    m_defaultFamily = m_doc.defaultFont().family();
    if (m_doc.defaultFont().pointSizeF() > 0)
        m_defaultSize = m_doc.defaultFont().pointSizeF();
    m_fonts.push_back({m_defaultFamily, QFont::AnyStyle});
    m_fontIndex[m_fonts.back()] = 0;
    bool bullets = false;
    for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next()) {
        if (block.textList())
            bullets = true;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            CollectFormat(it.fragment().charFormat());
    }
    if (bullets) {
        m_symbolFont = static_cast<int>(m_fonts.size());
        m_fonts.push_back({QStringLiteral("Symbol"), QFont::AnyStyle});
    }

    Put("{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033{\\fonttbl");
    for (std::size_t i = 0; i < m_fonts.size(); ++i) {
        Put("{\\f" + std::to_string(i));
        Put(static_cast<int>(i) == m_symbolFont ? "\\ftech\\fcharset2 " : std::string(FamilyClass(m_fonts[i].hint)) + "\\fcharset0 ");
        WriteText(m_fonts[i].family);
        Put(";}");
    }
    Put("}\r\n{\\colortbl ;");
    for (const QColor& c : m_colors)
        Put("\\red" + std::to_string(c.red()) + "\\green" + std::to_string(c.green()) + "\\blue"
            + std::to_string(c.blue()) + ";");
    Put("}\r\n\\viewkind4\\uc1\r\n");
    WriteFrame(m_doc.rootFrame());
    Put("}\r\n");
    const bool accepted = Drain(true);
    return {accepted, std::move(m_dropped)};
}

void Writer::WriteFrame(QTextFrame* frame)
{
    // Paragraph ends are written between blocks: the last block of the document gets none,
    // so that reading back gives the same number of paragraphs.
    std::vector<QTextFrame::iterator> items;
    for (auto it = frame->begin(); !it.atEnd(); ++it)
        items.push_back(it);
    for (std::size_t i = 0; i < items.size() && !m_failed; ++i) {
        const auto& it = items[i];
        if (QTextFrame* child = it.currentFrame()) {
            if (auto* table = qobject_cast<QTextTable*>(child))
                WriteTable(table);
            else
                WriteFrame(child);
        } else {
            WriteBlock(it.currentBlock(), false, i + 1 < items.size());
        }
    }
}

void Writer::WriteTable(QTextTable* table)
{
    const int columns = std::max(1, table->columns());
    const int width = 9360 / columns; // six and a half inches shared out
    for (int row = 0; row < table->rows() && !m_failed; ++row) {
        Put("\\trowd\\trgaph108");
        for (int col = 0; col < columns; ++col)
            Put("\\cellx" + std::to_string((col + 1) * width));
        Put("\r\n");
        for (int col = 0; col < columns; ++col) {
            const QTextTableCell cell = table->cellAt(row, col);
            if (cell.row() != row || cell.column() != col) {
                Put("\\pard\\intbl\\cell ");
                continue;
            }
            const QTextBlock last = cell.lastCursorPosition().block();
            for (QTextBlock b = cell.firstCursorPosition().block(); b.isValid(); b = b.next()) {
                WriteBlock(b, true, b != last);
                if (b == last)
                    break;
            }
            Put("\\cell ");
        }
        Put("\\row\r\n");
    }
    Put("\\pard\r\n");
}

void Writer::WriteParagraphFormat(const QTextBlock& block, bool inTable)
{
    const QTextBlockFormat f = block.blockFormat();
    Put("\\pard");
    if (inTable)
        Put("\\intbl");
    const auto twips = [](double px) { return std::to_string(static_cast<long long>(std::lround(px * kTwipsPerPixel))); };
    if (QTextList* list = block.textList()) {
        const int level = std::max(1, list->format().indent());
        const QTextListFormat::Style style = list->format().style();
        const bool bullet = style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
            || style == QTextListFormat::ListSquare;
        Put("\\fi-" + std::to_string(kListIndentTwips) + "\\li" + std::to_string(kListIndentTwips * (level + 1)));
        if (bullet) {
            const std::string f = std::to_string(m_symbolFont);
            Put("{\\pntext\\f" + f + "\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf" + f + "\\pnindent0{\\pntxtb\\'B7}}");
        } else {
            const char* kind = style == QTextListFormat::ListLowerAlpha   ? "\\pnlcltr"
                : style == QTextListFormat::ListUpperAlpha                ? "\\pnucltr"
                : style == QTextListFormat::ListLowerRoman                ? "\\pnlcrm"
                : style == QTextListFormat::ListUpperRoman                ? "\\pnucrm"
                                                                          : "\\pndec";
            Put("{\\pntext\\f0 ");
            WriteText(list->itemText(block));
            Put(std::string("\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1") + kind + "{\\pntxta.}}");
        }
    } else {
        if (f.leftMargin() != 0)
            Put("\\li" + twips(f.leftMargin()));
        if (f.textIndent() != 0)
            Put("\\fi" + twips(f.textIndent()));
    }
    if (f.rightMargin() != 0)
        Put("\\ri" + twips(f.rightMargin()));
    if (f.topMargin() != 0)
        Put("\\sb" + twips(f.topMargin()));
    if (f.bottomMargin() != 0)
        Put("\\sa" + twips(f.bottomMargin()));
    const Qt::Alignment align = f.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignHCenter)
        Put("\\qc");
    else if (align & Qt::AlignRight)
        Put("\\qr");
    else if (align & Qt::AlignJustify)
        Put("\\qj");
    else
        Put("\\ql");
    Put(" ");
}

void Writer::WriteBlock(const QTextBlock& block, bool inTable, bool endWithPar)
{
    WriteParagraphFormat(block, inTable);
    for (auto it = block.begin(); !it.atEnd(); ++it)
        WriteFragment(it.fragment());
    if (endWithPar)
        Put("\\par\r\n");
}

void Writer::WriteCharFormat(const QTextCharFormat& f)
{
    Put("\\f" + std::to_string(FontIndex(f)));
    const double size = f.fontPointSize() > 0 ? f.fontPointSize() : m_defaultSize;
    Put("\\fs" + std::to_string(static_cast<long long>(std::lround(size * 2))));
    if (f.fontWeight() >= QFont::DemiBold)
        Put("\\b");
    if (f.fontItalic())
        Put("\\i");
    if (f.fontUnderline())
        Put("\\ul");
    if (f.fontStrikeOut())
        Put("\\strike");
    if (f.foreground().style() != Qt::NoBrush)
        Put("\\cf" + std::to_string(ColorIndex(f.foreground().color())));
    if (f.background().style() != Qt::NoBrush)
        Put("\\highlight" + std::to_string(ColorIndex(f.background().color())));
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        Put("\\super");
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        Put("\\sub");
    Put(" ");
}

void Writer::WriteFragment(const QTextFragment& fragment)
{
    const QTextCharFormat format = fragment.charFormat();
    const bool link = format.isAnchor() && !format.anchorHref().isEmpty();
    if (link) {
        Put("{\\field{\\*\\fldinst HYPERLINK \"");
        WriteText(format.anchorHref());
        Put("\"}{\\fldrslt ");
    }
    Put("{");
    WriteCharFormat(format);
    if (format.isImageFormat()) {
        for (int i = 0; i < fragment.length(); ++i)
            WriteImage(format.toImageFormat(), fragment.position() + i);
    } else {
        WriteText(fragment.text());
    }
    Put("}");
    if (link)
        Put("}}");
}

void Writer::WriteText(const QString& text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()) + 8);
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\t') {
            out += "\\tab ";
        } else if (c == QChar::LineSeparator || c == '\n') {
            out += "\\line ";
        } else if (c == 0x00A0) {
            out += "\\~";
        } else if (c == QChar::ObjectReplacementCharacter || c < 0x20) {
            // not text: pictures are written from their format
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const int byte = CodePageDecoder::Cp1252Byte(c); byte >= 0) {
            static const char* hex = "0123456789abcdef";
            out += "\\'";
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            // The fallback "?" as \'3f: some readers take a bare "?" for a delimiter and
            // then skip the character after it.
            out += "\\u" + std::to_string(static_cast<std::int16_t>(c)) + "\\'3f";
        }
    }
    Put(out);
}

void Writer::WriteImage(const QTextImageFormat& format, int position)
{
    const auto picture = Encode(m_doc.resource(QTextDocument::ImageResource, QUrl(format.name())));
    if (!picture) {
        m_dropped.push_back({format.name(), position});
        return;
    }
    const QByteArray& data = picture->data;
    const int w = format.width() > 0 ? static_cast<int>(std::lround(format.width())) : picture->size.width();
    const int h = format.height() > 0 ? static_cast<int>(std::lround(format.height())) : picture->size.height();
    Put(std::string("{\\pict") + (picture->jpeg ? "\\jpegblip" : "\\pngblip") + "\\picw"
        + std::to_string(picture->size.width()) + "\\pich" + std::to_string(picture->size.height()) + "\\picwgoal"
        + std::to_string(w * kTwipsPerPixel) + "\\pichgoal" + std::to_string(h * kTwipsPerPixel) + "\r\n");
    static const char* hex = "0123456789abcdef";
    std::string line;
    for (int i = 0; i < data.size(); ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        line += hex[b >> 4];
        line += hex[b & 15];
        if (line.size() >= 128) {
            Put(line + "\r\n");
            line.clear();
        }
    }
    Put(line + "}");
}

} // namespace

WriteResult WriteRtf(const QTextDocument& document, const std::function<bool(std::string_view)>& sink,
                     std::size_t pieceSize)
{
    Writer writer(document, sink, pieceSize);
    return writer.Run();
}

RtfText ToRtf(const QTextDocument& document)
{
    RtfText out;
    WriteResult result = WriteRtf(document, [&](std::string_view piece) {
        out.rtf.append(piece);
        return true;
    });
    out.droppedPictures = std::move(result.droppedPictures);
    return out;
}

} // namespace qb::rtf
