#include "TMapTools.h"

#include "TNumberText.h"

// ---------------------------------------------------------------------------------------
// Helpers shared by the grid operations

std::unique_ptr<TMap> TMapTools::MakeResultOnAxes(const TMap* Input) {
    return std::unique_ptr<TMap>(new TMap(Input->GetXAxis(), Input->GetYAxis()));
}

std::unique_ptr<TMap> TMapTools::MakeResultSizedOn(const TMap* Base) {
    std::unique_ptr<TMap> Result(new TMap(Base->GetResolution(), Base->GetXDim(), Base->GetYDim()));
    Result->SetNoDataValue(Base->GetNoDataValue());
    Result->InitValues(Base->GetNoDataValue());
    Result->SetXAxis(Base->GetXAxis());
    Result->SetYAxis(Base->GetYAxis());
    return Result;
}

// ---------------------------------------------------------------------------------------
// Flat and CSV output

void TMapTools::WriteFlatFile(TMap* Map, std::ostream& Out, char Separator) {
    WriteFlatFile(Map, Out, Separator, false, false);
}

void TMapTools::WriteFlatFile(const TMap* Map, std::ostream& Out, char Separator, bool ReverseRows,
                              bool ReverseColumns) {
    const long XDim = Map->GetXDim();
    const long YDim = Map->GetYDim();
    std::vector<char> Line;
    for (long I = 0; I < YDim; ++I) {
        const std::vector<double>& Row = Map->RowValues(ReverseRows ? YDim - 1 - I : I);
        // Checked for every row: a field width set by the caller is spent after one value.
        if (!TNumberText::CanFormatFor(Out)) {
            for (long J = 0; J < XDim; ++J)
                Out << Row[ReverseColumns ? XDim - 1 - J : J] << Separator;
            Out << std::endl;
            continue;
        }
        // The same characters, made in a buffer and written in one call with the line feed;
        // the flush that ends every line stays.
        Line.resize(static_cast<size_t>(XDim) * (TNumberText::MaxFormatLength + 1) + 1);
        char* End = Line.data();
        const int Precision = static_cast<int>(Out.precision());
        for (long J = 0; J < XDim; ++J) {
            End = TNumberText::Format(End, Row[ReverseColumns ? XDim - 1 - J : J], Precision);
            *End++ = Separator;
        }
        *End++ = '\n';
        Out.write(Line.data(), End - Line.data());
        Out.flush();
    }
}

void TMapTools::WriteCSVFile(TMap* Map, std::ostream& Out) {
    ForEachCellByColumn(Map, [&](long LngX, long LngY) {
        std::unique_ptr<TMapPoint> Cell(Map->GetPoint(LngX, LngY));
        Out << Cell->GetX() << ',' << Cell->GetY() << ',' << Cell->GetValue() << std::endl;
    });
}

// ---------------------------------------------------------------------------------------
// Cell-wise arithmetic and aggregation

// ---------------------------------------------------------------------------------------
// Resampling

// ---------------------------------------------------------------------------------------
// Thresholds, masks, replacement and counts

// ---------------------------------------------------------------------------------------
// Sampling at points and by value

// ---------------------------------------------------------------------------------------
// Windows and placement

// ---------------------------------------------------------------------------------------
// Value gradients over map series
