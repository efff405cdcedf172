#include "ui/AboutDlg.h"

#include <QLabel>

#include <gtest/gtest.h>

using namespace qb;

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
