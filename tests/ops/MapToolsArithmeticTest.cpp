#include "TMapTools.h"
#include "TSeriesStatistics.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace testsupport;

namespace {

/// One row of values on an X axis of these centres (in this order) at Y 0.5.
MapPtr OnXCentres(const std::vector<double>& Values, const std::vector<double>& Centres,
                  double Resolution) {
    TAxis X(Resolution), Y(Resolution);
    for (double Centre : Centres)
        X.AddPoint(new TPoint(Centre, 0.5));
    Y.AddPoint(new TPoint(Centres[0], 0.5));
    MapPtr Map(new TMap(&X, &Y));
    for (size_t J = 0; J < Values.size(); ++J)
        Map->SetPoint(static_cast<long>(J), 0, Values[J]);
    return Map;
}

class MapToolsArithmeticTest : public ::testing::Test {
protected:
    // Both cover [0, 2] x [0, 1].
    MapPtr Coarse = MakeMap({{10, 20}}, 1.0, 0.5, 0.5);
    MapPtr Fine = MakeMap({{1, 2, 3, 4}, {5, 6, 7, -9999}}, 0.5, 0.25, 0.75);
};

TEST_F(MapToolsArithmeticTest, FailuresCarryTheirMessages) {
    MapPtr Wide = UnitMap({{1, 2, 3}}), Tall = UnitMap({{1, 2}, {3, 4}});
    MapPtr Shifted = MakeMap({{1, 1, 1, 1}}, 0.5, 0.75, 0.75); // half a cell east of Coarse
    TMap *C = Coarse.get(), *W = Wide.get(), *T = Tall.get();
    const auto SumOf = [](std::vector<TMap*> Maps) { return [=] { delete TMapTools::Sum(Maps); }; };
    const auto CountsOf = [](std::vector<TMap*> Maps) {
        return [=] { delete TMapTools::DataCounts(Maps); };
    };
    const auto MeanOf = [](std::vector<TMap*> Maps) {
        return [=] { delete TMapTools::DataAverage(Maps); };
    };
    const auto MovingOf = [C](int Window) {
        return [=] { Own(TMapTools::MovingAverage(std::vector<TMap*>(2, C), Window)); };
    };
    const auto TrendOf = [](std::vector<TMap*> Maps, long MinCount) {
        return [=] { delete TMapTools::Trend(Maps, MinCount); };
    };
    TSeriesStatistics One;
    One.Add(C);
    const std::string Added = " of maps are inconsistent in TSeriesStatistics::Add";
    const std::string Sum = "Must have more than 2 maps to sum in TMapTools::Sum";
    ExpectFailures({
        {"Add beyond the coarser map", [&] { delete TMapTools::Add(C, Shifted.get()); },
         "Ordinate is out of range in TAxis::GetIndex"},
        {"Divide by a finer map", [&] { delete TMapTools::Divide(C, Fine.get()); },
         "Divisor must be of equal of coarser resolution than the dividend in "
         "TMapTools::Divide"},
        {"Subtract, columns differ", [&] { delete TMapTools::Subtract(C, W); },
         "X dimensions do not match in TMapTools::Subtract"},
        {"Subtract, rows differ", [&] { delete TMapTools::Subtract(C, T); },
         "Y dimensions do not match in TMapTools::Subtract"},
        {"Sum of one map", SumOf({C}), Sum},
        {"Sum, third map wider", SumOf({C, C, W}),
         "X-dimension of maps are inconsistent in TMapTools::Sum"},
        {"Sum, taller", SumOf({C, T}), "Y-dimension of maps are inconsistent in TMapTools::Sum"},
        {"DataCounts of none", CountsOf({}), "Map list is empty in TMapTools::DataCounts"},
        {"DataCounts, wider", CountsOf({C, W}),
         "X-dimension of maps are inconsistent in TMapTools::DataCounts"},
        {"DataCounts, taller", CountsOf({C, T}),
         "Y-dimension of maps are inconsistent in TMapTools::DataCounts"},
        {"DataAverage of one map", MeanOf({C}),
         "Must have at least 2 maps to average in TMapTools::DataAverage"},
        {"DataAverage, wider", MeanOf({C, W}),
         "X-dimension of maps are inconsistent in TMapTools::DataAverage"},
        {"DataAverage, taller", MeanOf({C, T}),
         "Y-dimension of maps are inconsistent in TMapTools::DataAverage"},
        {"Trend of one map", TrendOf({C}, 2),
         "Must have at least 2 maps for a trend in TMapTools::Trend"},
        {"Trend, minimum count 1", TrendOf({C, C}, 1),
         "Minimum count must be at least 2 in TMapTools::Trend"},
        {"Trend, wider", TrendOf({C, W}, 2),
         "X-dimension of maps are inconsistent in TMapTools::Trend"},
        {"Trend, taller", TrendOf({C, T}, 2),
         "Y-dimension of maps are inconsistent in TMapTools::Trend"},
        {"series, minimum count 1", [] { TSeriesStatistics Series(1); },
         "Minimum count must be at least 2 in TSeriesStatistics::TSeriesStatistics"},
        {"series, no map", [&] { One.Add(nullptr); }, "Map is not set in TSeriesStatistics::Add"},
        {"series, wider", [&] { One.Add(W); }, "X-dimension" + Added},
        {"series, taller", [&] { One.Add(T); }, "Y-dimension" + Added},
        {"series Sum of one map", [&] { delete One.Sum(); },
         "Must have more than 2 maps to sum in TSeriesStatistics::Sum"},
        {"series DataCounts of none", [] { delete TSeriesStatistics().DataCounts(); },
         "Map list is empty in TSeriesStatistics::DataCounts"},
        {"series DataAverage of one map", [&] { delete One.DataAverage(); },
         "Must have at least 2 maps to average in TSeriesStatistics::DataAverage"},
        {"series Trend of one map", [&] { delete One.Trend(); },
         "Must have at least 2 maps for a trend in TSeriesStatistics::Trend"},
        {"MovingAverage, window 1", MovingOf(1), Sum},
        {"MovingAverage, window -3", MovingOf(-3), Sum},
    });
    EXPECT_TRUE(HasRows(MapPtr(One.DataCounts()).get(), {{1, 1}})) << "refused maps add nothing";
}

// The finer map is the base (the first one when they are equally fine): it gives the grid
// and the no-data value.
TEST_F(MapToolsArithmeticTest, AddAndMultiplyWorkOnTheFinerGridInEitherOrder) {
    for (bool FineFirst : {false, true}) {
        TMap* A = FineFirst ? Fine.get() : Coarse.get();
        TMap* B = FineFirst ? Coarse.get() : Fine.get();
        const char* Case = FineFirst ? "fine map first" : "coarse map first";
        MapPtr Sum(TMapTools::Add(A, B)), Product(TMapTools::Multiply(A, B));
        EXPECT_TRUE(HasRows(Sum.get(), {{11, 12, 23, 24}, {15, 16, 27, -9999}})) << Case;
        EXPECT_TRUE(HasRows(Product.get(), {{10, 20, 60, 80}, {50, 60, 140, -9999}})) << Case;
        EXPECT_EQ(Product->GetXAxis()->GetPoint(3)->GetX(), 1.75) << Case;
    }
    MapPtr First = UnitMap({{1, -1}}, -1.0);
    MapPtr Sum(TMapTools::Add(First.get(), UnitMap({{-9999, 5}}).get()));
    EXPECT_TRUE(HasRows(Sum.get(), {{-1, -1}}));
    EXPECT_EQ(Sum->GetNoDataValue(), -1.0);
}

// A zero divisor gives what the division gives.
TEST_F(MapToolsArithmeticTest, DivideLiesOnTheDividendAndHasNoZeroTest) {
    MapPtr Dividend = MakeMap({{3, 0, 4, -5}, {-3, 8, 8, 6}}, 0.5, 0.25, 0.75, true, -5.0);
    MapPtr Quotient(TMapTools::Divide(Dividend.get(), UnitMap({{0, 2}}).get()));
    EXPECT_TRUE(HasRows(Quotient.get(), {{Inf, NaN, 2, -5}, {-Inf, Inf, 4, 3}}));
    EXPECT_EQ(Quotient->GetNoDataValue(), -5.0);
    MapPtr Holes = MakeMap({{1, 1, -9999, 1}, {1, 1, 1, 2}}, 0.5, 0.25, 0.75);
    EXPECT_TRUE(HasRows(MapPtr(TMapTools::Divide(Dividend.get(), Holes.get())).get(),
                        {{3, 0, -5, -5}, {-3, 8, 8, 3}}));
}

// Cells are paired by index, whatever the axes; the result lies on the minuend's.
TEST_F(MapToolsArithmeticTest, SubtractPairsCellsByIndex) {
    MapPtr Minuend = UnitMap({{10, -7}}, -7.0), Subtrahend = MakeMap({{4, 1}}, 0.25, 50, 0);
    MapPtr Difference(TMapTools::Subtract(Minuend.get(), Subtrahend.get()));
    EXPECT_TRUE(HasRows(Difference.get(), {{6, -7}}));
    EXPECT_EQ(Difference->GetXAxis()->GetPoint(1)->GetX(), 1.5);
    MapPtr Back(TMapTools::Subtract(Subtrahend.get(), Minuend.get()));
    EXPECT_TRUE(HasRows(Back.get(), {{-6, -9999}}));
}

// Regression: Multiply tested the cells against -9999.0 instead of the map's own no-data
// value, and Divide kept the input's no-data value. The cell rules of the one-map
// operations: the input's no-data cells become -9999.0, the result's own no-data value.
TEST_F(MapToolsArithmeticTest, RegressionNumberOperationsMarkInputNoDataWithTheirOwn) {
    MapPtr Map = UnitMap({{-1, -9999, 4}}, -1.0);
    const struct {
        const char* Name;
        TMap* Result;
        TRows Expected;
    } Cases[] = {
        {"Multiply", TMapTools::Multiply(Map.get(), 2.0), {{-9999, -19998, 8}}},
        {"Divide by 0", TMapTools::Divide(Map.get(), 0.0), {{-9999, -Inf, Inf}}},
        // Divided, not multiplied by the reciprocal: 7 * 0.1 is 0.7000000000000001.
        {"Divide by 10", TMapTools::Divide(UnitMap({{7, -3}}).get(), 10.0), {{0.7, -0.3}}},
    };
    for (const auto& Case : Cases) {
        MapPtr Result(Case.Result);
        EXPECT_TRUE(HasRows(Result.get(), Case.Expected)) << Case.Name;
        EXPECT_EQ(Result->GetNoDataValue(), -9999.0) << Case.Name;
    }
}

// Regression: RoundContents rounded through a 32-bit integer, truncated negatives and
// rounded the no-data value (-0.5 here) like any other.
TEST_F(MapToolsArithmeticTest, RegressionRoundContentsRoundsHalvesAwayFromZero) {
    const double Big = 2147483648.0; // 2^31
    MapPtr Map = UnitMap({{2.5, 2.4999, -2.5, -2.7, -2.4, -9999, Big + 0.5, -Big - 0.5, -Inf,
                           0.49999999999999994, NaN, -0.5}},
                         -0.5);
    EXPECT_TRUE(HasRows(MapPtr(TMapTools::RoundContents(Map.get())).get(),
                        {{3, 2, -3, -3, -2, -9999, Big + 1, -Big - 1, -Inf, 0, NaN, -9999}}));
}

// Regression: Sum wrote the no-data value of the map that had the no-data cell, and the
// average was that value divided by a count.
TEST_F(MapToolsArithmeticTest, RegressionSumAndAverageWriteTheirOwnNoData) {
    MapPtr A = UnitMap({{1, NaN, -9999}}), B = UnitMap({{4, -5, 3}}, -5.0),
           C = UnitMap({{2, 2, 2}});
    MapPtr Total(TMapTools::Sum({A.get(), B.get(), C.get()}));
    EXPECT_TRUE(HasRows(Total.get(), {{7, -9999, -9999}}));
    EXPECT_EQ(Total->GetNoDataValue(), -9999.0);
    MapPtr Mean(TMapTools::Average({A.get(), B.get()}));
    EXPECT_TRUE(HasRows(Mean.get(), {{2.5, -9999, -9999}}));
    EXPECT_EQ(Mean->GetNoDataValue(), -9999.0);
    EXPECT_TRUE(HasRows(MapPtr(TMapTools::DataCounts({A.get(), B.get()})).get(), {{2, 1, 1}}));
}

// Regression: the average paired the sum and the counts by position, which failed on an
// unevenly spaced point axis (its interval axis steps evenly from the first point, so the
// last centre here lies beyond it).
TEST_F(MapToolsArithmeticTest, RegressionAveragePairsCellsByIndexOnAnyAxes) {
    TAxis Uneven(1.0);
    for (double X : {0.5, 1.5, 10.0})
        Uneven.AddPoint(new TPoint(X, 0.5));
    MapPtr A = UnitMap({{0, 1, 2}}), B = UnitMap({{0, 3, 6}});
    A->SetXAxis(&Uneven);
    B->SetXAxis(&Uneven);
    EXPECT_TRUE(HasRows(MapPtr(TMapTools::Average({A.get(), B.get()})).get(), {{0, 2, 4}}));
}

// Each map's own no-data value counts.
TEST_F(MapToolsArithmeticTest, DataAverageSkipsTheMapsWithoutData) {
    MapPtr A = UnitMap({{1, -9999, -9999, 7}}), B = UnitMap({{4, 3, -5, -5}}, -5.0),
           C = UnitMap({{2, 2, -9999, -9999}});
    MapPtr Mean(TMapTools::DataAverage({A.get(), B.get(), C.get()}));
    EXPECT_TRUE(HasRows(Mean.get(), {{7.0 / 3, 2.5, -9999, 7}}));
    EXPECT_EQ(Mean->GetNoDataValue(), -9999.0);
}

// The first map in each order, the others in all the others (orders as in RandomSeries): each
// result, put north-up, is the result of the series read north-up.
TEST_F(MapToolsArithmeticTest, SeriesPairCellsByPlaceWhateverOrderTheMapsListThem) {
    std::vector<MapPtr> NorthUp;
    NorthUp.push_back(UnitMap({{1, 2, 3}, {4, -9999, 6}}));
    NorthUp.push_back(UnitMap({{10, 20, -9999}, {40, 50, 60}}));
    NorthUp.push_back(UnitMap({{100, 200, 300}, {-1, 500, 600}}, -1.0));
    NorthUp.push_back(UnitMap({{1000, -9999, 3000}, {4000, 5000, 6000}}));
    for (int First = 0; First < 4; ++First) {
        std::vector<MapPtr> Mixed;
        for (int K = 0; K < 4; ++K) {
            const int Order = K == 0 ? First : K;
            Mixed.push_back(Reversed(NorthUp[K].get(), Order & 1, Order & 2));
        }
        const auto Expect = [&](const char* Operation, TMap* OfMixed, TMap* OfNorthUp) {
            MapPtr Result(OfMixed), Expected(OfNorthUp);
            EXPECT_TRUE(
                HasRows(MapPtr(TMapTools::NorthUp(Result.get())).get(), RowsOf(Expected.get())))
                << Operation << ", first map in order " << First;
        };
        const std::vector<TMap*> M = Raw(Mixed), N = Raw(NorthUp);
        Expect("Sum", TMapTools::Sum(M), TMapTools::Sum(N));
        Expect("Average", TMapTools::Average(M), TMapTools::Average(N));
        Expect("DataCounts", TMapTools::DataCounts(M), TMapTools::DataCounts(N));
        Expect("DataAverage", TMapTools::DataAverage(M), TMapTools::DataAverage(N));
        Expect("Subtract", TMapTools::Subtract(M[0], M[3]), TMapTools::Subtract(N[0], N[3]));
        Expect("MovingAverage", TMapTools::MovingAverage(M, 4)[0],
               TMapTools::MovingAverage(N, 4)[0]);
        Expect("Trend", TMapTools::Trend(M, 2), TMapTools::Trend(N, 2));
    }
    // Columns in an order that is not its own inverse; centres equal within rounding.
    const struct {
        const char* Name;
        MapPtr A, B;
        std::vector<double> Sum;
    } Cases[] = {
        {"cycled columns",
         UnitMap({{1, 2, 3}}),
         OnXCentres({20, 30, 10}, {1.5, 2.5, 0.5}, 1.0),
         {11, 22, 33}},
        {"reversed, 0.1 + 0.2",
         OnXCentres({1, 2}, {0.1, 0.1 + 0.2}, 0.2),
         OnXCentres({20, 10}, {0.3, 0.1}, 0.2),
         {11, 22}},
    };
    for (const auto& Case : Cases)
        EXPECT_TRUE(HasRows(MapPtr(TMapTools::Sum({Case.A.get(), Case.B.get()})).get(), {Case.Sum}))
            << Case.Name;
}

/// The least-squares slope of the cell's finite data values against their map numbers, by
/// two passes about the means in long double; -9999.0 with fewer than `MinCount` values.
double LeastSquaresSlope(const std::vector<TMap*>& Maps, long LngX, long LngY, long MinCount) {
    std::vector<std::pair<long double, long double>> Points;
    for (size_t K = 0; K < Maps.size(); ++K) {
        const double V = Maps[K]->GetPointVal(LngX, LngY);
        if (V != Maps[K]->GetNoDataValue() && std::isfinite(V))
            Points.emplace_back(K, V);
    }
    if (static_cast<long>(Points.size()) < MinCount)
        return -9999.0;
    long double MeanK = 0, MeanV = 0, KK = 0, KV = 0;
    for (const auto& [K, V] : Points) {
        MeanK += K / Points.size();
        MeanV += V / Points.size();
    }
    for (const auto& [K, V] : Points) {
        KK += (K - MeanK) * (K - MeanK);
        KV += (K - MeanK) * (V - MeanV);
    }
    return static_cast<double>(KV / KK);
}

// Maps in every order of listing, zeros (values), NaN and infinite cells (gaps). Values near
// 1e6 varying by 1e-3 to 1e3 keep their slopes: cancellation is kept in check. The series fed
// one map at a time (copies deleted at once) has the list operations' bits.
TEST_F(MapToolsArithmeticTest, TrendIsTheLeastSquaresSlopeAndTheStreamedSeriesHasItsBits) {
    for (const double Offset : {0.0, 1e6}) {
        const long MinCount = Offset == 0.0 ? 8 : 2;
        auto NorthUp = RandomSeries(90, std::vector<int>(9, 0));
        std::vector<MapPtr> Listed;
        TSeriesStatistics Series(MinCount);
        for (size_t K = 0; K < NorthUp.size(); ++K) {
            TMap* Map = NorthUp[K].get();
            AddNonFinite(Map, static_cast<unsigned>(K));
            ForEachCellOf(Map, [&](long X, long Y, double V) {
                Map->SetPoint(X, Y, V == Map->GetNoDataValue() ? V : V + Offset);
            });
            Listed.push_back(Reversed(Map, (K + 3) & 1, (K + 3) & 2));
            Series.Add(Reversed(Listed.back().get(), false, false).get());
        }
        TRows Expected = RowsOf(NorthUp[0].get());
        ForEachCellOf(NorthUp[0].get(), [&](long X, long Y, double) {
            Expected[Y][X] = LeastSquaresSlope(Raw(NorthUp), X, Y, MinCount);
        });
        const std::vector<TMap*> L = Raw(Listed);
        MapPtr Trend(TMapTools::Trend(L, MinCount));
        EXPECT_TRUE(HasRows(MapPtr(TMapTools::NorthUp(Trend.get())).get(), Expected, 1e-9));
        const std::vector<std::pair<TMap*, TMap*>> Pairs = {
            {Series.Sum(), TMapTools::Sum(L)},
            {Series.DataCounts(), TMapTools::DataCounts(L)},
            {Series.DataAverage(), TMapTools::DataAverage(L)},
            {Series.Trend(), TMapTools::Trend(L, MinCount)}};
        for (size_t I = 0; I < Pairs.size(); ++I)
            EXPECT_EQ(Fingerprint(MapPtr(Pairs[I].first).get()),
                      Fingerprint(MapPtr(Pairs[I].second).get()))
                << "result " << I << ", offset " << Offset;
    }
}

// Maps on another extent or resolution pair by index, whatever their row order.
TEST_F(MapToolsArithmeticTest, SeriesOnOtherGridsPairCellsByIndex) {
    MapPtr A = UnitMap({{1, 2}, {3, 4}});
    MapPtr Elsewhere = Reversed(MakeMap({{10, 20}, {30, 40}}, 1.0, 100.5, 50.5).get(), true, false);
    MapPtr Finer = MakeMap({{100, 200}, {300, 400}}, 0.5, 0.25, 0.25, false);
    MapPtr Total(TMapTools::Sum({A.get(), Elsewhere.get(), Finer.get()}));
    EXPECT_TRUE(HasRows(Total.get(), {{131, 242}, {313, 424}}));
    // A's two centres in reverse order, but at resolution 2.
    MapPtr Coarser = OnXCentres({10, 20}, {1.5, 0.5}, 2.0);
    MapPtr Pair(TMapTools::Sum({UnitMap({{1, 2}}).get(), Coarser.get()}));
    EXPECT_TRUE(HasRows(Pair.get(), {{11, 22}}));
}

// Window k averages maps k to k + 2; a window longer than the list gives none.
TEST_F(MapToolsArithmeticTest, MovingAverageAveragesEachWindowFromItsStart) {
    std::vector<MapPtr> Series;
    for (double V : {3, 6, 9, 12, 15})
        Series.push_back(UnitMap({{V}}));
    std::vector<double> Means;
    for (const MapPtr& Mean : Own(TMapTools::MovingAverage(Raw(Series), 3)))
        Means.push_back(Mean->GetPointVal(0, 0));
    EXPECT_EQ(Means, std::vector<double>({6, 9, 12}));
    EXPECT_TRUE(TMapTools::MovingAverage(Raw(Series), 6).empty());
}

TEST_F(MapToolsArithmeticTest, OutputsOnRandomMapsKeepTheirRecordedBits) {
    // Recorded from the first implementation: any changed bit of a cell or axis point shows.
    const MapPtr North = RandomMap(1, 23, 17, 0.3, 10.15, 5.05, false, true);
    const MapPtr Up = RandomMap(2, 19, 21, 0.25, -3.125, -2.125, false, false);
    const MapPtr West = RandomMap(3, 17, 15, 0.7, 100.35, 40.35, true, true, -1.0);
    // Series in every order of listing, the first map north-up or not, one on another grid.
    const auto Mixed = RandomSeries(20, {0, 1, 2, 3, 0, 1, 2});
    const auto Turned = RandomSeries(30, {3, 0, 1, 2});
    auto Apart = RandomSeries(40, {0, 0, 0});
    Apart[1] = RandomMap(41, 13, 9, 0.25, -7.125, 1.125, true, false);
    const std::vector<TMap*> M = Raw(Mixed), T = Raw(Turned), A = Raw(Apart);
    const auto Moving = [](const std::vector<TMap*>& S, int Window, size_t K) {
        return [&S, Window, K] { return Pick(TMapTools::MovingAverage(S, Window), K); };
    };
    ExpectRecorded({
        {"Multiply north-up", [&] { return TMapTools::Multiply(North.get(), 0.3); },
         0x5ddca4091030bed5},
        {"Multiply Y ascending", [&] { return TMapTools::Multiply(Up.get(), -1.1); },
         0x188bd0c8d6b585c5},
        {"Divide north-up", [&] { return TMapTools::Divide(North.get(), 0.7); },
         0x94113276502fc917},
        {"Divide X descending", [&] { return TMapTools::Divide(West.get(), 3.0); },
         0xe6926810937ee55b},
        {"RoundContents X descending", [&] { return TMapTools::RoundContents(West.get()); },
         0x7fc58f489b28dcf7},
        {"RoundContents Y ascending", [&] { return TMapTools::RoundContents(Up.get()); },
         0xe6b35bf1de7062cd},
        {"Sum mixed", [&] { return TMapTools::Sum(M); }, 0x7c860c3af6cb43af},
        {"Sum turned", [&] { return TMapTools::Sum(T); }, 0x8838bd50b5c28aff},
        {"Sum apart", [&] { return TMapTools::Sum(A); }, 0xb426a7fd104088a0},
        {"DataCounts mixed", [&] { return TMapTools::DataCounts(M); }, 0x5285d55f6b2f1fd8},
        {"DataCounts turned", [&] { return TMapTools::DataCounts(T); }, 0x31043f6e2942efb4},
        {"Average mixed", [&] { return TMapTools::Average(M); }, 0xd86ab6db6c050031},
        {"Average turned", [&] { return TMapTools::Average(T); }, 0xb8fa6c329e769c22},
        {"Average apart", [&] { return TMapTools::Average(A); }, 0x6446daf1de72991d},
        {"DataAverage mixed", [&] { return TMapTools::DataAverage(M); }, 0xf2dd9c7298e40234},
        {"DataAverage turned", [&] { return TMapTools::DataAverage(T); }, 0x2d0501353d7f7a9e},
        {"DataAverage apart", [&] { return TMapTools::DataAverage(A); }, 0x49aeb7ee1b4756f2},
        {"MovingAverage mixed 0", Moving(M, 3, 0), 0x9318e8953f5b73c0},
        {"MovingAverage mixed 1", Moving(M, 3, 1), 0x278cf1ee0f6a74e8},
        {"MovingAverage mixed 4", Moving(M, 3, 4), 0xd41d5d3eab619c4b},
        {"MovingAverage turned", Moving(T, 2, 0), 0xe96a13378dc25b2f},
        {"Subtract by place", [&] { return TMapTools::Subtract(M[0], M[3]); }, 0xf46384c0655a503},
        {"Subtract turned", [&] { return TMapTools::Subtract(T[0], T[1]); }, 0x60fdf0910e09754d},
        {"Subtract apart", [&] { return TMapTools::Subtract(A[0], A[1]); }, 0x6423b2ef9f79012c},
    });
}

} // namespace
