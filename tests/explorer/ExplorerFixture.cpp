#include "ExplorerFixture.h"

#include "app/SessionValues.h"

namespace qb::testing {

void ExplorerTest::SetUp()
{
    m_store = std::make_unique<server::SqliteStore>((m_dir.path / "notes.db").string(), 2);
    m_service = std::make_unique<server::NotesService>(*m_store, server::ServiceOptions{});
    server::ServerOptions options;
    options.port = 0;
    options.log = false;
    m_server = std::make_unique<server::NotesServer>(*m_service, options);
    m_port = m_server->Start();
    ASSERT_GT(m_port, 0);

    m_app = std::make_unique<CClientApp>();
    m_app->SetAccount(kSharedAccount);
    m_app->SetIniPath((m_dir.path / "Quillbox.ini").string());
    ASSERT_TRUE(m_app->CreateSession(ServerAddress{"127.0.0.1", m_port}));
    SetPrompts(&m_prompts);
    g_sortAscending = true;
}

void ExplorerTest::TearDown()
{
    m_explorer.reset();
    SetPrompts(nullptr);
    m_app.reset();
    m_server.reset();
}

bool ExplorerTest::OpenExplorer()
{
    m_explorer = std::make_unique<CExplorerDlg>(*m_app);
    m_list = &m_explorer->List();
    const bool ok = m_explorer->Init();
    if (ok)
        m_explorer->show();
    return ok;
}

void ExplorerTest::MakeFolder(const std::string& path)
{
    const auto slash = path.rfind('/');
    const std::string parent = path.substr(0, slash);
    const std::string base = "/Buffer/Buffer0000/bin/";
    const auto made = PostRaw(m_port, base + "qbnewdir.pl", "ID=" + Token("kiwi") + "&DIR=" + parent).body;
    const std::string given = made.substr(made.rfind('|') + 1, made.size() - made.rfind('|') - 2);
    ASSERT_EQ(PostRaw(m_port, base + "qbrename.pl",
                      "ID=" + Token("kiwi") + "&DIR=" + parent + "&FROM=" + given + "&TO=" + path.substr(slash + 1))
                  .body,
              "OK\n");
}

void ExplorerTest::MakeNote(const std::string& path, const std::string& text)
{
    ASSERT_EQ(PostRaw(m_port, "/Buffer/Buffer0000/bin/qbsave.pl",
                      "ID=" + Token("kiwi") + "&DIR=&FILE=" + path + "&LOCK=0&DATA=" + text)
                  .body,
              "OK\n");
}

std::vector<std::string> ExplorerTest::ShownNames()
{
    std::vector<std::string> names;
    for (const auto& entry : m_list->Model().Entries())
        names.push_back(entry.name.toStdString());
    return names;
}

void ExplorerTest::Select(const std::vector<std::string>& names)
{
    m_list->clearSelection();
    for (const auto& name : names) {
        const int row = m_list->Model().FindName(QString::fromStdString(name));
        ASSERT_GE(row, 0) << name;
        m_list->selectionModel()->select(m_list->Model().index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void ExplorerTest::Open(const std::string& name)
{
    Select({name});
    m_list->OpenSelected(false);
}

} // namespace qb::testing
