#ifndef VELDGRID_APPS_TGRIDOPTIONS_H
#define VELDGRID_APPS_TGRIDOPTIONS_H

#include "TVELDANConverter.h"
#include "TVELDANFileTools.h"

#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
} // namespace CLI

class TMap;

/// The options with which the commands read VELDAN grids and write grids: --nodata VALUE,
/// --strict and --no-sidecars, with one meaning in every command.
class TGridOptions {
public:
    /// Adds the three options to the parser (of one of several subcommands, of which one
    /// runs); they keep their values here.
    void AddTo(CLI::App& App);
    /// Reads the value of --nodata once the parser has run: one whole number as `strtod`
    /// reads it, "nan" included; anything else is refused.
    void Finish();

    /// How VELDAN grids are read (--strict).
    TVELDANFileTools::TReadOptions ReadOptions() const;
    /// How VELDAN grids are converted by the converter that streams rows.
    TVELDANConverter::TOptions ConversionOptions(unsigned Threads) const;
    /// Gives the cells that --nodata marks the map's no-data value, as the converter that
    /// streams rows writes them.
    void MarkNoData(TMap* Map) const;
    /// Whether grids get their sidecar files (no --no-sidecars).
    bool Sidecars() const { return !MbrNoSidecars; }

private:
    std::string MbrNoDataText; // as given
    std::vector<const CLI::Option*> MbrNoDataOptions;
    bool MbrHasNoData = false;
    double MbrNoData = 0.0;
    bool MbrStrict = false;
    bool MbrNoSidecars = false;
};

#endif
