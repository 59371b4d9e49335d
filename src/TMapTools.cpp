#include "TMapTools.h"

#include "TVectorTools.h"

#include <algorithm>
#include <cmath>

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
    for (long I = 0; I < YDim; ++I) {
        const std::vector<double>& Row = Map->RowValues(ReverseRows ? YDim - 1 - I : I);
        for (long J = 0; J < XDim; ++J)
            Out << Row[ReverseColumns ? XDim - 1 - J : J] << Separator;
        Out << std::endl;
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

namespace {

/// Runs the cleanup when a failure unwinds past it, unless dismissed first.
template <typename TCleanup> class TOnFailure {
public:
    explicit TOnFailure(TCleanup Cleanup) : MbrCleanup(std::move(Cleanup)) {}
    ~TOnFailure() {
        if (MbrBlnArmed)
            MbrCleanup();
    }
    TOnFailure(const TOnFailure&) = delete;
    TOnFailure& operator=(const TOnFailure&) = delete;
    void Dismiss() { MbrBlnArmed = false; }

private:
    TCleanup MbrCleanup;
    bool MbrBlnArmed = true;
};

void DeletePoints(std::map<double, TMapPoint*>& PointSet) {
    for (auto& Entry : PointSet)
        delete Entry.second;
}

} // namespace

std::map<double, double> TMapTools::FetchMapValues(TMap* Map,
                                                   std::map<double, TMapPoint*> PointSet) {
    std::map<double, double> Values;
    for (const auto& Entry : PointSet)
        Values.emplace_hint(Values.end(), Entry.first, Map->GetPointVal(Entry.second));
    return Values;
}

std::vector<std::map<double, double>>
TMapTools::FetchMapValues(std::vector<TMap*> Maps,
                          std::vector<std::map<double, TMapPoint*>> PointSets) {
    if (PointSets.size() < Maps.size())
        TError::Throw(
            "Number of point sets is less than number of maps in TMapTools::FetchMapValues");
    std::vector<std::map<double, double>> Values;
    Values.reserve(Maps.size());
    for (size_t I = 0; I < Maps.size(); ++I)
        Values.push_back(FetchMapValues(Maps[I], std::move(PointSets[I])));
    return Values;
}

// ---------------------------------------------------------------------------------------

std::map<double, TMapPoint*> TMapTools::GetFirstValues(TMap* Map, std::vector<double> Excluded) {
    std::map<double, TMapPoint*> Firsts;
    TOnFailure Guard([&Firsts] { DeletePoints(Firsts); });
    // A run of equal values is looked at once; cells of the no-data value before any other
    // value count as such a run.
    double Previous = Map->GetNoDataValue();
    ForEachCellByColumn(Map, [&](long LngX, long LngY) {
        const double Value = Map->GetPointVal(LngX, LngY);
        if (Value == Previous)
            return;
        Previous = Value;
        // NaN has no place among keys ordered by exact comparison.
        if (IsNoData(Map, Value) || std::isnan(Value) || Firsts.count(Value) != 0 ||
            TVectorTools::HasValue(Excluded, Value))
            return;
        std::unique_ptr<TMapPoint> First(Map->GetPoint(LngX, LngY));
        Firsts.emplace(Value, First.get());
        First.release();
    });
    Guard.Dismiss();
    return Firsts;
}

std::vector<std::map<double, TMapPoint*>> TMapTools::GetFirstValues(std::vector<TMap*> Maps,
                                                                    std::vector<double> Excluded) {
    std::vector<std::map<double, TMapPoint*>> Firsts;
    // Reserved up front, so that storing a finished set cannot fail and lose its points.
    Firsts.reserve(Maps.size());
    TOnFailure Guard([&Firsts] {
        for (auto& PointSet : Firsts)
            DeletePoints(PointSet);
    });
    for (TMap* Map : Maps)
        Firsts.push_back(GetFirstValues(Map, Excluded));
    Guard.Dismiss();
    return Firsts;
}

// ---------------------------------------------------------------------------------------

std::map<double, std::vector<double>> TMapTools::GetValuesOverlay(TMap* ValueMap, TMap* ClassMap,
                                                                  std::vector<double> Excluded) {
    if (ValueMap->GetXDim() != ClassMap->GetXDim())
        TError::Throw("Map X-dimensions do not match");
    if (ValueMap->GetYDim() != ClassMap->GetYDim())
        TError::Throw("Map Y-Dimensions do not match");
    std::map<double, std::vector<double>> Classes;
    ForEachCellByColumn(ValueMap, [&](long LngX, long LngY) {
        const double Class = ClassMap->GetPointVal(LngX, LngY);
        // NaN has no place among keys ordered by exact comparison.
        if (std::isnan(Class) || TVectorTools::HasValue(Excluded, Class))
            return;
        Classes[Class].push_back(ValueMap->GetPointVal(LngX, LngY));
    });
    return Classes;
}

std::vector<double> TMapTools::GetValuesVector(std::vector<TMap*> Maps, long LngX, long LngY,
                                               int Start, int End) {
    if (Start < 0 || static_cast<size_t>(Start) >= Maps.size())
        TError::Throw("Start map number is out of range in TMapTools::GetValuesVector");
    if (End < 0 || static_cast<size_t>(End) >= Maps.size())
        TError::Throw("End map number is out of range in TMapTools::GetValuesVector");
    if (Start >= End)
        TError::Throw("Stat map number must be less than end map number");
    std::vector<double> Values;
    Values.reserve(static_cast<size_t>(End - Start) + 1);
    for (int Number = Start; Number <= End; ++Number)
        Values.push_back(Maps[Number]->GetPointVal(LngX, LngY));
    return Values;
}

// ---------------------------------------------------------------------------------------
// Windows and placement

// ---------------------------------------------------------------------------------------
// Value gradients over map series

std::vector<TMap*> TMapTools::ValueGradients(std::vector<TMap*> Maps, int WindowSize) {
    if (WindowSize >= 0 && static_cast<size_t>(WindowSize) >= Maps.size())
        TError::Throw("Window size must be < number of maps in TMapTools::ValueGradients");
    if (WindowSize < 1)
        TError::Throw("Window size must be > 0 in TMapTools::ValueGradients");
    const TMap* First = Maps.front();
    for (size_t I = 1; I < Maps.size(); ++I)
        if (Maps[I]->GetXDim() != First->GetXDim() || Maps[I]->GetYDim() != First->GetYDim())
            TError::Throw("Map dimensions do not match in TMapTools::ValueGradients");

    const int Windows = static_cast<int>(Maps.size()) - WindowSize;
    std::vector<std::unique_ptr<TMap>> Gradients;
    for (int Start = 0; Start < Windows; ++Start) {
        const std::vector<TMap*> Window(Maps.begin() + Start,
                                        Maps.begin() + Start + WindowSize + 1);
        const std::vector<double> Numbers =
            TVectorTools::VectorSeries(Start, Start + WindowSize, 1.0);
        std::unique_ptr<TMap> Gradient = MakeResultOnAxes(First);
        ForEachCellByColumn(First, [&](long LngX, long LngY) {
            // Where the window's first map holds 0 the cell stays no-data.
            if (Window.front()->GetPointVal(LngX, LngY) != 0.0)
                Gradient->SetPoint(LngX, LngY, WindowGradient(Window, Numbers, LngX, LngY));
        });
        Gradients.push_back(std::move(Gradient));
    }

    std::vector<TMap*> Released;
    Released.reserve(Gradients.size());
    for (auto& Gradient : Gradients)
        Released.push_back(Gradient.release());
    return Released;
}

double TMapTools::WindowGradient(const std::vector<TMap*>& Window,
                                 const std::vector<double>& Numbers, long LngX, long LngY) {
    std::vector<double> Values =
        GetValuesVector(Window, LngX, LngY, 0, static_cast<int>(Window.size()) - 1);
    std::vector<double> UsedNumbers;
    std::vector<double> UsedValues;
    for (size_t L = 0; L < Values.size(); ++L) {
        // Zeros are taken for gaps and filled from the neighbourhood, except in the last map.
        if (Values[L] == 0.0 && L + 1 < Values.size())
            Values[L] = FindNonzeroNeighbourVal(Window[L], LngX, LngY);
        if (!IsNoData(Window[L], Values[L])) {
            UsedNumbers.push_back(Numbers[L]);
            UsedValues.push_back(Values[L]);
        }
    }
    return TVectorTools::Gradient(UsedNumbers, UsedValues);
}

double TMapTools::FindNonzeroNeighbourVal(TMap* Map, long LngX, long LngY) {
    const long XDim = Map->GetXDim();
    const long YDim = Map->GetYDim();
    if (LngX < 0 || LngX >= XDim)
        TError::Throw("X-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal");
    if (LngY < 0 || LngY >= YDim)
        TError::Throw("Y-ordinate is out of range in TMapTools::FindNonzeroNeighbourVal");
    const long LastX = std::min(LngX + 1, XDim - 1);
    const long LastY = std::min(LngY + 1, YDim - 1);
    // Every column of the block is scanned: the last column holding a non-zero value wins,
    // with the topmost such value of that column.
    double Found = 0.0;
    for (long X = std::max(LngX - 1, 0L); X <= LastX; ++X)
        for (long Y = std::max(LngY - 1, 0L); Y <= LastY; ++Y) {
            const double Value = Map->GetPointVal(X, Y);
            if (Value != 0.0) {
                Found = Value;
                break;
            }
        }
    return Found;
}
