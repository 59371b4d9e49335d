#include "TMapTools.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace testsupport;

namespace {

using TPointSet = std::map<double, TMapPoint*>;
using TGroups = std::map<double, std::vector<double>>;
using TValues = std::map<double, double>;

std::pair<double, double> Where(const TMapPoint* Point) {
    return {Point->GetX(), Point->GetY()};
}

class MapToolsSamplingTest : public ::testing::Test {
protected:
    // Visiting order (columns outer): 1, 2, 3, 4.
    std::unique_ptr<TMap> Values = UnitMap({{1, 3}, {2, 4}});
    TPointPool Pool;
};

TEST_F(MapToolsSamplingTest, FailuresCarryTheirMessages) {
    const std::vector<TMap*> Four(4, Values.get()), Two(2, Values.get());
    auto Wider = UnitMap({{1, 2, 3}}), Taller = UnitMap({{1, 2}, {3, 4}, {5, 6}});
    const TPointSet& Outside = Pool.Keep({{1.0, new TMapPoint(-5, -5)}});
    const auto Run = [&](int Start, int End) {
        return [&, Start, End] { TMapTools::GetValuesVector(Four, 0, 0, Start, End); };
    };
    const std::string Start = "Start map number is out of range in TMapTools::GetValuesVector";
    const std::string End = "End map number is out of range in TMapTools::GetValuesVector";
    ExpectFailures({
        {"point outside", [&] { TMapTools::FetchMapValues(Values.get(), Outside); },
         "Ordinate is out of range in TAxis::GetIndex"},
        {"too few point sets, checked first", [&] { TMapTools::FetchMapValues(Two, {Outside}); },
         "Number of point sets is less than number of maps in TMapTools::FetchMapValues"},
        {"overlay, both dimensions differ",
         [&] { TMapTools::GetValuesOverlay(Values.get(), Wider.get(), {}); },
         "Map X-dimensions do not match"},
        {"overlay, Y differs", [&] { TMapTools::GetValuesOverlay(Values.get(), Taller.get(), {}); },
         "Map Y-Dimensions do not match"},
        {"start negative", Run(-1, 2), Start},
        {"start = number of maps", Run(4, 5), Start},
        {"end = number of maps", Run(0, 4), End},
        {"end negative", Run(0, -1), End},
        {"start = end", Run(2, 2), "Stat map number must be less than end map number"},
        {"value at a point of a map without axes",
         [] { TMapTools::ValueAt(std::make_unique<TMap>(1.0, 2, 2).get(), 0, 0); },
         "Map has no interval axes in TMapTools::ValueAt"},
        {"fetch from no map", [] { TMapTools::FetchMapValues(nullptr, {}); },
         "Map is not set in TMapTools::FetchMapValues"},
        {"first values of no map", [] { TMapTools::GetFirstValues({}, {}); },
         "Map is not set in TMapTools::GetFirstValues"},
    });
}

// Regression: the points found in the first map were lost when a later map failed (a leak
// checker sees them).
TEST_F(MapToolsSamplingTest, RegressionFirstValuesLoseNoPointsWhenALaterMapFails) {
    TMap NoAxes(1.0, 2, 2);
    NoAxes.InitValues(1.0);
    const std::vector<TMap*> Maps = {Values.get(), &NoAxes};
    EXPECT_EQ(MessageOf([&] { TMapTools::GetFirstValues(Maps, {}); }),
              "X axis is not set in TMap::GetCoordinates");
}

TEST_F(MapToolsSamplingTest, FetchReadsTheCellUnderEachPoint) {
    const TPointSet& Set = Pool.Keep({
        {3.0, new TMapPoint(1.5, 0.5, 100.0)}, // column 1, row 1; its own value is ignored
        {1.0, new TMapPoint(0.2, 1.9)},        // column 0, row 0
        {2.0, new TMapPoint(1.0, 1.0)},        // on edges: eastern column, northern row
    });
    EXPECT_EQ(TMapTools::FetchMapValues(Values.get(), Set), (TValues{{1, 1}, {2, 3}, {3, 4}}));
    // Surplus point sets are ignored.
    auto Tens = UnitMap({{10, 30}, {20, 40}});
    const auto Lists = TMapTools::FetchMapValues({Values.get(), Tens.get()}, {Set, Set, {}});
    ASSERT_EQ(Lists.size(), 2u);
    EXPECT_EQ(Lists[1], (TValues{{1, 10}, {2, 30}, {3, 40}}));
}

// Cells are visited column by column; the no-data value (-1 here) and NaN are left out.
TEST_F(MapToolsSamplingTest, FirstValuesTakeTheFirstCellOfEachValue) {
    auto Map = UnitMap({{-1, 4, 7, NaN}, {-1, 4, 4, -9999}}, -1.0);
    const TPointSet& Firsts = Pool.Keep(TMapTools::GetFirstValues(Map.get(), {}));
    ASSERT_EQ(Firsts.size(), 3u);
    EXPECT_EQ(Where(Firsts.at(4)), std::make_pair(1.5, 1.5));
    EXPECT_EQ(Where(Firsts.at(7)), std::make_pair(2.5, 1.5));
    EXPECT_EQ(Where(Firsts.at(-9999)), std::make_pair(3.5, 0.5));
    EXPECT_EQ(Firsts.at(7)->GetValue(), 7.0);
    EXPECT_EQ(Pool.Keep(TMapTools::GetFirstValues(Map.get(), {7.0, 4.0})).size(), 1u);
    // The lowest column wins over the lowest row: 2 is first met in column 0, row 1.
    auto Diagonal = UnitMap({{1, 2}, {2, 1}});
    EXPECT_EQ(Where(Pool.Keep(TMapTools::GetFirstValues(Diagonal.get(), {})).at(2)),
              std::make_pair(0.5, 0.5));
    // One result per map, each with points of its own.
    auto Results = TMapTools::GetFirstValues({Values.get(), Values.get()}, {3});
    ASSERT_EQ(Results.size(), 2u);
    EXPECT_EQ(Pool.Keep(Results[0]).size(), 3u);
    EXPECT_NE(Results[0].at(1.0), Pool.Keep(Results[1]).at(1.0));
}

TEST_F(MapToolsSamplingTest, OverlayGroupsValuesByClassAndValuesVectorReadsARun) {
    // Visiting order -9999, -9999, NaN, 8: no-data classes are a class of their own, NaN
    // classes are skipped.
    auto Classes = UnitMap({{-9999, NaN}, {-9999, 8}});
    EXPECT_EQ(TMapTools::GetValuesOverlay(Values.get(), Classes.get(), {}),
              (TGroups{{-9999, {1, 2}}, {8, {4}}}));
    EXPECT_EQ(TMapTools::GetValuesOverlay(Values.get(), Classes.get(), {-9999}),
              (TGroups{{8, {4}}}));
    std::vector<std::unique_ptr<TMap>> Run;
    for (double V : {10, 11, 12, 13})
        Run.push_back(UnitMap({{0, V}}));
    EXPECT_EQ(TMapTools::GetValuesVector(Raw(Run), 1, 0, 1, 3), (std::vector<double>{11, 12, 13}));
    // A map listing its columns east to west, or its rows south to north, is read at the
    // same place.
    Run[2] = Reversed(Run[2].get(), false, true);
    EXPECT_EQ(TMapTools::GetValuesVector(Raw(Run), 1, 0, 1, 3), (std::vector<double>{11, 12, 13}));
    MapPtr North = UnitMap({{1}, {2}}), South = Reversed(UnitMap({{10}, {20}}).get(), true, false);
    EXPECT_EQ(TMapTools::GetValuesVector({North.get(), South.get()}, 0, 0, 0, 1),
              (std::vector<double>{1, 10}));
    // The run is placed by its own first map: maps before it are not read, whatever their
    // order, or even when they are not set.
    Run[0] = Reversed(Run[0].get(), false, true);
    EXPECT_EQ(TMapTools::GetValuesVector(Raw(Run), 1, 0, 1, 3), (std::vector<double>{11, 12, 13}));
    std::vector<TMap*> WithoutFirst = Raw(Run);
    WithoutFirst[0] = nullptr;
    EXPECT_EQ(TMapTools::GetValuesVector(WithoutFirst, 1, 0, 1, 3),
              (std::vector<double>{11, 12, 13}));
}

/// The cell whose edges (in either order) hold T, every cell tried: from its lower edge to
/// before its upper one, or with `UpperClosed` from after its lower edge to its upper one;
/// -1 when none does.
long CellHolding(const std::vector<double>& Edges, double T, bool UpperClosed) {
    for (size_t I = 0; I + 1 < Edges.size(); ++I) {
        const double Lo = std::min(Edges[I], Edges[I + 1]), Hi = std::max(Edges[I], Edges[I + 1]);
        if (UpperClosed ? Lo < T && T <= Hi : Lo <= T && T < Hi)
            return static_cast<long>(I);
    }
    return -1;
}

// Points on every edge, an eighth of a cell either side of it and beyond the map, on random
// maps in every order of rows and columns: columns are closed on the west, rows on the north.
TEST_F(MapToolsSamplingTest, ValueAtTakesTheCellEastAndSouthOfAnEdge) {
    for (int Order = 0; Order < 4; ++Order) {
        MapPtr Map = RandomMap(130 + Order, 6, 5, 0.5, 3.25, 9.75, Order & 2, !(Order & 1));
        AddNonFinite(Map.get(), Order);
        std::vector<double> XEdges, YEdges;
        for (long I = 0; I <= Map->GetXDim(); ++I)
            XEdges.push_back(Map->GetXAxisInterval()->GetPoint(I)->GetX());
        for (long J = 0; J <= Map->GetYDim(); ++J)
            YEdges.push_back(Map->GetYAxisInterval()->GetPoint(J)->GetY());
        for (double XEdge : XEdges)
            for (double YEdge : YEdges)
                for (int D = 0; D < 9; ++D) {
                    const double X = XEdge + (D % 3 - 1) / 16.0, Y = YEdge + (D / 3 - 1) / 16.0;
                    const long Column = CellHolding(XEdges, X, false);
                    const long Row = CellHolding(YEdges, Y, true);
                    const bool Outside = Column < 0 || Row < 0;
                    double Got = 0;
                    EXPECT_EQ(MessageOf([&] { Got = TMapTools::ValueAt(Map.get(), X, Y); }),
                              Outside ? "Point is outside the map in TMapTools::ValueAt"
                                      : "no exception")
                        << X << ", " << Y << ", order " << Order;
                    const double Want = Outside ? 0 : Map->GetPointVal(Column, Row);
                    EXPECT_TRUE(Got == Want || (std::isnan(Got) && std::isnan(Want))) << X << Y;
                }
    }
    // (1, 1) is the corner of all four cells: the south-eastern one holds it.
    EXPECT_EQ(TMapTools::ValueAt(Values.get(), 1.0, 1.0), 4.0);
    EXPECT_EQ(TMapTools::ValueAt(Reversed(Values.get(), true, true).get(), 1.0, 1.0), 4.0);
}

// The groups as one row of a map, for a fingerprint: each class, its count, its values.
TMap* GroupsAsMap(const TGroups& Groups) {
    std::vector<double> Row;
    for (const auto& Group : Groups) {
        Row.push_back(Group.first);
        Row.push_back(static_cast<double>(Group.second.size()));
        Row.insert(Row.end(), Group.second.begin(), Group.second.end());
    }
    return UnitMap({Row}).release();
}

TEST_F(MapToolsSamplingTest, OverlayOfSeriesOnRandomMapsKeepsItsRecordedBits) {
    const auto Series = RandomSeries(80, {0, 1, 2, 3});
    const std::vector<TMap*> S = Raw(Series);
    std::vector<MapPtr> Classes;
    for (TMap* Map : S)
        Classes.emplace_back(TMapTools::RoundContents(MapPtr(TMapTools::Divide(Map, 150)).get()));
    const auto Overlay = [&](size_t Value, size_t Class, std::vector<double> Excluded) {
        return [=, &S, &Classes] {
            return GroupsAsMap(
                TMapTools::GetValuesOverlay(S[Value], Classes[Class].get(), Excluded));
        };
    };
    ExpectRecorded({
        {"overlay rows reversed", Overlay(0, 1, {}), 0x8f89dbe716c0f84},
        {"overlay columns reversed", Overlay(3, 2, {0.0}), 0x4b9c53a6b0c930f4},
        {"overlay north-up classes", Overlay(1, 0, {-9999.0, 1.0}), 0x3930b4946c7b0425},
        {"overlay classes' columns reversed", Overlay(0, 2, {0.0}), 0xe804ee2096c75feb},
        {"overlay columns of either reversed", Overlay(1, 3, {}), 0xffc264c5b0b1f5aa},
    });
}

} // namespace
