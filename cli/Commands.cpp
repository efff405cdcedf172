#include "Commands.h"

#include "KeyInput.h"

#include "app/Settings.h"
#include "codec/CipherEnvelope.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdlib>
#include <memory>
#include "codec/PackedBlock.h"
#include "codec/SessionToken.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <vector>

namespace qb::cli {
namespace {

constexpr const char* kUsage =
    "usage: quillbox-cli wrap --name KEYNAME [--key-file FILE] [-o OUT] [IN]\n"
    "       quillbox-cli unwrap [--key-file FILE] [-o OUT] [IN]\n"
    "       quillbox-cli token --account NAME\n"
    "       quillbox-cli setting --ini FILE KEY [VALUE]   (reads, or writes, section QUILLBOX)\n"
    "       quillbox-cli rtf-text FILE | rtf-html FILE | rtf-roundtrip FILE\n"
    "IN and OUT default to standard input and output; keys are asked for on the terminal\n"
    "without echo unless --key-file names a file whose first line is the key.\n";

struct Options {
    std::string command, name, keyFile, output, input, account, ini;
    std::vector<std::string> words; // KEY [VALUE] of the setting command
};

std::optional<Options> Parse(int argc, char** argv, std::string& error)
{
    if (argc < 2) {
        error = "no command given";
        return std::nullopt;
    }
    Options options;
    options.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (arg == "--name" || arg == "-n") {
            if (!value(options.name))
                return std::nullopt;
        } else if (arg == "--key-file" || arg == "-k") {
            if (!value(options.keyFile))
                return std::nullopt;
        } else if (arg == "-o" || arg == "--output") {
            if (!value(options.output))
                return std::nullopt;
        } else if (arg == "--account") {
            if (!value(options.account))
                return std::nullopt;
        } else if (arg == "--ini") {
            if (!value(options.ini))
                return std::nullopt;
        } else if (options.command == "setting") {
            options.words.push_back(arg);
        } else if (arg == "--key") {
            error = "keys are never taken from the command line: use --key-file or type it when asked";
            return std::nullopt;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            error = "unknown option " + arg;
            return std::nullopt;
        } else if (options.input.empty()) {
            options.input = arg;
        } else {
            error = "more than one input file";
            return std::nullopt;
        }
    }
    return options;
}

std::optional<std::string> ReadInput(const std::string& path, std::string& error)
{
    if (path.empty() || path == "-") {
        std::ostringstream all;
        all << std::cin.rdbuf();
        return all.str();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool WriteOutput(const std::string& path, std::string_view data, std::string& error)
{
    if (path.empty() || path == "-") {
        std::cout.write(data.data(), static_cast<std::streamsize>(data.size()));
        std::cout.flush();
        return static_cast<bool>(std::cout);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

std::optional<std::string> GetKey(const Options& options, const std::string& prompt, std::string& error)
{
    return options.keyFile.empty() ? AskKey(prompt, error) : ReadKeyFile(options.keyFile, error);
}

} // namespace

std::optional<std::string> WrapDocument(ByteView document, const std::string& keyName, const std::string& key,
                                        std::string& error)
{
    if (document.empty()) {
        error = "the document is empty";
        return std::nullopt;
    }
    const auto block = PackBlock(document);
    if (!block) {
        error = "the document does not compress, so it cannot be stored as a note";
        return std::nullopt;
    }
    CCipherEnvelope holder;
    if (!holder.SetSaveKey(keyName, key)) {
        error = "the key cannot be used";
        return std::nullopt;
    }
    auto text = holder.Wrap(*block);
    if (!text)
        error = "the document cannot be encrypted";
    return text;
}

std::optional<Bytes> UnwrapDocument(std::string_view envelopeText, const std::string& key, std::string& error,
                                    std::string* keyName)
{
    CCipherEnvelope holder;
    const auto envelope = holder.ReadEnvelope(envelopeText);
    if (!envelope) {
        error = "this is not a Quillbox envelope (damaged or not envelope text)";
        return std::nullopt;
    }
    if (keyName)
        *keyName = holder.LastKeyName();
    holder.SetOpenKey(key);
    const auto block = holder.OpenEnvelope(*envelope);
    if (!block) {
        error = "wrong key for this note (its key is named \"" + holder.LastKeyName() + "\"), or the note is damaged";
        return std::nullopt;
    }
    auto document = UnpackBlock(*block);
    if (!document)
        error = "the note decrypted but its content is damaged";
    return document;
}

bool RtfCommand(const std::string& command, std::string_view rtf, std::string& out, std::string& error)
{
    QTextDocument document;
    error.clear();
    const rtf::ReadStatus status = rtf::ReadRtf(rtf, document);
    if (status == rtf::ReadStatus::NotRtf) {
        error = "this is not an RTF file";
        return false;
    }
    if (command == "rtf-text")
        out = document.toPlainText().toStdString() + "\n";
    else if (command == "rtf-html")
        out = document.toHtml().toStdString();
    else {
        const rtf::RtfText written = rtf::ToRtf(document);
        out = written.rtf;
        if (!written.droppedPictures.empty()) {
            error = std::to_string(written.droppedPictures.size()) + " picture(s) could not be written and are missing:";
            for (const rtf::DroppedPicture& picture : written.droppedPictures)
                error += " " + picture.name.toStdString() + " at " + std::to_string(picture.position);
        }
    }
    if (status == rtf::ReadStatus::Damaged)
        std::fprintf(stderr, "quillbox-cli: the RTF is damaged or truncated; this is what could be read\n");
    return error.empty();
}

std::string MakeToken(const std::string& account, std::time_t now)
{
    if (account.empty())
        return {};
    CAesCipher cipher;
    PrepareTokenCipher(cipher);
    CBlockSealer sealer;
    sealer.SetCipher(&cipher);
    return SealSessionToken(sealer, FormatTokenText(now, account));
}

int Run(int argc, char** argv)
{
    std::string error;
    const auto options = Parse(argc, argv, error);
    auto fail = [&](const std::string& message) {
        std::fprintf(stderr, "quillbox-cli: %s\n", message.c_str());
        return 1;
    };
    if (!options) {
        std::fputs(kUsage, stderr);
        return fail(error);
    }
    if (options->command == "--help" || options->command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (options->command == "token") {
        if (options->account.empty())
            return fail("token needs --account NAME");
        const std::string token = MakeToken(options->account, std::time(nullptr));
        if (token.empty())
            return fail("the token cannot be made");
        std::printf("%s\n", token.c_str());
        return 0;
    }
    if (options->command == "setting") {
        if (options->ini.empty() || options->words.empty() || options->words.size() > 2)
            return fail("setting needs --ini FILE KEY [VALUE]");
        if (options->words.size() == 1) {
            std::printf("%s\n", ReadSettingString(options->words[0], options->ini).c_str());
            return 0;
        }
        if (!WriteSettingString(options->words[0], options->words[1], options->ini))
            return fail("cannot write " + options->ini);
        return 0;
    }
    if (options->command == "rtf-text" || options->command == "rtf-html" || options->command == "rtf-roundtrip") {
        const auto input = ReadInput(options->input, error);
        if (!input)
            return fail(error);
        // QTextDocument needs a GUI application object; none needs a display.
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Qt's notes about the session (runtime folders and the like) are not for the user.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "quillbox-cli: %s\n", message.toLocal8Bit().constData());
        });
        int argc = 1;
        char name[] = "quillbox-cli";
        char* argv[] = {name, nullptr};
        QGuiApplication gui(argc, argv);
        std::string out;
        const bool complete = RtfCommand(options->command, *input, out, error);
        std::fwrite(out.data(), 1, out.size(), stdout);
        return complete ? 0 : fail(error);
    }
    if (options->command == "wrap") {
        if (options->name.empty())
            return fail("wrap needs --name KEYNAME (the name the editor shows when it asks for the key)");
        const auto input = ReadInput(options->input, error);
        if (!input)
            return fail(error);
        const auto key = GetKey(*options, "Key for \"" + options->name + "\": ", error);
        if (!key)
            return fail(error);
        const auto text = WrapDocument(AsBytes(*input), options->name, *key, error);
        if (!text || !WriteOutput(options->output, *text, error))
            return fail(error);
        return 0;
    }
    if (options->command == "unwrap") {
        const auto input = ReadInput(options->input, error);
        if (!input)
            return fail(error);
        CCipherEnvelope probe;
        if (!probe.ReadEnvelope(*input))
            return fail("this is not a Quillbox envelope (damaged or not envelope text)");
        const auto key = GetKey(*options, "Key \"" + probe.LastKeyName() + "\": ", error);
        if (!key)
            return fail(error);
        const auto document = UnwrapDocument(*input, *key, error);
        if (!document || !WriteOutput(options->output, AsText(*document), error))
            return fail(error);
        return 0;
    }
    std::fputs(kUsage, stderr);
    return fail("unknown command " + options->command);
}

} // namespace qb::cli
