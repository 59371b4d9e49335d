#include "TMapTools.h"

#include "MapToolsInternal.h"
#include "TNumberText.h"

#include <memory>
#include <ostream>
#include <vector>

using namespace veldgrid::ops::detail;

// ---------------------------------------------------------------------------------------
// Flat and CSV output

namespace {

/// Size of the buffer in which rows of the flat layout are made: a row longer than it is
/// written in pieces.
const size_t FlatBufferSize = size_t(1) << 17;

/// One row of the flat layout through the stream's operator<<, for stream settings that
/// the fast path does not reproduce.
template <typename TValueAt>
void WritePlainRow(std::ostream& Out, long XDim, TValueAt ValueAt, char Separator) {
    for (long J = 0; J < XDim; ++J)
        Out << ValueAt(J) << Separator;
    Out << std::endl;
}

/// The same characters as `WritePlainRow`, made in the buffer and written in one call per
/// buffer-full; the line feed goes with the last piece, and the flush stays.
template <typename TValueAt>
void WriteFastRow(std::ostream& Out, long XDim, TValueAt ValueAt, char Separator,
                  std::vector<char>& Buffer) {
    Buffer.resize(FlatBufferSize);
    const int Precision = static_cast<int>(Out.precision());
    char* const Start = Buffer.data();
    char* const Limit = Start + Buffer.size() - (TNumberText::MaxFormatLength + 2);
    char* End = Start;
    for (long J = 0; J < XDim; ++J) {
        if (End > Limit) {
            Out.write(Start, End - Start);
            End = Start;
        }
        End = TNumberText::Format(End, ValueAt(J), Precision);
        *End++ = Separator;
    }
    *End++ = '\n';
    Out.write(Start, End - Start);
    Out.flush();
}

} // namespace

void TMapTools::WriteFlatFile(const TMap* Map, std::ostream& Out, char Separator) {
    const long XDim = Map->GetXDim();
    std::vector<char> Buffer;
    for (long I = 0; I < Map->GetYDim(); ++I) {
        const std::vector<double>& Row = Map->RowValues(I);
        const auto ValueAt = [&](long J) { return Row[J]; };
        // Checked for every row: a field width set by the caller is spent after one value.
        if (TNumberText::CanFormatFor(Out))
            WriteFastRow(Out, XDim, ValueAt, Separator, Buffer);
        else
            WritePlainRow(Out, XDim, ValueAt, Separator);
    }
}

void TMapTools::WriteCSVFile(const TMap* Map, std::ostream& Out) {
    ForEachCellByColumn(Map, [&](long LngX, long LngY) {
        std::unique_ptr<TMapPoint> Cell(Map->GetPoint(LngX, LngY));
        Out << Cell->GetX() << ',' << Cell->GetY() << ',' << Cell->GetValue() << std::endl;
    });
}
