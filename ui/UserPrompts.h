#pragma once
// Message boxes behind a small interface, so that flows can be driven by tests.

#include <QString>

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
};

// The real boxes.
class CMessageBoxPrompts : public IUserPrompts {
public:
    void Information(QWidget* parent, const QString& text) override;
    bool AskYesNo(QWidget* parent, const QString& text) override;
    bool AskQuestion(QWidget* parent, const QString& text) override;
    void Plain(QWidget* parent, const QString& text) override;
};

// The prompts every window uses unless a test put others in place.
IUserPrompts& Prompts();
void SetPrompts(IUserPrompts* prompts); // nullptr restores the real boxes

} // namespace qb
