// The whole start of the program: notice, then the explorer listing the top folder of a
// real server named in Quillbox.ini beside the program, and its size stored on close.

#include "program/WidgetShell.h"

#include "explorer/ExplorerDlg.h"
#include "explorer/RemoteListCtrl.h"

#include "app/SessionValues.h"
#include "app/Settings.h"
#include "explorer/ExplorerFixture.h"

#include <QApplication>
#include <QTimer>

using namespace qb;
using namespace qb::testing;

namespace {

// The single-instance socket lives in the temporary folder: one of the test's own keeps a
// Quillbox the user is running from making this start the second copy.
struct OwnTmpdir {
    explicit OwnTmpdir(const std::string& dir) : saved(qgetenv("TMPDIR")) { qputenv("TMPDIR", QByteArray::fromStdString(dir)); }
    ~OwnTmpdir() { saved.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", saved); }
    QByteArray saved;
};

} // namespace

TEST_F(ExplorerTest, StartUpShowsTheNoticeThenTheExplorer)
{
    MakeFolder("/Start");
    const std::string ini = QCoreApplication::applicationDirPath().toStdString() + "/Quillbox.ini";
    std::remove(ini.c_str());
    WriteSettingString("Server", "127.0.0.1:" + std::to_string(m_port), ini);

    const OwnTmpdir own(m_dir.path.string());

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

    EXPECT_EQ(m_prompts.shown, std::vector<std::string>{
                                   "You will now be connected to a shared test account.\t\n\n"
                                   "Files you create in the test account may be renamed\n"
                                   "or deleted by others at any time although they will\n"
                                   "not be able to open or modify your files.\n"});
    EXPECT_EQ(listed, std::vector<std::string>{"Start"});
    EXPECT_EQ(app.Account(), "kiwi");
    const std::string computer = ComputerName();
    if (!computer.empty()) {
        EXPECT_EQ(app.Identity(), LockIdentity(computer, 0));
    }
    EXPECT_FALSE(app.Identity().empty());
    EXPECT_EQ(ReadSettingInt("MainW", ini), 640);
    std::remove(ini.c_str());
}

TEST_F(ExplorerTest, StartUpWithoutTheServerSaysWhereItWasLookedForAndEnds)
{
    const std::string ini = QCoreApplication::applicationDirPath().toStdString() + "/Quillbox.ini";
    std::remove(ini.c_str());
    const std::string server = "127.0.0.1:" + std::to_string(m_port);
    WriteSettingString("Server", server, ini);
    m_server.reset(); // nothing listens there any more
    const OwnTmpdir own(m_dir.path.string());

    CClientApp app;
    CWidgetShell shell(app);
    bool explorerShown = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (auto* explorer = qobject_cast<CExplorerDlg*>(QApplication::activeModalWidget())) {
            explorerShown = true;
            explorer->close();
        }
    });
    watcher.start(10);
    EXPECT_FALSE(app.InitInstance(shell));
    app.ExitInstance();
    EXPECT_FALSE(explorerShown);
    ASSERT_EQ(m_prompts.shown.size(), 2u); // the shared account notice, then the one error
    EXPECT_EQ(m_prompts.shown[1], "ERROR: Cannot connect to the server.\n\nQuillbox looks for its server at " + server
                                      + ". To use another server, set Server=HOST:PORT in the [QUILLBOX] section of "
                                      + ini + " and start Quillbox again.");
    std::remove(ini.c_str());
}
