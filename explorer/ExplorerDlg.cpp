#include "ExplorerDlg.h"

#include "ExplorerCommands.h"
#include "RemoteListCtrl.h"
#include "TrashDlg.h"

#include "editor/EditorDlg.h"

#include "note/RtfFile.h"

#include "ui/AboutDlg.h"
#include "ui/Icons.h"
#include "ui/UserPrompts.h"
#include "ui/WaitCursor.h"

#include "app/ClientApp.h"
#include "app/Settings.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace qb {
namespace {

constexpr int kMargin = 2;     // list and toolbar keep this far from the side edges
constexpr int kStatusRow = 20; // the status row's distance from the bottom
constexpr int kMinWidth = 320, kMinHeight = 240, kDefaultWidth = 640, kDefaultHeight = 480;

const char* const kHint = QT_TRANSLATE_NOOP(
    "qb::CExplorerDlg", "Double click a file/folder to open, or right click in blank area to create a new one.");

} // namespace

CExplorerDlg::CExplorerDlg(CClientApp& app, QWidget* parent) : QDialog(parent), m_app(app)
{
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_client = new QWidget(this);
    layout->addWidget(m_client);
    m_client->installEventFilter(this);

    m_list = new CRemoteListCtrl(app, m_client);
    m_countText = new QLabel(tr("0 objects"), m_client);
    m_pathText = new QLabel(m_client);
    m_pathText->setStyleSheet(QStringLiteral("color: rgb(0, 0, 255);"));
    m_pathText->setTextFormat(Qt::PlainText);
    m_progress = new QProgressBar(m_client);
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_busy = new QProgressBar(m_client);
    m_busy->setObjectName(QStringLiteral("busyIndicator"));
    m_busy->setRange(0, 0); // moves to and fro: how long is not known
    m_busy->setTextVisible(false);
    m_busy->setToolTip(tr("Waiting for the server..."));
    m_busy->hide();
    m_waiter.onBusy = [this](bool busy) { m_busy->setVisible(busy); };
    m_app.SetWaiter(&m_waiter);
    m_openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    connect(m_list, &CRemoteListCtrl::countTextChanged, m_countText, &QLabel::setText);
    connect(m_list, &CRemoteListCtrl::pathTextChanged, this, &CExplorerDlg::ShowPath);
    connect(m_list, &CRemoteListCtrl::folderOpened, this, &CExplorerDlg::PushHistory);
    connect(m_list, &CRemoteListCtrl::newFileRequested, this, [this] { RunCommand(cmd::kNewFile); });
    connect(m_list, &CRemoteListCtrl::fileOpenRequested, this, &CExplorerDlg::OpenNote);
}

CExplorerDlg::~CExplorerDlg()
{
    m_app.SetWaiter(nullptr);
}

QAction* CExplorerDlg::MakeAction(int id, const QString& text)
{
    auto* action = new QAction(text, this);
    action->setData(id);
    const QString tip = cmd::ToolTipText(id);
    if (!tip.isEmpty())
        action->setToolTip(tip);
    // A rename's edit box takes Ctrl+C, Ctrl+X and Ctrl+V first: Qt lets a focused line
    // edit override the window's keys it uses itself.
    action->setShortcuts(cmd::Shortcuts(id));
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    m_actions.insert(id, action);
    return action;
}

void CExplorerDlg::CreateToolBar()
{
    m_toolBar = new QToolBar(m_client);
    m_toolBar->setIconSize(QSize(16, 15));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setStyleSheet(QStringLiteral("QToolBar { border: none; }"));
    const int buttons[] = {cmd::kNewFile, cmd::kNewFolder, -1, cmd::kBack, cmd::kForward, cmd::kUp, cmd::kHome};
    for (int id : buttons) {
        if (id < 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = m_actions.value(id);
        if (!action)
            action = MakeAction(id, cmd::ToolTipText(id));
        action->setIcon(cmd::ToolbarIcon(id));
        m_toolBar->addAction(action);
        if (auto* button = qobject_cast<QToolButton*>(m_toolBar->widgetForAction(action)))
            button->setFixedWidth(24);
    }
    m_toolBar->adjustSize();
}

void CExplorerDlg::CreateMenuBar()
{
    auto* bar = new QMenuBar(this);
    addAction(MakeAction(cmd::kRefresh, tr("&Refresh"))); // its keys only, as the list's right-click menu has it
    QMenu* file = bar->addMenu(tr("&File"));
    file->addAction(MakeAction(cmd::kNewFile, tr("&New File")));
    file->addAction(MakeAction(cmd::kNewFolder, tr("New &Folder")));
    file->addSeparator();
    file->addAction(MakeAction(cmd::kOpenLocal, tr("&Open Local")));
    file->addAction(MakeAction(cmd::kTrash, tr("&Trash")));
    file->addSeparator();
    file->addAction(MakeAction(cmd::kExit, tr("E&xit")));

    m_editMenu = bar->addMenu(tr("&Edit"));
    m_editMenu->addAction(MakeAction(cmd::kCopy, tr("&Copy")));
    m_editMenu->addAction(MakeAction(cmd::kCut, tr("Cu&t")));
    m_editMenu->addSeparator();
    m_editMenu->addAction(MakeAction(cmd::kPaste, tr("&Paste")));
    m_editMenu->addSeparator();
    m_editMenu->addAction(MakeAction(cmd::kDelete, tr("&Delete")));
    connect(m_editMenu, &QMenu::aboutToShow, this, &CExplorerDlg::UpdateEditMenu);

    QMenu* help = bar->addMenu(tr("&Help"));
    help->addAction(MakeAction(cmd::kAbout, tr("&About")));
    help->addAction(MakeAction(cmd::kOnlineHelp, tr("&Online Help")));
    layout()->setMenuBar(bar);
}

bool CExplorerDlg::Init()
{
    CreateMenuBar();
    CreateToolBar();
    m_list->InitView();
    QString failure;
    const ChannelError listed = m_list->ListDirectory("", &failure);
    PushHistory("");
    m_fullPath = tr(kHint); // until the user opens something
    ElidePath();
    if (listed != ChannelError::None) {
        if (listed != ChannelError::Cancelled)
            Prompts().Information(this, StartFailureText(failure, listed));
        return false;
    }
    setWindowIcon(ProgramIcon());
    const int w = ReadSettingInt("MainW", m_app.IniPath());
    const int h = ReadSettingInt("MainH", m_app.IniPath());
    m_wantedSize = QSize(w >= kMinWidth ? w : kDefaultWidth, h >= kMinHeight ? h : kDefaultHeight);
    move(0, 0);
    resize(m_wantedSize);
    LayoutControls();
    setWindowTitle(QString::fromLatin1(kExplorerTitle));
    m_list->setFocus();
    return true;
}

void CExplorerDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window manager may place the window on its own when it first shows it.
    if (!m_sizeApplied && m_wantedSize.isValid()) {
        m_sizeApplied = true;
        move(0, 0);
    }
}

void CExplorerDlg::LayoutControls()
{
    if (!m_toolBar)
        return;
    const int w = m_client->width();
    const int h = m_client->height();
    const int t = m_toolBar->sizeHint().height();
    m_toolBar->setGeometry(kMargin, 0, w - 2 * kMargin, t);
    m_list->setGeometry(kMargin, t, w - 2 * kMargin, h - t - kStatusRow);
    m_countText->setGeometry(kMargin, h - kStatusRow, 54, 18);
    m_pathText->setGeometry(61, h - kStatusRow, w - 122, 18);
    ElidePath();
    m_progress->setGeometry(61, h - kStatusRow, w - 122, 18);
    m_progress->hide();
    m_busy->setGeometry(w - 58, h - kStatusRow + 3, 56, 12);
}

bool CExplorerDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        LayoutControls();
    return QDialog::eventFilter(watched, event);
}

void CExplorerDlg::PushHistory(const std::string& path)
{
    m_history.Push(path);
    UpdateNavButtons();
}

void CExplorerDlg::UpdateNavButtons()
{
    if (QAction* back = m_actions.value(cmd::kBack))
        back->setEnabled(m_history.CanGoBack());
    if (QAction* forward = m_actions.value(cmd::kForward))
        forward->setEnabled(m_history.CanGoForward());
    if (QAction* up = m_actions.value(cmd::kUp))
        up->setEnabled(!m_list->m_currentDir.empty());
}

void CExplorerDlg::UpdateEditMenu()
{
    const bool selected = m_list->HasSelection();
    m_actions.value(cmd::kCopy)->setEnabled(selected);
    m_actions.value(cmd::kCut)->setEnabled(selected);
    m_actions.value(cmd::kDelete)->setEnabled(selected);
    m_actions.value(cmd::kPaste)->setEnabled(m_list->CanPaste());
}

void CExplorerDlg::GoBack()
{
    if (!m_history.CanGoBack())
        return;
    WaitCursor wait;
    if (m_list->ListDirectory(m_history.StepBack()) == ChannelError::None)
        UpdateNavButtons();
}

void CExplorerDlg::GoForward()
{
    if (!m_history.CanGoForward())
        return;
    WaitCursor wait;
    if (m_list->ListDirectory(m_history.StepForward()) == ChannelError::None)
        UpdateNavButtons();
}

void CExplorerDlg::GoUp()
{
    WaitCursor wait;
    if (m_list->GoUp())
        PushHistory(m_list->m_currentDir);
}

void CExplorerDlg::GoHome()
{
    if (m_list->m_currentDir.empty())
        return;
    WaitCursor wait;
    if (m_list->ListDirectory("") == ChannelError::None)
        PushHistory("");
}

void CExplorerDlg::RunCommand(int id)
{
    switch (id) {
    case cmd::kNewFolder: m_list->NewFolder(); break;
    case cmd::kCopy: m_list->CopySelection(false); break;
    case cmd::kCut: m_list->CopySelection(true); break;
    case cmd::kPaste: m_list->PasteClipboard(); break;
    case cmd::kDelete: m_list->DeleteSelection(); break;
    case cmd::kBack: GoBack(); break;
    case cmd::kForward: GoForward(); break;
    case cmd::kUp: GoUp(); break;
    case cmd::kHome: GoHome(); break;
    case cmd::kRefresh: RefreshListing(); break;
    case cmd::kAbout: {
        CAboutDlg about(this);
        about.exec();
        break;
    }
    case cmd::kOnlineHelp: ShowOnlineHelp(); break;
    case cmd::kExit: close(); break;
    case cmd::kTrash: {
        CTrashDlg trash(m_app, this);
        trash.exec();
        if (trash.Restored())
            RefreshListing();
        break;
    }
    case cmd::kNewFile: NewNote(); break;
    case cmd::kOpenLocal: OpenLocal(); break;
    default: break;
    }
}

QString CExplorerDlg::GuideAddress() const
{
    return QStringLiteral("http://%1/UserGuide.htm").arg(QString::fromStdString(m_app.ServerSetting()));
}

void CExplorerDlg::ShowOnlineHelp()
{
    bool opened = false;
    {
        WaitCursor wait;
        opened = m_openUrl(QUrl(GuideAddress()));
    }
    // Without a browser the address is still worth having: the box lets it be copied.
    if (!opened)
        Prompts().InformationToCopy(
            this, tr("No web browser could be opened. The user guide is at this address:\n\n%1").arg(GuideAddress()));
}

QString CExplorerDlg::StartFailureText(const QString& cause, ChannelError error) const
{
    // A server that answered and refused is where it was looked for; otherwise the address
    // may be what is wrong, and the user needs to know where it is set.
    if (error == ChannelError::Refused)
        return cause;
    return tr("%1\n\nQuillbox looks for its server at %2. To use another server, set Server=HOST:PORT in the "
              "[QUILLBOX] section of %3 and start Quillbox again.")
        .arg(cause, QString::fromStdString(m_app.ServerSetting()), QString::fromStdString(m_app.IniPath()));
}

void CExplorerDlg::RunEditor(CEditorDlg& editor)
{
    if (editor.Start())
        editor.exec();
}

void CExplorerDlg::OpenNote(const std::string& path, bool exclusive)
{
    CEditorDlg editor(m_app, *this, this);
    editor.SetRemoteNote(path, exclusive);
    RunEditor(editor);
}

void CExplorerDlg::NewNote()
{
    CEditorDlg editor(m_app, *this, this);
    editor.SetNewNote(m_list->m_currentDir);
    RunEditor(editor);
}

void CExplorerDlg::OpenLocal()
{
    const QString file = QFileDialog::getOpenFileName(this, QString(), QString(), RtfFileFilter());
    if (file.isEmpty())
        return;
    CEditorDlg editor(m_app, *this, this);
    editor.SetLocalFile(file, m_list->m_currentDir);
    RunEditor(editor);
}

bool CExplorerDlg::NameExists(const std::string& name) const
{
    return m_list->NameExists(QString::fromStdString(name));
}

void CExplorerDlg::RefreshListing()
{
    m_list->ListDirectory(m_list->m_currentDir);
}

void CExplorerDlg::ShowProgress(int position, int range)
{
    m_progress->setRange(0, range);
    m_progress->setValue(position);
    m_progress->show();
}

void CExplorerDlg::HideProgress()
{
    m_progress->hide();
}

void CExplorerDlg::ShowPath(const QString& path)
{
    m_fullPath = path;
    ElidePath();
    // The title names the folder shown, so the window can be told apart in a task bar.
    const QString program = QString::fromLatin1(kExplorerTitle);
    setWindowTitle(m_list->m_currentDir.empty() ? program : path + QStringLiteral(" - ") + program);
}

void CExplorerDlg::ElidePath()
{
    // A deep path keeps its top and its last folders: the middle gives way.
    if (m_fullPath.isEmpty())
        return;
    m_pathText->setText(m_pathText->fontMetrics().elidedText(m_fullPath, Qt::ElideMiddle, m_pathText->width()));
    m_pathText->setToolTip(m_pathText->text() == m_fullPath ? QString() : m_fullPath);
}

void CExplorerDlg::StoreSize()
{
    // The window's own size, as it is restored: a size with the frame in it would grow the
    // window by the frame at every start.
    const QSize outer = size();
    WriteSettingInt("MainW", outer.width(), m_app.IniPath());
    WriteSettingInt("MainH", outer.height(), m_app.IniPath());
}

void CExplorerDlg::closeEvent(QCloseEvent* event)
{
    StoreSize();
    event->accept();
    done(QDialog::Accepted);
}

} // namespace qb
