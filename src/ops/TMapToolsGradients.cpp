#include "TMapTools.h"

#include "MapToolsInternal.h"
#include "TVectorTools.h"

#include <algorithm>
#include <memory>
#include <vector>

using namespace veldgrid::ops::detail;

// ---------------------------------------------------------------------------------------
// Value gradients over map series

namespace {

/// `FindNonzeroNeighbourVal` over the cells that ValueAt(X, Y) gives on a grid of the size.
template <typename TValueAt>
double NonzeroNeighbour(const TValueAt& ValueAt, long XDim, long YDim, long LngX, long LngY) {
    const long LastX = std::min(LngX + 1, XDim - 1);
    const long LastY = std::min(LngY + 1, YDim - 1);
    // Every column of the block is scanned: the last column holding a non-zero value wins,
    // with the topmost such value of that column.
    double Found = 0.0;
    for (long X = std::max(LngX - 1, 0L); X <= LastX; ++X)
        for (long Y = std::max(LngY - 1, 0L); Y <= LastY; ++Y) {
            const double Value = ValueAt(X, Y);
            if (Value != 0.0) {
                Found = Value;
                break;
            }
        }
    return Found;
}

/// The least-squares slopes of one window of a series: maps Start to Start + WindowSize,
/// read at the places of the first map's cells. The lists of usable map numbers and values
/// are kept from cell to cell, so that a cell allocates nothing.
class TWindowSlope {
public:
    TWindowSlope(const TSeriesReader& Reader, int Start, int WindowSize)
        : MbrReader(Reader), MbrStart(Start),
          MbrNumbers(TVectorTools::VectorSeries(Start, Start + WindowSize, 1.0)) {
        MbrUsedNumbers.reserve(MbrNumbers.size());
        MbrUsedValues.reserve(MbrNumbers.size());
    }

    /// The slope at the cell (LngX, LngY), whose row of every map `Rows` holds: zeros except
    /// in the last map are filled from the neighbourhood, no-data values are left out. The
    /// values are those `GetValuesVector` gives for the window.
    double At(const std::vector<const double*>& Rows, long LngX, long LngY) {
        const TMap* First = MbrReader.Map(0);
        MbrUsedNumbers.clear();
        MbrUsedValues.clear();
        for (size_t L = 0; L < MbrNumbers.size(); ++L) {
            const size_t I = MbrStart + L;
            double Value = Rows[I][LngX];
            // Zeros are taken for gaps and filled from the neighbourhood, except in the last map.
            if (Value == 0.0 && L + 1 < MbrNumbers.size())
                Value = NonzeroNeighbour([&](long X, long Y) { return MbrReader.At(I, X, Y); },
                                         First->GetXDim(), First->GetYDim(), LngX, LngY);
            if (!IsNoData(MbrReader.Map(I), Value)) {
                MbrUsedNumbers.push_back(MbrNumbers[L]);
                MbrUsedValues.push_back(Value);
            }
        }
        return TVectorTools::Gradient(MbrUsedNumbers, MbrUsedValues);
    }

private:
    const TSeriesReader& MbrReader;
    size_t MbrStart;
    std::vector<double> MbrNumbers;
    std::vector<double> MbrUsedNumbers;
    std::vector<double> MbrUsedValues;
};

/// New map on the first map's axes holding the slopes of the window from `Start`; where the
/// window's first map holds 0 the cell stays no-data.
std::unique_ptr<TMap> WindowGradients(TSeriesReader& Reader, int Start, int WindowSize) {
    std::unique_ptr<TMap> Gradient = MakeResultOnAxes(Reader.Map(0));
    TWindowSlope Slope(Reader, Start, WindowSize);
    for (long LngY = 0; LngY < Gradient->GetYDim(); ++LngY) {
        const std::vector<const double*>& Rows = Reader.Rows(LngY);
        for (long LngX = 0; LngX < Gradient->GetXDim(); ++LngX)
            if (Rows[Start][LngX] != 0.0)
                Gradient->SetPoint(LngX, LngY, Slope.At(Rows, LngX, LngY));
    }
    return Gradient;
}

} // namespace

// Every map is read at the place of the first map's cell, so the zero test, the window's
// values and the neighbourhoods that fill zeros all follow the first map's rows and columns.
std::vector<TMap*> TMapTools::ValueGradients(std::vector<TMap*> Maps, int WindowSize) {
    if (WindowSize >= 0 && static_cast<size_t>(WindowSize) >= Maps.size())
        TError::Throw("Window size must be < number of maps in TMapTools::ValueGradients");
    if (WindowSize < 1)
        TError::Throw("Window size must be > 0 in TMapTools::ValueGradients");
    const char* const Dimensions = "Map dimensions do not match in TMapTools::ValueGradients";
    CheckSameSizes(Maps, Dimensions, Dimensions);
    TSeriesReader Reader(std::vector<const TMap*>(Maps.begin(), Maps.end()));
    const int Windows = static_cast<int>(Maps.size()) - WindowSize;
    std::vector<std::unique_ptr<TMap>> Gradients;
    for (int Start = 0; Start < Windows; ++Start)
        Gradients.push_back(WindowGradients(Reader, Start, WindowSize));
    return ReleaseAll(std::move(Gradients));
}

double TMapTools::FindNonzeroNeighbourVal(const TMap* Map, long LngX, long LngY) {
    const long XDim = Map->GetXDim();
    const long YDim = Map->GetYDim();
    if (LngX < 0 || LngX >= XDim)
        TError::Throw("X-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal");
    if (LngY < 0 || LngY >= YDim)
        TError::Throw("Y-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal");
    return NonzeroNeighbour([Map](long X, long Y) { return Map->GetPointVal(X, Y); }, XDim, YDim,
                            LngX, LngY);
}
