#pragma once
// The format bar's face list: every font family the system has, in alphabetical order.
// A face a document uses but the system lacks is added when the selection shows it.

#include <QComboBox>

namespace qb {

class CFontNameCombo : public QComboBox {
    Q_OBJECT
public:
    explicit CFontNameCombo(QWidget* parent = nullptr);

    void FillFonts();
    // Selects the face, adding it in its alphabetical place when the list lacks it.
    void ShowFace(const QString& face);
};

// Selects the entry whose text is exactly `text` (ignoring case where asked), adding it at
// the end when there is none: a prefix never counts, so "1" never selects "10".
void SelectOrAppend(QComboBox& combo, const QString& text, Qt::MatchFlags match);

} // namespace qb
