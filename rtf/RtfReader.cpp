#include "RtfReader.h"

#include "CodePage.h"
#include "RtfPicture.h"
#include "RtfTokenizer.h"

#include <QColor>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qb::rtf {
namespace {

enum class Dest {
    Normal,
    Skip,
    FontTable,
    ColorTable,
    Pict,
    FieldInst,
    Object,        // only its \result is shown
    ObjectPending, // a group inside an object: shown only when it is the \result
    Pn,            // old-style numbering of the paragraph
    ListTable,
    ListOverrideTable,
};

enum class ListKind { None, Bullet, Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };

struct CharState {
    bool bold = false, italic = false, underline = false, strike = false;
    int font = -1; // -1: the default font
    int halfPoints = 24;
    int fg = 0, bg = 0; // colour table indexes; 0 is "auto"
    int valign = 0;     // 1 super, -1 sub
    int field = -1;     // index of the field whose result this text is
    bool operator==(const CharState&) const = default;
};

struct ParaState {
    Qt::Alignment align = Qt::AlignLeft;
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0; // twips
    ListKind list = ListKind::None;
    int listLevel = 0;
    int ls = 0; // \ls override number, resolved through the list tables
    bool inTable = false;
};

struct Group {
    Dest dest = Dest::Normal;
    CharState chr;
    ParaState para;
    int uc = 1;
    bool starred = false; // the group began with \*
    bool first = true;    // no control word seen yet in this group
    bool listGroup = false; // a \list of the list table: its levels are kept at its end
    int picture = -1;     // the \pict being collected
};

struct FontInfo {
    QString name;
    int codePage = 0;
};

struct Field {
    QString instruction;
    QString href;
};

ListKind KindOfNfc(int nfc)
{
    switch (nfc) {
    case 0: return ListKind::Decimal;
    case 1: return ListKind::UpperRoman;
    case 2: return ListKind::LowerRoman;
    case 3: return ListKind::UpperAlpha;
    case 4: return ListKind::LowerAlpha;
    case 23:
    case 255: return ListKind::Bullet;
    default: return ListKind::Decimal;
    }
}

QTextListFormat::Style StyleOf(ListKind kind)
{
    switch (kind) {
    case ListKind::Decimal: return QTextListFormat::ListDecimal;
    case ListKind::LowerAlpha: return QTextListFormat::ListLowerAlpha;
    case ListKind::UpperAlpha: return QTextListFormat::ListUpperAlpha;
    case ListKind::LowerRoman: return QTextListFormat::ListLowerRoman;
    case ListKind::UpperRoman: return QTextListFormat::ListUpperRoman;
    default: return QTextListFormat::ListDisc;
    }
}

// Destinations whose content is never text of the document.
bool IsSkippedDestination(std::string_view w)
{
    static const std::unordered_set<std::string_view> skipped = {
        "stylesheet", "info", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf",
        "footnote", "pntext", "listtext", "pntxtb", "pntxta", "objdata", "objclass", "objname", "objalias",
        "objsect", "objtime", "nonshppict", "themedata", "colorschememapping", "datastore", "latentstyles",
        "rsidtbl", "generator", "xmlnsdecl", "mmathPr", "pgdsctbl", "revtbl", "filetbl", "bkmkstart", "bkmkend",
        "private", "userprops", "docvar", "fldtype", "annotation", "atnid", "atnauthor", "comment", "tc", "xe",
        "txe", "bxe", "rxe", "do", "sp", "sn", "sv", "shpinst", "shptxt", "template", "keywords", "title",
        "subject", "author", "operator", "doccomm", "company", "category", "manager", "hlinkbase", "buptim",
        "printim", "revtim", "creatim", "expandedcolortbl", "leveltext", "levelnumbers", "listname", "liststylename",
        "wgrffmtfilter", "pnseclvl", "fchars", "lchars", "panose", "falt", "ftnsep", "ftnsepc", "ftncn", "aftnsep",
        "aftnsepc", "aftncn", "mhtmltag", "htmltag", "fldrslt_placeholder", "ud"};
    return skipped.count(w) != 0;
}

class Reader {
public:
    Reader(std::string_view rtf, QTextDocument& document) : m_tokens(rtf), m_doc(document), m_cursor(&document) {}

    ReadStatus Run();

private:
    Group& Top() { return m_stack.back(); }
    void OnGroupStart();
    void OnGroupEnd();
    void OnWord(std::string_view word, bool hasParam, int param);
    void OnSymbol(char symbol, bool hasParam, int param);
    void OnText(std::string_view text);
    void OnBinary(std::string_view data);
    void AddByte(unsigned char byte);
    void AddChar(QChar ch);
    void StartRunFor(const CharState& state);
    bool SkippingFallback();
    void Flush();
    void EndParagraph();
    void ApplyParagraph();
    void InsertPicture(const Picture& picture);
    QTextCharFormat CurrentCharFormat();
    int CodePage();
    void EnterTableIfNeeded();
    void LeaveTableIfNeeded();
    void EnsureCell();

    Tokenizer m_tokens;
    QTextDocument& m_doc;
    QTextCursor m_cursor;
    CodePageDecoder m_decoder;
    std::vector<Group> m_stack;
    int m_overflow = 0; // groups beyond the depth limit, skipped whole
    bool m_damaged = false;
    bool m_closed = false; // the document group ended

    int m_defaultCodePage = 1252;
    int m_defaultFont = 0;
    std::map<int, FontInfo> m_fonts;
    int m_fontNumber = -1;
    int m_fontCodePage = 0;
    std::string m_fontNameBytes;
    std::vector<std::optional<QColor>> m_colors;
    int m_red = -1, m_green = -1, m_blue = -1;

    std::unordered_map<int, std::vector<ListKind>> m_listLevels; // by \listid
    int m_currentListId = 0;
    std::vector<ListKind> m_pendingLevels;
    std::map<int, int> m_overrides; // \ls -> \listid
    int m_overrideListId = 0;

    std::vector<Field> m_fields;
    std::vector<Picture> m_pictures;
    int m_imageCount = 0;

    QString m_run;
    std::optional<CharState> m_runState;
    int m_lead = -1;         // pending lead byte of a double-byte character
    int m_skipFallback = 0;  // characters still to skip after \u

    QTextTable* m_table = nullptr;
    int m_row = 0, m_col = 0;
    int m_cellRow = -1, m_cellCol = -1;
    bool m_rowPending = false;

    std::optional<CharState> m_formatState;
    QTextCharFormat m_format;
};

ReadStatus Reader::Run()
{
    Token first = m_tokens.Next();
    if (first.type != TokenType::GroupStart)
        return ReadStatus::NotRtf;
    Token word = m_tokens.Next();
    if (word.type != TokenType::ControlWord || word.word.substr(0, 3) != "rtf")
        return ReadStatus::NotRtf;
    m_stack.push_back(Group{});
    m_doc.clear();
    m_cursor = QTextCursor(&m_doc);
    m_cursor.beginEditBlock();
    for (;;) {
        const Token t = m_tokens.Next();
        if (t.type == TokenType::End)
            break;
        switch (t.type) {
        case TokenType::GroupStart: OnGroupStart(); break;
        case TokenType::GroupEnd: OnGroupEnd(); break;
        case TokenType::ControlWord: OnWord(t.word, t.hasParam, t.param); break;
        case TokenType::ControlSymbol: OnSymbol(t.word[0], t.hasParam, t.param); break;
        case TokenType::Text: OnText(t.word); break;
        case TokenType::BinaryData: OnBinary(t.word); break;
        case TokenType::End: break;
        }
        if (m_stack.empty())
            break; // the document group closed: anything after it is not RTF
    }
    if (!m_stack.empty() || m_overflow > 0)
        m_damaged = true;
    Flush();
    if (!m_closed)
        ApplyParagraph();
    m_cursor.endEditBlock();
    return m_damaged ? ReadStatus::Damaged : ReadStatus::Ok;
}

void Reader::OnGroupStart()
{
    if (m_overflow > 0 || m_stack.size() >= static_cast<std::size_t>(kMaxGroupDepth)) {
        ++m_overflow;
        return;
    }
    Flush();
    m_skipFallback = 0;
    Group group = Top();
    group.starred = false;
    group.first = true;
    group.picture = -1;
    if (group.dest == Dest::Object)
        group.dest = Dest::ObjectPending;
    else if (group.dest == Dest::Pict)
        group.dest = Dest::Skip; // nothing nests in a picture's data
    m_stack.push_back(group);
}

void Reader::OnGroupEnd()
{
    if (m_overflow > 0) {
        --m_overflow;
        return;
    }
    Flush();
    m_skipFallback = 0;
    if (m_stack.size() <= 1) {
        ApplyParagraph(); // the last paragraph, with the document's own state
        m_stack.clear();
        m_closed = true;
        return;
    }
    const Group ended = Top();
    m_stack.pop_back();
    Group& parent = Top();
    switch (ended.dest) {
    case Dest::Pict:
        if (ended.picture >= 0)
            InsertPicture(m_pictures[static_cast<std::size_t>(ended.picture)]);
        break;
    case Dest::Pn:
        // Numbering set inside {\*\pn ...} belongs to the paragraph around it.
        parent.para.list = ended.para.list;
        parent.para.listLevel = ended.para.listLevel;
        break;
    case Dest::FontTable:
        if (m_fontNumber >= 0 && !m_fontNameBytes.empty()) {
            QString name;
            for (const char c : m_fontNameBytes)
                m_decoder.AppendByte(m_defaultCodePage, static_cast<unsigned char>(c), name);
            m_fonts[m_fontNumber] = FontInfo{name.trimmed(), m_fontCodePage};
        }
        m_fontNameBytes.clear();
        break;
    default: break;
    }
    if (ended.listGroup)
        m_listLevels[m_currentListId] = m_pendingLevels;
    // An instruction may sit in groups of its own inside \fldinst: read it once, at the end
    // of the outermost instruction group.
    if (ended.dest == Dest::FieldInst && parent.dest != Dest::FieldInst && ended.chr.field >= 0) {
        Field& field = m_fields[static_cast<std::size_t>(ended.chr.field)];
        const QString inst = field.instruction.trimmed();
        if (inst.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive)) {
            QString target = inst.mid(9).trimmed();
            // HYPERLINK "url" or HYPERLINK url; switches such as \l follow.
            if (target.startsWith(QLatin1Char('"'))) {
                const auto close = target.indexOf(QLatin1Char('"'), 1);
                target = target.mid(1, close < 0 ? -1 : close - 1);
            } else {
                target = target.section(QLatin1Char(' '), 0, 0);
            }
            field.href = target;
        }
    }
}

int Reader::CodePage()
{
    const Group& g = Top();
    const int font = g.chr.font >= 0 ? g.chr.font : m_defaultFont;
    const auto it = m_fonts.find(font);
    return it != m_fonts.end() && it->second.codePage != 0 ? it->second.codePage : m_defaultCodePage;
}

QTextCharFormat Reader::CurrentCharFormat()
{
    const CharState& s = *m_runState;
    if (m_formatState && *m_formatState == s)
        return m_format;
    QTextCharFormat f;
    const auto font = m_fonts.find(s.font >= 0 ? s.font : m_defaultFont);
    if (font != m_fonts.end() && !font->second.name.isEmpty())
        f.setFontFamilies({font->second.name});
    f.setFontPointSize(std::clamp(s.halfPoints, 2, 3276) / 2.0);
    if (s.bold)
        f.setFontWeight(QFont::Bold);
    if (s.italic)
        f.setFontItalic(true);
    if (s.underline)
        f.setFontUnderline(true);
    if (s.strike)
        f.setFontStrikeOut(true);
    auto color = [&](int index) -> std::optional<QColor> {
        if (index <= 0 || index >= static_cast<int>(m_colors.size()))
            return std::nullopt;
        return m_colors[static_cast<std::size_t>(index)];
    };
    if (const auto fg = color(s.fg))
        f.setForeground(*fg);
    if (const auto bg = color(s.bg))
        f.setBackground(*bg);
    if (s.valign > 0)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (s.valign < 0)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (s.field >= 0 && s.field < static_cast<int>(m_fields.size())
        && !m_fields[static_cast<std::size_t>(s.field)].href.isEmpty()) {
        f.setAnchor(true);
        f.setAnchorHref(m_fields[static_cast<std::size_t>(s.field)].href);
    }
    m_formatState = s;
    m_format = f;
    return f;
}

void Reader::Flush()
{
    if (m_run.isEmpty())
        return;
    EnterTableIfNeeded();
    m_cursor.insertText(m_run, CurrentCharFormat());
    m_run.clear();
}

void Reader::AddChar(QChar ch)
{
    if (ch.unicode() < 0x20 && ch != QLatin1Char('\t'))
        return; // control characters are not text
    const Group& g = Top();
    if (g.dest == Dest::FieldInst) {
        if (g.chr.field >= 0)
            m_fields[static_cast<std::size_t>(g.chr.field)].instruction += ch;
        return;
    }
    if (g.dest != Dest::Normal)
        return;
    StartRunFor(g.chr);
    m_run += ch;
}

void Reader::StartRunFor(const CharState& state)
{
    // A run holds text of one format: a new format flushes what came before.
    if (!m_run.isEmpty() && m_runState && !(*m_runState == state))
        Flush();
    if (m_run.isEmpty())
        m_runState = state;
}

bool Reader::SkippingFallback()
{
    if (m_skipFallback > 0) {
        --m_skipFallback;
        return true;
    }
    return false;
}

void Reader::AddByte(unsigned char byte)
{
    const Group& g = Top();
    if (g.dest == Dest::FontTable) {
        if (byte == ';') {
            // An entry without a group of its own ends here.
            if (m_fontNumber >= 0) {
                QString name;
                for (const char c : m_fontNameBytes)
                    m_decoder.AppendByte(m_defaultCodePage, static_cast<unsigned char>(c), name);
                m_fonts[m_fontNumber] = FontInfo{name.trimmed(), m_fontCodePage};
            }
            m_fontNameBytes.clear();
        } else if (m_fontNameBytes.size() < 256) {
            m_fontNameBytes += static_cast<char>(byte);
        }
        return;
    }
    if (g.dest == Dest::ColorTable) {
        if (byte == ';') {
            if (m_red < 0 && m_green < 0 && m_blue < 0)
                m_colors.emplace_back(std::nullopt);
            else
                m_colors.emplace_back(QColor(std::clamp(m_red, 0, 255), std::clamp(m_green, 0, 255),
                                             std::clamp(m_blue, 0, 255)));
            m_red = m_green = m_blue = -1;
        }
        return;
    }
    if (g.dest != Dest::Normal && g.dest != Dest::FieldInst)
        return;
    const int page = CodePage();
    QString decoded;
    if (m_lead >= 0) {
        m_decoder.AppendPair(page, static_cast<unsigned char>(m_lead), byte, decoded);
        m_lead = -1;
    } else if (IsDoubleByteCodePage(page) && IsLeadByte(page, byte)) {
        m_lead = byte;
        return;
    } else {
        m_decoder.AppendByte(page, byte, decoded);
    }
    for (const QChar ch : decoded)
        AddChar(ch);
}

void Reader::OnText(std::string_view text)
{
    const Group& g = Top();
    if (m_overflow > 0 || g.dest == Dest::Skip || g.dest == Dest::Object || g.dest == Dest::ObjectPending
        || g.dest == Dest::Pn || g.dest == Dest::ListTable || g.dest == Dest::ListOverrideTable)
        return;
    if (g.dest == Dest::Pict) {
        if (g.picture >= 0)
            m_pictures[static_cast<std::size_t>(g.picture)].AddHex(text);
        return;
    }
    // The common case, plain ASCII in the body, goes straight into the run.
    if (g.dest == Dest::Normal && m_skipFallback == 0 && m_lead < 0) {
        bool ascii = true;
        for (const char c : text) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                ascii = false;
                break;
            }
        }
        if (ascii) {
            StartRunFor(g.chr);
            m_run += QLatin1String(text.data(), static_cast<qsizetype>(text.size()));
            return;
        }
    }
    for (const char c : text) {
        if (SkippingFallback())
            continue;
        AddByte(static_cast<unsigned char>(c));
    }
}

void Reader::OnBinary(std::string_view data)
{
    if (m_overflow > 0)
        return;
    Group& g = Top();
    if (g.dest == Dest::Pict && g.picture >= 0)
        m_pictures[static_cast<std::size_t>(g.picture)].data.append(data.data(), static_cast<qsizetype>(data.size()));
    // \bin data anywhere else is skipped whole.
}

void Reader::OnSymbol(char symbol, bool hasParam, int param)
{
    if (m_overflow > 0)
        return;
    Group& g = Top();
    if (symbol == '*') {
        g.starred = true;
        return;
    }
    if (g.dest == Dest::Skip)
        return;
    if (symbol == '\'') {
        if (SkippingFallback() || !hasParam)
            return;
        AddByte(static_cast<unsigned char>(param));
        return;
    }
    if (SkippingFallback())
        return;
    switch (symbol) {
    case '\\':
    case '{':
    case '}': AddByte(static_cast<unsigned char>(symbol)); break;
    case '~': AddChar(QChar(0x00A0)); break;
    case '_': AddChar(QChar(0x2011)); break;
    case '-': break; // an optional hyphen: not shown
    case '\n':
    case '\r':
        if (g.dest == Dest::Normal)
            EndParagraph();
        break;
    case '\t': AddChar(QLatin1Char('\t')); break;
    default: break;
    }
}

void Reader::OnWord(std::string_view w, bool hasParam, int param)
{
    if (m_overflow > 0)
        return;
    Group& g = Top();
    const bool first = g.first;
    const bool starred = g.starred; // \* marks only the control word right after it
    g.first = false;
    g.starred = false;
    if (g.dest == Dest::Skip)
        return;
    if (m_skipFallback > 0 && w != "u") {
        --m_skipFallback;
        return;
    }
    auto on = [&] { return !hasParam || param != 0; };

    if (g.dest == Dest::ObjectPending) {
        g.dest = w == "result" ? Dest::Normal : Dest::Skip;
        return;
    }

    // Destinations.
    if (first || starred) {
        if (w == "fonttbl") {
            g.dest = Dest::FontTable;
            return;
        }
        if (w == "colortbl") {
            g.dest = Dest::ColorTable;
            return;
        }
        if (w == "pict") {
            g.dest = Dest::Pict;
            g.picture = static_cast<int>(m_pictures.size());
            m_pictures.emplace_back();
            return;
        }
        if (w == "shppict")
            return; // its \pict is shown; the \nonshppict fallback after it is skipped
        if (w == "object") {
            g.dest = Dest::Object;
            return;
        }
        if (w == "result")
            return;
        if (w == "field") {
            m_fields.emplace_back();
            g.chr.field = static_cast<int>(m_fields.size()) - 1;
            return;
        }
        if (w == "fldinst") {
            g.dest = Dest::FieldInst;
            return;
        }
        if (w == "fldrslt")
            return;
        if (w == "pn") {
            g.dest = Dest::Pn;
            return;
        }
        if (w == "listtable") {
            g.dest = Dest::ListTable;
            return;
        }
        if (w == "listoverridetable") {
            g.dest = Dest::ListOverrideTable;
            return;
        }
        // Anything else behind \* is a destination this reader does not know.
        if (IsSkippedDestination(w) || starred) {
            g.dest = Dest::Skip;
            return;
        }
    }

    switch (g.dest) {
    case Dest::FontTable:
        if (w == "f") {
            m_fontNumber = param;
            m_fontCodePage = 0;
            m_fontNameBytes.clear();
        } else if (w == "fcharset") {
            m_fontCodePage = CodePageOfCharset(param);
        } else if (w == "cpg" && param > 0) {
            m_fontCodePage = param;
        }
        return;
    case Dest::ColorTable:
        if (w == "red")
            m_red = param;
        else if (w == "green")
            m_green = param;
        else if (w == "blue")
            m_blue = param;
        return;
    case Dest::Pict: {
        if (g.picture < 0)
            return;
        Picture& p = m_pictures[static_cast<std::size_t>(g.picture)];
        if (w == "pngblip")
            p.kind = PictureKind::Png;
        else if (w == "jpegblip")
            p.kind = PictureKind::Jpeg;
        else if (w == "dibitmap")
            p.kind = PictureKind::Dib;
        else if (w == "wmetafile")
            p.kind = PictureKind::Metafile;
        else if (w == "emfblip")
            p.kind = PictureKind::Emf;
        else if (w == "macpict" || w == "pmmetafile" || w == "wbitmap")
            p.kind = PictureKind::Other;
        else if (w == "picw")
            p.picw = param;
        else if (w == "pich")
            p.pich = param;
        else if (w == "picwgoal")
            p.goalw = param;
        else if (w == "pichgoal")
            p.goalh = param;
        else if (w == "picscalex")
            p.scalex = param;
        else if (w == "picscaley")
            p.scaley = param;
        return;
    }
    case Dest::Pn:
        if (w == "pnlvlblt")
            g.para.list = ListKind::Bullet;
        else if (w == "pnlvlbody" && g.para.list == ListKind::None)
            g.para.list = ListKind::Decimal;
        else if (w == "pnlvl")
            g.para.listLevel = std::clamp(param - 1, 0, 8);
        else if (w == "pndec")
            g.para.list = ListKind::Decimal;
        else if (w == "pnlcltr")
            g.para.list = ListKind::LowerAlpha;
        else if (w == "pnucltr")
            g.para.list = ListKind::UpperAlpha;
        else if (w == "pnlcrm")
            g.para.list = ListKind::LowerRoman;
        else if (w == "pnucrm")
            g.para.list = ListKind::UpperRoman;
        return;
    case Dest::ListTable:
        if (w == "list") {
            g.listGroup = true;
            m_currentListId = 0;
            m_pendingLevels.clear();
        } else if (w == "listid" && hasParam) {
            m_currentListId = param;
        } else if (w == "levelnfc" && hasParam && m_pendingLevels.size() < 9) {
            m_pendingLevels.push_back(KindOfNfc(param));
        }
        return;
    case Dest::ListOverrideTable:
        if (w == "listid")
            m_overrideListId = param;
        else if (w == "ls" && hasParam)
            m_overrides[param] = m_overrideListId;
        return;
    case Dest::Object:
    case Dest::ObjectPending:
    case Dest::Skip: return;
    default: break;
    }

    // Document-wide.
    if (w == "ansi") {
        m_defaultCodePage = 1252;
    } else if (w == "mac") {
        m_defaultCodePage = 10000;
    } else if (w == "pc") {
        m_defaultCodePage = 437;
    } else if (w == "pca") {
        m_defaultCodePage = 850;
    } else if (w == "ansicpg" && param > 0) {
        m_defaultCodePage = param;
    } else if (w == "deff") {
        m_defaultFont = param;
    } else if (w == "uc") {
        g.uc = std::clamp(param, 0, 16);
    } else if (w == "u" && hasParam) {
        const int code = param < 0 ? param + 65536 : param;
        AddChar(QChar(static_cast<char16_t>(std::clamp(code, 0, 0xFFFF))));
        m_skipFallback = g.uc;
    }
    // Characters.
    else if (w == "b") {
        g.chr.bold = on();
    } else if (w == "i") {
        g.chr.italic = on();
    } else if (w == "ul" || w == "uld" || w == "uldash" || w == "uldashd" || w == "uldashdd" || w == "uldb"
               || w == "ulhwave" || w == "ulldash" || w == "ulth" || w == "ulthd" || w == "ulthdash"
               || w == "ulthdashd" || w == "ulthdashdd" || w == "ulthldash" || w == "ululdbwave" || w == "ulw"
               || w == "ulwave") {
        g.chr.underline = on();
    } else if (w == "ulnone") {
        g.chr.underline = false;
    } else if (w == "strike" || w == "striked") {
        g.chr.strike = on();
    } else if (w == "f") {
        g.chr.font = param;
    } else if (w == "fs") {
        g.chr.halfPoints = hasParam && param > 0 ? std::min(param, 3276) : 24;
    } else if (w == "cf") {
        g.chr.fg = param;
    } else if (w == "cb" || w == "highlight" || w == "chcbpat") {
        g.chr.bg = param;
    } else if (w == "super") {
        g.chr.valign = 1;
    } else if (w == "sub") {
        g.chr.valign = -1;
    } else if (w == "nosupersub") {
        g.chr.valign = 0;
    } else if (w == "plain") {
        const int field = g.chr.field;
        g.chr = CharState{};
        g.chr.field = field;
    }
    // Special characters.
    else if (w == "par" || w == "sect" || w == "page") {
        EndParagraph();
    } else if (w == "line") {
        AddChar(QChar(QChar::LineSeparator));
    } else if (w == "tab") {
        AddChar(QLatin1Char('\t'));
    } else if (w == "emdash") {
        AddChar(QChar(0x2014));
    } else if (w == "endash") {
        AddChar(QChar(0x2013));
    } else if (w == "emspace") {
        AddChar(QChar(0x2003));
    } else if (w == "enspace") {
        AddChar(QChar(0x2002));
    } else if (w == "qmspace") {
        AddChar(QChar(0x2005));
    } else if (w == "bullet") {
        AddChar(QChar(0x2022));
    } else if (w == "lquote") {
        AddChar(QChar(0x2018));
    } else if (w == "rquote") {
        AddChar(QChar(0x2019));
    } else if (w == "ldblquote") {
        AddChar(QChar(0x201C));
    } else if (w == "rdblquote") {
        AddChar(QChar(0x201D));
    } else if (w == "zwj") {
        AddChar(QChar(0x200D));
    } else if (w == "zwnj") {
        AddChar(QChar(0x200C));
    }
    // Paragraphs.
    else if (w == "pard") {
        g.para = ParaState{};
    } else if (w == "ql") {
        g.para.align = Qt::AlignLeft;
    } else if (w == "qc") {
        g.para.align = Qt::AlignHCenter;
    } else if (w == "qr") {
        g.para.align = Qt::AlignRight;
    } else if (w == "qj") {
        g.para.align = Qt::AlignJustify;
    } else if (w == "li") {
        g.para.li = param;
    } else if (w == "ri") {
        g.para.ri = param;
    } else if (w == "fi") {
        g.para.fi = param;
    } else if (w == "sb") {
        g.para.sb = param;
    } else if (w == "sa") {
        g.para.sa = param;
    } else if (w == "ls") {
        g.para.ls = param;
    } else if (w == "ilvl") {
        g.para.listLevel = std::clamp(param, 0, 8);
    }
    // Tables.
    else if (w == "intbl") {
        g.para.inTable = true;
    } else if (w == "cell" || w == "nestcell") {
        Flush();
        EnsureCell();
        ++m_col;
    } else if (w == "row" || w == "nestrow") {
        Flush();
        if (m_table) {
            m_rowPending = true;
            m_col = 0;
        }
    }
}

void Reader::EnterTableIfNeeded()
{
    if (Top().para.inTable)
        EnsureCell();
    else
        LeaveTableIfNeeded();
}

void Reader::LeaveTableIfNeeded()
{
    if (!m_table)
        return;
    m_cursor = m_table->lastCursorPosition();
    m_cursor.movePosition(QTextCursor::NextBlock);
    m_table = nullptr;
    m_cellRow = m_cellCol = -1;
}

void Reader::EnsureCell()
{
    constexpr int kMaxColumns = 64;
    if (!m_table) {
        QTextTableFormat format;
        format.setBorder(1);
        format.setCellPadding(2);
        format.setCellSpacing(0);
        m_table = m_cursor.insertTable(1, 1, format);
        // RTF ends the paragraph before a table with \par; the table needs no empty
        // paragraph of its own in front of it.
        QTextCursor before(&m_doc);
        before.setPosition(m_table->firstPosition() - 1);
        if (before.block().length() == 1 && before.block().previous().isValid()) {
            before.setPosition(before.block().position());
            before.deletePreviousChar();
        }
        m_row = 0;
        m_col = 0;
        m_rowPending = false;
    }
    if (m_rowPending) {
        ++m_row;
        m_rowPending = false;
    }
    while (m_table->rows() <= m_row)
        m_table->appendRows(1);
    const int col = std::min(m_col, kMaxColumns - 1);
    while (m_table->columns() <= col)
        m_table->appendColumns(1);
    if (m_cellRow != m_row || m_cellCol != col) {
        m_cursor = m_table->cellAt(m_row, col).lastCursorPosition();
        m_cellRow = m_row;
        m_cellCol = col;
    }
}

void Reader::ApplyParagraph()
{
    const ParaState& p = Top().para;
    QTextBlockFormat block;
    block.setAlignment(p.align);
    ListKind kind = p.list;
    if (kind == ListKind::None && p.ls > 0) {
        const auto listId = m_overrides.find(p.ls);
        const auto levels = listId == m_overrides.end() ? m_listLevels.end() : m_listLevels.find(listId->second);
        if (levels != m_listLevels.end() && !levels->second.empty()) {
            const auto& kinds = levels->second;
            kind = kinds[std::min<std::size_t>(static_cast<std::size_t>(p.listLevel), kinds.size() - 1)];
        }
        else
            kind = ListKind::Bullet;
    }
    if (kind == ListKind::None) {
        // Twips to pixels at 96 per inch.
        block.setLeftMargin(p.li / 15.0);
        block.setRightMargin(p.ri / 15.0);
        block.setTextIndent(p.fi / 15.0);
    } else {
        block.setRightMargin(p.ri / 15.0);
    }
    block.setTopMargin(p.sb / 15.0);
    block.setBottomMargin(p.sa / 15.0);
    m_cursor.setBlockFormat(block);
    if (kind == ListKind::None)
        return;
    QTextListFormat list;
    list.setStyle(StyleOf(kind));
    list.setIndent(p.listLevel + 1);
    const QTextBlock previous = m_cursor.block().previous();
    if (QTextList* prior = previous.isValid() ? previous.textList() : nullptr;
        prior && prior->format().style() == list.style() && prior->format().indent() == list.indent()) {
        prior->add(m_cursor.block());
    } else {
        m_cursor.createList(list);
    }
}

void Reader::EndParagraph()
{
    Flush();
    if (Top().para.inTable)
        EnsureCell();
    else
        LeaveTableIfNeeded();
    ApplyParagraph();
    m_cursor.insertBlock();
}

void Reader::InsertPicture(const Picture& picture)
{
    if (Top().dest != Dest::Normal)
        return;
    const PictureResource made = MakePictureResource(picture);
    const QString name = QStringLiteral("rtfimage:%1").arg(++m_imageCount);
    m_doc.addResource(QTextDocument::ImageResource, QUrl(name), made.resource);
    QTextImageFormat image;
    image.setName(name);
    image.setWidth(made.size.width());
    image.setHeight(made.size.height());
    EnterTableIfNeeded();
    m_cursor.insertImage(image);
}

} // namespace

ReadStatus ReadRtf(std::string_view rtf, QTextDocument& document)
{
    Reader reader(rtf, document);
    return reader.Run();
}

} // namespace qb::rtf
