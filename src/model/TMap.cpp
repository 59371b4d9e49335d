#include "TMap.h"

#include "TAxisTools.h"

#include <cassert>

TMap::TMap(double Resolution) : MbrDblResolution(Resolution) {}

TMap::TMap(double Resolution, long LngXDim, long LngYDim) : MbrDblResolution(Resolution) {
    Init(Resolution, LngXDim, LngYDim, DefaultNoData);
}

TMap::TMap(const TAxis* XAxis, const TAxis* YAxis) : MbrDblResolution(0.0) {
    if (!XAxis)
        TError::Throw("X axis is not set in TMap::TMap");
    if (!YAxis)
        TError::Throw("Y axis is not set in TMap::TMap");
    // Written so that a NaN resolution counts as different too.
    if (!(XAxis->GetResolution() == YAxis->GetResolution()))
        TError::Throw("Axes resolutions do not match in TMap::TMap");
    Init(XAxis->GetResolution(), XAxis->GetSize(), YAxis->GetSize(), DefaultNoData);
    SetXAxis(XAxis);
    SetYAxis(YAxis);
}

TMap::~TMap() = default;

void TMap::Init(double Resolution, long LngXDim, long LngYDim, double Value) {
    if (LngXDim < 0 || LngYDim < 0)
        TError::Throw("Dimensions cannot be negative in TMap::Init");
    // The cells are made first: if that fails, the map is as it was.
    std::vector<std::vector<double>> Values(LngYDim, std::vector<double>(LngXDim, Value));
    MbrPtrXAxis.reset();
    MbrPtrYAxis.reset();
    MbrPtrXAxisInterval.reset();
    MbrPtrYAxisInterval.reset();
    MbrDblResolution = Resolution;
    MbrLngXDim = LngXDim;
    MbrLngYDim = LngYDim;
    MbrDblNoData = Value;
    MbrVecValues.swap(Values);
}

void TMap::InitValues(double Value) {
    for (auto& Row : MbrVecValues)
        std::fill(Row.begin(), Row.end(), Value);
}

void TMap::AddRow(std::vector<double> Row) {
    // The first row that holds values fixes the number of columns.
    const long XDim = MbrLngXDim == 0 ? static_cast<long>(Row.size()) : MbrLngXDim;
    // A short row is completed with no-data cells, and rows added while the map had no
    // columns are widened, so that every stored row holds at least the map's number of
    // columns and no cell read or write leaves the grid. The dimensions change last, once
    // nothing can fail any more.
    if (static_cast<long>(Row.size()) < XDim)
        Row.resize(XDim, MbrDblNoData);
    if (MbrLngXDim == 0)
        for (auto& Earlier : MbrVecValues)
            Earlier.resize(XDim, MbrDblNoData);
    MbrVecValues.push_back(std::move(Row));
    MbrLngXDim = XDim;
    ++MbrLngYDim;
}

std::vector<double> TMap::GetRow(long Index) const {
    if (Index < 0 || Index >= static_cast<long>(MbrVecValues.size()))
        TError::Throw("Index is out of bounds in TMap::GetRow");
    return MbrVecValues[Index];
}

// ---------------------------------------------------------------------------------------

TPoint* TMap::GetCoordinates(long LngX, long LngY) const {
    if (!MbrPtrXAxis)
        TError::Throw("X axis is not set in TMap::GetCoordinates");
    if (LngX < 0 || LngX >= MbrPtrXAxis->GetSize())
        TError::Throw("LngX is out of range for the X-axis in TMap::GetCoordinates");
    if (!MbrPtrYAxis)
        TError::Throw("Y axis is not set in TMap::GetCoordinates");
    if (LngY < 0 || LngY >= MbrPtrYAxis->GetSize())
        TError::Throw("LngY is out of range for the Y-axis in TMap::GetCoordinates");
    return new TPoint(MbrPtrXAxis->GetPoint(LngX)->GetX(), MbrPtrYAxis->GetPoint(LngY)->GetY());
}

TMapPoint* TMap::GetPoint(long LngX, long LngY) const {
    if (LngX < 0 || LngX >= MbrLngXDim)
        TError::Throw("LngX is out of range in TMap::GetPoint (long,long)");
    if (LngY < 0 || LngY >= MbrLngYDim)
        TError::Throw("LngY is out of range in TMap::GetPoint (long,long)");
    std::unique_ptr<TPoint> Centre(GetCoordinates(LngX, LngY));
    return new TMapPoint(Centre->GetX(), Centre->GetY(), GetPointVal(LngX, LngY));
}

// ---------------------------------------------------------------------------------------

long TMap::GetIndex(double Ordinate, char Axis) const {
    if (Axis == 'X') {
        if (!MbrPtrXAxisInterval)
            TError::Throw("X interval axis is not set in TMap::GetIndex");
        return MbrPtrXAxisInterval->GetIndex(Ordinate, 'X');
    }
    if (!MbrPtrYAxisInterval)
        TError::Throw("Y interval axis is not set in TMap::GetIndex");
    return MbrPtrYAxisInterval->GetIndex(Ordinate, Axis);
}

void TMap::Locate(const TPoint* Point, long& LngX, long& LngY) const {
    LngX = GetIndex(Point->GetX(), 'X');
    LngY = GetIndex(Point->GetY(), 'Y');
}

double TMap::GetPointVal(const TPoint* Point) const {
    long LngX, LngY;
    Locate(Point, LngX, LngY);
    if (LngX < 0 || LngX >= MbrLngXDim)
        TError::Throw("LngX is out of range in TMap::GetPointVal");
    if (LngY < 0 || LngY >= MbrLngYDim)
        TError::Throw("LngY is out of range in TMap::GetPointVal");
    return MbrVecValues[LngY][LngX];
}

TMapPoint* TMap::GetPoint(const TPoint* Point) const {
    long LngX, LngY;
    Locate(Point, LngX, LngY);
    if (LngX < 0 || LngX >= MbrLngXDim)
        TError::Throw("LngX is out of range in TMap::GetPoint (TPoint*)");
    if (LngY < 0 || LngY >= MbrLngYDim)
        TError::Throw("LngY is out of range in TMap::GetPoint (TPoint*)");
    return new TMapPoint(Point->GetX(), Point->GetY(), MbrVecValues[LngY][LngX]);
}

void TMap::SetPoint(const TPoint* Point, double Value) {
    long LngX, LngY;
    Locate(Point, LngX, LngY);
    // The interval axes hold one point more than the dimension, so a segment index always
    // names a cell of the grid.
    assert(LngX >= 0 && LngX < MbrLngXDim && LngY >= 0 && LngY < MbrLngYDim);
    MbrVecValues[LngY][LngX] = Value;
}

std::vector<double> TMap::GetPointValues(const std::vector<TPoint*>& Points) const {
    std::vector<double> Values;
    Values.reserve(Points.size());
    for (const TPoint* Point : Points)
        Values.push_back(GetPointVal(Point));
    return Values;
}

// ---------------------------------------------------------------------------------------
// Axis setters: both new axes of the direction are built before anything is released.

void TMap::SetXAxis(const TAxis* XAxis) {
    if (!XAxis || XAxis->GetSize() != MbrLngXDim)
        TError::Throw("Length of new X axis does not match the X dimension of the map");
    std::unique_ptr<TAxis> Points(XAxis->Clone());
    std::unique_ptr<TAxis> Intervals(TAxisTools::PointsToIntervals(XAxis, 'X'));
    MbrPtrXAxis = std::move(Points);
    MbrPtrXAxisInterval = std::move(Intervals);
    AssertXAxes();
}

void TMap::SetYAxis(const TAxis* YAxis) {
    if (!YAxis || YAxis->GetSize() != MbrLngYDim)
        TError::Throw("Length of new Y axis does not match the Y dimension of the map");
    std::unique_ptr<TAxis> Points(YAxis->Clone());
    std::unique_ptr<TAxis> Intervals(TAxisTools::PointsToIntervals(YAxis, 'Y'));
    MbrPtrYAxis = std::move(Points);
    MbrPtrYAxisInterval = std::move(Intervals);
    AssertYAxes();
}

void TMap::SetXAxisInterval(const TAxis* XAxisInterval) {
    if (!XAxisInterval || XAxisInterval->GetSize() != MbrLngXDim + 1)
        TError::Throw("Length of new X interval axis does not fit the X dimension of the map");
    std::unique_ptr<TAxis> Intervals(XAxisInterval->Clone());
    std::unique_ptr<TAxis> Points(TAxisTools::IntervalsToPoints(XAxisInterval, 'X'));
    MbrPtrXAxisInterval = std::move(Intervals);
    MbrPtrXAxis = std::move(Points);
    AssertXAxes();
}

void TMap::SetYAxisInterval(const TAxis* YAxisInterval) {
    if (!YAxisInterval || YAxisInterval->GetSize() != MbrLngYDim + 1)
        TError::Throw("Length of new Y interval axis does not fit the Y dimension of the map");
    std::unique_ptr<TAxis> Intervals(YAxisInterval->Clone());
    std::unique_ptr<TAxis> Points(TAxisTools::IntervalsToPoints(YAxisInterval, 'Y'));
    MbrPtrYAxisInterval = std::move(Intervals);
    MbrPtrYAxis = std::move(Points);
    AssertYAxes();
}

// clang-format off
void TMap::AssertXAxes() const {
    assert(MbrPtrXAxis -> GetSize () == MbrLngXDim);
    assert(MbrPtrXAxisInterval -> GetSize () == MbrLngXDim + 1);
}

void TMap::AssertYAxes() const {
    assert(MbrPtrYAxis -> GetSize () == MbrLngYDim);
    assert(MbrPtrYAxisInterval -> GetSize () == MbrLngYDim + 1);
}
// clang-format on
