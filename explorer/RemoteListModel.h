#pragma once
// The entries of the folder shown, in the order shown, with the three columns' texts.

#include "RemoteEntry.h"

#include <QAbstractTableModel>

#include <QSet>

#include <vector>

namespace qb {

class RemoteListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An edited name is never kept here: it becomes a rename request, and only a new
    // listing shows the new name.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    void SetEntries(std::vector<RemoteEntry> entries);
    void Append(RemoteEntry entry);
    void SortEntries(int column, bool ascending);
    const RemoteEntry& At(int row) const { return m_entries[static_cast<std::size_t>(row)]; }
    const std::vector<RemoteEntry>& Entries() const { return m_entries; }
    // Row of the entry the server would take name for (ASCII letter case aside), or -1.
    int FindName(const QString& name) const;

    // Entries cut to the clipboard look dimmed until they are pasted or the clipboard
    // changes.
    void SetCutNames(QSet<QString> names);
    bool IsCut(int row) const { return m_cutNames.contains(At(row).name); }
    // A listing that could not be renewed: its entries may be gone, so they are greyed and
    // cannot be selected until a listing succeeds.
    void SetStale(bool stale);
    bool IsStale() const { return m_stale; }

signals:
    void renameRequested(int row, const QString& newName);

private:
    std::vector<RemoteEntry> m_entries;
    QSet<QString> m_cutNames;
    bool m_stale = false;
};

} // namespace qb
