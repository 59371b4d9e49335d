#ifndef VELDGRID_TESTS_TESTSUPPORT_H
#define VELDGRID_TESTS_TESTSUPPORT_H

#include "TMap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

using MapPtr = std::unique_ptr<TMap>;
inline const double NaN = std::numeric_limits<double>::quiet_NaN();
inline const double Inf = std::numeric_limits<double>::infinity();

/// The message of what the action throws (`TError::Message`), or "no exception".
inline std::string MessageOf(const std::function<void()>& Action) {
    try {
        Action();
    } catch (...) {
        return TError::Message(std::current_exception());
    }
    return "no exception";
}

/// Rows of cell values, row 0 first.
using TRows = std::vector<std::vector<double>>;

/// Map of the given rows (row 0 first) on point axes whose centres start at (X0, Y0) and
/// step by the resolution: eastward, and southward when `YDescends`, else northward; its
/// no-data value is `NoData`.
inline std::unique_ptr<TMap> MakeMap(const TRows& Rows, double Resolution, double X0, double Y0,
                                     bool YDescends = true, double NoData = TMap::DefaultNoData) {
    const long Columns = Rows.empty() ? 0 : static_cast<long>(Rows[0].size());
    TAxis X(Resolution), Y(Resolution);
    for (long J = 0; J < Columns; ++J)
        X.AddPoint(new TPoint(X0 + J * Resolution, Y0));
    for (size_t I = 0; I < Rows.size(); ++I)
        Y.AddPoint(new TPoint(X0, YDescends ? Y0 - I * Resolution : Y0 + I * Resolution));
    std::unique_ptr<TMap> Map(new TMap(&X, &Y));
    for (size_t I = 0; I < Rows.size(); ++I)
        for (long J = 0; J < Columns; ++J)
            Map->SetPoint(J, static_cast<long>(I), Rows[I][J]);
    Map->SetNoDataValue(NoData);
    return Map;
}

/// Map of resolution 1 in the system orientation (row 0 northernmost) whose south-west
/// corner is (0, 0): column c spans X c to c + 1, row r spans Y YDim - r - 1 to YDim - r.
inline std::unique_ptr<TMap> UnitMap(const TRows& Rows, double NoData = TMap::DefaultNoData) {
    return MakeMap(Rows, 1.0, 0.5, static_cast<double>(Rows.size()) - 0.5, true, NoData);
}

/// Map read by the ARC/INFO grid reader from a grid of these rows (row 0 northernmost)
/// whose lower-left corner is (XLL, YLL).
std::unique_ptr<TMap> ReadGrid(const TRows& Rows, double CellSize, double XLL, double YLL,
                               double NoData = TMap::DefaultNoData);

/// The same cells and centres with the rows and/or columns (and their point axes) listed in
/// reverse, as a file listing them south to north or east to west is read.
std::unique_ptr<TMap> Reversed(const TMap* Map, bool ReverseRows, bool ReverseColumns);

/// Takes ownership of the maps an operation returned.
std::vector<std::unique_ptr<TMap>> Own(const std::vector<TMap*>& Maps);
/// The plain list of maps that the operations take.
std::vector<TMap*> Raw(const std::vector<std::unique_ptr<TMap>>& Maps);

/// The cell values, row 0 first.
TRows RowsOf(const TMap* Map);
/// Calls Visit(LngX, LngY, value of the cell) for every cell, row by row.
void ForEachCellOf(const TMap* Map, const std::function<void(long, long, double)>& Visit);
/// Whether the map holds these rows, a NaN matching a NaN: exactly, or each cell within
/// `Relative` times the expected value's magnitude.
::testing::AssertionResult HasRows(const TMap* Map, const TRows& Expected, double Relative = 0.0);
/// Whether every cell of the result holds the value of the source cell under its centre.
::testing::AssertionResult CellsComeFrom(const TMap* Result, const TMap* Source);

/// The first and the last edge of the map in X, then in Y, in the order its axes run.
std::vector<double> EdgeSpan(const TMap* Map);

/// A call expected to throw the message, under a case name.
struct TFailure {
    const char* Name;
    std::function<void()> Call;
    std::string Expected;
};
/// Expects each call to throw its message, naming the case in every failure.
void ExpectFailures(const std::vector<TFailure>& Cases);
/// How many cells hold exactly the value.
long CountCells(const TMap* Map, double Value);

/// `Columns` x `Rows` cells, the first centred on (X0, Y0), columns stepping east (west when
/// `XDescends`), rows south when `YDescends`; values of uneven magnitude and sign from the
/// seed, about one in eight no-data. The same arguments give the same map everywhere.
std::unique_ptr<TMap> RandomMap(unsigned Seed, long Columns, long Rows, double Resolution,
                                double X0, double Y0, bool XDescends, bool YDescends,
                                double NoData = TMap::DefaultNoData);

/// `RandomMap`s of one north-up grid (13 x 9 cells of 0.5 from (2.25, 7.75)), seeds Seed,
/// Seed + 1, ..., every fifth cell 0 on a moving diagonal, maps 2, 5, ... with no-data -1.
/// Map K lists its cells in order Orders[K]: 0 north-up, 1 rows reversed, 2 columns, 3 both.
std::vector<std::unique_ptr<TMap>> RandomSeries(unsigned Seed, const std::vector<int>& Orders);

/// Sets the cells that the seed picks, about one in eight, to NaN, +infinity or -infinity
/// (NaN four times in six). The same arguments pick the same cells.
void AddNonFinite(TMap* Map, unsigned Seed);

/// 64-bit digest of the bits of everything an operation builds: the dimensions, the
/// resolution, the no-data value, every cell row by row, and every point of the four axes.
std::uint64_t Fingerprint(const TMap* Map);

/// An operation whose result is compared with the fingerprint recorded for it.
struct TRecorded {
    const char* Name;
    std::function<TMap*()> Make;
    std::uint64_t Expected;
};
/// Map K of a returned list; the others are deleted (all of them when K is out of range).
TMap* Pick(const std::vector<TMap*>& Maps, size_t K);
/// Expects each result (deleted) to have its recorded fingerprint; a failure shows the found one.
void ExpectRecorded(const std::vector<TRecorded>& Cases);

/// Owns the points handed to the tools or returned by them, for the rest of a test.
class TPointPool {
public:
    /// New points at the positions, as the raw list the tools take.
    std::vector<TPoint*> Make(const std::vector<std::pair<double, double>>& Positions);
    /// Takes the returned points and gives their positions.
    std::vector<std::pair<double, double>> Keep(const std::vector<TPoint*>& Points);
    /// Takes the points of a returned (or built) point set and gives the set back.
    const std::map<double, TMapPoint*>& Keep(std::map<double, TMapPoint*> Set);

private:
    std::vector<std::unique_ptr<TPoint>> MbrOwned;
    std::deque<std::map<double, TMapPoint*>> MbrSets; // keeps references valid
};

/// Contents of a file, byte for byte ("" when it cannot be read).
std::string ReadFile(const std::string& FileName);
/// Writes the text to the file, byte for byte.
void WriteFile(const std::string& FileName, const std::string& Text);
/// A fresh, empty directory for the running test.
std::string TempDir();

/// The text quoted for the shell, as one word.
std::string Quoted(const std::string& Text);

/// Exit status (-1 when the process did not exit normally) and standard streams of a run.
struct TProcessRun {
    int Status;
    std::string Out;
    std::string Err;
};

/// Runs the shell command line, capturing standard output and standard error in files in
/// `Dir`. `Redirections` is shell text applied after the captures (for example ">&-").
TProcessRun RunCapturing(const std::string& CommandLine, const std::string& Dir,
                         const std::string& Redirections = "");

/// Runs the action in a child process and returns the text it returns (or the message of
/// what it throws), for actions that change the process: its limits, its signals, its user.
/// With `AsOrdinaryUser` a child of root runs as the user nobody, whom file modes bind.
std::string InChildProcess(const std::function<std::string()>& Action, bool AsOrdinaryUser);

/// A string buffer that counts the flushes (`sync` calls) it receives.
class TCountingBuffer : public std::stringbuf {
public:
    int Syncs = 0;

protected:
    int sync() override {
        ++Syncs;
        return std::stringbuf::sync();
    }
};

} // namespace testsupport

#endif
