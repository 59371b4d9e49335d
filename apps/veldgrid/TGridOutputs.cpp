#include "TGridOutputs.h"

#include "TARCGISFileTools.h"
#include "TMap.h"
#include "TMapTools.h"
#include "TSafeFile.h"
#include "TSidecarTools.h"
#include "TVELDANFileTools.h"

#include <sys/stat.h>

#include <filesystem>

namespace {

/// Whether the grid of the name is written as a VELDAN grid.
bool IsVELDANName(const std::string& Name) {
    return std::filesystem::path(Name).extension() == ".txt";
}

/// Writes the map as a VELDAN grid, whose no-data cells hold `TMap::DefaultNoData` (the
/// value its readers take as no-data): a map with another no-data value is written from a copy with
/// -9999 in those cells (a product with 1, which leaves every other value as it is).
void WriteVELDAN(const TMap* Map, std::ostream& Out) {
    std::unique_ptr<TMap> Copy;
    if (Map->GetNoDataValue() != TMap::DefaultNoData) {
        Copy.reset(TMapTools::Multiply(Map, 1.0));
        Copy->SetMetadata(Map->GetMetadata());
    }
    TVELDANFileTools::WriteVELDANFile(Copy ? Copy.get() : Map, Out);
}

} // namespace

bool TGridOutputs::IsDirectory(const std::string& Name) {
    struct stat Status;
    return ::stat(Name.c_str(), &Status) == 0 && S_ISDIR(Status.st_mode);
}

void TGridOutputs::RequireDirectory(const std::string& Name) {
    if (!IsDirectory(Name))
        throw "Unable to write to directory " + Name + ": it is not a directory";
}

std::string TGridOutputs::InDirectory(const std::string& Directory, const std::string& Input) {
    const std::string Stem = std::filesystem::path(Input).stem().string();
    return (std::filesystem::path(Directory) / (Stem + ".asc")).string();
}

std::vector<std::string> TGridOutputs::OnePerInput(const std::string& Output,
                                                   const std::vector<std::string>& Inputs) {
    if (!IsDirectory(Output)) {
        if (Inputs.size() != 1)
            throw "With several files, -o names a directory: " + Output + " is not one";
        return {Output};
    }
    std::vector<std::string> Outputs;
    for (const std::string& Input : Inputs)
        Outputs.push_back(InDirectory(Output, Input));
    return Outputs;
}

bool TGridOutputs::WithSidecars(const std::string& Name) const {
    return MbrOptions.Sidecars() && !IsVELDANName(Name) && TSidecarTools::HasPlaceBeside(Name);
}

void TGridOutputs::Plan(const std::vector<std::string>& Inputs,
                        const std::vector<std::string>& Outputs) {
    TDistinctFiles Files;
    Files.AddSources(Inputs, "input file");
    for (const std::string& Output : Outputs) {
        std::vector<TNamedFile> Set = {{"output file", Output}};
        if (WithSidecars(Output))
            TDistinctFiles::AddSidecarNames(Set, Output);
        Files.Add(Set);
    }
}

void TGridOutputs::Write(const TMap* Map, const std::string& Name) {
    // The sidecars are told before the grid's temporary file exists beside the name.
    const bool Sidecars = WithSidecars(Name);
    auto Grid = std::make_unique<TSafeFile>(Name);
    if (IsVELDANName(Name))
        WriteVELDAN(Map, Grid->Stream());
    else // the writer only reads the map
        TARCGISFileTools::WriteLosslessARCGISFile(const_cast<TMap*>(Map), Grid->Stream());
    MbrSet.AddGrid(std::move(Grid));
    if (Sidecars)
        MbrSet.AddSidecars(Name, Map);
}
