#include "EditorDlg.h"

#include "DecryptFailDlg.h"
#include "FileNameDlg.h"
#include "FormatBar.h"
#include "FormatCommands.h"
#include "KeyDlg.h"
#include "LocalCopyName.h"
#include "NoteRichEdit.h"

#include "note/NoteDocument.h"
#include "note/NoteHost.h"
#include "note/NoteLock.h"
#include "note/NoteOpener.h"
#include "note/NoteSaver.h"
#include "note/RtfFile.h"

#include "ui/Icons.h"
#include "ui/UserPrompts.h"
#include "ui/WaitCursor.h"

#include "app/ClientApp.h"
#include "app/NoteHistory.h"
#include "app/Settings.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QScreen>
#include <QTextCursor>
#include <QTextCharFormat>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace qb {
namespace {

constexpr int kMinWidth = 320, kMinHeight = 240, kDefaultWidth = 640, kDefaultHeight = 480;
constexpr int kLocalCopyProgressRange = 200;

} // namespace

CEditorDlg::CEditorDlg(CClientApp& app, INoteHost& host, QWidget* parent)
    : QDialog(parent), m_app(app), m_host(host), m_note(std::make_unique<CNoteDocument>())
{
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowTitle(tr("Editing"));
    setWindowIcon(ProgramIcon());
    BuildLayout();
    BuildMenus();
    BuildShortcuts();
}

CEditorDlg::~CEditorDlg()
{
    // The control must not outlive the note's document while it still shows it.
    m_text->setDocument(nullptr);
}

void CEditorDlg::BuildLayout()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    m_formatBar = new CFormatBar(this);
    layout->addWidget(m_formatBar);

    m_text = new CNoteRichEdit(this);
    m_text->setDocument(&m_note->Document());
    layout->addWidget(m_text, 1);
    ConnectFormatBar();
    connect(m_text, &CNoteRichEdit::limitReached, this, &CEditorDlg::ShowLimitReached);

    auto* row = new QHBoxLayout;
    auto* label = new QLabel(tr("Encryption key in use:"), this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_keyName = new QLabel(tr("Not Set"), this);
    m_keyName->setAlignment(Qt::AlignCenter);
    m_keyName->setTextFormat(Qt::PlainText);
    m_keyName->setMinimumWidth(110);
    m_keyName->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    m_change = new QPushButton(tr("Change"), this);
    m_change->setAutoDefault(false);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(14);
    m_progress->hide();
    row->addWidget(label);
    row->addWidget(m_keyName);
    row->addWidget(m_change);
    row->addSpacing(8);
    row->addWidget(m_progress, 1);
    row->addStretch();
    layout->addLayout(row);
    connect(m_change, &QPushButton::clicked, this, &CEditorDlg::ChangeSaveKey);
}

void CEditorDlg::ConnectFormatBar()
{
    CFormatBar& bar = *m_formatBar;
    connect(bar.Action(fmt::kSave), &QAction::triggered, this, [this] { Save(false); });
    connect(&bar, &CFormatBar::printRequested, m_text, &CNoteRichEdit::PrintNote);
    connect(bar.Action(fmt::kCut), &QAction::triggered, m_text, &QTextEdit::cut);
    connect(bar.Action(fmt::kCopy), &QAction::triggered, m_text, &QTextEdit::copy);
    connect(bar.Action(fmt::kPaste), &QAction::triggered, m_text, &QTextEdit::paste);

    // The bar's button state is the value to apply: a click has already flipped it.
    const auto apply = [this](int id, auto set) {
        connect(m_formatBar->Action(id), &QAction::triggered, this, [this, set](bool checked) {
            set(*m_text, checked);
            UpdateFormatBar();
        });
    };
    apply(fmt::kBold, [](CNoteRichEdit& text, bool on) { text.SetBold(on); });
    apply(fmt::kItalic, [](CNoteRichEdit& text, bool on) { text.SetItalic(on); });
    apply(fmt::kUnderline, [](CNoteRichEdit& text, bool on) { text.SetUnderline(on); });
    apply(fmt::kBullet, [](CNoteRichEdit& text, bool on) { text.SetBullet(on); });
    const std::pair<int, Alignment> alignments[] = {
        {fmt::kAlignLeft, Alignment::Left}, {fmt::kAlignCenter, Alignment::Center}, {fmt::kAlignRight, Alignment::Right}};
    for (const auto& [id, alignment] : alignments) {
        apply(id, [alignment = alignment](CNoteRichEdit& text, bool on) {
            if (on)
                text.SetAlignment(alignment);
        });
    }

    connect(&bar, &CFormatBar::fontNameChosen, this, [this](const QString& face) {
        m_text->SetFontName(face);
        m_text->setFocus();
        WriteSettingString("FontName", face.toStdString(), m_app.IniPath());
        UpdateFormatBar();
    });
    connect(&bar, &CFormatBar::fontSizeChosen, this, [this](int points) {
        m_text->SetFontSize(points);
        m_text->setFocus();
        WriteSettingInt("FontSize", points, m_app.IniPath());
        UpdateFormatBar();
    });
    connect(&bar, &CFormatBar::colorChosen, this, [this](const QColor& color) {
        m_text->SetColor(color);
        m_text->setFocus();
        UpdateFormatBar();
    });

    connect(m_text, &QTextEdit::cursorPositionChanged, this, &CEditorDlg::UpdateFormatBar);
    connect(m_text, &QTextEdit::selectionChanged, this, &CEditorDlg::UpdateFormatBar);
    connect(m_text, &QTextEdit::currentCharFormatChanged, this, &CEditorDlg::UpdateFormatBar);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &CEditorDlg::UpdateFormatBar);
    UpdateFormatBar();
}

void CEditorDlg::UpdateFormatBar()
{
    const bool selected = m_text->textCursor().hasSelection();
    m_formatBar->UpdateState(m_text->Format(), {selected && !m_text->isReadOnly(), selected, m_text->CanPaste()});
}

void CEditorDlg::BuildMenus()
{
    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu(tr("&File"));
    m_save = file->addAction(tr("&Save"), this, [this] { Save(false); });
    m_save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    m_localCopy = file->addAction(tr("Save a Local Copy"), this, &CEditorDlg::SaveLocalCopy);
    file->addSeparator();
    m_print = file->addAction(tr("&Print"), m_text, &CNoteRichEdit::PrintNote);
    m_print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addSeparator();
    m_close = file->addAction(tr("&Close"), this, &CEditorDlg::CloseEditor);

    // The same commands as the text's right-click menu, their state taken as the menu opens.
    QMenu* edit = bar->addMenu(tr("&Edit"));
    connect(edit, &QMenu::aboutToShow, this, [this, edit] { m_text->FillEditMenu(*edit); });
    m_text->FillEditMenu(*edit);
    layout()->setMenuBar(bar);
    connect(m_text, &CNoteRichEdit::findRequested, this, [this] { m_text->FindText(true); });
}

void CEditorDlg::BuildShortcuts()
{
    // The text handles the edit keys (Ctrl+Z, X, C, V, Del, Ctrl+A) and the find keys
    // itself while it has the focus, and keeps these from firing then; they serve when the
    // focus is elsewhere in the window.
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(find, &QShortcut::activated, this, [this] { m_text->FindText(true); });
    auto* again = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(again, &QShortcut::activated, this, [this] { m_text->FindText(false); });
}

void CEditorDlg::ShowLimitReached()
{
    // Said where the user is typing: the text stays as it was before the refused key.
    const QPoint at = m_text->viewport()->mapToGlobal(m_text->cursorRect().bottomLeft());
    QToolTip::showText(at, tr("The note is full: a note holds at most %1 characters.").arg(kNoteCharLimit), m_text);
}

void CEditorDlg::SetNewNote(const std::string& remoteDir)
{
    m_source = Source::New;
    m_note->SetRemotePath(remoteDir, "");
}

void CEditorDlg::SetRemoteNote(const std::string& path, bool exclusive)
{
    m_source = Source::Remote;
    m_openPath = path;
    m_exclusive = exclusive;
}

void CEditorDlg::SetLocalFile(const QString& filePath, const std::string& remoteDir)
{
    m_source = Source::Local;
    m_localFile = filePath;
    m_note->SetRemotePath(remoteDir, "");
}

void CEditorDlg::SetEarlierVersion(const std::string& path, std::int64_t version, const QString& saved)
{
    m_source = Source::Version;
    m_openPath = path;
    m_version = version;
    m_versionSaved = saved;
}

NoteOutcome CEditorDlg::OpenEarlierVersion()
{
    CNoteHistory history(m_app);
    const auto text = history.OpenVersion(m_openPath, m_version);
    if (!text)
        return Fail(NoteFailure{NoteFailureKind::Channel, QString::fromStdString(history.Error())});
    return OpenNoteText(m_app, *m_note, m_openPath, *text, *this, m_host);
}

void CEditorDlg::MakeReadOnly()
{
    m_text->setReadOnly(true);
    m_formatBar->SetReadOnly();
    m_save->setEnabled(false);
    m_change->setEnabled(false);
}

QString CEditorDlg::Title() const
{
    if (IsReadOnly())
        return tr("%1 (version of %2)").arg(m_note->Title(), m_versionSaved);
    return m_note->Title();
}

bool CEditorDlg::Start()
{
    const int w = ReadSettingInt("EditorW", m_app.IniPath());
    const int h = ReadSettingInt("EditorH", m_app.IniPath());
    move(0, 0);
    resize(w >= kMinWidth ? w : kDefaultWidth, h >= kMinHeight ? h : kDefaultHeight);

    if (m_source == Source::New) {
        ApplyTypingFont();
    } else {
        // The control lays out every change of the document it shows: a note read into a
        // document it does not show yet opens several times faster.
        m_text->setDocument(nullptr);
        WaitCursor wait;
        const NoteOutcome opened =
            m_source == Source::Local     ? OpenLocalNote(*m_note, m_localFile, m_note->RemoteDir())
            : m_source == Source::Version ? OpenEarlierVersion()
                                          : OpenRemoteNote(m_app, *m_note, m_openPath,
                                                           m_exclusive ? m_app.Identity() : std::string(), *this, m_host);
        m_text->setDocument(&m_note->Document());
        if (!opened) {
            ShowFailure(opened.error().message);
            setResult(QDialog::Rejected);
            return false;
        }
    }
    m_progress->hide();
    m_note->SetModified(false);
    if (IsReadOnly())
        MakeReadOnly();
    setWindowTitle(Title());
    ShowKeyName();
    m_note->Document().clearUndoRedoStacks(); // loading is not an edit to undo
    if (m_source != Source::New)
        TypeInTheFirstCharactersFormat();
    if (QWidget* owner = parentWidget())
        CentreOn(*owner);
    UpdateFormatBar();
    m_text->setFocus();
    return true;
}

void CEditorDlg::CentreOn(const QWidget& owner)
{
    // The editor is not framed yet: it will get the frame its owner has. move() places the
    // frame, so the frames are centred on each other.
    const QSize frame = owner.frameGeometry().size() - owner.size();
    const QSize outer = size() + frame;
    QPoint topLeft = owner.frameGeometry().center() - QPoint(outer.width() / 2, outer.height() / 2);
    // Over a smaller owner, the title bar, the menu and the key row must stay on the screen.
    if (const QScreen* screen = owner.screen()) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(std::max(area.left(), std::min(topLeft.x(), area.left() + area.width() - outer.width())));
        topLeft.setY(std::max(area.top(), std::min(topLeft.y(), area.top() + area.height() - outer.height())));
    }
    move(topLeft);
}

void CEditorDlg::TypeInTheFirstCharactersFormat()
{
    // The cursor starts before the first character, where Qt offers the paragraph's format:
    // what the user types there, and what the bar shows, is the note's first character's.
    QTextCursor cursor(&m_note->Document());
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    const QTextCharFormat first = cursor.charFormat();
    cursor.clearSelection();
    cursor.movePosition(QTextCursor::Start);
    m_text->setTextCursor(cursor);
    if (!first.isImageFormat())
        m_text->setCurrentCharFormat(first);
}

void CEditorDlg::ApplyTypingFont()
{
    // The user's chosen face and size for what they type into a new note; a loaded note's
    // text brings its own.
    QTextCharFormat format;
    const std::string face = ReadSettingString("FontName", m_app.IniPath());
    if (!face.empty())
        format.setFontFamilies({QString::fromStdString(face)});
    const int size = ReadSettingInt("FontSize", m_app.IniPath());
    if (size > 0)
        format.setFontPointSize(size);
    m_text->mergeCurrentCharFormat(format);
    UpdateFormatBar();
}

void CEditorDlg::ShowKeyName()
{
    m_keyName->setText(QString::fromStdString(m_app.KeyHolder().SaveKeyName()));
}

void CEditorDlg::ShowFailure(const QString& message, bool plainBox)
{
    if (message.isEmpty())
        return; // cancelled, or a dialog already said it
    if (plainBox)
        Prompts().Plain(this, message);
    else
        Prompts().Information(this, message);
}

bool CEditorDlg::Save(bool releaseLock)
{
    if (IsReadOnly())
        return false; // an earlier version is never stored over the note
    m_nameDlg.reset(); // each save starts its name dialog afresh
    const NoteOutcome saved = SaveNote(m_app, *m_note, releaseLock, *this, m_host);
    m_progress->hide();
    setWindowTitle(Title());
    ShowKeyName();
    if (!saved) {
        const NoteFailureKind kind = saved.error().kind;
        ShowFailure(saved.error().message, kind == NoteFailureKind::PackFailed || kind == NoteFailureKind::WrapFailed);
        return false;
    }
    return true;
}

void CEditorDlg::CloseEditor()
{
    if (!IsReadOnly() && m_note->IsModified()
        && Prompts().AskYesNo(this, tr("Save Changes?\n\nClick Yes if you want to save the changes.\n"))) {
        // The save releases the lock itself; a failed or cancelled one keeps the window.
        if (Save(m_note->Locked()))
            done(kClosed);
        return;
    }
    if (m_note->Locked()) {
        WaitCursor wait;
        const NoteOutcome unlocked = UnlockNote(m_app, *m_note);
        if (!unlocked)
            ShowFailure(unlocked.error().message);
    }
    StoreSize();
    done(kClosed);
}

void CEditorDlg::ChangeSaveKey()
{
    if (!qb::AskSaveKey(*this, m_app.KeyHolder()))
        return;
    ShowKeyName();
    m_note->SetModified(true); // so that closing offers to save under the new key
}

void CEditorDlg::SaveLocalCopy()
{
    const std::optional<QString> path = AskLocalCopyPath(LocalCopyName(m_note->NoteName()));
    if (!path)
        return;
    ShowProgress(0, kLocalCopyProgressRange);
    bool saved = false;
    {
        WaitCursor wait;
        saved = bool(m_text->SaveRtfFile(*path));
    }
    if (!saved)
        Prompts().Information(this, tr("Error in saving file."));
    m_progress->hide();
}

std::optional<QString> CEditorDlg::AskLocalCopyPath(const QString& suggestedName)
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(RtfFileFilter());
    dialog.setDefaultSuffix(QStringLiteral("rtf"));
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

void CEditorDlg::StoreSize()
{
    // The window's own size, as Start restores it: with the frame in it the editor would
    // grow by the frame at every open.
    const QSize outer = size();
    WriteSettingInt("EditorW", outer.width(), m_app.IniPath());
    WriteSettingInt("EditorH", outer.height(), m_app.IniPath());
}

void CEditorDlg::reject()
{
    CloseEditor();
}

void CEditorDlg::closeEvent(QCloseEvent* event)
{
    event->ignore(); // the close flow decides, and ends the dialog itself
    CloseEditor();
}

std::optional<SecretText> CEditorDlg::AskOpenKey(const std::string& keyName)
{
    CKeyDlg dialog(CKeyDlg::Mode::Enter, this);
    dialog.SetKeyName(QString::fromStdString(keyName));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Key();
}

std::optional<TypedKey> CEditorDlg::AskNewKey()
{
    CKeyDlg dialog(CKeyDlg::Mode::Create, this);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return TypedKey{dialog.KeyName().toStdString(), dialog.Key()};
}

std::optional<std::string> CEditorDlg::AskNewName(bool nameExists)
{
    if (!m_nameDlg)
        m_nameDlg = std::make_unique<CFileNameDlg>(this);
    if (nameExists)
        m_nameDlg->SetPrompt(tr("A file with that name already exists. Please enter a new one."));
    if (m_nameDlg->exec() != QDialog::Accepted)
        return std::nullopt;
    return m_nameDlg->FileName().toStdString();
}

void CEditorDlg::ShowDecryptFailure(const QString& source)
{
    CDecryptFailDlg dialog(this);
    dialog.SetSourceText(source);
    dialog.exec();
}

void CEditorDlg::SetStatus(const QString& title)
{
    setWindowTitle(title);
}

void CEditorDlg::ShowProgress(int position, int range)
{
    m_progress->setRange(0, range);
    m_progress->setValue(position);
    m_progress->show();
}

void CEditorDlg::HideProgress()
{
    m_progress->hide();
}

} // namespace qb
