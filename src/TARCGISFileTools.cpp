#include "TARCGISFileTools.h"

#include "TARCGISFormatter.h"
#include "TMap.h"
#include "TMapTools.h"
#include "TNumberText.h"
#include "TSafeFile.h"
#include "TTextFile.h"

#include <cmath>
#include <iomanip>
#include <memory>

namespace {

/// A stream gone bad failed to read (an I/O error): that is no end of the input.
void RequireReadable(const std::istream& In) {
    if (In.bad())
        TError::Throw("Unable to read the stream in TARCGISFileTools::LoadARCGISFile");
}

/// Reads one header pair; the number is read before the keyword is checked.
template <typename TNumber>
void ReadHeaderPair(std::istream& In, std::string& Keyword, TNumber& Number, const char* Expected,
                    const char* Message) {
    In >> Keyword >> Number;
    RequireReadable(In);
    if (Keyword != Expected)
        TError::Throw(Message);
}

/// Reads the next number: the end of the input before it is the end-of-file failure, a word
/// that is not a number (also the last one of the input) the invalid-number failure.
double ReadBodyValue(std::istream& In) {
    const bool AtEnd = !(In >> std::ws) || In.peek() == std::char_traits<char>::eof();
    RequireReadable(In);
    if (AtEnd)
        TError::Throw("Unexpected end of file found in TARCGISFileTools::LoadARCGISFile");
    double Value;
    if (!(In >> Value))
        TError::Throw("Invalid number found in TARCGISFileTools::LoadARCGISFile");
    return Value;
}

using TOrientation = TARCGISFileTools::TOrientation;
using TCorner = TARCGISFileTools::TCorner;

/// Which way each axis of the map runs.
TOrientation OrientationOf(const TMap* Map) {
    return TARCGISFormatter::Orientation(Map->GetXAxisInterval(), Map->GetYAxisInterval());
}

TARCGISFormatter::THeader HeaderOf(const TMap* Map) {
    return TARCGISFormatter::Header(Map->GetXAxisInterval(), Map->GetYAxisInterval(),
                                    Map->GetResolution(), Map->GetNoDataValue());
}

void RequireIntervalAxes(const TMap* Map, const char* Message) {
    if (!Map->GetXAxisInterval() || !Map->GetYAxisInterval())
        TError::Throw(Message);
}

/// The lower-left corner: the western edge and the southern edge.
TCorner LowerLeftCornerOf(const TMap* Map) {
    return HeaderOf(Map).Corner;
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

TMap* TARCGISFileTools::LoadARCGISFile(std::istream& In) {
    // One keyword variable for all pairs: after a number fails to read, the stream reads
    // nothing more and the next check meets the keyword that was read before.
    std::string Keyword;
    long Columns = 0, Rows = 0;
    double XCorner = 0.0, YCorner = 0.0, CellSize = 0.0, NoData = 0.0;
    ReadHeaderPair(In, Keyword, Columns, "ncols", "File format error: expected to find ncols tag");
    ReadHeaderPair(In, Keyword, Rows, "nrows", "File format error: expectd to find nrows tag");
    ReadHeaderPair(In, Keyword, XCorner, "xllcorner",
                   "File format error: expected to find xllcorner tag");
    ReadHeaderPair(In, Keyword, YCorner, "yllcorner",
                   "File format error: expected to find yllcorner tag");
    ReadHeaderPair(In, Keyword, CellSize, "cellsize",
                   "File format error: expected to find cellsize tag");
    In >> Keyword;
    if (Keyword != "NODATA_value" && Keyword != "nodata_value")
        TError::Throw("File format error: expected to find NODATA_value tag");
    NoData = ReadBodyValue(In);
    if (Columns <= 0)
        TError::Throw("Number of columns must be greater than 0 in "
                      "TARCGISFileTools::LoadARCGISFile");
    if (Rows <= 0)
        TError::Throw("Number of rows must be greater than 0 in TARCGISFileTools::LoadARCGISFile");
    // A cell size of 0 or less would turn the grid over or stack every edge on one line.
    if (!(CellSize > 0.0))
        TError::Throw("Cell size must be greater than 0 in TARCGISFileTools::LoadARCGISFile");

    // The body grows with the values actually read, never with the announced size.
    std::unique_ptr<TMap> Map(new TMap(CellSize));
    Map->SetNoDataValue(NoData);
    for (long I = 0; I < Rows; ++I) {
        std::vector<double> Row;
        for (long J = 0; J < Columns; ++J)
            Row.push_back(ReadBodyValue(In));
        Map->AddRow(std::move(Row));
    }

    // Edges by repeated addition: Y upward from the lower-left corner to the top edge at
    // index 0, X eastward from the corner.
    TAxis YIntervals(CellSize, Rows + 1);
    double Y = YCorner;
    for (long I = Rows; I >= 0; --I, Y += CellSize)
        YIntervals.SetPoint(I, new TPoint(XCorner, Y));
    const double Top = YIntervals.GetPoint(0)->GetY();
    TAxis XIntervals(CellSize, Columns + 1);
    double X = XCorner;
    for (long J = 0; J <= Columns; ++J, X += CellSize)
        XIntervals.SetPoint(J, new TPoint(X, Top));
    Map->SetXAxisInterval(&XIntervals);
    Map->SetYAxisInterval(&YIntervals);
    return Map.release();
}

TMap* TARCGISFileTools::LoadARCGISFile(std::string FileName) {
    std::ifstream In;
    TTextFile::OpenForReading(In, FileName);
    try {
        return LoadARCGISFile(In);
    } catch (...) {
        TTextFile::RethrowReadFailure(FileName);
    }
}

// ---------------------------------------------------------------------------------------

void TARCGISFileTools::WriteHeader(const TMap* Map, std::ostream& Out) {
    TARCGISFormatter::WriteHeader(HeaderOf(Map), Out);
}

void TARCGISFileTools::WriteBody(const TMap* Map, std::ostream& Out) {
    const TOrientation Orientation = OrientationOf(Map);
    if (!TNumberText::CanFormatFor(Out)) {
        TMapTools::WriteFlatFile(Map, Out, ' ', Orientation.RowsSouthToNorth,
                                 Orientation.ColumnsEastToWest);
        return;
    }
    // Rows made by the formatter the streaming converter shares, flushed one by one as the
    // flat writer flushes them.
    TARCGISFormatter Rows(static_cast<int>(Out.precision()));
    const long XDim = Map->GetXDim();
    const long YDim = Map->GetYDim();
    for (long I = 0; I < YDim; ++I) {
        const std::vector<double>& Row =
            Map->RowValues(Orientation.RowsSouthToNorth ? YDim - 1 - I : I);
        Rows.Clear();
        for (long J = 0; J < XDim; ++J)
            Rows.AddValue(Row[Orientation.ColumnsEastToWest ? XDim - 1 - J : J]);
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
    return OrientationOf(Map);
}

TCorner TARCGISFileTools::LowerLeftCorner(const TMap* Map) {
    if (!Map)
        TError::Throw("Map is not set in TARCGISFileTools::LowerLeftCorner");
    RequireIntervalAxes(Map, "Map has no interval axes in TARCGISFileTools::LowerLeftCorner");
    return LowerLeftCornerOf(Map);
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
