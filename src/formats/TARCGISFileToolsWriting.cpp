#include "TARCGISFileTools.h"

#include "TARCGISFormatter.h"
#include "TMap.h"
#include "TMapGeometry.h"
#include "TNumberText.h"
#include "TSafeFile.h"

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Writing ARC/INFO grids: the header from the map's interval axes, the rows north to south
// and west to east whatever order the map keeps them in; reading is in TARCGISFileTools.cpp.

namespace {

using TOrientation = TARCGISFileTools::TOrientation;
using TCorner = TARCGISFileTools::TCorner;

TARCGISFormatter::THeader HeaderOf(const TMap* Map) {
    return TARCGISFormatter::Header(Map->GetXAxisInterval(), Map->GetYAxisInterval(),
                                    Map->GetResolution(), Map->GetNoDataValue());
}

void RequireIntervalAxes(const TMap* Map, const char* Message) {
    if (!Map->GetXAxisInterval() || !Map->GetYAxisInterval())
        TError::Throw(Message);
}

/// Cells hold finite numbers only: no reader takes "nan" or "inf" as a value, and the
/// no-data value in their place would hide them among the missing cells. (One test per row
/// keeps the loop over the cells free of branches.)
void RequireFiniteCells(const TMap* Map) {
    for (long I = 0; I < Map->GetYDim(); ++I) {
        bool Finite = true;
        for (double Value : Map->RowValues(I))
            Finite &= std::isfinite(Value);
        if (!Finite)
            TError::Throw(TARCGISFormatter::NonFiniteCells);
    }
}

/// Everything the writer refuses, checked before anything is written.
void RequireWritable(const TMap* Map) {
    RequireIntervalAxes(Map, "Map has no interval axes in TARCGISFileTools::WriteARCGISFile");
    TARCGISFormatter::RequireFinite(HeaderOf(Map));
    RequireFiniteCells(Map);
}

} // namespace

// ---------------------------------------------------------------------------------------

void TARCGISFileTools::WriteHeader(const TMap* Map, std::ostream& Out) {
    TARCGISFormatter::WriteHeader(HeaderOf(Map), Out);
}

void TARCGISFileTools::WriteBody(const TMap* Map, std::ostream& Out) {
    const TOrientation Orientation =
        TMapGeometry::Orientation(Map->GetXAxisInterval(), Map->GetYAxisInterval());
    const long XDim = Map->GetXDim();
    const long YDim = Map->GetYDim();
    // Rows made by the formatter the streaming converter shares, flushed one by one; stream
    // settings that the formatter does not reproduce get the stream's own operator<<.
    const bool Formatted = TNumberText::CanFormatFor(Out);
    TARCGISFormatter Rows(Formatted ? static_cast<int>(Out.precision()) : 0);
    for (long I = 0; I < YDim; ++I) {
        const std::vector<double>& Row =
            Map->RowValues(Orientation.RowsSouthToNorth ? YDim - 1 - I : I);
        const auto ValueAt = [&](long J) {
            return Row[Orientation.ColumnsEastToWest ? XDim - 1 - J : J];
        };
        if (!Formatted) {
            for (long J = 0; J < XDim; ++J)
                Out << ValueAt(J) << ' ';
            Out << std::endl;
            continue;
        }
        Rows.Clear();
        for (long J = 0; J < XDim; ++J)
            Rows.AddValue(ValueAt(J));
        Rows.EndRow();
        Out.write(Rows.Data(), static_cast<std::streamsize>(Rows.Size()));
        Out.flush();
    }
}

void TARCGISFileTools::WriteARCGISFile(TMap* Map, std::ostream& Out) {
    RequireWritable(Map);
    WriteHeader(Map, Out);
    WriteBody(Map, Out);
}

void TARCGISFileTools::WriteARCGISFile(TMap* Map, std::string FileName) {
    RequireWritable(Map); // before the file is touched
    // The file replaces the destination only once it is complete.
    TSafeFile File(FileName);
    WriteLossless(Map, File.Stream());
    File.Commit();
}

void TARCGISFileTools::WriteLosslessARCGISFile(TMap* Map, std::ostream& Out) {
    RequireWritable(Map);
    WriteLossless(Map, Out);
}

void TARCGISFileTools::WriteLossless(const TMap* Map, std::ostream& Out) {
    const std::streamsize Precision = Out.precision();
    // Enough digits to give back every digit of the source: the header's corners are sums
    // whose rounding noise sits beyond the 12th digit.
    Out.precision(TARCGISFormatter::HeaderPrecision);
    WriteHeader(Map, Out);
    Out.precision(TARCGISFormatter::CellPrecision);
    WriteBody(Map, Out);
    Out.precision(Precision);
}

// ---------------------------------------------------------------------------------------

TOrientation TARCGISFileTools::Orientation(const TMap* Map) {
    if (!Map)
        TError::Throw("Map is not set in TARCGISFileTools::Orientation");
    RequireIntervalAxes(Map, "Map has no interval axes in TARCGISFileTools::Orientation");
    return TMapGeometry::Orientation(Map);
}

TCorner TARCGISFileTools::LowerLeftCorner(const TMap* Map) {
    if (!Map)
        TError::Throw("Map is not set in TARCGISFileTools::LowerLeftCorner");
    RequireIntervalAxes(Map, "Map has no interval axes in TARCGISFileTools::LowerLeftCorner");
    return TMapGeometry::LowerLeftCorner(Map);
}

// ---------------------------------------------------------------------------------------

void TARCGISFileTools::WriteFileList(std::vector<TMap*> Maps, std::vector<std::string> FileNames) {
    if (Maps.size() != FileNames.size())
        TError::Throw("Size of map list and filename list do not match in "
                      "TARCGISFileTools::WriteFileList");
    for (size_t I = 0; I < Maps.size(); ++I)
        WriteARCGISFile(Maps[I], FileNames[I]);
}

std::vector<TMap*> TARCGISFileTools::LoadFileList(std::vector<std::string> FileNames) {
    std::vector<std::unique_ptr<TMap>> Loaded;
    Loaded.reserve(FileNames.size());
    for (const std::string& FileName : FileNames)
        Loaded.emplace_back(LoadARCGISFile(FileName));
    std::vector<TMap*> Maps;
    Maps.reserve(Loaded.size());
    for (auto& Map : Loaded)
        Maps.push_back(Map.release());
    return Maps;
}
