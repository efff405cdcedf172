#include "ExplorerFixture.h"

#include "explorer/ExplorerCommands.h"

#include "editor/EditorDlg.h"
#include "editor/NoteRichEdit.h"

#include "note/NoteDocument.h"

#include "codec/Bytes.h"
#include "codec/Note.h"

#include "ui/PseudoTranslator.h"

#include "app/Settings.h"

#include <QAction>
#include <QHeaderView>
#include <QStyleOptionHeader>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QToolBar>

#include <functional>

using namespace qb;
using namespace qb::testing;
using Strings = std::vector<std::string>;

TEST_F(ExplorerTest, FirstListingStartsTheWindow)
{
    MakeFolder("/Docs");
    MakeNote("/b.rtf");
    MakeNote("/A.rtf");
    ASSERT_TRUE(OpenExplorer());
    EXPECT_EQ(m_explorer->windowTitle(), QStringLiteral("Quillbox Explorer"));
    EXPECT_EQ(ShownNames(), (Strings{"Docs", "A.rtf", "b.rtf"}));
    EXPECT_EQ(m_explorer->CountText().text(), QStringLiteral("3 items"));
    EXPECT_EQ(m_explorer->PathText().text(),
              QStringLiteral("Double click a file/folder to open, or right click in blank area to create a new one."));
    EXPECT_EQ(m_explorer->History().Entries(), Strings{""});
    EXPECT_FALSE(m_explorer->Action(cmd::kBack)->isEnabled());
    EXPECT_FALSE(m_explorer->Action(cmd::kForward)->isEnabled());
    EXPECT_FALSE(m_explorer->Action(cmd::kUp)->isEnabled());
    EXPECT_EQ(m_explorer->Action(cmd::kBack)->toolTip(), QStringLiteral("Go Back"));
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(ExplorerTest, FirstListingFailureEndsTheProgramWithOneMessageNamingTheServer)
{
    WriteSettingString("Server", "127.0.0.1:" + std::to_string(m_port), m_app->IniPath());
    m_server.reset();
    EXPECT_FALSE(OpenExplorer());
    EXPECT_EQ(m_prompts.shown, Strings{"ERROR: Cannot connect to the server.\n\nQuillbox looks for its server at 127.0.0.1:"
                                       + std::to_string(m_port) + ". To use another server, set Server=HOST:PORT in the "
                                       "[QUILLBOX] section of " + m_app->IniPath() + " and start Quillbox again."});
}

TEST_F(ExplorerTest, NavigationHistoryBackForwardUpHome)
{
    MakeFolder("/A");
    MakeFolder("/A/B");
    MakeFolder("/C");
    ASSERT_TRUE(OpenExplorer());
    Open("A");
    Open("B");
    EXPECT_EQ(m_list->m_currentDir, "/A/B");
    EXPECT_EQ(m_explorer->PathText().text(), QStringLiteral("/A/B"));
    EXPECT_TRUE(m_explorer->Action(cmd::kUp)->isEnabled());

    m_explorer->GoBack();
    m_explorer->GoBack();
    EXPECT_EQ(m_list->m_currentDir, "");
    EXPECT_EQ(m_explorer->PathText().text(), QStringLiteral("Home"));
    EXPECT_TRUE(m_explorer->Action(cmd::kForward)->isEnabled());
    Open("C");
    EXPECT_EQ(m_explorer->History().Entries(), (Strings{"", "/A", "/A/B", "/C"}));
    EXPECT_FALSE(m_explorer->Action(cmd::kForward)->isEnabled());
    m_explorer->GoBack();
    EXPECT_EQ(m_list->m_currentDir, "/A/B");

    m_explorer->GoUp();
    EXPECT_EQ(m_list->m_currentDir, "/A");
    EXPECT_EQ(m_explorer->History().Entries().back(), "/A");
    m_explorer->GoHome();
    EXPECT_EQ(m_list->m_currentDir, "");
    const auto size = m_explorer->History().Entries().size();
    m_explorer->GoHome(); // nothing while Home is shown
    m_explorer->GoUp();   // no parent of Home: no request, nothing recorded
    EXPECT_EQ(m_explorer->History().Entries().size(), size);
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(ExplorerTest, HistoryKeepsTheLastTwentyOfTwentyFiveFolders)
{
    std::string path;
    for (int i = 1; i <= 25; ++i) {
        path += "/F" + std::to_string(i);
        MakeFolder(path);
    }
    ASSERT_TRUE(OpenExplorer());
    for (int i = 1; i <= 25; ++i)
        Open("F" + std::to_string(i));
    EXPECT_EQ(m_list->m_currentDir, path);
    EXPECT_EQ(m_explorer->History().Entries().size(), 20u);
    while (m_explorer->Action(cmd::kBack)->isEnabled())
        m_explorer->GoBack();
    EXPECT_EQ(m_list->m_currentDir, "/F1/F2/F3/F4/F5/F6");
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(ExplorerTest, FailedListingLeavesTheFolderShown)
{
    MakeFolder("/A");
    ASSERT_TRUE(OpenExplorer());
    Open("A");
    m_server.reset(); // the server goes away
    m_explorer->GoBack();
    EXPECT_EQ(m_list->m_currentDir, "/A");
    EXPECT_EQ(m_explorer->PathText().text(), QStringLiteral("/A"));
    EXPECT_EQ(m_explorer->History().Position(), 0); // Back keeps its moved position
    EXPECT_EQ(m_prompts.shown, Strings{"ERROR: Cannot connect to the server."});
    EXPECT_TRUE(m_list->Model().IsStale());
}

TEST_F(ExplorerTest, RefusedListingShowsOneBoxInPlainWordsAndGreysWhatMayBeGone)
{
    MakeFolder("/A");
    ASSERT_TRUE(OpenExplorer());
    PostRaw(m_port, "/Buffer/Buffer0000/bin/qbdelete.pl", "ID=" + Token("kiwi") + "&DIR=&LIST=A\n");
    Open("A");
    EXPECT_EQ(m_prompts.shown, Strings{"The folder does not exist.\n/A"});
    EXPECT_EQ(m_list->m_currentDir, "");
    EXPECT_EQ(ShownNames(), Strings{"A"});
    const QModelIndex gone = m_list->Model().index(0, kColumnName);
    EXPECT_TRUE(m_list->Model().IsStale());
    EXPECT_FALSE(gone.flags() & Qt::ItemIsEnabled);
    EXPECT_FALSE(gone.flags() & Qt::ItemIsSelectable);
    m_explorer->RunCommand(cmd::kRefresh);
    EXPECT_FALSE(m_list->Model().IsStale());
    EXPECT_EQ(ShownNames(), Strings{});
    EXPECT_EQ(m_prompts.shown.size(), 1u);
}

TEST_F(ExplorerTest, SortOrdersAndToggling)
{
    MakeFolder("/zeta");
    MakeFolder("/Alpha");
    MakeNote("/big.rtf", std::string(3000, 'A'));
    MakeNote("/Small.rtf", "AB==");
    MakeNote("/mid.rtf", std::string(1500, 'A'));
    ASSERT_TRUE(OpenExplorer());
    EXPECT_EQ(ShownNames(), (Strings{"Alpha", "zeta", "big.rtf", "mid.rtf", "Small.rtf"}));
    m_list->SortByColumn(kColumnSize);
    EXPECT_EQ(ShownNames(), (Strings{"Alpha", "zeta", "Small.rtf", "mid.rtf", "big.rtf"}));
    m_list->SortByColumn(kColumnSize);
    EXPECT_EQ(ShownNames(), (Strings{"zeta", "Alpha", "big.rtf", "mid.rtf", "Small.rtf"}));
    m_list->SortByColumn(kColumnName);
    EXPECT_EQ(ShownNames(), (Strings{"Alpha", "zeta", "big.rtf", "mid.rtf", "Small.rtf"}));
    m_list->SortByColumn(kColumnName);
    EXPECT_EQ(ShownNames(), (Strings{"zeta", "Alpha", "Small.rtf", "mid.rtf", "big.rtf"}));

    m_list->SortByColumn(kColumnSize);
    m_list->SortByColumn(kColumnSize); // descending by size
    m_list->ListDirectory("");         // a new listing comes back ascending
    EXPECT_TRUE(g_sortAscending);
    EXPECT_EQ(ShownNames(), (Strings{"Alpha", "zeta", "Small.rtf", "mid.rtf", "big.rtf"}));
}

TEST_F(ExplorerTest, WindowSizeFromSettingsAndStoredOnClose)
{
    WriteSettingInt("MainW", 319, m_app->IniPath());
    WriteSettingInt("MainH", 240, m_app->IniPath());
    ASSERT_TRUE(OpenExplorer());
    EXPECT_EQ(m_explorer->size(), QSize(640, 240));
    EXPECT_EQ(m_explorer->pos(), QPoint(0, 0));

    m_explorer->resize(900, 700);
    // Layout keeps 2-pixel side margins and the status row 20 pixels above the bottom.
    const QWidget* client = m_list->parentWidget();
    EXPECT_EQ(m_list->geometry().left(), 2);
    EXPECT_EQ(m_list->geometry().right(), client->width() - 3);
    EXPECT_EQ(m_explorer->CountText().geometry(), QRect(2, client->height() - 20, 54, 18));
    EXPECT_EQ(m_explorer->PathText().geometry(), QRect(61, client->height() - 20, client->width() - 122, 18));
    EXPECT_FALSE(m_explorer->Progress().isVisible());

    // The size stored is the one restored, without the frame: the window keeps its size
    // from one start to the next instead of growing by its frame each time.
    m_explorer->close();
    EXPECT_EQ(ReadSettingInt("MainW", m_app->IniPath()), 900);
    EXPECT_EQ(ReadSettingInt("MainH", m_app->IniPath()), 700);
    m_explorer.reset();
    ASSERT_TRUE(OpenExplorer());
    EXPECT_EQ(m_explorer->size(), QSize(900, 700));
}

TEST_F(ExplorerTest, EditMenuFollowsSelectionAndClipboard)
{
    MakeFolder("/F");
    MakeNote("/n.rtf");
    ASSERT_TRUE(OpenExplorer());
    m_explorer->UpdateEditMenu();
    EXPECT_FALSE(m_explorer->Action(cmd::kCopy)->isEnabled());
    EXPECT_FALSE(m_explorer->Action(cmd::kPaste)->isEnabled());
    Select({"n.rtf"});
    m_explorer->UpdateEditMenu();
    EXPECT_TRUE(m_explorer->Action(cmd::kDelete)->isEnabled());
    m_explorer->RunCommand(cmd::kCopy);
    m_explorer->UpdateEditMenu();
    EXPECT_FALSE(m_explorer->Action(cmd::kPaste)->isEnabled()); // a file is selected
    Select({"F"});
    m_explorer->UpdateEditMenu();
    EXPECT_TRUE(m_explorer->Action(cmd::kPaste)->isEnabled()); // one folder: pastes into it
    EXPECT_TRUE(m_explorer->Action(cmd::kNewFile)->isEnabled());
}

TEST_F(ExplorerTest, EveryTextOfTheWindowIsTranslated)
{
    MakeFolder("/F");
    MakeNote("/a.rtf");
    PseudoTranslator translator;
    ASSERT_TRUE(OpenExplorer());
    Strings untranslated;
    auto check = [&](const QString& text) {
        if (!PseudoTranslator::IsTranslated(text))
            untranslated.push_back(text.toStdString());
    };
    auto checkActions = [&](const QList<QAction*>& actions) {
        for (const QAction* action : actions) {
            if (!action->isSeparator())
                check(action->text());
        }
    };
    const auto* bar = m_explorer->findChild<QMenuBar*>();
    ASSERT_TRUE(bar);
    for (const QAction* menu : bar->actions()) {
        check(menu->text());
        checkActions(menu->menu()->actions());
    }
    const auto* toolBar = m_explorer->findChild<QToolBar*>();
    ASSERT_TRUE(toolBar);
    for (const QAction* action : toolBar->actions()) {
        if (!action->isSeparator())
            check(action->toolTip());
    }
    for (int column = 0; column < m_list->model()->columnCount(); ++column)
        check(m_list->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
    check(m_list->model()->index(1, kColumnSize).data().toString()); // a.rtf's size
    check(m_explorer->CountText().text());
    check(m_explorer->PathText().text()); // the hint
    m_list->clearSelection();
    checkActions(m_list->BuildContextMenu()->actions());
    Select({"F"});
    m_list->CopySelection(false);
    checkActions(m_list->BuildContextMenu()->actions());
    m_list->ListDirectory("");
    check(m_explorer->PathText().text()); // Home
    Select({"a.rtf"});
    m_list->DeleteSelection(); // answered No
    for (const auto& text : m_prompts.asked)
        check(QString::fromStdString(text));
    for (const auto& text : m_prompts.shown)
        check(QString::fromStdString(text));
    EXPECT_EQ(untranslated, Strings{});
    EXPECT_EQ(m_prompts.asked.size() + m_prompts.shown.size(), 1u);
    EXPECT_EQ(m_explorer->CountText().text(), QStringLiteral("[2 items]"));
    EXPECT_EQ(m_explorer->Action(cmd::kBack)->toolTip(), QStringLiteral("[Go Back]"));
    EXPECT_EQ(m_explorer->windowTitle(), QStringLiteral("Quillbox Explorer")); // a name, not a text
}

namespace {

// Runs `open`; once the editor it starts is the modal window, hands it to `use`, which must
// close it. False when no editor came.
bool WithEditorOf(const std::function<void()>& open, const std::function<void(CEditorDlg&)>& use)
{
    bool shown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* editor = qobject_cast<CEditorDlg*>(QApplication::activeModalWidget());
        if (!editor)
            return;
        poll.stop();
        shown = true;
        use(*editor);
    });
    poll.start(10);
    open();
    return shown;
}

} // namespace

TEST_F(ExplorerTest, EveryWayToOpenANoteRunsTheEditorOverTheExplorer)
{
    std::string words; // long enough to compress, as a note's body must
    for (int i = 0; i < 30; ++i)
        words += "kept words ";
    words.pop_back();
    const auto note = WrapNote(AsBytes("{\\rtf1 " + words + "}"), "secret", "kn");
    ASSERT_TRUE(note.has_value());
    MakeNote("/n.rtf", *note);
    m_app->SetIdentity("me");
    ASSERT_TRUE(OpenExplorer());
    m_app->KeyHolder().SetOpenKey("secret"); // the held key opens it: no key dialog

    struct OpenCase {
        const char* what;
        std::function<void()> open;
        std::string title, text;
        bool locked;
    };
    const OpenCase cases[] = {
        {"double-click", [&] { Open("n.rtf"); }, "/n.rtf", words, false},
        {"Enter", [&] { Select({"n.rtf"}); QTest::keyClick(m_list, Qt::Key_Return); }, "/n.rtf", words, false},
        {"Open Exclusive", [&] { Select({"n.rtf"}); m_list->RunContextCommand(cmd::kOpenExclusive); }, "/n.rtf",
         words, true},
        {"New File", [&] { m_explorer->RunCommand(cmd::kNewFile); }, "", "", false},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string title, text;
        bool overExplorer = false, locked = false;
        const bool shown = WithEditorOf(c.open, [&](CEditorDlg& editor) {
            title = editor.windowTitle().toStdString();
            text = editor.TextControl().toPlainText().toStdString();
            overExplorer = editor.parentWidget() == m_explorer.get();
            locked = editor.Note().LockValue() == "me";
            editor.CloseEditor();
        });
        EXPECT_TRUE(shown);
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(text, c.text);
        EXPECT_TRUE(overExplorer);
        EXPECT_EQ(locked, c.locked);
        EXPECT_TRUE(m_prompts.shown.empty());
    }
}

TEST_F(ExplorerTest, DoubleClickOnASelectedNoteNeverStartsARename)
{
    const auto note = WrapNote(AsBytes("{\\rtf1 a few words, a few words, a few words, a few words}"), "secret", "kn");
    ASSERT_TRUE(note.has_value());
    MakeNote("/n.rtf", *note);
    ASSERT_TRUE(OpenExplorer());
    m_app->KeyHolder().SetOpenKey("secret");
    Select({"n.rtf"});
    const QModelIndex index = m_list->currentIndex();
    const QPoint at = m_list->visualRect(index).center();
    const bool shown = WithEditorOf(
        [&] {
            QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {}, at);
        },
        [](CEditorDlg& editor) {
            // Longer than a double-click takes: a rename armed by its clicks would start now.
            QTest::qWait(QApplication::doubleClickInterval() * 2);
            editor.CloseEditor();
        });
    QTest::qWait(QApplication::doubleClickInterval() * 2);
    EXPECT_TRUE(shown);
    const auto* renaming = m_list->findChild<QLineEdit*>();
    EXPECT_FALSE(renaming && renaming->isVisible());
    EXPECT_EQ(ShownNames(), Strings{"n.rtf"});
}

TEST_F(ExplorerTest, CountSaysOneItemOrMany)
{
    ASSERT_TRUE(OpenExplorer());
    const std::pair<const char*, const char*> steps[] = {
        {"", "0 items"}, {"/a.rtf", "1 item"}, {"/b.rtf", "2 items"}};
    for (const auto& [note, count] : steps) {
        SCOPED_TRACE(count);
        if (*note)
            MakeNote(note);
        m_list->ListDirectory("");
        EXPECT_EQ(m_explorer->CountText().text(), QString::fromLatin1(count));
    }
}

namespace {

constexpr int kLabelGap = 8; // pixels between one heading's text and the next

// Where the header's style draws each heading's text, as QHeaderView paints a section.
std::vector<QRect> HeaderLabelRects(const QHeaderView& header)
{
    std::vector<QRect> rects;
    for (int column = 0; column < header.count(); ++column) {
        QStyleOptionHeader option;
        option.initFrom(&header);
        option.state |= QStyle::State_Horizontal;
        option.orientation = Qt::Horizontal;
        option.section = column;
        option.rect = QRect(header.sectionViewportPosition(column), 0, header.sectionSize(column), header.height());
        option.text = header.model()->headerData(column, Qt::Horizontal).toString();
        option.textAlignment = Qt::Alignment(header.model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
        if (header.isSortIndicatorShown() && header.sortIndicatorSection() == column)
            option.sortIndicator = QStyleOptionHeader::SortUp;
        const QRect label = header.style()->subElementRect(QStyle::SE_HeaderLabel, &option, &header);
        const QSize text(header.fontMetrics().horizontalAdvance(option.text), header.fontMetrics().height());
        rects.push_back(QStyle::alignedRect(Qt::LeftToRight, option.textAlignment, text, label));
    }
    return rects;
}

} // namespace

TEST_F(ExplorerTest, NameColumnTakesTheFreeWidthAndShowsWholeNamesInATooltip)
{
    const std::string longName = std::string(60, 'L') + ".rtf";
    MakeNote("/" + longName);
    ASSERT_TRUE(OpenExplorer());
    for (const QSize size : {QSize(640, 480), QSize(1200, 800)}) {
        SCOPED_TRACE(size.width());
        m_explorer->resize(size);
        QApplication::processEvents();
        const int used = m_list->columnWidth(kColumnName) + m_list->columnWidth(kColumnSize) +
                         m_list->columnWidth(kColumnDate);
        EXPECT_EQ(used, m_list->viewport()->width());
        EXPECT_EQ(m_list->columnWidth(kColumnSize), 70);
        EXPECT_GE(m_list->columnWidth(kColumnDate), 120);
        // Each label, where the header's style puts it, is whole and keeps clear of the next.
        const std::vector<QRect> labels = HeaderLabelRects(*m_list->header());
        for (std::size_t i = 0; i + 1 < labels.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_GE(labels[i + 1].left() - labels[i].right(), kLabelGap);
        }
        for (int column = 0; column < 3; ++column) {
            const QRect section(m_list->header()->sectionViewportPosition(column), 0,
                                m_list->header()->sectionSize(column), m_list->header()->height());
            EXPECT_TRUE(section.contains(labels[static_cast<std::size_t>(column)])) << column;
        }
    }
    const QModelIndex name = m_list->model()->index(0, kColumnName);
    EXPECT_EQ(name.data(Qt::ToolTipRole).toString().toStdString(), longName);
}

TEST_F(ExplorerTest, KeysRunTheirCommands)
{
    MakeFolder("/A");
    MakeFolder("/A/B");
    MakeNote("/n.rtf");
    ASSERT_TRUE(OpenExplorer());
    Open("A");
    Open("B");
    m_list->setFocus();
    struct KeyCase {
        const char* what;
        QKeySequence keys;
        std::string folder; // shown afterwards
    };
    const KeyCase cases[] = {
        {"Alt+Left goes back", QKeySequence(Qt::ALT | Qt::Key_Left), "/A"},
        {"Alt+Right goes forward", QKeySequence(Qt::ALT | Qt::Key_Right), "/A/B"},
        {"Backspace goes back", QKeySequence(Qt::Key_Backspace), "/A"},
        {"Alt+Right again", QKeySequence(Qt::ALT | Qt::Key_Right), "/A/B"},
        {"Alt+Up goes up", QKeySequence(Qt::ALT | Qt::Key_Up), "/A"},
        {"Alt+Home goes home", QKeySequence(Qt::ALT | Qt::Key_Home), ""},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.what);
        QTest::keySequence(m_explorer.get(), c.keys);
        EXPECT_EQ(m_list->m_currentDir, c.folder);
    }

    // Ctrl+C on a note, Ctrl+V in another folder; F5 and Ctrl+R list again what another
    // client added meanwhile.
    Select({"n.rtf"});
    QTest::keySequence(m_explorer.get(), QKeySequence::Copy);
    Open("A");
    QTest::keySequence(m_explorer.get(), QKeySequence::Paste);
    EXPECT_EQ(ShownNames(), (Strings{"B", "n.rtf"}));
    for (const QKeySequence& refresh : {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)}) {
        SCOPED_TRACE(refresh.toString().toStdString());
        const std::string added = "/A/m" + refresh.toString().toStdString().substr(0, 1) + ".rtf";
        MakeNote(added);
        QTest::keySequence(m_explorer.get(), refresh);
        const Strings shown = ShownNames();
        EXPECT_NE(std::find(shown.begin(), shown.end(), added.substr(3)), shown.end());
    }
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(ExplorerTest, TitleNamesTheFolderAndALongPathGivesWayInTheMiddle)
{
    const std::string deep = "/Work/" + std::string(40, 'm') + "/" + std::string(40, 'n') + "/Second level";
    MakeFolder("/Work");
    MakeFolder("/Work/" + std::string(40, 'm'));
    MakeFolder("/Work/" + std::string(40, 'm') + "/" + std::string(40, 'n'));
    MakeFolder(deep);
    ASSERT_TRUE(OpenExplorer());
    EXPECT_EQ(m_explorer->windowTitle(), QStringLiteral("Quillbox Explorer"));
    m_explorer->resize(640, 480);
    m_list->ListDirectory(deep);
    const QString full = QString::fromStdString(deep);
    EXPECT_EQ(m_explorer->windowTitle(), full + QStringLiteral(" - Quillbox Explorer"));
    const QString shown = m_explorer->PathText().text();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/Work/")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("/Second level")));
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_EQ(m_explorer->PathText().toolTip(), full);
    m_explorer->resize(1600, 480);
    EXPECT_EQ(m_explorer->PathText().text(), full);
    m_list->ListDirectory("");
    EXPECT_EQ(m_explorer->windowTitle(), QStringLiteral("Quillbox Explorer"));
}

TEST_F(ExplorerTest, OnlineHelpWithoutABrowserGivesTheAddressToCopy)
{
    WriteSettingString("Server", "notes.example:8080", m_app->IniPath());
    ASSERT_TRUE(OpenExplorer());
    for (const bool browser : {true, false}) {
        SCOPED_TRACE(browser ? "a browser opens it" : "no browser");
        m_prompts = {};
        QString asked;
        m_explorer->SetUrlOpener([&](const QUrl& url) {
            asked = url.toString();
            return browser;
        });
        m_explorer->RunCommand(cmd::kOnlineHelp);
        EXPECT_EQ(asked, QStringLiteral("http://notes.example:8080/UserGuide.htm"));
        EXPECT_EQ(m_prompts.shown, browser ? Strings{}
                                           : Strings{"No web browser could be opened. The user guide is at this "
                                                     "address:\n\nhttp://notes.example:8080/UserGuide.htm"});
        EXPECT_EQ(m_prompts.boxes, browser ? std::vector<ScriptedPrompts::Box>{}
                                           : std::vector<ScriptedPrompts::Box>{ScriptedPrompts::Box::ToCopy});
    }
}
