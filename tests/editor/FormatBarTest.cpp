#include "FormatFixture.h"

#include "ui/PseudoTranslator.h"

#include "editor/ColorCell.h"
#include "editor/FontNameCombo.h"
#include "editor/FormatCommands.h"
#include "editor/TextFormatting.h"

#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include "app/Settings.h"

#include <QAction>
#include <QFontDatabase>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qb {
namespace {

using testing::FormatTest;
using testing::kSelEnd;
using testing::kSelStart;

std::string AlignmentName(std::optional<Alignment> alignment)
{
    if (!alignment)
        return "none";
    switch (*alignment) {
    case Alignment::Left: return "left";
    case Alignment::Center: return "center";
    case Alignment::Right: return "right";
    }
    return "?";
}

std::string Describe(const SelectionFormat& f)
{
    return std::string(f.bold ? "bold " : "") + (f.italic ? "italic " : "") + (f.underline ? "underline " : "") +
           "face=" + (f.face ? f.face->toStdString() : "-") +
           " points=" + (f.points ? std::to_string(*f.points) : "-") +
           " color=" + (f.color ? f.color->name().toStdString() : "-") + " align=" + AlignmentName(f.alignment) +
           (f.bullet ? " bullet" : "");
}

std::string Checked(const CFormatBar& bar, int id)
{
    return bar.Action(id)->isChecked() ? "on" : "off";
}

std::string BarAlignment(const CFormatBar& bar)
{
    std::string shown;
    const std::pair<int, const char*> buttons[] = {
        {fmt::kAlignLeft, "left"}, {fmt::kAlignCenter, "center"}, {fmt::kAlignRight, "right"}};
    for (const auto& [id, name] : buttons) {
        if (bar.Action(id)->isChecked())
            shown += shown.empty() ? name : std::string("+") + name;
    }
    return shown.empty() ? "none" : shown;
}

// A face the system has that the text does not use yet.
QString OtherInstalledFace(const QString& current)
{
    for (const QString& family : QFontDatabase::families()) {
        if (family.compare(current, Qt::CaseInsensitive) != 0 && !QFontDatabase::isPrivateFamily(family))
            return family;
    }
    return {};
}

// The format of the same range in the document that the RTF writer and reader give back.
SelectionFormat AfterRtfRoundTrip(const QTextDocument& document, int start, int end)
{
    QTextDocument read;
    EXPECT_EQ(rtf::ReadRtf(rtf::ToRtf(document).rtf, read), rtf::ReadStatus::Ok);
    QTextCursor cursor(&read);
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    return FormatOfSelection(cursor);
}

QTextCursor SecondLine(QTextDocument& document)
{
    QTextCursor cursor(document.findBlockByNumber(1));
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    return cursor;
}

struct FormatCase {
    const char* name;
    std::function<void(CFormatBar&, const QString& otherFace)> apply;
    std::function<void(SelectionFormat&, const QString& otherFace)> change; // what the selection then has
    std::function<std::string(const SelectionFormat&)> property;          // what the bar and RTF must show
    std::function<std::string(const CFormatBar&)> barShows;
};

TEST_F(FormatTest, EachBarCommandFormatsTheSelectionShowsOnTheBarAndSurvivesRtf)
{
    const auto trigger = [](int id) { return [id](CFormatBar& bar, const QString&) { bar.Action(id)->trigger(); }; };
    const auto alignment = [](const SelectionFormat& f) { return AlignmentName(f.alignment); };
    const std::vector<FormatCase> cases = {
        {"bold", trigger(fmt::kBold), [](SelectionFormat& f, const QString&) { f.bold = true; },
         [](const SelectionFormat& f) { return std::string(f.bold ? "on" : "off"); },
         [](const CFormatBar& bar) { return Checked(bar, fmt::kBold); }},
        {"italic", trigger(fmt::kItalic), [](SelectionFormat& f, const QString&) { f.italic = true; },
         [](const SelectionFormat& f) { return std::string(f.italic ? "on" : "off"); },
         [](const CFormatBar& bar) { return Checked(bar, fmt::kItalic); }},
        {"underline", trigger(fmt::kUnderline), [](SelectionFormat& f, const QString&) { f.underline = true; },
         [](const SelectionFormat& f) { return std::string(f.underline ? "on" : "off"); },
         [](const CFormatBar& bar) { return Checked(bar, fmt::kUnderline); }},
        {"align center", trigger(fmt::kAlignCenter),
         [](SelectionFormat& f, const QString&) { f.alignment = Alignment::Center; }, alignment, BarAlignment},
        {"align right", trigger(fmt::kAlignRight),
         [](SelectionFormat& f, const QString&) { f.alignment = Alignment::Right; }, alignment, BarAlignment},
        {"align left", trigger(fmt::kAlignLeft),
         [](SelectionFormat& f, const QString&) { f.alignment = Alignment::Left; }, alignment, BarAlignment},
        {"bullet", trigger(fmt::kBullet), [](SelectionFormat& f, const QString&) { f.bullet = true; },
         [](const SelectionFormat& f) { return std::string(f.bullet ? "on" : "off"); },
         [](const CFormatBar& bar) { return Checked(bar, fmt::kBullet); }},
        {"face", [](CFormatBar& bar, const QString& face) { bar.ChooseFontName(face); },
         [](SelectionFormat& f, const QString& face) { f.face = face; },
         [](const SelectionFormat& f) { return f.face ? f.face->toStdString() : "-"; },
         [](const CFormatBar& bar) { return bar.FontNameList().currentText().toStdString(); }},
        {"size", [](CFormatBar& bar, const QString&) { bar.ChooseFontSize(QStringLiteral("18")); },
         [](SelectionFormat& f, const QString&) { f.points = 18; },
         [](const SelectionFormat& f) { return f.points ? QString::number(*f.points).toStdString() : "-"; },
         [](const CFormatBar& bar) { return bar.FontSizeList().currentText().toStdString(); }},
        {"colour",
         [](CFormatBar& bar, const QString&) {
             testing::UseColorPopup(bar.ColorButton(), [](CColorPopup& popup) { popup.Cell(1, 5).click(); });
         },
         [](SelectionFormat& f, const QString&) { f.color = QColor(0xff, 0x00, 0x00); },
         [](const SelectionFormat& f) { return f.color ? f.color->name().toStdString() : "-"; },
         [](const CFormatBar& bar) { return bar.ColorButton().Color().name().toStdString(); }},
    };
    // The left alignment case starts from a centred paragraph, so that it changes something.
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (std::string(c.name) == "align left") {
            SetAlignment(Text(), Alignment::Center);
            Select(kSelStart, kSelEnd);
        }
        const SelectionFormat before = Text().Format();
        const SelectionFormat secondLine = FormatOfSelection(SecondLine(*Text().document()));
        const QString otherFace = OtherInstalledFace(before.face.value_or(QString()));
        ASSERT_FALSE(otherFace.isEmpty());
        SelectionFormat expected = before;
        c.change(expected, otherFace);
        ASSERT_NE(Describe(expected), Describe(before));

        c.apply(Bar(), otherFace);

        EXPECT_EQ(Describe(Text().Format()), Describe(expected));
        EXPECT_EQ(c.barShows(Bar()), c.property(expected));
        EXPECT_EQ(Describe(FormatOfSelection(SecondLine(*Text().document()))), Describe(secondLine))
            << "the other paragraph changed";
        EXPECT_EQ(c.property(AfterRtfRoundTrip(*Text().document(), kSelStart, kSelEnd)), c.property(expected));
    }
}

TEST_F(FormatTest, APartlyBoldSelectionShowsBoldOffAndOneClickMakesAllOfItBold)
{
    Select(kSelStart, kSelStart + 4); // "beta"
    SetBold(Text(), true);
    Select(kSelStart, kSelEnd);
    EXPECT_EQ(Checked(Bar(), fmt::kBold), "off");

    Bar().Action(fmt::kBold)->trigger();
    EXPECT_TRUE(Text().Format().bold);
    EXPECT_EQ(Checked(Bar(), fmt::kBold), "on");
    for (int at = kSelStart; at < kSelEnd; ++at) {
        QTextCursor one(Text().document());
        one.setPosition(at);
        one.setPosition(at + 1, QTextCursor::KeepAnchor);
        EXPECT_TRUE(FormatOfSelection(one).bold) << "character " << at;
    }

    Bar().Action(fmt::kBold)->trigger();
    EXPECT_FALSE(Text().Format().bold);
    EXPECT_EQ(Checked(Bar(), fmt::kBold), "off");
}

TEST_F(FormatTest, ClickingTheCheckedAlignmentKeepsItCheckedAndAppliesItAgain)
{
    for (int id : {fmt::kAlignLeft, fmt::kAlignCenter, fmt::kAlignRight}) {
        SCOPED_TRACE(id);
        Bar().Action(id)->trigger();
        const std::string shown = BarAlignment(Bar());
        const std::optional<Alignment> applied = Text().Format().alignment;
        Bar().Action(id)->trigger();
        EXPECT_EQ(BarAlignment(Bar()), shown);
        EXPECT_EQ(AlignmentName(Text().Format().alignment), AlignmentName(applied));
    }
    EXPECT_EQ(BarAlignment(Bar()), "right");
}

TEST_F(FormatTest, AJustifiedOrMixedSelectionChecksNoAlignment)
{
    QTextBlockFormat justified;
    justified.setAlignment(Qt::AlignJustify);
    QTextCursor(Text().document()->findBlockByNumber(1)).mergeBlockFormat(justified);
    Select(0, Text().document()->characterCount() - 1);
    EXPECT_EQ(BarAlignment(Bar()), "none");
    Select(kSelStart, kSelEnd);
    EXPECT_EQ(BarAlignment(Bar()), "left");
}

struct SizeCase {
    double points;
    const char* shown;
    int count; // entries of the list afterwards
    int index;
};

TEST_F(FormatTest, TheSizeListShowsTheSelectionsExactSizeAddingItWhenMissing)
{
    const std::vector<SizeCase> cases = {
        {12, "12", 16, 4},
        {13, "13", 17, 16},
        {1, "1", 17, 16},
        {10.5, "10.5", 17, 16},
        {72, "72", 16, 15},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.shown);
        SetUp();
        QTextCharFormat sized;
        sized.setFontPointSize(c.points);
        QTextCursor(Text().textCursor()).mergeCharFormat(sized);
        Select(0, 1);
        Select(kSelStart, kSelEnd);
        EXPECT_EQ(Bar().FontSizeList().currentText().toStdString(), c.shown);
        EXPECT_EQ(Bar().FontSizeList().count(), c.count);
        EXPECT_EQ(Bar().FontSizeList().currentIndex(), c.index);
    }
}

TEST_F(FormatTest, ASizeShownTwiceIsAddedOnce)
{
    QTextCharFormat sized;
    sized.setFontPointSize(13);
    QTextCursor(Text().textCursor()).mergeCharFormat(sized);
    for (int i = 0; i < 2; ++i) {
        Select(0, 1);
        Select(kSelStart, kSelEnd);
    }
    EXPECT_EQ(Bar().FontSizeList().count(), 17);
    EXPECT_EQ(Bar().FontSizeList().findText(QStringLiteral("13")), 16);
}

TEST_F(FormatTest, AFaceTheSystemLacksIsAddedInOrderAndShown)
{
    const QString missing = QStringLiteral("Qbx Not Installed Face");
    ASSERT_FALSE(QFontDatabase::families().contains(missing));
    const int before = Bar().FontNameList().count();
    QTextCharFormat face;
    face.setFontFamilies({missing});
    QTextCursor(Text().textCursor()).mergeCharFormat(face);
    for (int i = 0; i < 2; ++i) {
        Select(0, 1);
        Select(kSelStart, kSelEnd);
    }
    CFontNameCombo& list = Bar().FontNameList();
    EXPECT_EQ(list.currentText(), missing);
    EXPECT_EQ(list.count(), before + 1);
    const int at = list.currentIndex();
    if (at > 0) {
        EXPECT_LE(QString::compare(list.itemText(at - 1), missing, Qt::CaseInsensitive), 0);
    }
    if (at + 1 < list.count()) {
        EXPECT_GE(QString::compare(list.itemText(at + 1), missing, Qt::CaseInsensitive), 0);
    }
}

TEST_F(FormatTest, AMixedSelectionLeavesFaceSizeAndColourAsShown)
{
    Select(kSelStart, kSelStart + 4);
    SetFontSize(Text(), 20);
    SetColor(Text(), QColor(0x00, 0x93, 0x00));
    SetFontName(Text(), QStringLiteral("Qbx Other Face"));
    Select(kSelEnd - 1, kSelEnd);
    const QString face = Bar().FontNameList().currentText();
    const QString size = Bar().FontSizeList().currentText();
    const QColor color = Bar().ColorButton().Color();
    Select(kSelStart, kSelEnd);
    EXPECT_EQ(Bar().FontNameList().currentText(), face);
    EXPECT_EQ(Bar().FontSizeList().currentText(), size);
    EXPECT_EQ(Bar().ColorButton().Color(), color);
}

TEST_F(FormatTest, ChosenFaceAndSizeAreStoredAndTheNextNewNoteTypesInThem)
{
    const QString face = OtherInstalledFace(Text().Format().face.value_or(QString()));
    Bar().ChooseFontName(face);
    Bar().ChooseFontSize(QStringLiteral("14"));
    EXPECT_EQ(ReadSettingString("FontName", m_app.IniPath()), face.toStdString());
    EXPECT_EQ(ReadSettingInt("FontSize", m_app.IniPath()), 14);

    const std::unique_ptr<CEditorDlg> next = MakeEditor();
    const SelectionFormat typing = next->TextControl().Format();
    EXPECT_EQ(typing.face.value_or(QString()), face);
    EXPECT_EQ(typing.points.value_or(0), 14);
    EXPECT_EQ(next->FormatBar().FontNameList().currentText(), face);
    EXPECT_EQ(next->FormatBar().FontSizeList().currentText(), QStringLiteral("14"));
}

TEST_F(FormatTest, ClipboardButtonsFollowTheSelectionAndTheReadOnlyState)
{
    struct Row {
        const char* name;
        bool selected, readOnly, cut, copy;
    };
    const Row rows[] = {
        {"nothing selected", false, false, false, false},
        {"a selection", true, false, true, true},
        {"a read-only selection", true, true, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Text().setReadOnly(row.readOnly);
        Select(0, 0);
        Select(kSelStart, row.selected ? kSelEnd : kSelStart);
        EXPECT_EQ(Bar().Action(fmt::kCut)->isEnabled(), row.cut);
        EXPECT_EQ(Bar().Action(fmt::kCopy)->isEnabled(), row.copy);
    }
}

TEST_F(FormatTest, BarButtonsCarryTheirTooltipsAndIcons)
{
    const std::pair<int, const char*> tips[] = {
        {fmt::kSave, "Save in Quillbox"}, {fmt::kPrint, "Print"},           {fmt::kCut, "Cut"},
        {fmt::kCopy, "Copy"},             {fmt::kPaste, "Paste"},           {fmt::kBold, "Bold"},
        {fmt::kItalic, "Italic"},         {fmt::kUnderline, "Underline"},   {fmt::kAlignLeft, "Align Left"},
        {fmt::kAlignCenter, "Align Center"}, {fmt::kAlignRight, "Align Right"}, {fmt::kBullet, "Bullet"},
    };
    for (const auto& [id, tip] : tips) {
        ASSERT_NE(Bar().Action(id), nullptr) << id;
        EXPECT_EQ(Bar().Action(id)->toolTip().toStdString(), tip);
        EXPECT_FALSE(Bar().Action(id)->icon().isNull()) << tip;
    }
}

TEST(FormatBar, ThePrintButtonAsksForPrinting)
{
    CFormatBar bar;
    QSignalSpy print(&bar, &CFormatBar::printRequested);
    bar.Action(fmt::kPrint)->trigger();
    EXPECT_EQ(print.count(), 1);
}

TEST(FormatBar, ItsTooltipsGoThroughTranslation)
{
    testing::PseudoTranslator translator;
    CFormatBar bar;
    for (int id : {fmt::kSave, fmt::kPrint, fmt::kCut, fmt::kCopy, fmt::kPaste, fmt::kBold, fmt::kItalic,
                   fmt::kUnderline, fmt::kAlignLeft, fmt::kAlignCenter, fmt::kAlignRight, fmt::kBullet}) {
        EXPECT_TRUE(testing::PseudoTranslator::IsTranslated(bar.Action(id)->toolTip()))
            << bar.Action(id)->toolTip().toStdString();
    }
}

TEST_F(FormatTest, BulletOffTakesTheParagraphsOutOfTheirList)
{
    Select(0, Text().document()->characterCount() - 1);
    Bar().Action(fmt::kBullet)->trigger();
    EXPECT_NE(Text().document()->firstBlock().textList(), nullptr);
    EXPECT_EQ(Text().document()->firstBlock().textList(), Text().document()->lastBlock().textList());
    Bar().Action(fmt::kBullet)->trigger();
    for (QTextBlock block = Text().document()->begin(); block.isValid(); block = block.next()) {
        EXPECT_EQ(block.textList(), nullptr);
        EXPECT_EQ(block.blockFormat().indent(), 0);
    }
    EXPECT_EQ(Checked(Bar(), fmt::kBullet), "off");
}

} // namespace
} // namespace qb
