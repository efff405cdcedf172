#include "RemoteListCtrl.h"

#include "ExplorerCommands.h"
#include "VersionsDlg.h"

#include "ui/NameRefusal.h"
#include "ui/UserPrompts.h"
#include "ui/WaitCursor.h"

#include "app/ClientApp.h"
#include "app/RequestBodies.h"

#include <QContextMenuEvent>
#include <QDebug>
#include <QHeaderView>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

namespace qb {

bool g_sortAscending = true;

namespace {

QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

// A refusal in the server's plain words; the log keeps the whole reply.
QString ShownReplyText(const ScriptReply& reply)
{
    if (reply.Error() == ChannelError::Refused)
        qInfo().noquote() << "server refused:" << Text(reply.UserText()).trimmed();
    return Text(reply.ShownText());
}

} // namespace

CRemoteListCtrl::CRemoteListCtrl(CClientApp& app, QWidget* parent) : QTreeView(parent), m_app(app), m_model(this)
{
    setModel(&m_model);
    // The edit box is still closing when its text arrives: the rename and the new listing it
    // brings wait until it has, or the view would be told to close an editor it no longer has.
    connect(&m_model, &RemoteListModel::renameRequested, this, [this](int row, const QString& newName) {
        if (row < 0 || row >= m_model.rowCount())
            return;
        QMetaObject::invokeMethod(
            this, [this, from = m_model.At(row).name, newName] { RenameNamed(from, newName); }, Qt::QueuedConnection);
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this] {
        m_opening = true;
        OpenSelected(false);
        m_opening = false;
        m_renameBlockedUntil = QDeadlineTimer(QApplication::doubleClickInterval() + 100);
    });
}

bool CRemoteListCtrl::InitView()
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true); // keeps 100,000-entry folders fast to lay out
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setSortingEnabled(false); // the list sorts itself by its own rules
    setColumnWidth(kColumnName, 160);
    setColumnWidth(kColumnSize, 70);
    // The stated 120 pixels were measured for a smaller system font: never cut a date off.
    const int dateWidth = fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00 AM")) + 16;
    setColumnWidth(kColumnDate, std::max(120, dateWidth));
    header()->setStretchLastSection(false);
    // The right-aligned "Size" sits against "Date Modified": the labels get room of their
    // own on both sides, the sections keep the style's look.
    header()->setStyleSheet(QStringLiteral("QHeaderView::section { padding-left: 6px; padding-right: 6px; }"));
    // The name takes whatever width the size and date leave; a name cut short shows whole
    // in its tooltip.
    header()->setSectionResizeMode(kColumnName, QHeaderView::Stretch);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(m_sortColumn, Qt::AscendingOrder);
    connect(header(), &QHeaderView::sectionClicked, this, &CRemoteListCtrl::SortByColumn);
    return true;
}

ChannelError CRemoteListCtrl::ListDirectory(const std::string& path, QString* failure)
{
    WaitCursor wait;
    g_sortAscending = true;
    ScriptReply reply = m_app.Post(kScriptDir, ListBody(m_app.MakeSessionToken(), path));
    if (reply.Ok()) {
        ShowListing(path, reply.Lines());
        return ChannelError::None;
    }
    if (reply.Error() == ChannelError::Cancelled)
        return reply.Error();
    // What is shown may be gone by now: it stays for orientation, greyed, until a listing
    // succeeds.
    m_model.SetStale(true);
    const QString text = ShownReplyText(reply);
    if (failure)
        *failure = text;
    else
        Prompts().Information(this, text);
    return reply.Error();
}

void CRemoteListCtrl::ShowListing(const std::string& path, ReplyReader& reply)
{
    std::vector<RemoteEntry> entries;
    for (std::string line; reply.ReadLine(line);) {
        if (auto parsed = ParseEntryLine(line); parsed.entry)
            entries.push_back(std::move(*parsed.entry));
    }
    // Insertion order does not matter: the sort decides what is shown.
    m_model.SetStale(false);
    m_model.SetEntries(std::move(entries));
    m_model.SortEntries(m_sortColumn, g_sortAscending);
    header()->setSortIndicator(m_sortColumn, Qt::AscendingOrder);
    const int count = m_model.rowCount();
    emit countTextChanged(count == 1 ? tr("1 item") : tr("%n items", nullptr, count));
    m_currentDir = path;
    ShowCutEntries();
    emit pathTextChanged(path.empty() ? tr("Home") : Text(path));
}

void CRemoteListCtrl::ShowCutEntries()
{
    QSet<QString> cut;
    if (m_clipIsCut && m_clipFromDir == m_currentDir) {
        for (const auto& name : m_clipNames)
            cut.insert(Text(name));
    }
    m_model.SetCutNames(std::move(cut));
}

int CRemoteListCtrl::AddEntryLine(std::string_view line, int index)
{
    auto parsed = ParseEntryLine(line);
    if (!parsed.entry)
        return static_cast<int>(parsed.error);
    (void)index; // only ever the end of the list here
    m_model.Append(std::move(*parsed.entry));
    return 1;
}

bool CRemoteListCtrl::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // A rename armed by the clicks of a double-click would take the next keys typed as the
    // entry's new name.
    // Reported as handled: a refusal would have Qt warn that editing failed.
    if (m_opening || !m_renameBlockedUntil.hasExpired())
        return true;
    return QTreeView::edit(index, trigger, event);
}

int CRemoteListCtrl::OpenSelected(bool exclusive)
{
    const auto rows = SelectedRows();
    if (rows.empty())
        return 0;
    const RemoteEntry& entry = m_model.At(rows.front());
    const std::string path = ChildPath(m_currentDir, entry.name.toStdString());
    if (entry.isFolder) {
        if (ListDirectory(path) == ChannelError::None)
            emit folderOpened(path);
    } else {
        emit fileOpenRequested(path, exclusive);
    }
    return 1;
}

bool CRemoteListCtrl::GoUp()
{
    const auto parent = ParentPath(m_currentDir);
    return parent && ListDirectory(*parent) == ChannelError::None;
}

std::vector<int> CRemoteListCtrl::SelectedRows() const
{
    std::vector<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows(kColumnName))
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<std::string> CRemoteListCtrl::SelectedNames() const
{
    std::vector<std::string> names;
    for (int row : SelectedRows())
        names.push_back(m_model.At(row).name.toStdString());
    return names;
}

bool CRemoteListCtrl::HasSelection() const
{
    return !SelectedRows().empty();
}

bool CRemoteListCtrl::CanPaste() const
{
    if (m_clipNames.empty())
        return false;
    const auto rows = SelectedRows();
    return rows.empty() || (rows.size() == 1 && m_model.At(rows.front()).isFolder);
}

int CRemoteListCtrl::CopySelection(bool cut)
{
    m_clipIsCut = cut;
    m_clipNames = SelectedNames();
    m_clipFromDir = m_currentDir;
    ShowCutEntries();
    return 1;
}

bool CRemoteListCtrl::AcceptedOrShown(const ScriptReply& reply)
{
    if (reply.Error() == ChannelError::Cancelled) {
        Prompts().Information(this, tr("You stopped waiting for the server, but it may still have made the change. "
                                       "The folder is listed again to show what it holds now."));
        ListDirectory(m_currentDir);
        return false;
    }
    if (!reply.Ok())
        Prompts().Information(this, ShownReplyText(reply));
    return reply.Ok();
}

int CRemoteListCtrl::PasteClipboard()
{
    WaitCursor wait;
    std::string target = m_currentDir;
    const auto rows = SelectedRows();
    if (rows.size() == 1 && m_model.At(rows.front()).isFolder)
        target = ChildPath(m_currentDir, m_model.At(rows.front()).name.toStdString());
    const ScriptReply reply = m_app.Post(m_clipIsCut ? kScriptMove : kScriptCopy,
                                         PasteBody(m_app.MakeSessionToken(), target, m_clipFromDir, m_clipNames));
    // What was moved is no longer where the clipboard says: a second paste could only fail.
    if (reply.Ok() && m_clipIsCut)
        m_clipNames.clear();
    // Part of a refused paste may have happened: the new listing comes before the reason.
    if (reply.Ok() || reply.Error() == ChannelError::Refused)
        ListDirectory(m_currentDir);
    return AcceptedOrShown(reply) ? 1 : 0;
}

QString CRemoteListCtrl::DeleteQuestion() const
{
    const auto rows = SelectedRows();
    if (rows.size() != 1)
        return tr("Delete %n items?", nullptr, static_cast<int>(rows.size()));
    const RemoteEntry& entry = m_model.At(rows.front());
    return entry.isFolder ? tr("Delete \"%1\" and everything in it?").arg(entry.name)
                          : tr("Delete \"%1\"?").arg(entry.name);
}

int CRemoteListCtrl::DeleteSelection()
{
    const auto names = SelectedNames();
    if (names.empty())
        return 0;
    if (!Prompts().AskQuestion(this, DeleteQuestion()))
        return 0;
    WaitCursor wait;
    const ScriptReply reply = m_app.Post(kScriptDelete, DeleteBody(m_app.MakeSessionToken(), m_currentDir, names));
    if (!AcceptedOrShown(reply))
        return reply.Error() == ChannelError::Refused ? -2 : -1;
    ListDirectory(m_currentDir);
    return 1;
}

bool CRemoteListCtrl::NewFolder()
{
    {
        WaitCursor wait;
        ScriptReply reply = m_app.Post(kScriptNewDir, NewFolderBody(m_app.MakeSessionToken(), m_currentDir));
        if (!AcceptedOrShown(reply))
            return false;
        std::string line;
        reply.ReadLine(line);
        if (AddEntryLine(line, m_model.rowCount()) != 1)
            return false;
    }
    // Appended unsorted at the bottom, with its name ready to be typed over.
    StartRename(m_model.rowCount() - 1);
    return true;
}

void CRemoteListCtrl::StartRename(int row)
{
    setFocus();
    const QModelIndex index = m_model.index(row, kColumnName);
    setCurrentIndex(index);
    scrollTo(index);
    edit(index);
}

void CRemoteListCtrl::RenameEntry(int row, const QString& newText)
{
    if (row >= 0 && row < m_model.rowCount())
        RenameNamed(m_model.At(row).name, newText);
}

void CRemoteListCtrl::RenameNamed(const QString& from, const QString& to)
{
    if (to.isEmpty())
        return;
    // Said here in the server's words, before anything is sent.
    if (const QString refusal = NameRefusal(to); !refusal.isEmpty()) {
        Prompts().Information(this, refusal);
        return;
    }
    WaitCursor wait;
    const ScriptReply reply = m_app.Post(
        kScriptRename, RenameBody(m_app.MakeSessionToken(), m_currentDir, from.toStdString(), to.toStdString()));
    if (!AcceptedOrShown(reply))
        return;
    ListDirectory(m_currentDir);
}

void CRemoteListCtrl::ShowVersions()
{
    const auto rows = SelectedRows();
    if (rows.size() != 1 || m_model.At(rows.front()).isFolder)
        return;
    CVersionsDlg versions(m_app, ChildPath(m_currentDir, m_model.At(rows.front()).name.toStdString()), this);
    versions.exec();
    if (versions.Restored())
        ListDirectory(m_currentDir);
}

std::unique_ptr<QMenu> CRemoteListCtrl::BuildContextMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    auto add = [&](int id, const QString& text, bool enabled) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        action->setEnabled(enabled);
        return action;
    };
    const auto rows = SelectedRows();
    if (rows.empty()) {
        add(cmd::kNewFile, tr("&New File"), true);
        add(cmd::kNewFolder, tr("New &Folder"), true);
        menu->addSeparator();
        add(cmd::kPaste, tr("&Paste"), !m_clipNames.empty());
        menu->addSeparator();
        add(cmd::kRefresh, tr("&Refresh"), true);
        return menu;
    }
    const bool oneFolder = rows.size() == 1 && m_model.At(rows.front()).isFolder;
    const bool oneFile = rows.size() == 1 && !m_model.At(rows.front()).isFolder;
    add(cmd::kOpenExclusive, tr("Open &Exclusive"), oneFile);
    add(cmd::kPreviousVersions, tr("Previous &Versions..."), oneFile);
    menu->addSeparator();
    add(cmd::kCopy, tr("&Copy"), true);
    add(cmd::kCut, tr("Cu&t"), true);
    menu->addSeparator();
    if (oneFolder) {
        add(cmd::kPaste, tr("&Paste"), !m_clipNames.empty());
        menu->addSeparator();
    }
    add(cmd::kRename, tr("Rena&me"), true);
    menu->addSeparator();
    add(cmd::kDelete, tr("&Delete"), true);
    return menu;
}

void CRemoteListCtrl::RunContextCommand(int id)
{
    switch (id) {
    case cmd::kRename:
        if (const auto rows = SelectedRows(); !rows.empty())
            StartRename(rows.front());
        break;
    case cmd::kRefresh: ListDirectory(m_currentDir); break;
    case cmd::kNewFolder: NewFolder(); break;
    case cmd::kNewFile: emit newFileRequested(); break;
    case cmd::kCopy: CopySelection(false); break;
    case cmd::kCut: CopySelection(true); break;
    case cmd::kPaste:
        PasteClipboard();
        break;
    case cmd::kDelete: DeleteSelection(); break;
    case cmd::kOpenExclusive: OpenSelected(true); break;
    case cmd::kPreviousVersions: ShowVersions(); break;
    default: break;
    }
}

void CRemoteListCtrl::ShowContextMenu(const QPoint& globalPos)
{
    auto menu = BuildContextMenu();
    if (QAction* chosen = menu->exec(globalPos))
        RunContextCommand(chosen->data().toInt());
}

QPoint CRemoteListCtrl::KeyboardMenuPos() const
{
    const QModelIndex current = currentIndex();
    const QRect rect = current.isValid() && !SelectedRows().empty() ? visualRect(current) : QRect();
    const QPoint at = rect.isValid() ? QPoint(rect.left() + 16, rect.bottom()) : QPoint(8, 8);
    return viewport()->mapToGlobal(at);
}

void CRemoteListCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    // From the keyboard the menu is for the selection as it is.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        ShowContextMenu(KeyboardMenuPos());
        return;
    }
    // A right click on an item selects it first, as the platform's list does.
    const QModelIndex index = indexAt(viewport()->mapFromGlobal(event->globalPos()));
    if (index.isValid() && !selectionModel()->isRowSelected(index.row(), {}))
        selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else if (!index.isValid())
        clearSelection();
    ShowContextMenu(event->globalPos());
}

void CRemoteListCtrl::SortByColumn(int column)
{
    g_sortAscending = column == m_sortColumn ? !g_sortAscending : true;
    m_sortColumn = column;
    m_model.SortEntries(column, g_sortAscending);
    header()->setSortIndicator(column, g_sortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

bool CRemoteListCtrl::NameExists(const QString& name) const
{
    return m_model.FindName(name) >= 0;
}

void CRemoteListCtrl::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape belong to the list while it has the focus: they must not close the
    // explorer.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (state() != QAbstractItemView::EditingState)
            OpenSelected(false);
        event->accept();
        return;
    case Qt::Key_Escape:
        event->accept();
        return;
    case Qt::Key_Delete:
        DeleteSelection();
        event->accept();
        return;
    case Qt::Key_Menu:
        ShowContextMenu(KeyboardMenuPos());
        event->accept();
        return;
    case Qt::Key_F10:
        if (event->modifiers() == Qt::ShiftModifier) {
            ShowContextMenu(KeyboardMenuPos());
            event->accept();
            return;
        }
        QTreeView::keyPressEvent(event);
        return;
    default:
        QTreeView::keyPressEvent(event);
    }
}

} // namespace qb
