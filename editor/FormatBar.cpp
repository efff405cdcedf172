#include "editor/FormatBar.h"

#include "editor/ColorButton.h"
#include "editor/FontNameCombo.h"
#include "editor/FormatCommands.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QToolButton>

namespace qb {
namespace {

constexpr int kButtonWidth = 24;
constexpr int kFontNameWidth = 140;
constexpr int kFontSizeWidth = 56;
constexpr int kColorWidth = 50;

// The leading digits of a text as a number; 0 when it starts otherwise.
int LeadingNumber(const QString& text)
{
    int value = 0;
    for (const QChar c : text) {
        if (!c.isDigit() || value > 100000)
            break;
        value = value * 10 + c.digitValue();
    }
    return value;
}

QString PointsText(double points)
{
    return QString::number(points, 'g', 6);
}

} // namespace

const QStringList& CFormatBar::FontSizes()
{
    static const QStringList sizes = {
        QStringLiteral("8"),  QStringLiteral("9"),  QStringLiteral("10"), QStringLiteral("11"),
        QStringLiteral("12"), QStringLiteral("14"), QStringLiteral("16"), QStringLiteral("18"),
        QStringLiteral("20"), QStringLiteral("22"), QStringLiteral("24"), QStringLiteral("26"),
        QStringLiteral("28"), QStringLiteral("36"), QStringLiteral("48"), QStringLiteral("72"),
    };
    return sizes;
}

CFormatBar::CFormatBar(QWidget* parent) : QToolBar(parent)
{
    setIconSize(QSize(16, 16));
    setMovable(false);
    setFloatable(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setStyleSheet(QStringLiteral("QToolBar { border: none; spacing: 1px; padding: 0px; }"));

    AddCommand(fmt::kSave);
    addSeparator();
    connect(AddCommand(fmt::kPrint), &QAction::triggered, this, &CFormatBar::printRequested);
    addSeparator();
    for (int id : {fmt::kCut, fmt::kCopy, fmt::kPaste})
        AddCommand(id);
    addSeparator();

    m_fontName = new CFontNameCombo(this);
    m_fontName->FillFonts();
    m_fontName->setFixedWidth(kFontNameWidth);
    m_fontName->setCurrentIndex(-1);
    for (int i = 0; i < m_fontName->count(); ++i) {
        if (m_fontName->itemText(i).startsWith(QLatin1String("Arial"), Qt::CaseInsensitive)) {
            m_fontName->setCurrentIndex(i);
            break;
        }
    }
    addWidget(m_fontName);
    connect(m_fontName, &QComboBox::textActivated, this, &CFormatBar::ChooseFontName);
    addSeparator();

    m_fontSize = new QComboBox(this);
    m_fontSize->addItems(FontSizes());
    m_fontSize->setCurrentIndex(2);
    m_fontSize->setFixedWidth(kFontSizeWidth);
    m_fontSize->setMaxVisibleItems(FontSizes().size());
    addWidget(m_fontSize);
    connect(m_fontSize, &QComboBox::textActivated, this, &CFormatBar::ChooseFontSize);
    addSeparator();

    m_color = new CColorButton(this);
    m_color->setFixedWidth(kColorWidth);
    addWidget(m_color);
    connect(m_color, &CColorButton::colorChosen, this, &CFormatBar::colorChosen);
    addSeparator();

    for (int id : {fmt::kBold, fmt::kItalic, fmt::kUnderline})
        AddCommand(id);
    addSeparator();
    // One alignment is checked at a time; clicking the checked one keeps it and applies it again.
    auto* alignments = new QActionGroup(this);
    alignments->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (int id : {fmt::kAlignLeft, fmt::kAlignCenter, fmt::kAlignRight})
        alignments->addAction(AddCommand(id));
    AddCommand(fmt::kBullet);
}

QAction* CFormatBar::AddCommand(int id)
{
    auto* action = new QAction(fmt::ToolbarIcon(id), fmt::ToolTipText(id), this);
    action->setToolTip(fmt::ToolTipText(id));
    action->setCheckable(fmt::IsCheckable(id));
    action->setData(id);
    addAction(action);
    if (auto* button = qobject_cast<QToolButton*>(widgetForAction(action)))
        button->setFixedWidth(kButtonWidth);
    m_actions.insert(id, action);
    return action;
}

void CFormatBar::ChooseFontName(const QString& face)
{
    if (!face.isEmpty())
        emit fontNameChosen(face);
}

void CFormatBar::ChooseFontSize(const QString& text)
{
    const int points = LeadingNumber(text);
    if (points > 0)
        emit fontSizeChosen(points);
}

void CFormatBar::SetReadOnly()
{
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const int id = it.key();
        if (id != fmt::kPrint && id != fmt::kCut && id != fmt::kCopy && id != fmt::kPaste)
            it.value()->setEnabled(false);
    }
    m_fontName->setEnabled(false);
    m_fontSize->setEnabled(false);
    m_color->setEnabled(false);
}

void CFormatBar::UpdateState(const SelectionFormat& format, const EditState& edit)
{
    m_actions.value(fmt::kCut)->setEnabled(edit.canCut);
    m_actions.value(fmt::kCopy)->setEnabled(edit.canCopy);
    m_actions.value(fmt::kPaste)->setEnabled(edit.canPaste);
    m_actions.value(fmt::kBold)->setChecked(format.bold);
    m_actions.value(fmt::kItalic)->setChecked(format.italic);
    m_actions.value(fmt::kUnderline)->setChecked(format.underline);
    const std::pair<int, Alignment> alignments[] = {
        {fmt::kAlignLeft, Alignment::Left}, {fmt::kAlignCenter, Alignment::Center}, {fmt::kAlignRight, Alignment::Right}};
    for (const auto& [id, alignment] : alignments)
        m_actions.value(id)->setChecked(format.alignment == alignment);
    m_actions.value(fmt::kBullet)->setChecked(format.bullet);

    // A mixed selection leaves the lists and the colour as they were.
    if (format.face)
        m_fontName->ShowFace(*format.face);
    if (format.points)
        SelectOrAppend(*m_fontSize, PointsText(*format.points), Qt::MatchExactly);
    if (format.color)
        m_color->SetColor(*format.color);
}

} // namespace qb
