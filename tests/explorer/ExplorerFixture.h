#pragma once
// An explorer window against a real notes server on a free loopback port, with message
// boxes answered by a script.

#include "explorer/ExplorerDlg.h"
#include "explorer/RemoteListCtrl.h"

#include "ui/ScriptedPrompts.h"

#include "app/ClientApp.h"
#include "server/ServerFixture.h"
#include "server/SqliteStore.h"

#include <gtest/gtest.h>

#include <memory>

namespace qb::testing {

// A server, a client application object and the seeding helpers, without a window.
class ExplorerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes an explorer and runs its start; false when the first listing failed.
    bool OpenExplorer();
    // Seeds the server directly: a folder path ("/A/B") or a note ("/A/n.rtf", any text).
    void MakeFolder(const std::string& path);
    void MakeNote(const std::string& path, const std::string& text = "QUJD=");
    std::vector<std::string> ShownNames();
    void Select(const std::vector<std::string>& names);
    void Open(const std::string& name); // select it and open it, as a double-click does

    TempDir m_dir;
    std::unique_ptr<server::SqliteStore> m_store;
    std::unique_ptr<server::NotesService> m_service;
    std::unique_ptr<server::NotesServer> m_server;
    int m_port = -1;
    std::unique_ptr<CClientApp> m_app;
    ScriptedPrompts m_prompts;
    std::unique_ptr<CExplorerDlg> m_explorer;
    CRemoteListCtrl* m_list = nullptr;
};

} // namespace qb::testing
