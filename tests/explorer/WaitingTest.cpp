// Waiting for a server that accepts a request and never answers: the window keeps
// painting, shows it is busy, offers Cancel, and after a cancelled change lists again.

#include "ExplorerFixture.h"

#include "explorer/ExplorerCommands.h"
#include "explorer/RequestWaiter.h"

#include "CaptureServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <functional>

using namespace qb;
using namespace qb::testing;
using Strings = std::vector<std::string>;

namespace {

struct WaitSeen {
    int windows = 0;
    Strings texts;      // of each waiting window, as first shown
    bool busyShown = false; // the status row's indicator, before the window came
    QElapsedTimer sinceCancel;
};

// Runs `run` while watching for the waiting window; each one is answered with Cancel after
// `onWindow` has had its look.
WaitSeen CancelEachWait(CExplorerDlg& explorer, const std::function<void()>& run,
                        const std::function<void()>& onWindow = {})
{
    WaitSeen seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (explorer.BusyIndicator().isVisible())
            seen.busyShown = true;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<CWaitingWindow*>(top);
            if (!window || !window->isVisible() || !window->CancelButton().isEnabled())
                continue;
            ++seen.windows;
            seen.texts.push_back(window->findChild<QLabel*>(QStringLiteral("waitingText"))->text().toStdString());
            if (onWindow)
                onWindow();
            seen.sinceCancel.start();
            window->CancelButton().click();
        }
    });
    poll.start(20);
    run();
    return seen;
}

class WaitingTest : public ExplorerTest {
protected:
    void SetUp() override
    {
        ExplorerTest::SetUp();
        MakeNote("/kept.rtf");
        ASSERT_TRUE(OpenExplorer());
        m_explorer->Waiter().busyAfter = std::chrono::milliseconds(100);
        m_explorer->Waiter().windowAfter = std::chrono::milliseconds(400);
        m_capture.StaySilent();
        ASSERT_TRUE(m_app->CreateSession(ServerAddress{"127.0.0.1", m_capture.Port()}));
    }

    CaptureServer m_capture;
};

} // namespace

TEST_F(WaitingTest, CancelEndsAStalledListingAndLeavesTheListAsItWas)
{
    const WaitSeen seen = CancelEachWait(*m_explorer, [&] { m_explorer->RunCommand(cmd::kRefresh); });
    const qint64 afterCancel = seen.sinceCancel.elapsed();
    EXPECT_EQ(seen.windows, 1);
    EXPECT_EQ(seen.texts, Strings{"Waiting for the server..."});
    EXPECT_TRUE(seen.busyShown);
    EXPECT_LT(afterCancel, 5000); // the stall time is 60 seconds
    EXPECT_FALSE(m_explorer->BusyIndicator().isVisible());
    EXPECT_EQ(ShownNames(), Strings{"kept.rtf"});
    EXPECT_FALSE(m_list->Model().IsStale());
    EXPECT_EQ(m_prompts.shown, Strings{}); // the user chose to stop: nothing to tell
    EXPECT_NE(m_capture.Next().requestLine.find("qbdir.pl"), std::string::npos);
}

TEST_F(WaitingTest, ACancelledChangeSaysTheServerMayHaveMadeItAndListsAgain)
{
    m_capture.Reply(200, "OK\n"); // the listing after the cancel: an empty folder
    const WaitSeen seen = CancelEachWait(*m_explorer, [&] { m_list->NewFolder(); },
                                         [&] { m_capture.StaySilent(false); });
    EXPECT_EQ(seen.windows, 1);
    EXPECT_EQ(m_prompts.shown, Strings{"You stopped waiting for the server, but it may still have made the change. "
                                       "The folder is listed again to show what it holds now."});
    EXPECT_NE(m_capture.Next().requestLine.find("qbnewdir.pl"), std::string::npos);
    EXPECT_NE(m_capture.Next().requestLine.find("qbdir.pl"), std::string::npos);
    EXPECT_EQ(ShownNames(), Strings{});
    EXPECT_EQ(m_explorer->CountText().text(), QStringLiteral("0 items"));
}
