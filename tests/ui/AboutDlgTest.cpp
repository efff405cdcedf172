#include "ui/AboutDlg.h"

#include "ui/PseudoTranslator.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace qb;
using qb::testing::PseudoTranslator;

TEST(AboutBox, TitleAndNameLine)
{
    for (int i = 0; i < 2; ++i) {
        CAboutDlg about;
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About Quillbox Explorer..."));
        const auto* name = about.findChild<QLabel*>(QStringLiteral("nameText"));
        ASSERT_TRUE(name);
        EXPECT_EQ(name->text(), QStringLiteral("Quillbox Explorer 2.3"));
    }
}

TEST(AboutBox, EveryTextButTheNameIsTranslated)
{
    PseudoTranslator translator;
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("[About Quillbox Explorer...]"));
    std::vector<std::string> untranslated;
    for (const QLabel* label : about.findChildren<QLabel*>()) {
        if (label->objectName() == QLatin1String("nameText"))
            EXPECT_EQ(label->text(), QStringLiteral("Quillbox Explorer 2.3")); // a name, not a text
        else if (!label->text().isEmpty() && !PseudoTranslator::IsTranslated(label->text()))
            untranslated.push_back(label->text().toStdString());
    }
    for (const QPushButton* button : about.findChildren<QPushButton*>()) {
        if (!PseudoTranslator::IsTranslated(button->text()))
            untranslated.push_back(button->text().toStdString());
    }
    EXPECT_EQ(untranslated, std::vector<std::string>{});
    const auto* slogan = about.findChild<QLabel*>(QStringLiteral("sloganText"));
    ASSERT_TRUE(slogan);
    EXPECT_EQ(slogan->text(), QStringLiteral("[Put Your Notes/Docs Here And Access Them from Everywhere!]"));
}
