#include "explorer/NavigationHistory.h"
#include "explorer/RemoteEntry.h"
#include "explorer/RemoteListModel.h"

#include <gtest/gtest.h>

using namespace qb;

namespace {
RemoteEntry Entry(bool folder, const char* name, int size, int modified)
{
    RemoteEntry entry;
    entry.isFolder = folder;
    entry.name = QString::fromUtf8(name);
    entry.size = size;
    entry.modified = modified;
    return entry;
}
} // namespace

TEST(EntryLine, ParsesTheListingFormat)
{
    const struct {
        const char* line;
        int result; // 1, -1 or -2
        bool folder;
        const char* name;
        int size;
    } rows[] = {
        {"1|0|1173897000|Docs", 1, true, "Docs", 0},
        {"0|5321|1173897420|notes.rtf", 1, false, "notes.rtf", 5321},
        {"0|12|1173897000|a|b.txt", 1, false, "b.txt", 12},
        {"1|2|3", 1, true, "3", 2},
        {" 0| +7|-1|spaced name.rtf", 1, false, "spaced name.rtf", 7},
        {"x|1|2|name", -1, false, "", 0},
        {"", -1, false, "", 0},
        {"1|2", -1, false, "", 0},
        {"0|99999999999|0|huge", 1, false, "huge", 2147483647},
    };
    for (const auto& row : rows) {
        const auto parsed = ParseEntryLine(row.line);
        if (row.result != 1) {
            EXPECT_FALSE(parsed.entry) << row.line;
            EXPECT_EQ(static_cast<int>(parsed.error), row.result) << row.line;
            continue;
        }
        ASSERT_TRUE(parsed.entry) << row.line;
        EXPECT_EQ(parsed.entry->isFolder, row.folder) << row.line;
        EXPECT_EQ(parsed.entry->name.toStdString(), row.name) << row.line;
        EXPECT_EQ(parsed.entry->size, row.size) << row.line;
    }
}

TEST(EntryLine, ColumnTexts)
{
    setenv("TZ", "UTC", 1);
    tzset();
    const struct {
        bool folder;
        int size, modified;
        const char *sizeText, *dateText;
    } rows[] = {
        {false, 0, 0, "0 KB", ""},
        {false, 1000, 1, "1 KB", "01/01/1970 12:00 AM"},
        {false, 1001, 1173906300, "2 KB", "03/14/2007 09:05 PM"},
        {true, 4096, 1173897000, "", "03/14/2007 06:30 PM"},
        {false, 5, -5, "1 KB", ""},
    };
    for (const auto& row : rows) {
        const RemoteEntry entry = Entry(row.folder, "x", row.size, row.modified);
        EXPECT_EQ(SizeText(entry).toStdString(), row.sizeText);
        EXPECT_EQ(DateText(entry).toStdString(), row.dateText);
    }
    EXPECT_EQ(ExtensionOf(QStringLiteral("notes.rtf")), QStringLiteral(".rtf"));
    EXPECT_EQ(ExtensionOf(QStringLiteral("a.b.TXT")), QStringLiteral(".TXT"));
    EXPECT_EQ(ExtensionOf(QStringLiteral(".profile")), QString());
    EXPECT_EQ(ExtensionOf(QStringLiteral("README")), QString());
}

TEST(EntryOrder, FoldersFirstByNameAndSizeDatesMixed)
{
    const RemoteEntry apple = Entry(false, "apple", 300, 30);
    const RemoteEntry banana = Entry(false, "Banana", 100, 10);
    const RemoteEntry docs = Entry(true, "docs", 0, 20);
    const RemoteEntry zed = Entry(true, "Zed", 0, 40);
    for (bool ascending : {true, false}) {
        EXPECT_LT(CompareEntries(docs, apple, kColumnName, ascending), 0);
        EXPECT_GT(CompareEntries(apple, docs, kColumnName, ascending), 0);
        EXPECT_LT(CompareEntries(zed, banana, kColumnSize, ascending), 0);
    }
    EXPECT_LT(CompareEntries(apple, banana, kColumnName, true), 0); // case-insensitive
    EXPECT_GT(CompareEntries(apple, banana, kColumnName, false), 0);
    EXPECT_GT(CompareEntries(apple, banana, kColumnSize, true), 0);
    EXPECT_LT(CompareEntries(docs, zed, kColumnSize, true), 0); // folders by name
    EXPECT_LT(CompareEntries(banana, docs, kColumnDate, true), 0);
    EXPECT_GT(CompareEntries(banana, docs, kColumnDate, false), 0);
}

TEST(RemotePaths, ChildAndParent)
{
    EXPECT_EQ(ChildPath("", "Docs"), "/Docs");
    EXPECT_EQ(ChildPath("/Docs", "2007"), "/Docs/2007");
    EXPECT_EQ(ParentPath("/Docs/2007"), "/Docs");
    EXPECT_EQ(ParentPath("/Docs"), "");
    EXPECT_FALSE(ParentPath(""));
}

TEST(NavigationHistory, KeepsTheLastTwentyAndAppendsAfterBack)
{
    NavigationHistory history;
    history.Push("");
    EXPECT_FALSE(history.CanGoBack());
    EXPECT_FALSE(history.CanGoForward());
    for (int i = 1; i <= 25; ++i)
        history.Push("/F" + std::to_string(i));
    EXPECT_EQ(history.Entries().size(), 20u);
    EXPECT_EQ(history.Entries().front(), "/F6");
    EXPECT_EQ(history.Position(), 19);
    std::string reached;
    while (history.CanGoBack())
        reached = history.StepBack();
    EXPECT_EQ(reached, "/F6");

    NavigationHistory h;
    for (const char* path : {"", "/A", "/A/B"})
        h.Push(path);
    h.StepBack();
    h.StepBack();
    EXPECT_TRUE(h.CanGoForward());
    h.Push("/C");
    EXPECT_EQ(h.Entries(), (std::vector<std::string>{"", "/A", "/A/B", "/C"}));
    EXPECT_EQ(h.Position(), 3);
    EXPECT_EQ(h.StepBack(), "/A/B");
}

// The server tells names apart with ASCII letters folded and nothing else: so does the check
// for a name already there.
TEST(EntryLine, NamesMatchAsTheServerTellsThemApart)
{
    RemoteListModel model;
    model.SetEntries({Entry(false, "notes.rtf", 1, 1), Entry(false, "\xc3\xa4pfel.rtf", 1, 1)});
    EXPECT_EQ(model.FindName(QStringLiteral("NOTES.RTF")), 0);
    EXPECT_EQ(model.FindName(QString::fromUtf8("\xc3\xa4pfel.rtf")), 1);
    EXPECT_EQ(model.FindName(QString::fromUtf8("\xc3\x84pfel.rtf")), -1); // another name to the server
    EXPECT_EQ(model.FindName(QStringLiteral("notes")), -1);
}
