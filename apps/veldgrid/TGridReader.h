#ifndef VELDGRID_APPS_TGRIDREADER_H
#define VELDGRID_APPS_TGRIDREADER_H

#include "TGridOptions.h"

#include <future>
#include <memory>
#include <string>
#include <vector>

class TMap;

/// Reads the grids that veldgrid is given: VELDAN grids and ARC/INFO ASCII grids, told
/// apart by their content. Every failure is thrown as a `std::string` "NAME: message",
/// naming the file.
class TGridReader {
public:
    enum class TFormat { VELDAN, ARCGIS };

    explicit TGridReader(const TGridOptions& Options) : MbrOptions(Options) {}

    /// The format of the named file: ARC/INFO where its first word is "ncols" (in any case)
    /// and its first bytes do not begin a VELDAN grid, VELDAN otherwise (whose reader then
    /// says what is wrong with a file that is neither).
    static TFormat FormatOf(const std::string& FileName);
    /// The name of the format, as `info` shows it: "VELDAN" or "ARC/INFO".
    static const char* NameOf(TFormat Format);

    /// Reads the named grid; a VELDAN grid as --strict says, with the cells that --nodata
    /// marks made no-data.
    std::unique_ptr<TMap> Load(const std::string& FileName) const;
    std::unique_ptr<TMap> Load(const std::string& FileName, TFormat& Format) const;

private:
    const TGridOptions& MbrOptions;
};

/// The grids of a series, read one after the other. With `Ahead`, the next grid is read on a
/// second thread while the caller works on the current one; the maps are those that one
/// thread reads.
class TFileSeries {
public:
    TFileSeries(const TGridReader& Reader, std::vector<std::string> Names, bool Ahead = true);
    ~TFileSeries();
    /// The next grid (caller owns), or nullptr after the last one.
    std::unique_ptr<TMap> Next();
    /// The name of the grid that `Next` returned last.
    const std::string& Name() const { return MbrNames[MbrNext - 1]; }

private:
    void ReadAhead();

    const TGridReader& MbrReader;
    std::vector<std::string> MbrNames;
    bool MbrAheadWanted;
    size_t MbrNext = 0;
    std::future<std::unique_ptr<TMap>> MbrAhead;
};

#endif
