#include "VersionsDlg.h"

#include "HistoryCall.h"
#include "HistoryRows.h"

#include "app/ListingLine.h"
#include "editor/EditorDlg.h"
#include "note/NoteHost.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qb {
namespace {

// An earlier version is only shown: there is no listing to check names in or refresh, and
// its text comes in one piece.
class CNoListing : public INoteHost {
public:
    bool NameExists(const std::string&) const override { return false; }
    void RefreshListing() override {}
    void ShowProgress(int, int) override {}
    void HideProgress() override {}
};

} // namespace

CVersionsDlg::CVersionsDlg(CClientApp& app, std::string path, QWidget* parent)
    : QDialog(parent), m_app(app), m_path(std::move(path)), m_history(app)
{
    setWindowTitle(tr("Previous Versions of \"%1\"").arg(QString::fromStdString(LeafName(m_path))));
    m_list = new QTreeWidget(this);
    m_list->setHeaderLabels({tr("Saved"), tr("Size")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_open = buttons->addButton(tr("Open"), QDialogButtonBox::ActionRole);
    m_open->setEnabled(false);
    m_restore = buttons->addButton(tr("Restore"), QDialogButtonBox::ActionRole);
    m_restore->setEnabled(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_restore, &QPushButton::clicked, this, [this] {
        if (m_list->currentItem())
            RestoreRow(m_list->indexOfTopLevelItem(m_list->currentItem()));
    });
    connect(m_open, &QPushButton::clicked, this, [this] {
        if (m_list->currentItem())
            OpenRow(m_list->indexOfTopLevelItem(m_list->currentItem()));
    });
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        m_restore->setEnabled(item != nullptr);
        m_open->setEnabled(item != nullptr);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(420, 300);
    Reload();
}

bool CVersionsDlg::Reload()
{
    m_list->clear();
    m_versions.clear();
    m_restore->setEnabled(false);
    m_open->setEnabled(false);
    auto versions = AskHistory(this, m_history, [this] { return m_history.Versions(m_path); });
    if (!versions)
        return false;
    m_versions = std::move(*versions);
    for (const auto& version : m_versions)
        m_list->addTopLevelItem(new QTreeWidgetItem(VersionRow(version)));
    return true;
}

bool CVersionsDlg::RestoreRow(int row)
{
    if (row < 0 || row >= static_cast<int>(m_versions.size()))
        return false;
    const std::int64_t id = m_versions[static_cast<std::size_t>(row)].id;
    if (!AskHistory(this, m_history, [this, id] { return m_history.Restore(m_path, id); }))
        return false;
    m_restored = true;
    Reload();
    return true;
}

void CVersionsDlg::OpenRow(int row)
{
    if (row < 0 || row >= static_cast<int>(m_versions.size()))
        return;
    const NoteVersion& version = m_versions[static_cast<std::size_t>(row)];
    CNoListing host;
    CEditorDlg editor(m_app, host, this);
    editor.SetEarlierVersion(m_path, version.id, VersionRow(version).front());
    if (editor.Start())
        editor.exec();
}

} // namespace qb
