// The keyboard ways into the explorer's menus: the context menu keys and the mnemonics of
// every menu.

#include "ExplorerFixture.h"

#include "explorer/ExplorerCommands.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <functional>
#include <set>

using namespace qb;
using namespace qb::testing;
using Strings = std::vector<std::string>;

namespace {

// Runs `press`; the popup menu it opens is read (texts, separators as "-") and closed.
Strings PopupOpenedBy(const std::function<void()>& press)
{
    Strings texts;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        poll.stop();
        for (const QAction* action : menu->actions())
            texts.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        menu->close();
    });
    poll.start(10);
    press();
    return texts;
}

// The letter after the one "&" of a text; 0 when there is none, or more than one.
QChar Mnemonic(const QString& text)
{
    const int at = text.indexOf(QLatin1Char('&'));
    if (at < 0 || at + 1 >= text.size() || text.indexOf(QLatin1Char('&'), at + 1) >= 0 || !text[at + 1].isLetter())
        return {};
    return text[at + 1].toLower();
}

} // namespace

TEST_F(ExplorerTest, ShiftF10AndTheMenuKeyOpenTheContextMenuOfTheSelection)
{
    MakeFolder("/F");
    MakeNote("/a.rtf");
    ASSERT_TRUE(OpenExplorer());
    m_list->setFocus();
    const Strings blank{"&New File", "New &Folder", "-", "&Paste", "-", "&Refresh"};
    const Strings note{"Open &Exclusive", "Previous &Versions...", "-", "&Copy", "Cu&t", "-", "Rena&me", "-", "&Delete"};
    struct KeyCase {
        const char* what;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Strings selected;
        Strings menu;
    };
    const KeyCase cases[] = {
        {"Shift+F10 on a note", Qt::Key_F10, Qt::ShiftModifier, {"a.rtf"}, note},
        {"Menu key on a note", Qt::Key_Menu, Qt::NoModifier, {"a.rtf"}, note},
        {"Shift+F10 on nothing", Qt::Key_F10, Qt::ShiftModifier, {}, blank},
        {"Menu key on nothing", Qt::Key_Menu, Qt::NoModifier, {}, blank},
    };
    m_list->CopySelection(false); // nothing copied, but a clipboard: Paste is offered
    m_list->m_clipNames = {"a.rtf"};
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.what);
        Select(c.selected);
        if (!c.selected.empty())
            m_list->selectionModel()->setCurrentIndex(
                m_list->Model().index(m_list->Model().FindName(QStringLiteral("a.rtf")), 0), QItemSelectionModel::NoUpdate);
        EXPECT_EQ(PopupOpenedBy([&] { QTest::keyClick(m_list, c.key, c.modifiers); }), c.menu);
    }
    // F10 alone is no menu key.
    EXPECT_EQ(PopupOpenedBy([&] { QTest::keyClick(m_list, Qt::Key_F10); }), Strings{});
}

TEST_F(ExplorerTest, EveryMenuTitleAndItemHasAMnemonicOfItsOwn)
{
    MakeFolder("/F");
    MakeNote("/a.rtf");
    ASSERT_TRUE(OpenExplorer());
    Strings faults;
    const auto checkMenu = [&](const std::string& where, const QList<QAction*>& actions) {
        std::set<QChar> used;
        for (const QAction* action : actions) {
            if (action->isSeparator())
                continue;
            const QChar key = Mnemonic(action->text());
            if (key.isNull() || !used.insert(key).second)
                faults.push_back(where + ": " + action->text().toStdString());
        }
    };
    const auto* bar = m_explorer->findChild<QMenuBar*>();
    ASSERT_TRUE(bar);
    checkMenu("menu bar", bar->actions());
    for (const QAction* title : bar->actions())
        checkMenu(title->text().toStdString(), title->menu()->actions());
    m_list->clearSelection();
    m_list->m_clipNames = {"a.rtf"};
    checkMenu("context menu, nothing selected", m_list->BuildContextMenu()->actions());
    Select({"F"});
    checkMenu("context menu, a folder", m_list->BuildContextMenu()->actions());
    EXPECT_EQ(faults, Strings{});
    EXPECT_EQ(bar->actions().size(), 3);
}
