#pragma once
// The colour popup of the format bar's colour button: "Automatic", a grid of 40 colours
// and "More Colors ..." with the colour dialog. Pick gives a colour only when one was
// chosen; any other ending (Escape, a click elsewhere, a cancelled colour dialog) gives
// nothing, so nothing changes.

#include <QColor>
#include <QDialog>

#include <array>
#include <functional>

class QAbstractButton;
#include <optional>

namespace qb {

class CColorCell;

// Asks for any colour; nothing when the user cancels. Replaceable for tests.
using ColorDialogFunction = std::function<std::optional<QColor>(QWidget* parent)>;
std::optional<QColor> AskColorWithDialog(QWidget* parent);

class CColorPopup : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRows = 5, kColumns = 8;
    static const std::array<QRgb, kRows * kColumns> kColors;

    explicit CColorPopup(QWidget* parent = nullptr, ColorDialogFunction askColor = AskColorWithDialog);
    ~CColorPopup() override;

    // Shows the popup modally; the colour chosen, or nothing.
    std::optional<QColor> Pick();

    // Top-left corner at a global position, on the screen's work area.
    void PlaceAt(const QPoint& globalTopLeft);
    QColor Color() const { return m_color; }

    QAbstractButton& AutomaticButton() const { return *m_automatic; }
    QAbstractButton& MoreColorsButton() const { return *m_more; }
    CColorCell& Cell(int row, int column) const { return *m_cells.at(row * kColumns + column); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kMoreColors = 2; // the popup's result when the colour dialog is wanted

    void Choose(const QColor& color);

    ColorDialogFunction m_askColor;
    QColor m_color = Qt::black;
    QAbstractButton* m_automatic = nullptr;
    QAbstractButton* m_more = nullptr;
    std::array<CColorCell*, kRows * kColumns> m_cells{};
};

} // namespace qb
