#include "ui/UserPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
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

TEST(UserPrompts, LongTextsWrapInsideABoxThatFitsTheScreen)
{
    const QString name = QString(400, QLatin1Char('n'));
    const QString sentence = QStringLiteral("A name the server refused because it is far too long: ");
    for (const QString& text : {sentence + name, sentence.repeated(20)}) {
        const auto box = MakeInformationBox(nullptr, text);
        box->show();
        const QRect screen = box->screen()->availableGeometry();
        EXPECT_LE(box->width(), screen.width());
        EXPECT_LE(box->height(), screen.height());
        // Every line of the text fits the width its label has: nothing runs off the box.
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_TRUE(label);
        const QRect needed =
            label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 100000), Qt::TextWordWrap, label->text());
        EXPECT_LE(needed.width(), label->width());
        box->hide();
    }
}

TEST(UserPrompts, BreakChancesGoIntoLongRunsOnly)
{
    const QChar zw(0x200B);
    const struct {
        QString text, expected;
    } cases[] = {
        {QStringLiteral("short words stay"), QStringLiteral("short words stay")},
        {QStringLiteral("abcdefg hijklmnopqrs"),
         QStringLiteral("abcde") + zw + QStringLiteral("fg hijkl") + zw + QStringLiteral("mnopq") + zw + QStringLiteral("rs")},
        {QStringLiteral("abcde"), QStringLiteral("abcde")},
        {QString(), QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithBreakChances(c.text, 5), c.expected) << c.text.toStdString();
}

TEST(UserPrompts, ABoxToCopyFromHasSelectableText)
{
    const QString address = QStringLiteral("http://127.0.0.1:8080/UserGuide.htm");
    EXPECT_TRUE(MakeInformationBox(nullptr, address, true)->textInteractionFlags() & Qt::TextSelectableByMouse);
    CMessageBoxPrompts prompts;
    const SeenBox seen = Watch([&] { prompts.InformationToCopy(nullptr, address); }, QMessageBox::Ok);
    EXPECT_EQ(seen.text, address); // as it is: copied, it must work
    EXPECT_EQ(seen.icon, QMessageBox::Information);
}
