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
    /// How VELDAN grids are read (`TVELDANReader`, its `LoadMap`) and converted by the
    /// converter that streams rows: --strict, and the cells --nodata marks made no-data.
    TVELDANConverter::TOptions ConversionOptions(unsigned Threads) const;
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
