#ifndef VELDGRID_TVECTORTOOLS_H
#define VELDGRID_TVECTORTOOLS_H

#include <string>
#include <vector>

/// Stateless operations on sequences of numbers and strings. Every argument is taken by
/// value and every sequence returned is new and the caller's. Sums run from the first
/// element to the last in double precision.
class TVectorTools {
public:
    /// Sum of the elements; 0.0 for an empty vector.
    static double SumVector(std::vector<double> Values);
    /// Sum of the elements divided by their number (NaN for an empty vector).
    static double VectorMean(std::vector<double> Values);
    /// Sum of value × weight divided by the sum of the weights; the lengths must match.
    static double VectorWeightedMean(std::vector<double> Values, std::vector<double> Weights);

    /// Whether some element equals the wanted value exactly (a NaN is never found). Taken by
    /// reference, unlike the other operations: the grid operations ask it once per cell.
    static bool HasValue(const std::vector<double>& Values, double Wanted);
    /// Whether some element equals the wanted value.
    static bool HasValue(const std::vector<int>& Values, int Wanted);

    /// New vector of the strings read as `atoi` reads them (0 where no number starts); a
    /// number beyond the range of `int` gives the nearest `int`.
    static std::vector<int> StringToInt(std::vector<std::string> Strings);
    /// New vector of the strings read as `atof` reads them (0 where no number starts).
    static std::vector<double> StringToDouble(std::vector<std::string> Strings);
    /// New vector of the elements as doubles.
    static std::vector<double> IntToDouble(std::vector<int> Values);

    /// New vector Start, Start + Step, ... (running sums) up to and including End; empty when
    /// Start > End. The step must be greater than 0.
    static std::vector<double> VectorSeries(double Start, double End, double Step);
    /// New vector of the element-wise products; the lengths must match.
    static std::vector<double> VectorProduct(std::vector<double> First, std::vector<double> Second);
    /// Least-squares slope of Y against X; the lengths must match. Taken by reference, like
    /// `HasValue`: the value gradients ask it once per cell.
    static double Gradient(const std::vector<double>& X, const std::vector<double>& Y);
};

#endif
