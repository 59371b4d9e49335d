#ifndef VELDGRID_APPS_TGRIDOUTPUTS_H
#define VELDGRID_APPS_TGRIDOUTPUTS_H

#include "TDistinctFiles.h"
#include "TFileSet.h"
#include "TGridOptions.h"

#include <string>
#include <vector>

class TMap;

/// The grids that a subcommand writes: their names, the check that no two of its files are
/// one, and the writing, as one set that takes its place only when the whole command has
/// succeeded. A grid whose name ends in ".txt" is written as a VELDAN grid, any other as an
/// ARC/INFO ASCII grid with its sidecar files (unless --no-sidecars).
class TGridOutputs {
public:
    explicit TGridOutputs(const TGridOptions& Options) : MbrOptions(Options) {}

    /// Whether the name is that of an existing directory.
    static bool IsDirectory(const std::string& Name);
    /// Refuses a name that is not that of an existing directory.
    static void RequireDirectory(const std::string& Name);
    /// DIR/<stem>.asc for the input (its name without directory and last extension).
    static std::string InDirectory(const std::string& Directory, const std::string& Input);
    /// The outputs of a subcommand that writes one grid per input: DIR/<stem>.asc for each
    /// where -o names a directory, else -o itself for the one input.
    static std::vector<std::string> OnePerInput(const std::string& Output,
                                                const std::vector<std::string>& Inputs);

    /// Refuses, before anything is written, an output (or a sidecar of it) that is another
    /// name of an input or of another output.
    void Plan(const std::vector<std::string>& Inputs, const std::vector<std::string>& Outputs);
    /// Writes the map under the name, aside: it takes its place at `Commit`.
    void Write(const TMap* Map, const std::string& Name);
    /// Puts every grid written in its place, each after its sidecar files.
    void Commit() { MbrSet.Commit(); }

private:
    bool WithSidecars(const std::string& Name) const;

    const TGridOptions& MbrOptions;
    TFileSet MbrSet;
};

#endif
