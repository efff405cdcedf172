// "Previous Versions..." and "Trash" against a real server: what they list, and that
// "Restore" brings the text or the entry back.

#include "ExplorerFixture.h"

#include "explorer/ExplorerCommands.h"
#include "explorer/HistoryRows.h"
#include "explorer/TrashDlg.h"
#include "explorer/VersionsDlg.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

using namespace qb;
using namespace qb::testing;

namespace {

// Runs `show`; once a dialog of type D is the modal window, hands it to `use` and closes
// it. False when none came.
template <typename D>
bool WithDialog(const std::function<void()>& show, const std::function<void(D&)>& use)
{
    bool shown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        shown = true;
        use(*dialog);
        dialog->reject();
    });
    poll.start(10);
    show();
    return shown;
}

QStringList RowTexts(const QTreeWidget& list, int row)
{
    QStringList texts;
    const QTreeWidgetItem* item = list.topLevelItem(row);
    for (int column = 0; item && column < item->columnCount(); ++column)
        texts << item->text(column);
    return texts;
}

std::string OpenedText(int port, const std::string& path)
{
    const std::string reply =
        PostRaw(port, "/Buffer/Buffer0000/bin/qbopen.pl", "ID=" + Token("kiwi") + "&FILE=" + path + "&LOCK=").body;
    return reply.substr(reply.find('\n') + 1);
}

} // namespace

TEST_F(ExplorerTest, PreviousVersionsListsAndRestoresAVersion)
{
    MakeNote("/n.rtf", "QUFB=");
    MakeNote("/n.rtf", "QkJCQg==");
    MakeNote("/n.rtf", "Q0NDQ0NDQ0ND");
    ASSERT_TRUE(OpenExplorer());
    Select({"n.rtf"});
    bool restored = false;
    const bool shown = WithDialog<CVersionsDlg>([&] { m_list->ShowVersions(); }, [&](CVersionsDlg& dialog) {
        CNoteHistory history(*m_app);
        const auto versions = history.Versions("/n.rtf");
        ASSERT_TRUE(versions);
        ASSERT_EQ(versions->size(), 2u);
        ASSERT_EQ(dialog.List()->topLevelItemCount(), 2);
        EXPECT_EQ(RowTexts(*dialog.List(), 0), VersionRow(versions->at(0)));
        EXPECT_EQ(RowTexts(*dialog.List(), 1), VersionRow(versions->at(1)));
        EXPECT_EQ(RowTexts(*dialog.List(), 1).at(1), "1 KB");
        EXPECT_FALSE(dialog.OpenButton()->isEnabled());
        dialog.List()->setCurrentItem(dialog.List()->topLevelItem(1)); // the oldest
        ASSERT_TRUE(dialog.RestoreButton()->isEnabled());
        dialog.RestoreButton()->click();
        restored = dialog.Restored();
        EXPECT_EQ(dialog.List()->topLevelItemCount(), 3); // the replaced text is a version now
    });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(restored);
    EXPECT_EQ(OpenedText(m_port, "/n.rtf"), "QUFB=");
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(ExplorerTest, TrashListsDeletedEntriesAndRestoresOne)
{
    MakeFolder("/Recipes");
    MakeNote("/Recipes/soup.rtf", "QUFB=");
    MakeNote("/top.rtf", "QkJC=");
    const std::string base = "/Buffer/Buffer0000/bin/";
    ASSERT_EQ(PostRaw(m_port, base + "qbdelete.pl", "ID=" + Token("kiwi") + "&DIR=&LIST=Recipes\ntop.rtf\n").body,
              "OK\n");
    ASSERT_TRUE(OpenExplorer());
    EXPECT_EQ(ShownNames(), std::vector<std::string>{});
    QAction* trash = m_explorer->Action(cmd::kTrash);
    ASSERT_TRUE(trash);
    const bool shown = WithDialog<CTrashDlg>([&] { trash->trigger(); }, [&](CTrashDlg& dialog) {
        ASSERT_EQ(dialog.List()->topLevelItemCount(), 2);
        EXPECT_EQ(RowTexts(*dialog.List(), 0).mid(0, 2), (QStringList{"top.rtf", "/"}));
        EXPECT_EQ(RowTexts(*dialog.List(), 1).mid(0, 2), (QStringList{"Recipes", "/"}));
        EXPECT_EQ(RowTexts(*dialog.List(), 1).at(3), ""); // a folder shows no size
        dialog.List()->setCurrentItem(dialog.List()->topLevelItem(1));
        dialog.RestoreButton()->click();
        EXPECT_TRUE(dialog.Restored());
        ASSERT_EQ(dialog.List()->topLevelItemCount(), 1);
        EXPECT_EQ(RowTexts(*dialog.List(), 0).at(0), "top.rtf");
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(ShownNames(), std::vector<std::string>{"Recipes"}); // listed again after the restore
    EXPECT_EQ(OpenedText(m_port, "/Recipes/soup.rtf"), "QUFB=");
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(ExplorerTest, PreviousVersionsIsOfferedForOneNote)
{
    MakeFolder("/F");
    MakeNote("/n.rtf");
    ASSERT_TRUE(OpenExplorer());
    const auto offered = [&] {
        const auto menu = m_list->BuildContextMenu();
        for (const QAction* action : menu->actions()) {
            if (action->data().toInt() == cmd::kPreviousVersions)
                return action->isEnabled() ? 1 : 0;
        }
        return -1;
    };
    Select({"n.rtf"});
    EXPECT_EQ(offered(), 1);
    Select({"F"});
    EXPECT_EQ(offered(), 0);
    Select({"F", "n.rtf"});
    EXPECT_EQ(offered(), 0);
}

// A refusal is told as the server words it; the dialog stays, empty.
TEST_F(ExplorerTest, HistoryDialogsTellARefusal)
{
    MakeNote("/n.rtf");
    MakeNote("/n.rtf", "QkJC=");
    CVersionsDlg gone(*m_app, "/gone.rtf");
    EXPECT_EQ(gone.List()->topLevelItemCount(), 0);
    CVersionsDlg versions(*m_app, "/n.rtf");
    ASSERT_EQ(versions.List()->topLevelItemCount(), 1);
    PostRaw(m_port, "/Buffer/Buffer0000/bin/qbdelete.pl", "ID=" + Token("kiwi") + "&DIR=&LIST=n.rtf\n");
    EXPECT_FALSE(versions.RestoreRow(0));
    CTrashDlg trash(*m_app);
    ASSERT_EQ(trash.List()->topLevelItemCount(), 1);
    PostRaw(m_port, "/Buffer/Buffer0000/bin/qbundelete.pl", "ID=" + Token("kiwi") + "&ENTRY=1");
    EXPECT_FALSE(trash.RestoreRow(0));
    EXPECT_EQ(m_prompts.shown, (std::vector<std::string>{"ERROR: The note does not exist.\n/gone.rtf\n",
                                                         "ERROR: The note does not exist.\n/n.rtf\n",
                                                         "ERROR: The entry is not in the trash.\n"}));
}
