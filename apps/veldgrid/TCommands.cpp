#include "TCommands.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace {

const char* const TopUsage = "Usage: veldgrid SUBCOMMAND [options] FILE...\n"
                             "       veldgrid SUBCOMMAND --help\n"
                             "       veldgrid --help | --version";

const char* const TopFooter =
    "Files are VELDAN grids or ARC/INFO ASCII grids, told apart by their content. A\n"
    "series is the files in the order given, their cells paired by place (maps listing\n"
    "their rows or columns the other way line up). Grids are written as ARC/INFO\n"
    "ASCII grids with their .prj and .aux.xml files, or as VELDAN grids where the name\n"
    "ends in .txt; every file is written aside and put in place only when the whole\n"
    "command has succeeded.\n"
    "\n"
    "Exit status: 0 on success, 1 after a message on standard error (\"FILE: message\"\n"
    "where a file is at fault); nothing is written then.";

/// The help begins with each subcommand's own usage lines, then what it does.
class TUsageFormatter : public CLI::Formatter {
public:
    explicit TUsageFormatter(const std::map<std::string, std::string>& Usages)
        : MbrUsages(Usages) {}
    std::string make_description(const CLI::App*) const override { return ""; }
    std::string make_usage(const CLI::App* App, std::string) const override {
        const auto Found = MbrUsages.find(App->get_name());
        const std::string Description = App->get_description();
        return (Found == MbrUsages.end() ? std::string() : Found->second + "\n") +
               (Description.empty() ? "" : "\n" + Description + "\n");
    }

private:
    const std::map<std::string, std::string>& MbrUsages;
};

/// Writes the text to standard output.
void Print(const std::string& Text) {
    std::cout << Text << std::flush;
    if (!std::cout)
        throw std::string("Unable to write to standard output");
}

} // namespace

TCommands::TCommands() : MbrApp(std::make_unique<CLI::App>("", "veldgrid")) {
    MbrUsages["veldgrid"] = TopUsage;
    auto Formatter = std::make_shared<TUsageFormatter>(MbrUsages);
    Formatter->column_width(24);
    MbrApp->formatter(Formatter);
    MbrApp->footer(TopFooter);
    MbrApp->add_flag("--version", "print the version and exit");
}

TCommands::~TCommands() = default;

CLI::App& TCommands::Add(const std::string& Name, const std::string& Description,
                         const std::string& Usage, const std::string& Footer,
                         std::function<void()> Run) {
    CLI::App* Command = MbrApp->add_subcommand(Name, Description);
    Command->allow_extras(); // unknown options, told apart in Run
    Command->footer(Footer);
    MbrUsages[Name] = Usage;
    MbrActions[Name] = std::move(Run);
    return *Command;
}

void TCommands::AddFiles(CLI::App& Command) {
    Command.add_option("FILE", Settings.Files, "the grids to read")->type_name("")->required();
}

void TCommands::AddOutput(CLI::App& Command, const std::string& Meaning) {
    Command.add_option("-o", Settings.Output, Meaning)->type_name("OUT")->required();
}

void TCommands::AddGridOptions(CLI::App& Command) {
    Settings.Grid.AddTo(Command);
}

void TCommands::AddProgressOptions(CLI::App& Command) {
    Command.add_flag("--quiet", Settings.Quiet, "show no progress");
    Command.add_flag("--progress", Settings.Progress, "show the progress on any standard error");
}

std::string TCommands::UsageOf(const std::string& Name) const {
    const auto Found = MbrUsages.find(Name);
    return Found == MbrUsages.end() ? std::string(TopUsage) : Found->second;
}

CLI::App* TCommands::Named(const std::string& Name) const {
    for (CLI::App* Command : MbrApp->get_subcommands({}))
        if (Command->get_name() == Name)
            return Command;
    return nullptr;
}

int TCommands::Run(int ArgC, char** ArgV) {
    const std::string First = ArgC > 1 ? ArgV[1] : "";
    if (First.empty() || (First[0] != '-' && !Named(First)))
        throw(First.empty()
                  ? std::string()
                  : "Unknown subcommand " + First + " (veldgrid --help lists the subcommands)\n") +
            UsageOf("veldgrid");
    try {
        MbrApp->parse(ArgC, ArgV);
    } catch (const CLI::CallForHelp&) {
        Print(MbrApp->help());
        return 0;
    } catch (const CLI::ParseError& Failure) {
        // An unknown option is the first fault to report.
        const CLI::App* Command = Named(First);
        if (!Command || Command->remaining().empty())
            throw std::string(Failure.what()) + "\n" + UsageOf(First);
    }
    if (First[0] == '-') {
        if (MbrApp->count("--version") == 0)
            throw UsageOf("veldgrid");
        Print(std::string("veldgrid ") + VELDGRID_VERSION + "\n");
        return 0;
    }
    const CLI::App* Command = Named(First);
    for (const std::string& Argument : Command->remaining())
        throw "Unknown option " + Argument + " (veldgrid " + First +
            " --help lists the options)\n" + UsageOf(First);
    Settings.Grid.Finish();
    MbrActions[First]();
    return 0;
}
