// SPDX-License-Identifier: GPL-3.0-or-later
#include "Commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstring>
#include <memory>
#include <span>

#include "Application.h"
#include "CliEvents.h"
#include "CommandLine.h"
#include "CommonOptions.h"
#include "HtmlCommand.h"
#include "JsonOutput.h"
#include "MediaCommand.h"
#include "SignInCommand.h"
#include "UnattendedRun.h"

namespace qv::cli {

namespace {

constexpr const char* kHelpCommand = "help";

// What the arguments ask for, filled in by CLI11 as it reads them.
struct Invocation {
    BackupArguments backup;
    BackupArguments likes;
    SignInOptions signIn;
    MediaCommandOptions media;
    HtmlCommandOptions html;
    std::string topic;  // the command whose help `help` prints; "" the program's
    OutputChoice output;
};

struct Command {
    // The word after the program's name; nullptr for the backup run, whose
    // options are the program's own.
    const char* name;
    const char* arguments;    // what follows the name in the program's list of commands
    const char* purpose;      // its words there
    const char* description;  // the first line of its own help
    const char* event;        // the command its --json events name
    void (*declare)(CLI::App& app, Invocation& invocation);
    // Usage when the options, read by `app` (the program's for the backup
    // run), can't be run as given.
    Status (*check)(Invocation& invocation, const CLI::App& app);
    // The command itself: its exit status.
    int (*run)(Invocation& invocation, const CLI::App& program, std::ostream& out, Output& output);
    // Why CLI11 could not read its options, in one line.
    std::string (*problem)(const CLI::App& app, const CLI::ParseError& error);
};

std::string ProgramHelp(const CLI::App& program);
std::string CommandHelp(const CLI::App& program, const std::string& name);
Status CheckTopic(const std::string& topic);

std::string CliElevenProblem(const CLI::App&, const CLI::ParseError& error) { return OneLine(error.what()); }

Status NothingToCheck(Invocation&, const CLI::App&) { return Status::Ok(); }

const Command kCommands[] = {
    {nullptr, nullptr, nullptr, "Backs up one blog into a single XML file, unattended.",
     events::command::kBackup,
     [](CLI::App& app, Invocation& invocation) {
         DeclareBackupOptions(app, invocation.backup, invocation.output);
     },
     [](Invocation& invocation, const CLI::App& app) {
         if (Status taken = TakeBackupOptions(app, invocation.backup, ProcessEnvironment()); !taken.ok())
             return taken;
         return TakeBackupTarget(invocation.backup.options);
     },
     [](Invocation& invocation, const CLI::App&, std::ostream&, Output& output) {
         return RunBackupCommand(invocation.backup.options, output);
     },
     BackupUsageProblem},
    {events::command::kMedia, "BACKUP", "keep the pictures, audio and video a saved backup names",
     "Keeps the pictures, audio and video files a saved backup names, in a folder beside it. Run again, it "
     "fetches only what is not kept yet.",
     events::command::kMedia,
     [](CLI::App& app, Invocation& invocation) {
         DeclareMediaOptions(app, invocation.media, invocation.output);
     },
     [](Invocation& invocation, const CLI::App&) { return CheckMediaOptions(invocation.media); },
     [](Invocation& invocation, const CLI::App&, std::ostream&, Output& output) {
         return RunMediaCommand(invocation.media, output);
     },
     CliElevenProblem},
    {events::command::kHtml, "BACKUP", "write the offline view of a saved backup, to read in a browser",
     "Writes an offline view of a saved backup: pages to read in a browser, without a network.",
     events::command::kHtml,
     [](CLI::App& app, Invocation& invocation) {
         DeclareHtmlOptions(app, invocation.html, invocation.output);
     },
     NothingToCheck,
     [](Invocation& invocation, const CLI::App&, std::ostream&, Output& output) {
         return RunHtmlCommand(invocation.html, output);
     },
     CliElevenProblem},
    {events::command::kLikes, "BLOG_ADDRESS -o FILE", "back up the posts a blog liked, through the v2 API",
     "Backs up the posts a blog liked, as far as they are public, through the service's v2 API into a backup "
     "file of the same format; each post names the blog it is from (from-blog). Takes a backup run's options.",
     events::command::kBackup,
     [](CLI::App& app, Invocation& invocation) {
         app.set_help_flag("-h,--help", "Print this help and exit");
         DeclareBackupOptions(app, invocation.likes, invocation.output);
     },
     [](Invocation& invocation, const CLI::App& app) {
         if (Status taken = TakeLikesOptions(app, invocation.likes, ProcessEnvironment()); !taken.ok()) return taken;
         return TakeBackupTarget(invocation.likes.options);
     },
     [](Invocation& invocation, const CLI::App&, std::ostream&, Output& output) {
         return RunBackupCommand(invocation.likes.options, output);
     },
     BackupUsageProblem},
    {events::command::kSignIn, "[--keyring|--print]", "sign in to the service in the browser, for the v2 API",
     "Signs in to the service in the browser, so that the v2 API reads what the signed-in user may read "
     "(blogs shown to signed-in readers, one's own private posts, drafts and queue), and keeps the token in the "
     "desktop's keyring.",
     events::command::kSignIn,
     [](CLI::App& app, Invocation& invocation) {
         DeclareSignInOptions(app, invocation.signIn, invocation.output);
     },
     [](Invocation& invocation, const CLI::App&) {
         return TakeSignInOptions(invocation.signIn, ProcessEnvironment());
     },
     [](Invocation& invocation, const CLI::App&, std::ostream& out, Output& output) {
         return RunSignInCommand(invocation.signIn, out, output);
     },
     CliElevenProblem},
    {kHelpCommand, "[COMMAND]", "print this help, or a command's",
     "Prints the help of the program or of a command.", events::command::kHelp,
     [](CLI::App& app, Invocation& invocation) {
         app.set_help_flag("-h,--help", "Print this help and exit");
         app.add_option("COMMAND", invocation.topic, "The command whose help to print");
     },
     [](Invocation& invocation, const CLI::App&) { return CheckTopic(invocation.topic); },
     [](Invocation& invocation, const CLI::App& program, std::ostream& out, Output&) {
         const bool own = invocation.topic.empty() || invocation.topic == kHelpCommand;
         out << (own ? ProgramHelp(program) : CommandHelp(program, invocation.topic)) << std::flush;
         return static_cast<int>(kExitSuccess);
     },
     CliElevenProblem},
};

const Command& BackupRun() { return kCommands[0]; }
std::span<const Command> Named() { return std::span(kCommands).subspan(1); }

bool Is(const Command& command, const char* name) {
    return command.name != nullptr && std::strcmp(command.name, name) == 0;
}

// The backup run's options: a nameless group of the program's, so that a
// command's name is never taken for the blog's address, which the run
// requires; the group and a command exclude each other.
const CLI::App& BackupOptions(const CLI::App& program) {
    return *program.get_subcommands([](const CLI::App* app) { return app->get_name().empty(); }).front();
}

// The command the arguments named; the backup run when they named none.
const Command& Chosen(const CLI::App& program) {
    const std::vector<CLI::App*> chosen = program.get_subcommands();
    if (chosen.empty()) return BackupRun();
    for (const Command& command : Named())
        if (Is(command, chosen.front()->get_name().c_str())) return command;
    return BackupRun();
}

const CLI::App& AppOf(const CLI::App& program, const Command& command) {
    return command.name == nullptr ? program : *program.get_subcommand(command.name);
}

// The program's help lists the commands in lines of their own, after the backup run's options.
std::string CommandList() {
    std::size_t width = 0;
    for (const Command& command : Named())
        width = std::max(width, std::strlen(command.name) + 1 + std::strlen(command.arguments) + 1);
    std::string list = "Commands:\n";
    for (const Command& command : Named()) {
        std::string synopsis = std::string(command.name) + " " + command.arguments;
        synopsis.resize(width, ' ');
        list += std::string("  ") + kProgramName + " " + synopsis + command.purpose + "\n";
    }
    return list + "See '" + kProgramName + " COMMAND --help' for a command's options.";
}

// The program's help is the backup run's, under the program's name, with CommandList as its footer.
class ProgramHelpFormat : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override {
        return make_description(app) + make_usage(app, name) + make_positionals(app) +
               make_groups(app, mode) + "\n" + make_footer(app);
    }
};

std::string ProgramHelp(const CLI::App& program) {
    return ProgramHelpFormat().make_help(&BackupOptions(program), kProgramName, CLI::AppFormatMode::Normal);
}

std::string CommandHelp(const CLI::App& program, const std::string& name) {
    return program.get_subcommand(name)->help(kProgramName);
}

Status CheckTopic(const std::string& topic) {
    if (topic.empty()) return Status::Ok();
    std::string names;
    const std::span<const Command> named = Named();
    for (std::size_t i = 0; i < named.size(); ++i) {
        if (topic == named[i].name) return Status::Ok();
        names += std::string(i == 0 ? "" : i + 1 == named.size() ? " and " : ", ") + named[i].name;
    }
    return Status(StatusKind::Usage, "there is no command '" + topic + "'; the commands are " + names)
        .RetryWontHelp();
}

// A command's options follow its name: the program's own options before it
// are a backup run's, which CLI11 found with the command.
std::string OptionsBefore(const Command& command) {
    return std::string("the options before '") + command.name +
           "' are a backup run's; a command's options follow its name";
}

// --json where the arguments could not be read: as CLI11 counted it on the way.
bool AskedForJson(const CLI::App& program) {
    if (program.count("--json") > 0) return true;
    for (const CLI::App* command : program.get_subcommands()) {
        const CLI::Option* json = command->get_option_no_throw("--json");
        if (json != nullptr && json->count() > 0) return true;
    }
    return false;
}

int WrongUsage(const Command& command, const std::string& problem, bool json, std::ostream& err) {
    if (json) {
        JsonOutput::UsageError(err, command.event, problem);
        return kExitUsage;
    }
    const std::string who =
        command.name == nullptr ? kProgramName : std::string(kProgramName) + " " + command.name;
    // The help command's hint is the program's help, which lists the commands.
    const std::string helped = Is(command, kHelpCommand) ? std::string(kProgramName) : who;
    err << who << ": " << problem << ". Try '" << helped << " --help'.\n" << std::flush;
    return kExitUsage;
}

}  // namespace

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                   bool errIsTerminal) {
    Invocation invocation;
    CLI::App program{"", kProgramName};
    program.set_help_flag();  // the backup run's options hold it, so that it comes first in its help
    program.require_subcommand(0, 1);
    CLI::App& backup = *program.add_option_group("", BackupRun().description);
    // Said before the requirements are checked, as CLI11's own help flag would be.
    backup.add_flag_callback(
        "-h,--help", [] { throw CLI::CallForHelp(); }, "Print this help and exit");
    backup.set_version_flag("--version", std::string(kProgramName) + " " + VersionText(App()),
                            "Print the version and exit");
    BackupRun().declare(backup, invocation);
    backup.footer(CommandList());
    for (const Command& command : Named()) {
        CLI::App& app = *program.add_subcommand(command.name, command.description);
        app.group("");  // listed by CommandList, in words of their own
        backup.excludes(&app);
        command.declare(app, invocation);
    }

    try {
        program.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        const Command& command = Chosen(program);
        const bool own = command.name == nullptr || Is(command, kHelpCommand);
        out << (own ? ProgramHelp(program) : CommandHelp(program, command.name)) << std::flush;
        return kExitSuccess;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n' << std::flush;
        return kExitSuccess;
    } catch (const CLI::ParseError& error) {
        const Command& command = Chosen(program);
        const bool mixed = command.name != nullptr && BackupOptions(program).count_all() > 0;
        return WrongUsage(command,
                          mixed ? OptionsBefore(command) : command.problem(AppOf(program, command), error),
                          AskedForJson(program), err);
    }

    const Command& command = Chosen(program);
    if (const Status checked = command.check(invocation, AppOf(program, command)); !checked.ok())
        return WrongUsage(command, checked.text(), invocation.output.json, err);
    const std::unique_ptr<Output> output = MakeOutput(invocation.output, out, err, errIsTerminal);
    return command.run(invocation, program, out, *output);
}

}  // namespace qv::cli
