#include "RtfReader.h"

#include "CodePage.h"
#include "RtfDocumentBuilder.h"
#include "RtfKeywords.h"
#include "RtfPicture.h"
#include "RtfReaderState.h"
#include "RtfTokenizer.h"

#include <QColor>
#include <QTextDocument>

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

namespace qb::rtf {
namespace {

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

// \fs and \afs: half points, the default for none or a nonsense size.
int HalfPoints(bool hasParam, int param)
{
    return hasParam && param > 0 ? std::min(param, kMaxFontHalfPoints) : 24;
}

// The formats a run shows. Associated formats apply to \dbch and \rtlch text, as word
// processors read them; \loch, \hich and \ltrch text keeps the plain ones.
CharState Shown(const CharState& s)
{
    if (!s.doubleByte && !s.rtl)
        return s;
    CharState shown = s;
    const AssociatedState& a = s.associated;
    shown.bold = a.bold.value_or(s.bold);
    shown.italic = a.italic.value_or(s.italic);
    shown.underline = a.underline.value_or(s.underline);
    shown.strike = a.strike.value_or(s.strike);
    shown.font = a.font.value_or(s.font);
    shown.halfPoints = a.halfPoints.value_or(s.halfPoints);
    shown.fg = a.fg.value_or(s.fg);
    return shown;
}

class Reader {
public:
    Reader(std::string_view rtf, QTextDocument& document) : m_tokens(rtf), m_builder(document) {}

    ReadStatus Run();

private:
    Group& Top() { return m_stack.back(); }
    void OnGroupStart();
    void OnGroupEnd();
    void OnFieldInstructionEnd(int field);
    void OnSymbol(char symbol, bool hasParam, int param);
    void OnText(std::string_view text);
    void OnBinary(std::string_view data);

    // Control words: the destination decides which handler reads a word.
    void OnWord(std::string_view word, bool hasParam, int param);
    bool OnDestination(const Keyword* keyword, bool starred);
    void OnFontTableWord(const Keyword& k, int param);
    void OnColorTableWord(const Keyword& k, int param);
    void OnPictureWord(const Keyword& k, int param);
    void OnNumberingWord(const Keyword& k, int param);
    void OnListTableWord(const Keyword& k, bool hasParam, int param);
    void OnListOverrideWord(const Keyword& k, bool hasParam, int param);
    void OnBodyWord(const Keyword& k, bool hasParam, int param);
    void OnDocumentWord(const Keyword& k, bool hasParam, int param);
    void OnCharacterWord(const Keyword& k, bool hasParam, int param);
    void OnAssociatedWord(const Keyword& k, bool hasParam, int param);
    void OnParagraphWord(const Keyword& k, int param);
    void OnTableWord(const Keyword& k);

    void CommitFont();
    void CommitColor();
    void AddByte(unsigned char byte);
    void AddChar(QChar ch);
    void StartRunFor(const CharState& state);
    bool SkippingFallback();
    void Flush();
    void EndParagraph();
    ParagraphFormat CurrentParagraphFormat();
    // The format of a state, remembered for the state asked last: runs and paragraph marks
    // ask for few states, in long stretches.
    struct FormatCache {
        std::optional<CharState> state;
        QTextCharFormat format;
    };
    QTextCharFormat FormatOf(const CharState& state, FormatCache& cache);
    int CodePage();

    Tokenizer m_tokens;
    DocumentBuilder m_builder;
    CodePageDecoder m_decoder;
    std::vector<Group> m_stack;
    int m_overflow = 0; // groups beyond the depth limit, skipped whole
    bool m_damaged = false;
    bool m_closed = false; // the document group ended

    int m_defaultCodePage = 1252;
    int m_defaultFont = 0;
    std::map<int, FontInfo> m_fonts;
    int m_fontNumber = -1;
    FontInfo m_fontEntry;       // the font table entry being read; its name is in the bytes below
    std::string m_fontNameBytes;
    bool m_fontPending = false; // a \f was seen and its entry is not committed yet
    std::vector<std::optional<QColor>> m_colors;
    int m_red = -1, m_green = -1, m_blue = -1;

    std::unordered_map<int, std::vector<ListKind>> m_listLevels; // by \listid
    int m_currentListId = 0;
    std::vector<ListKind> m_pendingLevels;
    std::map<int, int> m_overrides; // \ls -> \listid
    int m_overrideListId = 0;

    std::vector<Field> m_fields;
    std::vector<Picture> m_pictures;

    QString m_run;
    std::optional<CharState> m_runState;
    int m_lead = -1;        // pending lead byte of a double-byte character
    int m_skipFallback = 0; // characters still to skip after \u

    FormatCache m_runFormat, m_markFormat;
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
    m_builder.Begin();
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
        m_builder.ApplyParagraph(CurrentParagraphFormat());
    m_builder.End();
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
        m_builder.ApplyParagraph(CurrentParagraphFormat()); // the last paragraph, with the document's own state
        m_stack.clear();
        m_closed = true;
        return;
    }
    const Group ended = Top();
    m_stack.pop_back();
    Group& parent = Top();
    switch (ended.dest) {
    case Dest::Pict:
        if (ended.picture >= 0 && parent.dest == Dest::Normal)
            m_builder.InsertPicture(MakePictureResource(m_pictures[static_cast<std::size_t>(ended.picture)]),
                                    parent.para.inTable);
        break;
    case Dest::Pn:
        // Numbering set inside {\*\pn ...} belongs to the paragraph around it.
        parent.para.list = ended.para.list;
        parent.para.listLevel = ended.para.listLevel;
        break;
    case Dest::FontTable: CommitFont(); break;
    default: break;
    }
    if (ended.listGroup)
        m_listLevels[m_currentListId] = m_pendingLevels;
    // An instruction may sit in groups of its own inside \fldinst: read it once, at the end
    // of the outermost instruction group.
    if (ended.dest == Dest::FieldInst && parent.dest != Dest::FieldInst && ended.chr.field >= 0)
        OnFieldInstructionEnd(ended.chr.field);
}

void Reader::OnFieldInstructionEnd(int index)
{
    Field& field = m_fields[static_cast<std::size_t>(index)];
    const QString inst = field.instruction.trimmed();
    if (!inst.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive))
        return;
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

int Reader::CodePage()
{
    const Group& g = Top();
    const int font = g.chr.font >= 0 ? g.chr.font : m_defaultFont;
    const auto it = m_fonts.find(font);
    return it != m_fonts.end() && it->second.codePage != 0 ? it->second.codePage : m_defaultCodePage;
}

QTextCharFormat Reader::FormatOf(const CharState& state, FormatCache& cache)
{
    if (cache.state && *cache.state == state)
        return cache.format;
    const CharState s = Shown(state);
    QTextCharFormat f;
    const auto font = m_fonts.find(s.font >= 0 ? s.font : m_defaultFont);
    if (font != m_fonts.end()) {
        if (!font->second.name.isEmpty())
            f.setFontFamilies({font->second.name});
        if (font->second.family != QFont::AnyStyle)
            f.setFontStyleHint(font->second.family);
    }
    f.setFontPointSize(std::clamp(s.halfPoints, 2, kMaxFontHalfPoints) / 2.0);
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
    cache.state = state;
    cache.format = f;
    return f;
}

void Reader::Flush()
{
    if (m_run.isEmpty())
        return;
    m_builder.InsertText(m_run, FormatOf(*m_runState, m_runFormat), Top().para.inTable);
    m_run.clear();
}

void Reader::AddChar(QChar ch)
{
    if (ch.unicode() < 0x20 && ch != QLatin1Char('\t'))
        return; // control characters are not text
    if (ch == QChar::ObjectReplacementCharacter)
        return; // marks where a picture sits: as text it would stand for one that is not there
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

// A font table entry ends at its ";" or, without one, at the end of its group. An entry
// without a name is kept too: its family class tells the kind of face.
void Reader::CommitFont()
{
    if (m_fontNumber >= 0 && (m_fontPending || !m_fontNameBytes.empty())) {
        QString name;
        for (const char c : m_fontNameBytes)
            m_decoder.AppendByte(m_defaultCodePage, static_cast<unsigned char>(c), name);
        FontInfo entry = m_fontEntry;
        entry.name = name.trimmed();
        m_fonts[m_fontNumber] = entry;
    }
    m_fontNameBytes.clear();
    m_fontPending = false;
}

void Reader::CommitColor()
{
    if (m_red < 0 && m_green < 0 && m_blue < 0)
        m_colors.emplace_back(std::nullopt);
    else
        m_colors.emplace_back(
            QColor(std::clamp(m_red, 0, 255), std::clamp(m_green, 0, 255), std::clamp(m_blue, 0, 255)));
    m_red = m_green = m_blue = -1;
}

void Reader::AddByte(unsigned char byte)
{
    const Group& g = Top();
    if (g.dest == Dest::FontTable) {
        if (byte == ';')
            CommitFont();
        else if (m_fontNameBytes.size() < 256)
            m_fontNameBytes += static_cast<char>(byte);
        return;
    }
    if (g.dest == Dest::ColorTable) {
        if (byte == ';')
            CommitColor();
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
    // The common case, printable ASCII in the body, goes straight into the run; control
    // bytes take the slow path, which drops them as AddChar does.
    if (g.dest == Dest::Normal && m_skipFallback == 0 && m_lead < 0) {
        const bool plain = std::all_of(text.begin(), text.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return (byte >= 0x20 && byte < 0x80) || c == '\t';
        });
        if (plain) {
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
    if (g.dest == Dest::ObjectPending) {
        g.dest = w == "result" ? Dest::Normal : Dest::Skip;
        return;
    }
    const Keyword* keyword = FindKeyword(w);
    // A destination is named by the first word of its group, or by the word after \*.
    if ((first || starred) && OnDestination(keyword, starred))
        return;
    if (!keyword)
        return;
    const Keyword& k = *keyword;
    switch (g.dest) {
    case Dest::FontTable: OnFontTableWord(k, param); return;
    case Dest::ColorTable: OnColorTableWord(k, param); return;
    case Dest::Pict: OnPictureWord(k, param); return;
    case Dest::Pn: OnNumberingWord(k, param); return;
    case Dest::ListTable: OnListTableWord(k, hasParam, param); return;
    case Dest::ListOverrideTable: OnListOverrideWord(k, hasParam, param); return;
    case Dest::Object:
    case Dest::ObjectPending:
    case Dest::Skip: return;
    case Dest::Normal:
    case Dest::FieldInst: OnBodyWord(k, hasParam, param); return;
    }
}

bool Reader::OnDestination(const Keyword* keyword, bool starred)
{
    Group& g = Top();
    if (!keyword || keyword->wordClass != WordClass::Destination) {
        // Anything else behind \* is a destination this reader does not know.
        if ((keyword && keyword->wordClass == WordClass::SkippedDestination) || starred) {
            g.dest = Dest::Skip;
            return true;
        }
        return false;
    }
    switch (keyword->word) {
    case Word::FontTable: g.dest = Dest::FontTable; break;
    case Word::ColorTable: g.dest = Dest::ColorTable; break;
    case Word::Pict:
        g.dest = Dest::Pict;
        g.picture = static_cast<int>(m_pictures.size());
        m_pictures.emplace_back();
        break;
    case Word::Object: g.dest = Dest::Object; break;
    case Word::Field:
        m_fields.emplace_back();
        g.chr.field = static_cast<int>(m_fields.size()) - 1;
        break;
    case Word::FieldInst: g.dest = Dest::FieldInst; break;
    case Word::Pn: g.dest = Dest::Pn; break;
    case Word::ListTable: g.dest = Dest::ListTable; break;
    case Word::ListOverrideTable: g.dest = Dest::ListOverrideTable; break;
    // The group goes on as it is: \shppict's \pict is shown (the \nonshppict fallback after
    // it is skipped), a \result or \fldrslt is text.
    default: break;
    }
    return true;
}

void Reader::OnFontTableWord(const Keyword& k, int param)
{
    switch (k.word) {
    case Word::Font:
        m_fontNumber = param;
        m_fontEntry = FontInfo{};
        m_fontNameBytes.clear();
        m_fontPending = true;
        break;
    case Word::FontCharset: m_fontEntry.codePage = CodePageOfCharset(param); break;
    case Word::FontCodePage:
        if (param > 0)
            m_fontEntry.codePage = param;
        break;
    case Word::FontFamily: m_fontEntry.family = static_cast<QFont::StyleHint>(k.value); break;
    default: break;
    }
}

void Reader::OnColorTableWord(const Keyword& k, int param)
{
    switch (k.word) {
    case Word::Red: m_red = param; break;
    case Word::Green: m_green = param; break;
    case Word::Blue: m_blue = param; break;
    default: break;
    }
}

void Reader::OnPictureWord(const Keyword& k, int param)
{
    const Group& g = Top();
    if (g.picture < 0)
        return;
    Picture& p = m_pictures[static_cast<std::size_t>(g.picture)];
    switch (k.word) {
    case Word::PictureKind: p.kind = static_cast<PictureKind>(k.value); break;
    case Word::PictureWidth: p.picw = param; break;
    case Word::PictureHeight: p.pich = param; break;
    case Word::PictureGoalWidth: p.goalw = param; break;
    case Word::PictureGoalHeight: p.goalh = param; break;
    case Word::PictureScaleX: p.scalex = param; break;
    case Word::PictureScaleY: p.scaley = param; break;
    default: break;
    }
}

void Reader::OnNumberingWord(const Keyword& k, int param)
{
    ParaState& para = Top().para;
    switch (k.word) {
    case Word::PnBullet: para.list = ListKind::Bullet; break;
    case Word::PnBody:
        if (para.list == ListKind::None)
            para.list = ListKind::Decimal;
        break;
    case Word::PnLevel: para.listLevel = std::clamp(param - 1, 0, 8); break;
    case Word::PnKind: para.list = static_cast<ListKind>(k.value); break;
    default: break;
    }
}

void Reader::OnListTableWord(const Keyword& k, bool hasParam, int param)
{
    switch (k.word) {
    case Word::List:
        Top().listGroup = true;
        m_currentListId = 0;
        m_pendingLevels.clear();
        break;
    case Word::ListId:
        if (hasParam)
            m_currentListId = param;
        break;
    case Word::LevelNumberFormat:
        if (hasParam && m_pendingLevels.size() < 9)
            m_pendingLevels.push_back(KindOfNfc(param));
        break;
    default: break;
    }
}

void Reader::OnListOverrideWord(const Keyword& k, bool hasParam, int param)
{
    if (k.word == Word::ListId)
        m_overrideListId = param;
    else if (k.word == Word::ListOverride && hasParam)
        m_overrides[param] = m_overrideListId;
}

void Reader::OnBodyWord(const Keyword& k, bool hasParam, int param)
{
    switch (k.wordClass) {
    case WordClass::Document: OnDocumentWord(k, hasParam, param); break;
    case WordClass::Character: OnCharacterWord(k, hasParam, param); break;
    case WordClass::Associated: OnAssociatedWord(k, hasParam, param); break;
    case WordClass::Paragraph: OnParagraphWord(k, param); break;
    case WordClass::Table: OnTableWord(k); break;
    case WordClass::Special:
        if (k.word == Word::ParagraphEnd)
            EndParagraph();
        else
            AddChar(QChar(static_cast<char16_t>(k.value)));
        break;
    default: break; // words of a table or a picture mean nothing in the text
    }
}

void Reader::OnDocumentWord(const Keyword& k, bool hasParam, int param)
{
    Group& g = Top();
    switch (k.word) {
    case Word::CodePage: m_defaultCodePage = k.value; break;
    case Word::AnsiCodePage:
        if (param > 0)
            m_defaultCodePage = param;
        break;
    case Word::DefaultFont: m_defaultFont = param; break;
    case Word::UnicodeSkip: g.uc = std::clamp(param, 0, 16); break;
    case Word::Unicode:
        if (hasParam) {
            const int code = param < 0 ? param + 65536 : param;
            AddChar(QChar(static_cast<char16_t>(std::clamp(code, 0, 0xFFFF))));
            m_skipFallback = g.uc;
        }
        break;
    default: break;
    }
}

void Reader::OnCharacterWord(const Keyword& k, bool hasParam, int param)
{
    CharState& chr = Top().chr;
    const bool on = !hasParam || param != 0;
    switch (k.word) {
    case Word::Bold: chr.bold = on; break;
    case Word::Italic: chr.italic = on; break;
    case Word::Underline: chr.underline = on; break;
    case Word::UnderlineNone: chr.underline = false; break;
    case Word::Strike: chr.strike = on; break;
    case Word::Font: chr.font = param; break;
    case Word::FontSize: chr.halfPoints = HalfPoints(hasParam, param); break;
    case Word::Foreground: chr.fg = param; break;
    case Word::Background: chr.bg = param; break;
    case Word::VerticalAlign: chr.valign = k.value; break;
    case Word::Plain: {
        const int field = chr.field;
        chr = CharState{};
        chr.field = field;
        break;
    }
    default: break;
    }
}

void Reader::OnAssociatedWord(const Keyword& k, bool hasParam, int param)
{
    CharState& chr = Top().chr;
    AssociatedState& a = chr.associated;
    const bool on = !hasParam || param != 0;
    switch (k.word) {
    case Word::AssocBold: a.bold = on; break;
    case Word::AssocItalic: a.italic = on; break;
    case Word::AssocUnderline: a.underline = on; break;
    case Word::AssocUnderlineNone: a.underline = false; break;
    case Word::AssocStrike: a.strike = on; break;
    case Word::AssocFont: a.font = param; break;
    case Word::AssocFontSize: a.halfPoints = HalfPoints(hasParam, param); break;
    case Word::AssocForeground: a.fg = param; break;
    case Word::Script: chr.doubleByte = k.value != 0; break;
    case Word::Direction: chr.rtl = k.value != 0; break;
    default: break;
    }
}

void Reader::OnParagraphWord(const Keyword& k, int param)
{
    ParaState& para = Top().para;
    switch (k.word) {
    case Word::ParagraphDefault: para = ParaState{}; break;
    case Word::Align: para.align = static_cast<Qt::AlignmentFlag>(k.value); break;
    case Word::LeftIndent: para.li = param; break;
    case Word::RightIndent: para.ri = param; break;
    case Word::FirstIndent: para.fi = param; break;
    case Word::SpaceBefore: para.sb = param; break;
    case Word::SpaceAfter: para.sa = param; break;
    case Word::ListOverride: para.ls = param; break;
    case Word::ListLevel: para.listLevel = std::clamp(param, 0, 8); break;
    default: break;
    }
}

void Reader::OnTableWord(const Keyword& k)
{
    switch (k.word) {
    case Word::InTable: Top().para.inTable = true; break;
    case Word::Cell:
        Flush();
        m_builder.EndCell(CurrentParagraphFormat());
        break;
    case Word::Row:
        Flush();
        m_builder.EndRow();
        break;
    default: break;
    }
}

ParagraphFormat Reader::CurrentParagraphFormat()
{
    const ParaState& p = Top().para;
    ParagraphFormat out;
    QTextBlockFormat& block = out.block;
    block.setAlignment(p.align);
    ListKind kind = p.list;
    if (kind == ListKind::None && p.ls > 0) {
        const auto listId = m_overrides.find(p.ls);
        const auto levels = listId == m_overrides.end() ? m_listLevels.end() : m_listLevels.find(listId->second);
        if (levels != m_listLevels.end() && !levels->second.empty()) {
            const auto& kinds = levels->second;
            kind = kinds[std::min<std::size_t>(static_cast<std::size_t>(p.listLevel), kinds.size() - 1)];
        } else {
            kind = ListKind::Bullet;
        }
    }
    // Twips to pixels at 96 per inch. List paragraphs take their indent from the list.
    if (kind == ListKind::None) {
        block.setLeftMargin(p.li / 15.0);
        block.setTextIndent(p.fi / 15.0);
    }
    block.setRightMargin(p.ri / 15.0);
    block.setTopMargin(p.sb / 15.0);
    block.setBottomMargin(p.sa / 15.0);
    if (kind != ListKind::None) {
        QTextListFormat list;
        list.setStyle(StyleOf(kind));
        list.setIndent(p.listLevel + 1);
        out.list = list;
    }
    // The paragraph mark takes the character format current where the paragraph ends; a
    // link's format stays with the link's text.
    CharState mark = Top().chr;
    mark.field = -1;
    out.mark = FormatOf(mark, m_markFormat);
    return out;
}

void Reader::EndParagraph()
{
    Flush();
    m_builder.EndParagraph(CurrentParagraphFormat(), Top().para.inTable);
}

} // namespace

ReadStatus ReadRtf(std::string_view rtf, QTextDocument& document)
{
    Reader reader(rtf, document);
    return reader.Run();
}

} // namespace qb::rtf
