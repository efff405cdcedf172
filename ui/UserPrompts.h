#pragma once
// Message boxes behind a small interface, so that flows can be driven by tests.

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

namespace qb {

class IUserPrompts {
public:
    virtual ~IUserPrompts() = default;
    // An information box: information icon, one OK button.
    virtual void Information(QWidget* parent, const QString& text) = 0;
    // Yes and No buttons, no icon; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;
    // Yes and No buttons with the question icon, No the default; true for Yes.
    virtual bool AskQuestion(QWidget* parent, const QString& text) = 0;
    // A plain box: no icon, one OK button.
    virtual void Plain(QWidget* parent, const QString& text) = 0;
    // An information box whose text can be selected and copied (an address to take along).
    virtual void InformationToCopy(QWidget* parent, const QString& text) { Information(parent, text); }
};

// The real boxes.
class CMessageBoxPrompts : public IUserPrompts {
public:
    void Information(QWidget* parent, const QString& text) override;
    bool AskYesNo(QWidget* parent, const QString& text) override;
    bool AskQuestion(QWidget* parent, const QString& text) override;
    void Plain(QWidget* parent, const QString& text) override;
    void InformationToCopy(QWidget* parent, const QString& text) override;
};

// The real information box, not yet shown: its text wraps within the screen however long
// its words are; or, when it is to be copied, it is kept whole and can be selected.
std::unique_ptr<QMessageBox> MakeInformationBox(QWidget* parent, const QString& text, bool selectable = false);
// Long runs without a space get break chances (zero-width spaces), so a label wraps them.
QString WithBreakChances(const QString& text, int longestRun = 30);

// The prompts every window uses unless a test put others in place.
IUserPrompts& Prompts();
void SetPrompts(IUserPrompts* prompts); // nullptr restores the real boxes

} // namespace qb
