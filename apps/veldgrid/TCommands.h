#ifndef VELDGRID_APPS_TCOMMANDS_H
#define VELDGRID_APPS_TCOMMANDS_H

#include "TGridOptions.h"
#include "TProgress.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
} // namespace CLI

/// What the subcommands share, as the command line gives it.
struct TSettings {
    TGridOptions Grid; // --nodata, --strict, --no-sidecars
    std::vector<std::string> Files;
    std::string Output; // -o
    bool Quiet = false;
    bool Progress = false;

    TProgress::TMode ProgressMode() const {
        return Quiet      ? TProgress::TMode::Quiet
               : Progress ? TProgress::TMode::Forced
                          : TProgress::TMode::Auto;
    }
};

/// The subcommands of veldgrid: each has its parser (a CLI11 subcommand), its usage lines,
/// its help and the work it does once its command line is read.
class TCommands {
public:
    TCommands();
    ~TCommands();

    /// Adds a subcommand. `Usage` holds its usage lines ("veldgrid NAME ..."), `Footer` its
    /// examples and rules; `Run` does its work.
    CLI::App& Add(const std::string& Name, const std::string& Description, const std::string& Usage,
                  const std::string& Footer, std::function<void()> Run);
    /// Adds the input files (one or more).
    void AddFiles(CLI::App& Command);
    /// Adds -o with the meaning given.
    void AddOutput(CLI::App& Command, const std::string& Meaning);
    /// Adds --nodata, --strict and --no-sidecars.
    void AddGridOptions(CLI::App& Command);
    /// Adds --quiet and --progress.
    void AddProgressOptions(CLI::App& Command);

    /// Reads the command line and runs the subcommand it names; returns the exit status.
    /// Failures are thrown as the message to print.
    int Run(int ArgC, char** ArgV);

    TSettings Settings;

private:
    std::string UsageOf(const std::string& Name) const;
    CLI::App* Named(const std::string& Name) const;

    std::unique_ptr<CLI::App> MbrApp;
    std::map<std::string, std::string> MbrUsages;
    std::map<std::string, std::function<void()>> MbrActions;
};

/// The subcommands of each family, added to the table.
void AddInfoCommand(TCommands& Commands);
void AddSeriesCommands(TCommands& Commands);
void AddMapCommands(TCommands& Commands);
void AddSampleCommand(TCommands& Commands);

#endif
