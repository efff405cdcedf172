#include "editor/NoteRichEdit.h"

#include "DialogFixture.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <string>
#include <sys/resource.h>

namespace qb {
namespace {

using testing::Type;

QImage TestImage()
{
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.setPixel(3, 2, qRgb(0, 0, 255));
    return image;
}

QByteArray Encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// The image formats of a document, in order.
std::vector<QTextImageFormat> Pictures(const QTextDocument& document)
{
    std::vector<QTextImageFormat> found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat())
                found.push_back(format.toImageFormat());
        }
    }
    return found;
}

void Paste(CNoteRichEdit& edit, std::unique_ptr<QMimeData> data)
{
    QApplication::clipboard()->setMimeData(data.release());
    edit.paste();
}

struct PictureCase {
    const char* name;
    std::function<std::unique_ptr<QMimeData>()> data;
    const char* blip; // the RTF picture type the picture must be written as
};

TEST(NoteRichEdit, PastedPicturesSurviveRtfWriteAndRead)
{
    const std::vector<PictureCase> cases = {
        {"image", [] { auto d = std::make_unique<QMimeData>(); d->setImageData(TestImage()); return d; }, "\\pngblip"},
        {"jpeg bytes",
         [] {
             auto d = std::make_unique<QMimeData>();
             d->setData("image/jpeg", Encoded(TestImage(), "JPEG"));
             return d;
         },
         "\\jpegblip"},
        {"bmp bytes",
         [] {
             auto d = std::make_unique<QMimeData>();
             d->setData("image/bmp", Encoded(TestImage(), "BMP"));
             return d;
         },
         "\\pngblip"},
    };
    for (const PictureCase& c : cases) {
        SCOPED_TRACE(c.name);
        CNoteRichEdit edit;
        Type(edit, "ab");
        QTest::keyClick(&edit, Qt::Key_Left);
        Paste(edit, c.data());

        ASSERT_EQ(Pictures(*edit.document()).size(), 1u);
        EXPECT_EQ(edit.toPlainText(), QString("a") + QChar::ObjectReplacementCharacter + "b");
        const rtf::RtfText written = rtf::ToRtf(*edit.document());
        EXPECT_TRUE(written.droppedPictures.empty());
        EXPECT_NE(written.rtf.find(c.blip), std::string::npos);

        QTextDocument read;
        EXPECT_EQ(rtf::ReadRtf(written.rtf, read), rtf::ReadStatus::Ok);
        const auto pictures = Pictures(read);
        ASSERT_EQ(pictures.size(), 1u);
        const QVariant resource = read.resource(QTextDocument::ImageResource, QUrl(pictures[0].name()));
        QImage image;
        ASSERT_TRUE(image.loadFromData(resource.toByteArray()));
        EXPECT_EQ(image.size(), QSize(7, 5));
        EXPECT_EQ(read.toPlainText(), edit.toPlainText());
    }
}

// Drops reach the control as data to insert, as pastes do.
class DropTarget : public CNoteRichEdit {
public:
    using CNoteRichEdit::canInsertFromMimeData;
    using CNoteRichEdit::insertFromMimeData;
};

TEST(NoteRichEdit, DroppedImageFileBecomesAPicture)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.jpg");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Encoded(TestImage(), "JPEG"));
    }
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    DropTarget edit;
    ASSERT_TRUE(edit.canInsertFromMimeData(&data));
    edit.insertFromMimeData(&data);
    ASSERT_EQ(Pictures(*edit.document()).size(), 1u);
    EXPECT_NE(rtf::ToRtf(*edit.document()).rtf.find("\\jpegblip"), std::string::npos);

    // Data that only claims to be a picture gives none, and nothing else either.
    QMimeData broken;
    broken.setData("image/png", "\x89PNG not really");
    DropTarget other;
    other.insertFromMimeData(&broken);
    EXPECT_EQ(other.toPlainText(), "");
}

TEST(NoteRichEdit, TwoPastedPicturesKeepTheirOwnData)
{
    CNoteRichEdit edit;
    auto first = std::make_unique<QMimeData>();
    first->setImageData(TestImage());
    Paste(edit, std::move(first));
    QImage other(3, 9, QImage::Format_RGB32);
    other.fill(Qt::green);
    auto second = std::make_unique<QMimeData>();
    second->setImageData(other);
    Paste(edit, std::move(second));

    const auto pictures = Pictures(*edit.document());
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_NE(pictures[0].name(), pictures[1].name());
    EXPECT_EQ(QSizeF(pictures[0].width(), pictures[0].height()), QSizeF(7, 5));
    EXPECT_EQ(QSizeF(pictures[1].width(), pictures[1].height()), QSizeF(3, 9));
}

TEST(NoteRichEdit, PlainTextPasteTakesTheCurrentFormat)
{
    CNoteRichEdit edit;
    edit.setFontWeight(QFont::Bold);
    auto data = std::make_unique<QMimeData>();
    data->setText("plain");
    Paste(edit, std::move(data));
    EXPECT_EQ(edit.toPlainText(), "plain");
    QTextCursor cursor(edit.document());
    cursor.setPosition(3);
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
}

// Which items of the right-click menu are enabled.
std::map<QString, bool> MenuStates(CNoteRichEdit& edit)
{
    std::map<QString, bool> states;
    const auto menu = edit.CreateEditMenu();
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            states[action->text()] = action->isEnabled();
    }
    return states;
}

TEST(NoteRichEdit, MenuItemsFollowTheDocumentState)
{
    struct Case {
        const char* name;
        bool typed, selectAll, readOnly, clipboardText;
        bool undo, cut, copy, paste, del;
    };
    const Case cases[] = {
        {"new note, empty clipboard", false, false, false, false, false, false, false, false, false},
        {"new note, text on the clipboard", false, false, false, true, false, false, false, true, false},
        {"typed, nothing selected", true, false, false, true, true, false, false, true, false},
        {"typed and selected", true, true, false, false, true, true, true, false, true},
        {"read-only, selected", true, true, true, true, false, false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QApplication::clipboard()->clear();
        CNoteRichEdit edit;
        if (c.typed)
            Type(edit, "note");
        if (c.selectAll)
            edit.selectAll();
        edit.setReadOnly(c.readOnly);
        if (c.clipboardText)
            QApplication::clipboard()->setText("x");
        const std::map<QString, bool> expected = {
            {"Undo/Redo\t Ctrl + Z", c.undo}, {"Cut\tCtrl + X", c.cut},   {"Copy\tCtrl + C", c.copy},
            {"Paste\tCtrl + V", c.paste},     {"Delete\tDel", c.del},      {"&Find\tCtrl-F", true},
            {"Select All\tCtrl + A", true},
        };
        EXPECT_EQ(MenuStates(edit), expected);
    }
}

QAction* MenuItem(QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

TEST(NoteRichEdit, MenuCommandsActOnTheText)
{
    CNoteRichEdit edit;
    Type(edit, "one two");
    QSignalSpy find(&edit, &CNoteRichEdit::findRequested);

    auto menu = edit.CreateEditMenu();
    MenuItem(*menu, "Select All\tCtrl + A")->trigger();
    EXPECT_EQ(edit.textCursor().selectedText(), "one two");
    menu = edit.CreateEditMenu();
    MenuItem(*menu, "Delete\tDel")->trigger();
    EXPECT_EQ(edit.toPlainText(), "");
    menu = edit.CreateEditMenu();
    MenuItem(*menu, "Undo/Redo\t Ctrl + Z")->trigger();
    EXPECT_EQ(edit.toPlainText(), "one two");
    menu = edit.CreateEditMenu();
    MenuItem(*menu, "&Find\tCtrl-F")->trigger();
    EXPECT_EQ(find.count(), 1);
}

TEST(NoteRichEdit, KeysStayInTheNote)
{
    QDialog dialog;
    auto* edit = new CNoteRichEdit(&dialog);
    dialog.show();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Tab);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->toPlainText(), "\t\n");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
}

TEST(NoteRichEdit, TypingStopsAtTheLimit)
{
    CNoteRichEdit edit;
    edit.setPlainText(QString(kNoteCharLimit - 1, 'x'));
    edit.moveCursor(QTextCursor::End);
    QSignalSpy limit(&edit, &CNoteRichEdit::limitReached);

    Type(edit, "ab");
    EXPECT_EQ(edit.CharCount(), kNoteCharLimit);
    EXPECT_TRUE(edit.toPlainText().endsWith("xa"));
    EXPECT_EQ(limit.count(), 1);
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(edit.CharCount(), kNoteCharLimit);
    EXPECT_EQ(limit.count(), 2);

    // Overtyping a selection does not grow the note.
    QTest::keyClick(&edit, Qt::Key_Left, Qt::ShiftModifier);
    Type(edit, "c");
    EXPECT_TRUE(edit.toPlainText().endsWith("xc"));
    EXPECT_EQ(limit.count(), 2);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.CharCount(), kNoteCharLimit - 1);
}

TEST(NoteRichEdit, PasteStopsAtTheLimit)
{
    CNoteRichEdit edit;
    edit.setPlainText(QString(kNoteCharLimit - 3, 'x'));
    edit.moveCursor(QTextCursor::End);
    QSignalSpy limit(&edit, &CNoteRichEdit::limitReached);

    QApplication::clipboard()->setText("abcd");
    edit.paste();
    EXPECT_EQ(edit.CharCount(), kNoteCharLimit - 3);
    EXPECT_EQ(limit.count(), 1);

    auto html = std::make_unique<QMimeData>();
    html->setHtml("<b>abcd</b>");
    Paste(edit, std::move(html));
    EXPECT_EQ(edit.CharCount(), kNoteCharLimit - 3);
    EXPECT_EQ(limit.count(), 2);

    QApplication::clipboard()->setText("abc");
    edit.paste();
    EXPECT_EQ(edit.CharCount(), kNoteCharLimit);
    EXPECT_EQ(limit.count(), 2);

    auto picture = std::make_unique<QMimeData>();
    picture->setImageData(TestImage());
    Paste(edit, std::move(picture));
    EXPECT_TRUE(Pictures(*edit.document()).empty());
    EXPECT_EQ(limit.count(), 3);
}

class RtfFileTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return m_dir.filePath(name); }
    void Write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QByteArray Read(const QString& path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
    QTemporaryDir m_dir;
};

TEST_F(RtfFileTest, RoundTripKeepsTextFormatAndPictures)
{
    CNoteRichEdit edit;
    Type(edit, "plain ");
    edit.setFontWeight(QFont::Bold);
    Type(edit, "bold");
    auto picture = std::make_unique<QMimeData>();
    picture->setImageData(TestImage());
    Paste(edit, std::move(picture));

    const QString path = Path("note.rtf");
    ASSERT_TRUE(edit.SaveRtfFile(path));
    EXPECT_TRUE(Read(path).startsWith("{\\rtf1"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"note.rtf"});

    CNoteRichEdit loaded;
    Type(loaded, "old");
    ASSERT_TRUE(loaded.LoadRtfFile(path));
    EXPECT_EQ(loaded.toPlainText(), QString("plain bold") + QChar::ObjectReplacementCharacter);
    QTextCursor cursor(loaded.document());
    cursor.setPosition(8);
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
    cursor.setPosition(3);
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Normal);
    EXPECT_EQ(Pictures(*loaded.document()).size(), 1u);
}

TEST_F(RtfFileTest, LongerNoteLoadsWhole)
{
    const int length = kNoteCharLimit + 5000;
    QTextDocument big;
    big.setPlainText(QString(length, 'y'));
    const QString path = Path("big.rtf");
    Write(path, QByteArray::fromStdString(rtf::ToRtf(big).rtf));

    CNoteRichEdit edit;
    ASSERT_TRUE(edit.LoadRtfFile(path));
    EXPECT_EQ(edit.CharCount(), length);
    edit.moveCursor(QTextCursor::End);
    QSignalSpy limit(&edit, &CNoteRichEdit::limitReached);
    Type(edit, "z");
    EXPECT_EQ(edit.CharCount(), length);
    EXPECT_EQ(limit.count(), 1);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.CharCount(), length - 1);
}

TEST_F(RtfFileTest, LoadFailuresNameTheFileAndLeaveTheNote)
{
    Write(Path("empty.rtf"), "");
    Write(Path("text.rtf"), "just some words");
    QDir(m_dir.path()).mkdir("folder");
    struct Case {
        const char* file;
        RtfFileError error;
        QString message;
    };
    const Case cases[] = {
        {"missing.rtf", RtfFileError::Unreadable,
         "The file " + Path("missing.rtf") + " cannot be opened: No such file or directory"},
        {"empty.rtf", RtfFileError::Empty, "The file " + Path("empty.rtf") + " is empty."},
        {"text.rtf", RtfFileError::NotRtf, "The file " + Path("text.rtf") + " is not a rich text (RTF) file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        CNoteRichEdit edit;
        Type(edit, "kept");
        const auto loaded = edit.LoadRtfFile(Path(c.file));
        ASSERT_FALSE(loaded);
        EXPECT_EQ(loaded.error().error, c.error);
        EXPECT_EQ(loaded.error().message, c.message);
        EXPECT_EQ(edit.toPlainText(), "kept");
    }
}

TEST_F(RtfFileTest, SaveIntoMissingFolderFails)
{
    CNoteRichEdit edit;
    Type(edit, "text");
    const QString path = Path("nowhere/note.rtf");
    const auto saved = edit.SaveRtfFile(path);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().error, RtfFileError::WriteFailed);
    EXPECT_EQ(saved.error().message, "The file " + path + " cannot be created: No such file or directory");
}

TEST_F(RtfFileTest, SaveThatCannotWriteEverythingLeavesTheOldFile)
{
    const QString path = Path("note.rtf");
    Write(path, "{\\rtf1 old}");
    CNoteRichEdit edit;
    edit.setPlainText(QString(200000, 'w'));

    // Files may not grow beyond 64 KiB: the disk runs full in the middle of the save.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto saved = edit.SaveRtfFile(path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);

    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().error, RtfFileError::WriteFailed);
    EXPECT_EQ(saved.error().message, "The file " + path + " cannot be written: File too large");
    EXPECT_EQ(Read(path), "{\\rtf1 old}");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"note.rtf"});
}

TEST_F(RtfFileTest, SaveWithAPictureThatCannotBeWrittenWritesNothing)
{
    const QString path = Path("note.rtf");
    Write(path, "{\\rtf1 old}");
    CNoteRichEdit edit;
    QTextImageFormat lost;
    lost.setName("qbpicture:missing");
    edit.textCursor().insertImage(lost);

    const auto saved = edit.SaveRtfFile(path);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().error, RtfFileError::PicturesDropped);
    EXPECT_EQ(saved.error().message,
              "The file " + path + " has NOT been saved: 1 picture(s) of the note cannot be written.");
    EXPECT_EQ(Read(path), "{\\rtf1 old}");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"note.rtf"});
}

} // namespace
} // namespace qb
