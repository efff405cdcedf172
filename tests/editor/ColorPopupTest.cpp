#include "DialogFixture.h"
#include "FormatFixture.h"

#include "editor/ColorCell.h"
#include "editor/FormatBar.h"
#include "editor/TextFormatting.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace qb {
namespace {

using testing::FormatTest;
using testing::kSelEnd;
using testing::kSelStart;
using testing::UseColorPopup;

// The colour dialog's answer, and whether it was asked.
struct ScriptedColorDialog {
    std::optional<QColor> answer;
    int asked = 0;
    ColorDialogFunction Function()
    {
        return [this](QWidget*) {
            ++asked;
            return answer;
        };
    }
};

struct PopupCase {
    const char* name;
    std::optional<QColor> dialogAnswer;
    std::function<void(CColorPopup&)> use;
    std::optional<QColor> chosen; // nothing: the popup changes nothing
    int dialogAsked;
};

std::vector<PopupCase> PopupCases()
{
    const auto click = [](QAbstractButton& button) { QTest::mouseClick(&button, Qt::LeftButton); };
    return {
        {"a cell", std::nullopt, [=](CColorPopup& p) { click(p.Cell(2, 2)); }, QColor(0x32, 0xcd, 0x32), 0},
        {"the black cell", std::nullopt, [=](CColorPopup& p) { click(p.Cell(0, 0)); }, QColor(Qt::black), 0},
        {"the white cell", std::nullopt, [=](CColorPopup& p) { click(p.Cell(4, 7)); }, QColor(Qt::white), 0},
        {"Return on the focused cell", std::nullopt,
         [](CColorPopup& p) {
             p.Cell(3, 1).setFocus();
             QTest::keyClick(&p.Cell(3, 1), Qt::Key_Return);
         },
         QColor(0x00, 0xd7, 0xff), 0},
        {"Automatic", std::nullopt, [=](CColorPopup& p) { click(p.AutomaticButton()); }, QColor(Qt::black), 0},
        {"More Colors chosen", QColor(0x12, 0x34, 0x56), [=](CColorPopup& p) { click(p.MoreColorsButton()); },
         QColor(0x12, 0x34, 0x56), 1},
        {"More Colors cancelled", std::nullopt, [=](CColorPopup& p) { click(p.MoreColorsButton()); }, std::nullopt, 1},
        {"Escape", std::nullopt, [](CColorPopup& p) { QTest::keyClick(&p, Qt::Key_Escape); }, std::nullopt, 0},
        {"closed by a click elsewhere", std::nullopt, [](CColorPopup& p) { p.close(); }, std::nullopt, 0},
    };
}

std::string Name(const std::optional<QColor>& color)
{
    return color ? color->name().toStdString() : "nothing";
}

TEST(ColorPopup, EachWayOfClosingGivesItsColourOrNothing)
{
    for (const PopupCase& c : PopupCases()) {
        SCOPED_TRACE(c.name);
        ScriptedColorDialog dialog{c.dialogAnswer};
        CColorPopup popup(nullptr, dialog.Function());
        QTimer::singleShot(0, &popup, [&] { c.use(popup); });
        EXPECT_EQ(Name(popup.Pick()), Name(c.chosen));
        EXPECT_EQ(dialog.asked, c.dialogAsked);
    }
}

TEST(ColorPopup, HoldsFortyCellsFromBlackToWhite)
{
    CColorPopup popup;
    EXPECT_EQ(popup.Cell(0, 0).Color(), QColor(Qt::black));
    EXPECT_EQ(popup.Cell(0, 1).Color(), QColor(0x00, 0x2a, 0xa5));
    EXPECT_EQ(popup.Cell(1, 5).Color(), QColor(0xff, 0x00, 0x00));
    EXPECT_EQ(popup.Cell(4, 7).Color(), QColor(Qt::white));
    EXPECT_EQ(popup.findChildren<CColorCell*>().size(), 40);
    EXPECT_EQ(popup.AutomaticButton().text().toStdString(), "Automatic");
    EXPECT_EQ(popup.MoreColorsButton().text().toStdString(), "More Colors ...");
}

TEST(ColorPopup, TheHotCellFollowsTheMouse)
{
    CColorPopup popup;
    popup.show();
    popup.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&popup));
    EXPECT_TRUE(popup.Cell(0, 0).hasFocus()) << "the black cell is hot when the popup opens";
    for (const auto& [row, column] : {std::pair{1, 3}, std::pair{4, 7}, std::pair{0, 2}}) {
        CColorCell& cell = popup.Cell(row, column);
        QEnterEvent enter(QPointF(9, 9), cell.mapToGlobal(QPointF(9, 9)), cell.mapToGlobal(QPointF(9, 9)));
        QCoreApplication::sendEvent(&cell, &enter);
        EXPECT_TRUE(cell.hasFocus()) << row << "," << column;
    }
}

TEST(ColorPopup, ItsTextsGoThroughTranslation)
{
    testing::PseudoTranslator translator;
    CColorPopup popup;
    EXPECT_EQ(testing::UntranslatedTexts(popup), std::vector<std::string>{});
}

TEST(ColorButton, TheLetterIsDrawnInTheInverseColour)
{
    EXPECT_EQ(CColorButton::Inverse(Qt::black), QColor(Qt::white));
    EXPECT_EQ(CColorButton::Inverse(Qt::white), QColor(Qt::black));
    EXPECT_EQ(CColorButton::Inverse(QColor(0x12, 0x34, 0x56)), QColor(0xed, 0xcb, 0xa9));
}

TEST(ColorButton, OnlyAChoiceChangesTheButtonAndIsReported)
{
    for (const PopupCase& c : PopupCases()) {
        SCOPED_TRACE(c.name);
        CColorButton button;
        const QColor start(0x80, 0x00, 0x80);
        button.SetColor(start);
        ScriptedColorDialog dialog{c.dialogAnswer};
        button.SetColorDialog(dialog.Function());
        QSignalSpy chosen(&button, &CColorButton::colorChosen);
        UseColorPopup(button, c.use);
        EXPECT_EQ(button.Color().name().toStdString(), c.chosen ? Name(c.chosen) : start.name().toStdString());
        ASSERT_EQ(chosen.count(), c.chosen ? 1 : 0);
        if (c.chosen) {
            EXPECT_EQ(chosen.front().front().value<QColor>(), *c.chosen);
        }
        EXPECT_EQ(button.findChild<CColorPopup*>(), nullptr) << "the popup lives for one click";
    }
}

// The colours of the note's characters, one name each.
std::vector<std::string> CharacterColours(const QTextDocument& document)
{
    std::vector<std::string> colours;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            const std::string name =
                format.foreground().style() == Qt::NoBrush ? "none" : format.foreground().color().name().toStdString();
            colours.insert(colours.end(), it.fragment().length(), name);
        }
    }
    return colours;
}

TEST_F(FormatTest, APopupWithoutAChoiceLeavesTheTextAndTheButtonAsTheyWere)
{
    // A partly coloured selection: re-applying the button's colour would paint it all.
    Select(kSelStart, kSelStart + 4);
    SetColor(Text(), QColor(0x00, 0x93, 0x00));
    Select(kSelStart, kSelEnd);
    Bar().ColorButton().SetColor(QColor(0x80, 0x00, 0x80));
    const std::vector<std::string> colours = CharacterColours(*Text().document());
    const bool modified = Text().document()->isModified();
    for (const PopupCase& c : PopupCases()) {
        if (c.chosen)
            continue;
        SCOPED_TRACE(c.name);
        ScriptedColorDialog dialog{c.dialogAnswer};
        Bar().ColorButton().SetColorDialog(dialog.Function());
        QSignalSpy chosen(&Bar(), &CFormatBar::colorChosen);
        UseColorPopup(Bar().ColorButton(), c.use);
        EXPECT_EQ(chosen.count(), 0);
        EXPECT_EQ(CharacterColours(*Text().document()), colours);
        EXPECT_EQ(Text().document()->isModified(), modified);
        EXPECT_EQ(Bar().ColorButton().Color(), QColor(0x80, 0x00, 0x80));
    }
}

TEST_F(FormatTest, AColourChosenInThePopupColoursTheWholeSelection)
{
    ScriptedColorDialog dialog{QColor(0x12, 0x34, 0x56)};
    Bar().ColorButton().SetColorDialog(dialog.Function());
    UseColorPopup(Bar().ColorButton(), [](CColorPopup& p) { p.MoreColorsButton().click(); });
    const std::vector<std::string> colours = CharacterColours(*Text().document());
    for (int at = 0; at < static_cast<int>(colours.size()); ++at) {
        const bool selected = at >= kSelStart && at < kSelEnd;
        EXPECT_EQ(colours[at], selected ? "#123456" : "none") << "character " << at;
    }
    EXPECT_EQ(Bar().ColorButton().Color(), QColor(0x12, 0x34, 0x56));
}

} // namespace
} // namespace qb
