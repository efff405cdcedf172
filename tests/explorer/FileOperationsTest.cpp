#include "ExplorerFixture.h"
#include "NameCases.h"

#include "explorer/ExplorerCommands.h"

#include <QAction>
#include <QColor>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

using namespace qb;
using namespace qb::testing;
using Strings = std::vector<std::string>;

namespace {

// The context menu as the user sees it: text and enabled state per entry.
Strings MenuShape(CRemoteListCtrl& list)
{
    Strings shape;
    const auto menu = list.BuildContextMenu();
    for (QAction* action : menu->actions())
        shape.push_back(action->isSeparator() ? "-" : action->text().toStdString() + (action->isEnabled() ? "" : " (grayed)"));
    return shape;
}

} // namespace

TEST_F(ExplorerTest, NewFolderIsAppendedForRenameThenRenamed)
{
    MakeNote("/a.rtf");
    ASSERT_TRUE(OpenExplorer());
    EXPECT_TRUE(m_list->NewFolder());
    EXPECT_EQ(ShownNames(), (Strings{"a.rtf", "New Folder"})); // at the bottom, unsorted
    EXPECT_TRUE(m_list->IsEditingName());
    EXPECT_EQ(m_list->currentIndex().row(), 1);

    m_list->RenameEntry(1, QStringLiteral("Docs & Co=1"));
    EXPECT_EQ(ShownNames(), (Strings{"Docs & Co=1", "a.rtf"}));
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(ExplorerTest, RenameEditsNeverKeepTheTextThemselves)
{
    MakeNote("/a.rtf");
    MakeNote("/b.rtf");
    ASSERT_TRUE(OpenExplorer());
    const QModelIndex index = m_list->Model().index(0, 0);
    EXPECT_FALSE(m_list->Model().setData(index, QStringLiteral("b.rtf"), Qt::EditRole)); // taken: refused
    EXPECT_TRUE(QTest::qWaitFor([this] { return !m_prompts.shown.empty(); })); // once the edit has closed
    EXPECT_EQ(ShownNames(), (Strings{"a.rtf", "b.rtf"}));
    const Strings refusal{"\"b.rtf\" already exists in this folder."};
    EXPECT_EQ(m_prompts.shown, refusal);
    m_list->RenameEntry(0, QString()); // an empty name sends nothing
    EXPECT_EQ(m_prompts.shown, refusal);
}

TEST_F(ExplorerTest, DeleteAsksFirst)
{
    MakeNote("/a.rtf");
    MakeNote("/b.rtf");
    MakeNote("/c.rtf");
    ASSERT_TRUE(OpenExplorer());
    EXPECT_EQ(m_list->DeleteSelection(), 0); // nothing selected: no question
    EXPECT_TRUE(m_prompts.asked.empty());

    Select({"a.rtf", "c.rtf"});
    m_prompts.answers = {false};
    EXPECT_EQ(m_list->DeleteSelection(), 0);
    EXPECT_EQ(ShownNames().size(), 3u);
    m_prompts.answers = {true};
    EXPECT_EQ(m_list->DeleteSelection(), 1);
    EXPECT_EQ(ShownNames(), Strings{"b.rtf"});
    EXPECT_EQ(m_prompts.asked, Strings(2, "Delete 2 items?"));
    EXPECT_EQ(m_prompts.boxes, std::vector<ScriptedPrompts::Box>(2, ScriptedPrompts::Box::Question));
}

TEST_F(ExplorerTest, DeleteQuestionNamesWhatGoes)
{
    MakeFolder("/Recipes");
    MakeNote("/a.rtf");
    MakeNote("/b.rtf");
    ASSERT_TRUE(OpenExplorer());
    const std::pair<Strings, std::string> cases[] = {
        {{"Recipes"}, "Delete \"Recipes\" and everything in it?"},
        {{"a.rtf"}, "Delete \"a.rtf\"?"},
        {{"Recipes", "a.rtf", "b.rtf"}, "Delete 3 items?"},
    };
    for (const auto& [names, question] : cases) {
        SCOPED_TRACE(question);
        m_prompts = {};
        Select(names);
        EXPECT_EQ(m_list->DeleteSelection(), 0); // answered No: nothing goes
        EXPECT_EQ(m_prompts.asked, Strings{question});
    }
    EXPECT_EQ(ShownNames().size(), 3u);
}

TEST_F(ExplorerTest, CutInOneFolderPastesIntoAnother)
{
    MakeFolder("/A");
    MakeFolder("/B");
    MakeNote("/A/x.rtf");
    ASSERT_TRUE(OpenExplorer());
    Open("A");
    Select({"x.rtf"});
    m_list->RunContextCommand(cmd::kCut);
    EXPECT_EQ(m_list->m_clipFromDir, "/A");
    m_explorer->GoUp();
    Open("B");
    m_list->clearSelection();
    m_list->RunContextCommand(cmd::kPaste);
    EXPECT_EQ(ShownNames(), Strings{"x.rtf"});
    EXPECT_TRUE(m_list->m_clipNames.empty()); // a move through the menu empties the clipboard
    EXPECT_EQ(MenuShape(*m_list)[0], "&New File");
    m_list->clearSelection();
    EXPECT_EQ(MenuShape(*m_list)[3], "&Paste (grayed)");
}

TEST_F(ExplorerTest, EditMenuPasteOfACutEmptiesTheClipboard)
{
    MakeFolder("/B");
    MakeNote("/x.rtf");
    ASSERT_TRUE(OpenExplorer());
    Select({"x.rtf"});
    m_explorer->RunCommand(cmd::kCut);
    Open("B");
    m_list->clearSelection();
    m_explorer->RunCommand(cmd::kPaste);
    EXPECT_EQ(ShownNames(), Strings{"x.rtf"});
    EXPECT_TRUE(m_list->m_clipNames.empty()); // a second paste of what moved could only fail
    EXPECT_FALSE(m_explorer->Action(cmd::kPaste)->isEnabled() && m_list->CanPaste());
}

TEST_F(ExplorerTest, CopyPastesIntoTheSelectedFolderAndKeepsTheClipboard)
{
    MakeFolder("/A");
    MakeFolder("/A/F");
    MakeNote("/A/x.rtf");
    ASSERT_TRUE(OpenExplorer());
    Open("A");
    Select({"x.rtf"});
    m_list->CopySelection(false);
    Select({"F"});
    EXPECT_EQ(m_list->PasteClipboard(), 1);
    EXPECT_EQ(m_list->m_currentDir, "/A"); // the list keeps showing /A
    Select({"F"});
    m_list->OpenSelected(false);
    EXPECT_EQ(ShownNames(), Strings{"x.rtf"});
    m_list->clearSelection();
    EXPECT_EQ(m_list->PasteClipboard(), 1); // a copy pastes again, under a free name
    EXPECT_EQ(ShownNames(), (Strings{"Copy of x.rtf", "x.rtf"}));
    EXPECT_EQ(m_list->m_clipNames, Strings{"x.rtf"});
}

TEST_F(ExplorerTest, RefusedPasteShowsTheReplyAfterTheNewListing)
{
    MakeFolder("/A");
    MakeNote("/x.rtf");
    MakeNote("/A/x.rtf");
    ASSERT_TRUE(OpenExplorer());
    Select({"x.rtf"});
    m_list->CopySelection(true);
    Open("A");
    m_list->clearSelection();
    EXPECT_EQ(m_list->PasteClipboard(), 0);
    EXPECT_EQ(m_prompts.shown, Strings{"\"x.rtf\" already exists in the target folder. Nothing was moved."});
    EXPECT_EQ(m_list->m_clipNames, Strings{"x.rtf"});
}

TEST_F(ExplorerTest, ContextMenuShapes)
{
    MakeFolder("/F");
    MakeNote("/a.rtf");
    MakeNote("/b.rtf");
    ASSERT_TRUE(OpenExplorer());
    m_list->clearSelection();
    EXPECT_EQ(MenuShape(*m_list), (Strings{"&New File", "New &Folder", "-", "&Paste (grayed)", "-", "&Refresh"}));
    Select({"a.rtf", "b.rtf"});
    EXPECT_EQ(MenuShape(*m_list),
              (Strings{"Open &Exclusive (grayed)", "Previous &Versions... (grayed)", "-", "&Copy", "Cu&t", "-",
                       "Rena&me", "-", "&Delete"}));
    m_list->RunContextCommand(cmd::kCopy);
    Select({"F"});
    EXPECT_EQ(MenuShape(*m_list), (Strings{"Open &Exclusive (grayed)", "Previous &Versions... (grayed)", "-", "&Copy",
                                           "Cu&t", "-", "&Paste", "-", "Rena&me", "-", "&Delete"}));
    Select({"a.rtf", "b.rtf"});
    m_list->RunContextCommand(cmd::kRename); // edits the first selected item
    EXPECT_TRUE(m_list->IsEditingName());
    EXPECT_EQ(m_list->currentIndex().row(), m_list->Model().FindName(QStringLiteral("a.rtf")));
}

TEST_F(ExplorerTest, ChannelFailureLeavesTheListingAsItWas)
{
    MakeNote("/a.rtf");
    ASSERT_TRUE(OpenExplorer());
    m_server.reset();
    EXPECT_FALSE(m_list->NewFolder());
    Select({"a.rtf"});
    m_prompts.answers = {true};
    EXPECT_EQ(m_list->DeleteSelection(), -1);
    EXPECT_EQ(ShownNames(), Strings{"a.rtf"});
    EXPECT_EQ(m_prompts.shown, Strings(2, "ERROR: Cannot connect to the server."));
}

TEST_F(ExplorerTest, CutEntriesLookCutUntilPastedOrTheClipboardChanges)
{
    MakeFolder("/B");
    MakeNote("/x.rtf");
    MakeNote("/y.rtf");
    ASSERT_TRUE(OpenExplorer());
    // The names shown in another colour than the entries' own green.
    const auto dimmed = [this] {
        Strings names;
        for (int row = 0; row < m_list->Model().rowCount(); ++row) {
            const QModelIndex index = m_list->Model().index(row, kColumnName);
            if (index.data(Qt::ForegroundRole).value<QColor>() != QColor(0, 0x77, 0))
                names.push_back(index.data().toString().toStdString());
        }
        return names;
    };
    Select({"x.rtf"});
    m_explorer->RunCommand(cmd::kCut);
    EXPECT_EQ(dimmed(), Strings{"x.rtf"});
    m_list->ListDirectory(""); // still cut after a new listing
    EXPECT_EQ(dimmed(), Strings{"x.rtf"});
    Select({"y.rtf"});
    m_explorer->RunCommand(cmd::kCopy); // the clipboard changes: nothing is cut any more
    EXPECT_EQ(dimmed(), Strings{});
    Select({"x.rtf"});
    m_explorer->RunCommand(cmd::kCut);
    Open("B");
    EXPECT_EQ(dimmed(), Strings{}); // cut elsewhere
    m_list->clearSelection();
    m_explorer->RunCommand(cmd::kPaste);
    EXPECT_EQ(ShownNames(), Strings{"x.rtf"});
    EXPECT_EQ(dimmed(), Strings{});
    m_explorer->GoBack();
    EXPECT_EQ(ShownNames(), (Strings{"B", "y.rtf"}));
    EXPECT_EQ(dimmed(), Strings{});
}

TEST_F(ExplorerTest, RenamingInTheListLeavesNoEditorWarnings)
{
    MakeNote("/a.rtf");
    MakeNote("/c.rtf");
    ASSERT_TRUE(OpenExplorer());
    static Strings warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            warnings.push_back(text.toStdString());
    });
    struct Restore {
        QtMessageHandler handler;
        ~Restore() { qInstallMessageHandler(handler); }
    } restore{previous};

    // Typed over and confirmed with Enter: once into a free name, once into a taken one.
    const std::pair<QString, Strings> steps[] = {{QStringLiteral("b.rtf"), {"b.rtf", "c.rtf"}},
                                                 {QStringLiteral("c.rtf"), {"b.rtf", "c.rtf"}}};
    for (const auto& [typed, after] : steps) {
        SCOPED_TRACE(typed.toStdString());
        Select({ShownNames().front()});
        m_list->RunContextCommand(cmd::kRename);
        auto* editor = m_list->findChild<QLineEdit*>();
        ASSERT_TRUE(editor);
        editor->setText(typed);
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor([&] { return ShownNames() == after && !m_list->IsEditingName(); }));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_prompts.shown.empty(); }));
    EXPECT_EQ(m_prompts.shown, Strings{"\"c.rtf\" already exists in this folder."});
    EXPECT_EQ(warnings, Strings{});
}

TEST_F(ExplorerTest, ARenameBreakingTheNameRuleIsRefusedBeforeItIsSent)
{
    MakeNote("/a.rtf");
    ASSERT_TRUE(OpenExplorer());
    for (const auto& row : NameCases()) {
        if (row.name.empty())
            continue; // an empty edit sends nothing and says nothing
        m_prompts = {};
        const QString name = QString::fromUtf8(row.name.data(), static_cast<qsizetype>(row.name.size()));
        m_list->RenameEntry(0, name);
        if (row.sentence.empty()) {
            EXPECT_TRUE(m_prompts.shown.empty()) << row.name;
            EXPECT_EQ(ShownNames(), Strings{row.name});
            m_list->RenameEntry(0, QStringLiteral("a.rtf"));
        } else {
            // The client's own words: the server's refusal would begin with "ERROR: ".
            EXPECT_EQ(m_prompts.shown, Strings{row.sentence}) << row.name;
        }
        EXPECT_EQ(ShownNames(), Strings{"a.rtf"}) << row.name;
    }
}
