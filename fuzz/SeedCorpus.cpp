// Writes the seed corpus of every fuzz target under the folder given: notes sealed with the
// fuzz key, packed blocks, RTF in the forms the reader knows, listing lines, request bodies
// and request sequences. scripts/fuzz.sh adds the RTF fixtures of the tests beside them.

#include "FuzzKeys.h"

#include "codec/Base64.h"
#include "codec/BlockSealer.h"
#include "codec/CipherEnvelope.h"
#include "codec/Note.h"
#include "codec/PackedBlock.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace qb;

// The same documents the RTF tests read: code pages, \u, lists old and new, a table, a
// field, a picture, an object, \bin.
const std::vector<std::string> kRtf = {
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 caf\\'e9\\par}",
    "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}\\'cf\\'f0\\'e8}",
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset128 MS Mincho;}}\\f1\\'82\\'a0\\'82\\'a2A}",
    "{\\rtf1\\mac{\\fonttbl{\\f0 Geneva;}}caf\\'8e}",
    "{\\rtf1\\ansi \\u8364?5 \\uc2\\u8364\\'80\\'80x {\\uc0\\u-10179\\u-8704 }a\\tab b\\line c}",
    "{\\rtf1\\ansi \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote\\~x \\{\\}\\\\}",
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil Arial;}{\\f1\\fcharset128 MS Mincho;}"
    "{\\f2\\fcharset2 Symbol;}}{\\colortbl ;\\red255\\green0\\blue0;}"
    "{\\*\\listtable{\\list{\\listlevel\\levelnfc23}\\listid1}}{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}"
    "\\pard\\qc{\\b\\cf1 Title}\\par\\pard{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2{\\pntxtb\\'B7}}item\\par"
    "\\pard\\ls1 modern\\par\\pard\\f1\\'82\\'a0\\uc1\\u8364?\\par"
    "\\trowd\\cellx1000\\cellx2000\\intbl a\\cell b\\cell\\row\\pard"
    "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}"
    "{\\pict\\pngblip\\picwgoal150\\pichgoal150 89504e470d0a1a0a}"
    "{\\object{\\*\\objdata 01}{\\result r}}\\bin4 abcd end}",
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}\\pard\\ql\\fi-360\\li720\\sb120\\sa120 {\\i\\ul\\strike x}\\par"
    "\\pard\\qr\\fs48\\highlight1\\cb2 y\\par\\pard\\qj z\\sect\\page}",
};

// A short document does not compress and makes no note: "" then.
std::string NoteText(std::string_view rtf)
{
    const auto note = WrapNote(AsBytes(rtf), fuzz::kKeyText, fuzz::kKeyName);
    return note ? *note : std::string();
}

class Writer {
public:
    explicit Writer(std::filesystem::path root) : m_root(std::move(root)) {}

    void Add(const std::string& target, std::string_view bytes)
    {
        const std::filesystem::path dir = m_root / target;
        std::filesystem::create_directories(dir);
        const int n = ++m_count[target];
        std::ofstream(dir / ("seed-" + std::to_string(n)), std::ios::binary).write(bytes.data(),
                                                                                    static_cast<std::streamsize>(bytes.size()));
    }
    void Add(const std::string& target, ByteView bytes) { Add(target, AsText(bytes)); }

private:
    std::filesystem::path m_root;
    std::map<std::string, int> m_count;
};

void Codec(Writer& out)
{
    for (const std::string& rtf : kRtf) {
        out.Add("fuzz_base64", EncodeBase64(AsBytes(rtf), 72));
        if (const std::string note = NoteText(rtf); !note.empty()) {
            out.Add("fuzz_base64", note);
            out.Add("fuzz_envelope", note);
            out.Add("fuzz_note_pipeline", std::string(1, '\0') + note);
        }
        if (const auto block = PackBlock(AsBytes(rtf))) {
            out.Add("fuzz_unpack_block", *block);
            out.Add("fuzz_note_pipeline", "\x01" + AsText(*block));
        }
        out.Add("fuzz_note_pipeline", "\x02" + rtf);
        for (int blockWords : {4, 6, 8}) {
            const CAesCipher cipher = fuzz::MakeCipher(blockWords);
            if (const auto sealed = CBlockSealer(&cipher).Seal(AsBytes(rtf)))
                out.Add("fuzz_unseal", *sealed);
        }
    }
    out.Add("fuzz_base64", "AB_-\n cd\t=ignored");
}

void Rtf(Writer& out)
{
    for (const std::string& rtf : kRtf)
        out.Add("fuzz_rtf_reader", rtf);
}

void Listing(Writer& out)
{
    for (const char* line : {"1|0|1700000000|Recipes", "0|1234|1700000000|Soup.rtf", "0|-5|0|a|b.rtf",
                             "1|0|2147483647|.hidden", "0|999|-1|Caf\xc3\xa9.rtf", "0|1|1|"})
        out.Add("fuzz_listing_line", std::string_view(line));
}

// Script selector bytes in the order the targets list the scripts.
enum : char { kDir, kOpen, kSave, kUnlock, kNewDir, kRename, kDelete, kCopy, kMove };

void Requests(Writer& out)
{
    const std::vector<std::pair<char, std::string>> bodies = {
        {kDir, "&DIR="},
        {kDir, "&DIR=/New Folder"},
        {kOpen, "&FILE=/a.rtf&LOCK="},
        {kOpen, "&FILE=/a.rtf&LOCK=PC1"},
        {kSave, "&DIR=&FILE=/c.rtf&LOCK=0&DATA=text"},
        {kSave, "&DIR=/New Folder&FILE=d.rtf&LOCK=PC1&UNLOCK=1&DATA=text"},
        {kUnlock, "&FILE=/a.rtf&LOCK=PC1"},
        {kNewDir, "&DIR=/New Folder"},
        {kRename, "&DIR=&FROM=a.rtf&TO=b.rtf"},
        {kDelete, "&DIR=&LIST=a.rtf\nNew Folder\n"},
        {kCopy, "&DIR=/New Folder&FROMDIR=&FILELIST=a.rtf\n"},
        {kMove, "&DIR=&FROMDIR=/New Folder&FILELIST=b.rtf\n"},
    };
    for (const auto& [script, body] : bodies) {
        out.Add("fuzz_request_body", std::string(1, script) + "ID=token" + body);
        out.Add("fuzz_notes_service", std::string(1, script) + body);
    }
    // Sequences: a lock then a save by another computer, a copy into itself, a move then a
    // listing, and a raw body without a valid session.
    out.Add("fuzz_notes_service", std::string(1, kOpen) + "&FILE=/a.rtf&LOCK=PC1#REQ" + std::string(1, kSave)
                                      + "&DIR=&FILE=/a.rtf&LOCK=PC2&UNLOCK=1&DATA=x#REQ" + std::string(1, kUnlock)
                                      + "&FILE=/a.rtf&LOCK=PC1");
    out.Add("fuzz_notes_service", std::string(1, kCopy) + "&DIR=/New Folder&FROMDIR=&FILELIST=New Folder\n#REQ"
                                      + std::string(1, kDir) + "&DIR=/New Folder");
    out.Add("fuzz_notes_service", std::string(1, kMove) + "&DIR=/New Folder&FROMDIR=&FILELIST=a.rtf\n#REQ"
                                      + std::string(1, kDir) + "&DIR=/New Folder");
    out.Add("fuzz_notes_service", std::string(1, static_cast<char>(0x80 | kDir)) + "ID=AAAA&DIR=");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    Writer out(argv[1]);
    Codec(out);
    Rtf(out);
    Listing(out);
    Requests(out);
    return 0;
}
