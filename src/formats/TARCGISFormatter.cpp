#include "TARCGISFormatter.h"

#include "TAxis.h"
#include "TError.h"
#include "TNumberText.h"

#include <algorithm>
#include <cmath>
#include <iomanip>

const char* const TARCGISFormatter::NonFiniteCells =
    "Cell values must be finite in TARCGISFileTools::WriteARCGISFile";

TARCGISFormatter::THeader TARCGISFormatter::Header(const TAxis* XIntervals, const TAxis* YIntervals,
                                                   double CellSize, double NoData) {
    return {XIntervals->GetSize() - 1, YIntervals->GetSize() - 1,
            TMapGeometry::LowerLeftCorner(XIntervals, YIntervals), CellSize, NoData};
}

TARCGISFormatter::THeader TARCGISFormatter::Header(TAxisTools::TEnds X, TAxisTools::TEnds Y,
                                                   long Columns, long Rows, double CellSize,
                                                   double NoData) {
    return {Columns, Rows, TMapGeometry::LowerLeftCorner(X, Y), CellSize, NoData};
}

void TARCGISFormatter::RequireFinite(const THeader& Header) {
    if (!std::isfinite(Header.Corner.X) || !std::isfinite(Header.Corner.Y) ||
        !std::isfinite(Header.CellSize) || !std::isfinite(Header.NoData))
        TError::Throw("Header numbers must be finite in TARCGISFileTools::WriteARCGISFile");
}

void TARCGISFormatter::WriteHeader(const THeader& Header, std::ostream& Out) {
    Out << "ncols " << Header.Columns << std::endl;
    Out << "nrows " << Header.Rows << std::endl;
    Out << "xllcorner " << std::setw(8) << Header.Corner.X << std::endl;
    Out << "yllcorner " << std::setw(8) << Header.Corner.Y << std::endl;
    Out << "cellsize " << Header.CellSize << std::endl;
    Out << "NODATA_value " << Header.NoData << std::endl;
}

char* TARCGISFormatter::Room() {
    const size_t Needed = MbrSize + TNumberText::MaxFormatLength + 2;
    if (MbrBuffer.size() < Needed)
        MbrBuffer.resize(std::max(Needed, 2 * MbrBuffer.size()));
    return MbrBuffer.data() + MbrSize;
}

void TARCGISFormatter::AddValue(double Value) {
    char* const Start = Room();
    char* const End = TNumberText::Format(Start, Value, MbrPrecision);
    *End = ' ';
    MbrSize += static_cast<size_t>(End + 1 - Start);
}

void TARCGISFormatter::AddDecimalText(const char* First, const char* Last, double Value) {
    char* const Start = Room();
    char* End = TNumberText::FormatDecimalText(Start, First, Last, MbrPrecision);
    if (!End)
        End = TNumberText::Format(Start, Value, MbrPrecision);
    *End = ' ';
    MbrSize += static_cast<size_t>(End + 1 - Start);
}

void TARCGISFormatter::EndRow() {
    *Room() = '\n';
    ++MbrSize;
}
