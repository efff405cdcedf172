#include "TrashDlg.h"

#include "HistoryCall.h"
#include "HistoryRows.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qb {

CTrashDlg::CTrashDlg(CClientApp& app, QWidget* parent) : QDialog(parent), m_history(app)
{
    setWindowTitle(tr("Trash"));
    m_list = new QTreeWidget(this);
    m_list->setHeaderLabels({tr("Name"), tr("Where it was"), tr("Deleted"), tr("Size")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_restore = buttons->addButton(tr("Restore"), QDialogButtonBox::ActionRole);
    m_restore->setEnabled(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_restore, &QPushButton::clicked, this, [this] {
        if (m_list->currentItem())
            RestoreRow(m_list->indexOfTopLevelItem(m_list->currentItem()));
    });
    connect(m_list, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { m_restore->setEnabled(item != nullptr); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(560, 320);
    Reload();
}

bool CTrashDlg::Reload()
{
    m_list->clear();
    m_entries.clear();
    m_restore->setEnabled(false);
    auto entries = AskHistory(this, m_history, [this] { return m_history.Trash(); });
    if (!entries)
        return false;
    m_entries = std::move(*entries);
    for (const auto& entry : m_entries)
        m_list->addTopLevelItem(new QTreeWidgetItem(TrashRow(entry)));
    return true;
}

bool CTrashDlg::RestoreRow(int row)
{
    if (row < 0 || row >= static_cast<int>(m_entries.size()))
        return false;
    const std::int64_t id = m_entries[static_cast<std::size_t>(row)].id;
    if (!AskHistory(this, m_history, [this, id] { return m_history.Undelete(id); }))
        return false;
    m_restored = true;
    Reload();
    return true;
}

} // namespace qb
