#include "editor/FontNameCombo.h"

#include <QAbstractItemView>
#include <QFontDatabase>

namespace qb {

CFontNameCombo::CFontNameCombo(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMaxVisibleItems(20);
}

void CFontNameCombo::FillFonts()
{
    clear();
    QStringList families = QFontDatabase::families();
    families.sort(Qt::CaseInsensitive);
    addItems(families);
    view()->setMinimumWidth(200); // long face names are read whole in the dropped list
}

void CFontNameCombo::ShowFace(const QString& face)
{
    const int found = findText(face, Qt::MatchFixedString);
    if (found >= 0) {
        setCurrentIndex(found);
        return;
    }
    int at = 0;
    while (at < count() && QString::compare(itemText(at), face, Qt::CaseInsensitive) < 0)
        ++at;
    insertItem(at, face);
    setCurrentIndex(at);
}

void SelectOrAppend(QComboBox& combo, const QString& text, Qt::MatchFlags match)
{
    int found = combo.findText(text, match);
    if (found < 0) {
        combo.addItem(text);
        found = combo.count() - 1;
    }
    combo.setCurrentIndex(found);
}

} // namespace qb
