// The client's side of versions and the trash: bodies, reply lines, and the calls against
// a real server.

#include "app/ClientApp.h"
#include "app/NoteHistory.h"
#include "app/RequestBodies.h"
#include "app/SessionValues.h"

#include "server/ServerFixture.h"

#include <gtest/gtest.h>

using namespace qb;

TEST(HistoryBodies, FieldsInTheirOrderAndValuesRaw)
{
    EXPECT_EQ(VersionsBody("T", "/a&b=c.rtf"), "ID=T&FILE=/a&b=c.rtf");
    EXPECT_EQ(OpenVersionBody("T", "/n.rtf", 12), "ID=T&FILE=/n.rtf&VERSION=12");
    EXPECT_EQ(RestoreBody("T", "/n.rtf", 12, "HOST-A"), "ID=T&FILE=/n.rtf&VERSION=12&LOCK=HOST-A");
    EXPECT_EQ(RestoreBody("T", "/n.rtf", 3, ""), "ID=T&FILE=/n.rtf&VERSION=3&LOCK=");
    EXPECT_EQ(TrashBody("T"), "ID=T");
    EXPECT_EQ(UndeleteBody("T", 7), "ID=T&ENTRY=7");
}

TEST(HistoryLines, VersionLines)
{
    struct Case {
        std::string lines;
        std::optional<std::vector<NoteVersion>> parsed;
    };
    const std::vector<Case> cases = {
        {"", std::vector<NoteVersion>{}},
        {"3|12|1700000120\r\n1|5|1700000000\n", std::vector<NoteVersion>{{3, 12, 1700000120}, {1, 5, 1700000000}}},
        {"3|12\n", std::nullopt},
        {"3|12|17|9\n", std::nullopt},
        {"x|12|17\n", std::nullopt},
        {"3||17\n", std::nullopt},
    };
    for (const auto& c : cases) {
        ReplyReader reader(c.lines);
        EXPECT_EQ(ParseVersionLines(reader), c.parsed) << c.lines;
    }
}

TEST(HistoryLines, TrashLines)
{
    struct Case {
        std::string lines;
        std::optional<std::vector<TrashEntry>> parsed;
    };
    const std::vector<Case> cases = {
        {"", std::vector<TrashEntry>{}},
        {"2|0|16|1700001000|/top.rtf\n1|1|25|1700001000|/A|B/Recipes & more\n",
         std::vector<TrashEntry>{{2, false, 16, 1700001000, "/top.rtf"},
                                 {1, true, 25, 1700001000, "/A|B/Recipes & more"}}},
        {"2|2|16|1700001000|/top.rtf\n", std::nullopt},
        {"2|0|16|1700001000|top.rtf\n", std::nullopt},
        {"2|0|16|/top.rtf\n", std::nullopt},
    };
    for (const auto& c : cases) {
        ReplyReader reader(c.lines);
        EXPECT_EQ(ParseTrashLines(reader), c.parsed) << c.lines;
    }
    const TrashEntry nested{1, true, 0, 0, "/A/B/Recipes"};
    EXPECT_EQ(nested.Name(), "Recipes");
    EXPECT_EQ(nested.Place(), "/A/B");
    const TrashEntry top{1, false, 0, 0, "/n.rtf"};
    EXPECT_EQ(top.Name(), "n.rtf");
    EXPECT_EQ(top.Place(), "");
}

class HistoryClient : public qb::testing::ServerTest {
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        app.SetAccount(kSharedAccount);
        ASSERT_TRUE(app.CreateSession(ServerAddress{"127.0.0.1", m_port}));
    }
    void SaveNote(const std::string& file, const std::string& text)
    {
        ASSERT_TRUE(app.PostStreamed(kScriptSave, SavePrefix(app.MakeSessionToken(), "", file, "", false), text, {})
                        .Ok());
        m_now += 60;
    }

    CClientApp app;
    CNoteHistory history{app};
};

TEST_F(HistoryClient, VersionsAreListedOpenedAndRestored)
{
    const std::int64_t t0 = m_now;
    SaveNote("/n.rtf", "QUFB=");
    SaveNote("/n.rtf", "QkJCQg==");
    SaveNote("/n.rtf", "Q0NDQ0NDQ0ND");
    EXPECT_EQ(history.Versions("/n.rtf"), (std::vector<NoteVersion>{{2, 8, t0 + 60}, {1, 5, t0}}));
    EXPECT_EQ(history.OpenVersion("/n.rtf", 1), "QUFB=");
    EXPECT_TRUE(history.Restore("/n.rtf", 1));
    EXPECT_EQ(history.Versions("/n.rtf")->size(), 3u);
    EXPECT_EQ(history.OpenVersion("/n.rtf", 3), "Q0NDQ0NDQ0ND");

    EXPECT_EQ(history.OpenVersion("/n.rtf", 9), std::nullopt);
    EXPECT_EQ(history.Error(), "ERROR: The version does not exist.\n");
    EXPECT_FALSE(history.Restore("/gone.rtf", 1));
    EXPECT_EQ(history.Error(), "ERROR: The note does not exist.\n/gone.rtf\n");
}

TEST_F(HistoryClient, TheTrashIsListedAndPutBack)
{
    SaveNote("/n.rtf", "QUFB=");
    const std::int64_t deleted = m_now;
    ASSERT_TRUE(app.Post(kScriptDelete, DeleteBody(app.MakeSessionToken(), "", {"n.rtf"})).Ok());
    EXPECT_EQ(history.Trash(), (std::vector<TrashEntry>{{1, false, 5, deleted, "/n.rtf"}}));
    SaveNote("/n.rtf", "QkJC=");
    EXPECT_EQ(history.Undelete(1), "/Copy of n.rtf");
    EXPECT_EQ(history.Trash(), std::vector<TrashEntry>{});
    EXPECT_EQ(history.Undelete(1), std::nullopt);
    EXPECT_EQ(history.Error(), "ERROR: The entry is not in the trash.\n");
}
