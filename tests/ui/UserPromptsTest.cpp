#include "ui/UserPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace qb;

namespace {

struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Runs show() while a timer looks at the box it opens and presses answer.
SeenBox Watch(const std::function<void()>& show, QMessageBox::StandardButton answer)
{
    SeenBox seen;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        watcher.stop();
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        box->button(answer)->click();
    });
    watcher.start(10);
    show();
    return seen;
}

} // namespace

TEST(UserPrompts, RealBoxesShowTheProgramNameTheirIconAndButtons)
{
    CMessageBoxPrompts prompts;
    const QString text = QStringLiteral("Line one\nline two");
    const struct {
        const char* what;
        std::function<bool()> show;
        QMessageBox::StandardButton press;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        bool answer;
    } cases[] = {
        {"information", [&] { prompts.Information(nullptr, text); return true; }, QMessageBox::Ok,
         QMessageBox::Information, QMessageBox::Ok, true},
        {"plain", [&] { prompts.Plain(nullptr, text); return true; }, QMessageBox::Ok, QMessageBox::NoIcon,
         QMessageBox::Ok, true},
        {"yes", [&] { return prompts.AskYesNo(nullptr, text); }, QMessageBox::Yes, QMessageBox::NoIcon,
         QMessageBox::Yes | QMessageBox::No, true},
        {"no", [&] { return prompts.AskYesNo(nullptr, text); }, QMessageBox::No, QMessageBox::NoIcon,
         QMessageBox::Yes | QMessageBox::No, false},
    };
    for (const auto& c : cases) {
        bool answer = !c.answer;
        const SeenBox seen = Watch([&] { answer = c.show(); }, c.press);
        EXPECT_EQ(seen.title, QStringLiteral("Quillbox Explorer")) << c.what;
        EXPECT_EQ(seen.text, text) << c.what;
        EXPECT_EQ(seen.icon, c.icon) << c.what;
        EXPECT_EQ(seen.buttons, c.buttons) << c.what;
        EXPECT_EQ(answer, c.answer) << c.what;
    }
}
