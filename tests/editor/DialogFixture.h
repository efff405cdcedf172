#pragma once
// The editor's dialogs driven as a user drives them: keys typed into edits, buttons
// clicked; message boxes answered by a script.

#include "ui/PseudoTranslator.h"
#include "ui/ScriptedPrompts.h"

#include <QAbstractButton>
#include <QDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qb::testing {

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { SetPrompts(&m_prompts); }
    void TearDown() override { SetPrompts(nullptr); }
    ScriptedPrompts m_prompts;
};

// Key by key; characters beyond ASCII arrive as key events that carry only their text, as
// from an input method.
inline void Type(QWidget& edit, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(&edit, c.toLatin1());
            continue;
        }
        for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(&edit, &event);
        }
    }
}

inline void Click(QAbstractButton& button)
{
    QTest::mouseClick(&button, Qt::LeftButton);
}

// The texts of a dialog that did not go through translation (under a PseudoTranslator):
// title, labels, group titles and buttons. Empty labels (pictures, cleared lines) do not
// count.
inline std::vector<std::string> UntranslatedTexts(const QDialog& dialog)
{
    std::vector<std::string> found;
    const auto check = [&](const QString& text) {
        if (!text.isEmpty() && !PseudoTranslator::IsTranslated(text))
            found.push_back(text.toStdString());
    };
    check(dialog.windowTitle());
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        check(label->text());
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>())
        check(group->title());
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
        check(button->text());
    return found;
}

inline QColor TextColour(const QWidget& widget, QPalette::ColorRole role)
{
    return widget.palette().color(QPalette::Active, role);
}

} // namespace qb::testing
