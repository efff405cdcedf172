#include "Commands.h"

#include "KeyInput.h"

#include "app/Settings.h"
#include "codec/Note.h"
#include "codec/SessionToken.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>
#include <cstdlib>
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

KeySource KeySourceOf(const Options& options)
{
    return [&options](const std::string& prompt, std::string& error) {
        return options.keyFile.empty() ? AskKey(prompt, error) : ReadKeyFile(options.keyFile, error);
    };
}

} // namespace

Result<std::string, std::string> WrapCommand(std::string_view document, const std::string& keyName,
                                             const KeySource& keySource)
{
    std::string error;
    const auto key = keySource("Key for \"" + keyName + "\": ", error);
    if (!key)
        return Fail(error);
    auto text = WrapNote(AsBytes(document), key->View(), keyName);
    if (!text)
        return Fail(std::string(Describe(text.error())));
    return std::move(*text);
}

Result<std::string, std::string> UnwrapCommand(std::string_view envelopeText, const KeySource& keySource)
{
    const auto note = ReadNote(envelopeText);
    if (!note)
        return Fail(std::string(Describe(note.error())));
    std::string error;
    CCipherEnvelope holder;
    {
        const auto key = keySource("Key \"" + note->keyName + "\": ", error);
        if (!key)
            return Fail(error);
        holder.SetOpenKey(key->View());
    }
    const auto document = OpenNote(*note, holder);
    if (!document) {
        std::string message(Describe(document.error()));
        if (document.error() == NoteError::WrongKey)
            message += " (its key is named \"" + note->keyName + "\")";
        return Fail(message);
    }
    return AsText(*document);
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
    return CTokenSealer().Seal(FormatTokenText(now, account));
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
    if (options->command == "wrap" || options->command == "unwrap") {
        if (options->command == "wrap" && options->name.empty())
            return fail("wrap needs --name KEYNAME (the name the editor shows when it asks for the key)");
        const auto input = ReadInput(options->input, error);
        if (!input)
            return fail(error);
        const KeySource keySource = KeySourceOf(*options);
        const auto output = options->command == "wrap" ? WrapCommand(*input, options->name, keySource)
                                                       : UnwrapCommand(*input, keySource);
        if (!output)
            return fail(output.error());
        if (!WriteOutput(options->output, *output, error))
            return fail(error);
        return 0;
    }
    std::fputs(kUsage, stderr);
    return fail("unknown command " + options->command);
}

} // namespace qb::cli
