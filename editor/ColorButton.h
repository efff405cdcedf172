#pragma once
// The format bar's colour button: a swatch of the current colour with an "A" in the
// inverse colour and a drop-down arrow. A click opens the colour popup over it; only a
// colour chosen there changes the button and is reported.

#include "editor/ColorPopup.h"

#include <QAbstractButton>
#include <QColor>

namespace qb {

class CColorButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CColorButton(QWidget* parent = nullptr);

    QColor Color() const { return m_color; }
    void SetColor(const QColor& color);
    // The dialog behind "More Colors ..."; tests put a script in its place.
    void SetColorDialog(ColorDialogFunction askColor) { m_askColor = std::move(askColor); }

    // The inverse of a colour: each of red, green and blue turned over.
    static QColor Inverse(const QColor& color);

    QSize sizeHint() const override { return {50, 22}; }

signals:
    void colorChosen(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OpenPopup();

    QColor m_color = Qt::black;
    ColorDialogFunction m_askColor = AskColorWithDialog;
};

} // namespace qb
