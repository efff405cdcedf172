#include "RemoteListModel.h"

#include "app/AsciiCase.h"

#include "ui/Icons.h"

#include <QColor>
#include <QIcon>

#include <algorithm>

namespace qb {
namespace {

const QColor kEntryText(0, 0x77, 0);
const QColor kCutText(0x88, 0xbb, 0x88); // the entry colour, faded

QIcon Dimmed(const QIcon& icon)
{
    return QIcon(icon.pixmap(16, QIcon::Disabled));
}

} // namespace

int RemoteListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int RemoteListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant RemoteListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const RemoteEntry& entry = At(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case kColumnName: return entry.name;
        case kColumnSize: return SizeText(entry);
        default: return DateText(entry);
        }
    case Qt::DecorationRole:
        if (index.column() == kColumnName) {
            const QIcon icon = entry.isFolder ? FolderIcon() : FileIconFor(ExtensionOf(entry.name));
            return IsCut(index.row()) ? Dimmed(icon) : icon;
        }
        return {};
    case Qt::ToolTipRole:
        return index.column() == kColumnName ? QVariant(entry.name) : QVariant();
    case Qt::ForegroundRole:
        return IsCut(index.row()) ? kCutText : kEntryText;
    case Qt::TextAlignmentRole:
        return index.column() == kColumnSize ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                             : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant RemoteListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole) {
        switch (section) {
        case kColumnName: return tr("Name");
        case kColumnSize: return tr("Size");
        default: return tr("Date Modified");
        }
    }
    if (role == Qt::TextAlignmentRole)
        return section == kColumnSize ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                      : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags RemoteListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_stale)
        return f & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (index.isValid() && index.column() == kColumnName)
        f |= Qt::ItemIsEditable;
    return f;
}

bool RemoteListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role == Qt::EditRole && index.isValid() && index.column() == kColumnName)
        emit renameRequested(index.row(), value.toString());
    return false;
}

void RemoteListModel::SetEntries(std::vector<RemoteEntry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

void RemoteListModel::Append(RemoteEntry entry)
{
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_entries.push_back(std::move(entry));
    endInsertRows();
}

void RemoteListModel::SortEntries(int column, bool ascending)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order(m_entries.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return CompareEntries(m_entries[static_cast<std::size_t>(a)], m_entries[static_cast<std::size_t>(b)], column,
                              ascending)
            < 0;
    });
    std::vector<RemoteEntry> sorted;
    sorted.reserve(m_entries.size());
    std::vector<int> newRow(m_entries.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(m_entries[static_cast<std::size_t>(order[i])]));
        newRow[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    }
    m_entries = std::move(sorted);
    // Selection and the current item follow their entries to their new rows.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.push_back(createIndex(newRow[static_cast<std::size_t>(index.row())], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void RemoteListModel::SetCutNames(QSet<QString> names)
{
    if (names == m_cutNames)
        return;
    m_cutNames = std::move(names);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::ForegroundRole, Qt::DecorationRole});
}

void RemoteListModel::SetStale(bool stale)
{
    if (stale == m_stale)
        return;
    beginResetModel(); // flags change for every row
    m_stale = stale;
    endResetModel();
}

int RemoteListModel::FindName(const QString& name) const
{
    // As the server tells names apart: ASCII letters alike in either case, nothing else.
    const std::string wanted = name.toStdString();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (EqualsNoCase(m_entries[i].name.toStdString(), wanted))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace qb
