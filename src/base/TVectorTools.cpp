#include "TVectorTools.h"

#include "TError.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <numeric>

double TVectorTools::SumVector(std::vector<double> Values) {
    return std::accumulate(Values.begin(), Values.end(), 0.0);
}

double TVectorTools::VectorMean(std::vector<double> Values) {
    const double Count = static_cast<double>(Values.size());
    return SumVector(std::move(Values)) / Count;
}

double TVectorTools::VectorWeightedMean(std::vector<double> Values, std::vector<double> Weights) {
    if (Values.size() != Weights.size())
        TError::Throw(
            "Length of value and weight vectors do not match in TVectorTools::WeightedMean");
    const double WeightSum = SumVector(Weights);
    return SumVector(VectorProduct(std::move(Values), std::move(Weights))) / WeightSum;
}

// ---------------------------------------------------------------------------------------

bool TVectorTools::HasValue(const std::vector<double>& Values, double Wanted) {
    return std::find(Values.begin(), Values.end(), Wanted) != Values.end();
}

bool TVectorTools::HasValue(const std::vector<int>& Values, int Wanted) {
    return std::find(Values.begin(), Values.end(), Wanted) != Values.end();
}

// ---------------------------------------------------------------------------------------

std::vector<int> TVectorTools::StringToInt(std::vector<std::string> Strings) {
    std::vector<int> Result;
    Result.reserve(Strings.size());
    for (const std::string& Text : Strings) {
        // Reads what atoi reads, but strtoll saturates where atoi would overflow.
        const long long Value = std::strtoll(Text.c_str(), nullptr, 10);
        Result.push_back(static_cast<int>(std::clamp<long long>(Value, INT_MIN, INT_MAX)));
    }
    return Result;
}

std::vector<double> TVectorTools::StringToDouble(std::vector<std::string> Strings) {
    std::vector<double> Result;
    Result.reserve(Strings.size());
    // strtod reads what atof reads and gives +-HUGE_VAL where atof's result is undefined.
    for (const std::string& Text : Strings)
        Result.push_back(std::strtod(Text.c_str(), nullptr));
    return Result;
}

std::vector<double> TVectorTools::IntToDouble(std::vector<int> Values) {
    return std::vector<double>(Values.begin(), Values.end());
}

// ---------------------------------------------------------------------------------------

std::vector<double> TVectorTools::VectorSeries(double Start, double End, double Step) {
    std::vector<double> Series;
    if (!(Start <= End)) // also when either is NaN
        return Series;
    if (!(Step > 0.0))
        TError::Throw("Step must be greater than 0 in TVectorTools::VectorSeries");
    // An infinite range, or a step lost in the rounding of the running sum, would make the
    // series grow without end.
    if ((End - Start) / Step >= static_cast<double>(Series.max_size()))
        TError::Throw("Step is too small to reach the end in TVectorTools::VectorSeries");
    for (double Value = Start; Value <= End;) {
        Series.push_back(Value);
        const double Next = Value + Step;
        if (Next == Value && Value == End)
            break; // the end itself, reached once
        if (Next == Value)
            TError::Throw("Step is too small to reach the end in TVectorTools::VectorSeries");
        Value = Next;
    }
    return Series;
}

std::vector<double> TVectorTools::VectorProduct(std::vector<double> First,
                                                std::vector<double> Second) {
    if (First.size() != Second.size())
        TError::Throw("Length of vectors does not match in TVectorTools::VectorProduct");
    for (size_t I = 0; I < First.size(); ++I)
        First[I] *= Second[I];
    return First;
}

// The four sums are those of `SumVector` over x, y, x * x and x * y, each from the first
// element to the last, made in one pass without copying either vector.
double TVectorTools::Gradient(const std::vector<double>& X, const std::vector<double>& Y) {
    if (X.size() != Y.size())
        TError::Throw("Length of vectors does not match in TVectorTools::VectorProduct");
    double Sx = 0.0, Sy = 0.0, Sxx = 0.0, Sxy = 0.0;
    for (size_t I = 0; I < X.size(); ++I) {
        Sx += X[I];
        Sy += Y[I];
        Sxx += X[I] * X[I];
        Sxy += X[I] * Y[I];
    }
    const double SxSq = Sx * Sx;
    const double N = static_cast<double>(Y.size());
    return (Sxy * N - Sx * Sy) / (Sxx * N - SxSq);
}
