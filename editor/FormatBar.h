#pragma once
// The editor's format bar: Save, Print and the clipboard buttons, the face and size lists,
// the colour button, and on/off buttons for bold, italic, underline, the three alignments
// and bullets. It mirrors the selection (UpdateState) and reports the user's choices; the
// editor applies them to the text. The lists report only what the user picks, so that
// mirroring never loops back into the text.

#include "editor/SelectionFormat.h"

#include <QHash>
#include <QToolBar>

class QAction;
class QComboBox;

namespace qb {

class CColorButton;
class CFontNameCombo;

// What the clipboard buttons may do for the current selection.
struct EditState {
    bool canCut = false;
    bool canCopy = false;
    bool canPaste = false;
};

class CFormatBar : public QToolBar {
    Q_OBJECT
public:
    static const QStringList& FontSizes();

    explicit CFormatBar(QWidget* parent = nullptr);

    // The action of a bar command (ids in FormatCommands.h); null for others.
    QAction* Action(int id) const { return m_actions.value(id); }
    CFontNameCombo& FontNameList() const { return *m_fontName; }
    QComboBox& FontSizeList() const { return *m_fontSize; }
    CColorButton& ColorButton() const { return *m_color; }

    void UpdateState(const SelectionFormat& format, const EditState& edit);
    // For a note that is only shown: Save and every format command off for good; Print and
    // the clipboard buttons go on following UpdateState.
    void SetReadOnly();

public slots:
    // What the lists do when the user picks an entry.
    void ChooseFontName(const QString& face);
    void ChooseFontSize(const QString& text);

signals:
    void fontNameChosen(const QString& face);
    void fontSizeChosen(int points);
    void colorChosen(const QColor& color);
    void printRequested();

private:
    QAction* AddCommand(int id);

    QHash<int, QAction*> m_actions;
    CFontNameCombo* m_fontName = nullptr;
    QComboBox* m_fontSize = nullptr;
    CColorButton* m_color = nullptr;
};

} // namespace qb
