#pragma once
// One square of the colour popup's grid. The cell under the mouse takes the focus, so the
// highlight follows the mouse and the keyboard alike.

#include <QAbstractButton>
#include <QColor>

namespace qb {

class CColorCell : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int kSide = 18;

    CColorCell(const QColor& color, QWidget* parent);
    QColor Color() const { return m_color; }
    QSize sizeHint() const override { return {kSide, kSide}; }

signals:
    void picked(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QColor m_color;
};

} // namespace qb
