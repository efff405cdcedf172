#include "CommandTable.h"

#include "KeyInput.h"

#include "app/ClientApp.h"
#include "app/HttpChannel.h"
#include "app/RemoteTree.h"
#include "app/SessionValues.h"

#include <QGuiApplication>

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>

#include <unistd.h>

namespace qb::cli {
namespace {

std::string UsageText()
{
    std::string text;
    bool first = true;
    for (const CommandSpec& command : CommandTable()) {
        text += (first ? "usage: quillbox-cli " : "       quillbox-cli ") + command.usage + "\n";
        first = false;
    }
    text += "Server commands reach --server [https://]HOST:PORT (default: Server= of the Quillbox.ini named by --ini,\n"
            "else " + std::string(kDefaultServer) + ") on the shared account. Keys are asked for on the terminal without echo,\n"
            "by the name the note carries, unless --key-file names a file whose first line is the key.\n"
            "Exit status: 0 done, 1 some items failed (each named), 2 the command line is wrong.\n";
    return text;
}

// Qt's text document needs a GUI application object; none needs a display.
std::unique_ptr<QGuiApplication> StartTextEngine()
{
    if (QCoreApplication::instance())
        return nullptr;
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt's notes about the session (runtime folders and the like) are not for the user.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::cerr << "quillbox-cli: " << message.toLocal8Bit().constData() << "\n";
    });
    static int argc = 1;
    static char name[] = "quillbox-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

void Context::Error(const std::string& message) const
{
    Err() << "quillbox-cli: " << message << "\n";
}

std::vector<OptionSpec> ServerOptions(std::vector<OptionSpec> more)
{
    more.push_back({"--server", "", true, false});
    more.push_back({"--ini", "", true, false});
    return more;
}

const std::vector<CommandSpec>& CommandTable()
{
    static const std::vector<CommandSpec> table = [] {
        std::vector<CommandSpec> all;
        AddLocalCommands(all);
        AddRemoteCommands(all);
        AddTreeCommands(all);
        AddHistoryCommands(all);
        return all;
    }();
    return table;
}

int Run(const std::vector<std::string>& words, const Environment& env)
{
    auto usageError = [&](const std::string& message) {
        *env.err << "quillbox-cli: " << message << "\n";
        return kExitUsage;
    };
    if (words.empty())
        return usageError("no command given (quillbox-cli help lists them)");
    const std::string& word = words.front();
    if (word == "help" || word == "--help" || word == "-h") {
        *env.out << UsageText();
        return kExitDone;
    }
    const CommandSpec* command = nullptr;
    for (const CommandSpec& row : CommandTable()) {
        if (row.name == word)
            command = &row;
    }
    if (!command)
        return usageError("unknown command " + word + " (quillbox-cli help lists them)");

    std::string error;
    const auto args = ParseArgs(word, {words.begin() + 1, words.end()}, command->options, error);
    if (!args)
        return usageError(error + " (usage: quillbox-cli " + command->usage + ")");
    const int count = static_cast<int>(args->operands.size());
    if (count < command->minOperands || (command->maxOperands >= 0 && count > command->maxOperands))
        return usageError("usage: quillbox-cli " + command->usage);

    Context context{*args, env, nullptr, nullptr, {}};
    std::unique_ptr<CClientApp> app;
    std::unique_ptr<CRemoteTree> tree;
    if (command->remote) {
        app = std::make_unique<CClientApp>();
        app->SetIniPath(args->Value("--ini"));
        std::string serverText = args->Value("--server");
        if (serverText.empty())
            serverText = app->ServerSetting(); // without --ini there is no file: the default
        const auto server = ParseServerAddress(serverText);
        if (!server)
            return usageError("the server address " + serverText + " is not [https://]HOST[:PORT]");
        // The same account and lock identity as the desktop program on this computer, so a
        // note locked here is locked by this computer.
        app->SetAccount(kSharedAccount);
        app->SetIdentity(LockIdentity(ComputerName(), std::time(nullptr)));
        if (!app->CreateSession(*server)) {
            context.Error("Cannot init socket.");
            return kExitFailed;
        }
        tree = std::make_unique<CRemoteTree>(*app);
        context.app = app.get();
        context.tree = tree.get();
        context.server = *server;
    }
    const auto textEngine = command->textEngine ? StartTextEngine() : nullptr;
    return command->run(context);
}

int Run(int argc, char** argv)
{
    Environment env;
    env.out = &std::cout;
    env.err = &std::cerr;
    env.errIsTerminal = isatty(STDERR_FILENO) != 0;
    env.askKey = AskKey;
    return Run(std::vector<std::string>(argv + 1, argv + argc), env);
}

} // namespace qb::cli
