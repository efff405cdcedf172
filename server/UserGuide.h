#pragma once
// The user guide that the client's "Online Help" opens.

#include <string_view>

namespace qb::server {

inline constexpr std::string_view kUserGuideHtml = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Quillbox User Guide</title>
<style>
body { font-family: sans-serif; max-width: 46em; margin: 2em auto; line-height: 1.5; color: #222; }
h1, h2 { color: #075; }
code, kbd { background: #f2f2f2; padding: 0 .2em; }
</style>
</head>
<body>
<h1>Quillbox User Guide</h1>
<p>Quillbox keeps your rich-text notes in a folder tree on a server, so that you can reach
them from any computer. Every note is encrypted with a key that only you know.</p>

<h2>The explorer</h2>
<p>The <b>Quillbox Explorer</b> window shows one folder at a time. Double-click a folder to
open it. <b>Back</b> and <b>Forward</b> move through the folders you visited, <b>Up</b>
goes to the parent folder and <b>Home</b> to the top folder. Click a column heading to sort
by name, size or date; click it again to reverse the order.</p>
<p>Right-click in the list for <b>New File</b>, <b>New Folder</b>, <b>Copy</b>,
<b>Cut</b>, <b>Paste</b>, <b>Rename</b> and <b>Delete</b>. Paste puts the copied or cut
items into the folder shown, or into the one folder you selected. A new folder appears at
the bottom of the list with its name ready to be typed.</p>

<h2>Notes and keys</h2>
<p>Double-click a note to open it. When a note is saved for the first time you give it a
name and, if you have not done so yet, an encryption key with a name of its own. The key's
name is stored with the note, so Quillbox can tell you which key a note needs when you open
it. Keys are kept in memory only while Quillbox runs: nobody, not even the server, can read
a note without its key. A forgotten key cannot be recovered.</p>
<p><b>Open Exclusive</b> opens a note under a lock, so that no other computer can save it or
open it exclusively until you close it. A lock that is left behind by a crashed computer
runs out after some hours.</p>

<h2>Editing</h2>
<p>The format bar sets the font, its size and colour, bold, italic, underline, alignment
and bullets. <b>Find</b> searches the note, <b>Print</b> prints it, and <b>Save a Local
Copy</b> writes it to an RTF file that any word processor can open. <b>Open Local</b> in
the explorer opens such a file, and saving it stores it as a note in the folder shown.</p>

<h2>The shared test account</h2>
<p>Quillbox connects to a shared test account. Others may rename or delete the files you
create there, but they cannot open or change your notes without your key. Notes in the
test account are limited to 10000 characters of encrypted text.</p>
</body>
</html>
)html";

} // namespace qb::server
