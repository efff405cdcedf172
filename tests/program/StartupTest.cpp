// The whole start of the program: notice, then the explorer listing the top folder of a
// real server named in Quillbox.ini beside the program, and its size stored on close.

#include "program/WidgetShell.h"

#include "explorer/ExplorerDlg.h"
#include "explorer/RemoteListCtrl.h"

#include "app/Settings.h"
#include "explorer/ExplorerFixture.h"

#include <QApplication>
#include <QTimer>

using namespace qb;
using namespace qb::testing;

TEST_F(ExplorerTest, StartUpShowsTheNoticeThenTheExplorer)
{
    MakeFolder("/Start");
    const std::string ini = QCoreApplication::applicationDirPath().toStdString() + "/Quillbox.ini";
    std::remove(ini.c_str());
    WriteSettingString("Server", "127.0.0.1:" + std::to_string(m_port), ini);

    CClientApp app;
    CWidgetShell shell(app);
    std::vector<std::string> listed;
    // Once the explorer runs modally, look at it and close it as the user would.
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* explorer = qobject_cast<CExplorerDlg*>(QApplication::activeModalWidget());
        if (!explorer)
            return;
        watcher.stop();
        for (const auto& entry : explorer->List().Model().Entries())
            listed.push_back(entry.name.toStdString());
        explorer->close();
    });
    watcher.start(10);
    EXPECT_FALSE(app.InitInstance(shell));
    app.ExitInstance();

    ASSERT_FALSE(m_prompts.shown.empty());
    EXPECT_EQ(m_prompts.shown.front().substr(0, 52), "You will now be connected to a shared test account.\t");
    EXPECT_EQ(listed, std::vector<std::string>{"Start"});
    EXPECT_EQ(app.m_strAccount, "kiwi");
    EXPECT_FALSE(app.m_strIdentity.empty());
    EXPECT_LE(app.m_strIdentity.size(), 14u);
    EXPECT_EQ(ReadSettingInt("MainW", ini), 640);
    std::remove(ini.c_str());
}
