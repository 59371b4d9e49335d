#include "TMapTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

/// The message of the `char*` the call throws, or a marker when it throws nothing.
template <typename TCall> std::string ThrownMessage(TCall&& Call) {
    try {
        Call();
    } catch (char* Message) {
        return Message;
    }
    return "<nothing thrown>";
}

/// Map of resolution 1 from its rows (row 0 northernmost): column c spans X c to c + 1 and
/// row r spans Y YDim - r - 1 to YDim - r.
std::unique_ptr<TMap> MakeMap(const std::vector<std::vector<double>>& Rows,
                              double NoData = -9999.0) {
    std::unique_ptr<TMap> Map(new TMap(1.0));
    for (const auto& Row : Rows)
        Map->AddRow(Row);
    TAxis XAxis(1.0), YAxis(1.0);
    for (long LngX = 0; LngX < Map->GetXDim(); ++LngX)
        XAxis.AddPoint(new TPoint(LngX + 0.5, 0.0));
    for (long LngY = 0; LngY < Map->GetYDim(); ++LngY)
        YAxis.AddPoint(new TPoint(0.0, Map->GetYDim() - LngY - 0.5));
    Map->SetXAxis(&XAxis);
    Map->SetYAxis(&YAxis);
    Map->SetNoDataValue(NoData);
    return Map;
}

/// Owns the points of a point set built or returned in a test.
struct TOwnedPoints {
    std::map<double, TMapPoint*> Points;
    ~TOwnedPoints() {
        for (auto& Entry : Points)
            delete Entry.second;
    }
};

const double NaN = std::numeric_limits<double>::quiet_NaN();

class MapToolsSamplingTest : public ::testing::Test {
protected:
    // Visiting order (columns outer): 1, 2, 3, 4.
    std::unique_ptr<TMap> Values = MakeMap({{1, 3}, {2, 4}});
};

// ---- Failures ---------------------------------------------------------------------------

TEST_F(MapToolsSamplingTest, FetchFailsForPointsOutsideTheMap) {
    TOwnedPoints Set;
    Set.Points[1.0] = new TMapPoint(0.5, 0.5);
    Set.Points[2.0] = new TMapPoint(2.5, 0.5);
    EXPECT_EQ(ThrownMessage([&] { TMapTools::FetchMapValues(Values.get(), Set.Points); }),
              "Ordinate is out of range in TAxis::GetIndex");
}

TEST_F(MapToolsSamplingTest, FetchOnListsRefusesTooFewPointSetsFirst) {
    TOwnedPoints Outside;
    Outside.Points[1.0] = new TMapPoint(-5, -5);
    EXPECT_EQ(ThrownMessage([&] {
                  TMapTools::FetchMapValues({Values.get(), Values.get()}, {Outside.Points});
              }),
              "Number of point sets is less than number of maps in TMapTools::FetchMapValues");
    EXPECT_EQ(ThrownMessage([&] {
                  TMapTools::FetchMapValues(std::vector<TMap*>{Values.get()},
                                            std::vector<std::map<double, TMapPoint*>>{});
              }),
              "Number of point sets is less than number of maps in TMapTools::FetchMapValues");
}

TEST_F(MapToolsSamplingTest, OverlayRefusesMapsOfOtherSizes) {
    auto Wider = MakeMap({{1, 2, 3}, {4, 5, 6}});
    auto Taller = MakeMap({{1, 2}, {3, 4}, {5, 6}});
    auto Other = MakeMap({{1, 2, 3}});
    struct {
        const char* Name;
        TMap* Classes;
        const char* Message;
    } Cases[] = {
        {"X differs", Wider.get(), "Map X-dimensions do not match"},
        {"Y differs", Taller.get(), "Map Y-Dimensions do not match"},
        {"both differ", Other.get(), "Map X-dimensions do not match"},
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(
            ThrownMessage([&] { TMapTools::GetValuesOverlay(Values.get(), Case.Classes, {}); }),
            Case.Message)
            << Case.Name;
}

TEST_F(MapToolsSamplingTest, ValuesVectorChecksMapNumbersThenCell) {
    std::vector<TMap*> Maps(4, Values.get());
    const char* Start = "Start map number is out of range in TMapTools::GetValuesVector";
    const char* End = "End map number is out of range in TMapTools::GetValuesVector";
    const char* Order = "Stat map number must be less than end map number";
    struct {
        const char* Name;
        long LngX, LngY;
        int Start, End;
        const char* Message;
    } Cases[] = {
        {"start negative", 0, 0, -1, 2, Start},
        {"start = number of maps", 0, 0, 4, 5, Start},
        {"start checked before end", 0, 0, -1, 9, Start},
        {"end = number of maps", 0, 0, 0, 4, End},
        {"end negative", 0, 0, 0, -1, End},
        {"start = end", 0, 0, 2, 2, Order},
        {"start > end", 0, 0, 3, 1, Order},
        {"column outside", 2, 0, 0, 1, "X-ordinate is out of range in TMap::GetPointVal"},
        {"row outside", 0, -1, 0, 1, "Y-ordinate is out of range in TMap::GetPointVal"},
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(ThrownMessage([&] {
                      TMapTools::GetValuesVector(Maps, Case.LngX, Case.LngY, Case.Start, Case.End);
                  }),
                  Case.Message)
            << Case.Name;
}

TEST_F(MapToolsSamplingTest, FirstValuesOfMapWithoutAxesFail) {
    // The first map yields points before the second fails; none of them may be lost
    // (visible under a leak checker).
    TMap NoAxes(1.0, 2, 2);
    NoAxes.InitValues(1.0);
    EXPECT_EQ(ThrownMessage([&] {
                  TMapTools::GetFirstValues({Values.get(), &NoAxes}, {});
              }),
              "X axis is not set in TMap::GetCoordinates");
}

// ---- Values at points -------------------------------------------------------------------

TEST_F(MapToolsSamplingTest, FetchReadsTheCellUnderEachPoint) {
    EXPECT_TRUE(TMapTools::FetchMapValues(Values.get(), {}).empty());
    TOwnedPoints Set;
    Set.Points[3.0] = new TMapPoint(1.5, 0.5, 100.0); // column 1, row 1; own value ignored
    Set.Points[1.0] = new TMapPoint(0.2, 1.9);        // column 0, row 0
    Set.Points[2.0] = new TMapPoint(1.0, 1.0);        // edges: eastern column, northern row
    const std::map<double, double> Expected = {{1.0, 1}, {2.0, 3}, {3.0, 4}};
    EXPECT_EQ(TMapTools::FetchMapValues(Values.get(), Set.Points), Expected);
    EXPECT_EQ(Set.Points[3.0]->GetValue(), 100.0);
}

TEST_F(MapToolsSamplingTest, FetchOnListsPairsByPositionAndIgnoresSurplusSets) {
    auto Tens = MakeMap({{10, 30}, {20, 40}});
    TOwnedPoints First, Second, Surplus;
    First.Points[7.0] = new TMapPoint(0.5, 0.5);
    Second.Points[8.0] = new TMapPoint(1.5, 1.5);
    Surplus.Points[9.0] = new TMapPoint(-5, -5);
    const auto Result = TMapTools::FetchMapValues({Values.get(), Tens.get()},
                                                  {First.Points, Second.Points, Surplus.Points});
    ASSERT_EQ(Result.size(), 2u);
    EXPECT_EQ(Result[0], (std::map<double, double>{{7.0, 2}}));
    EXPECT_EQ(Result[1], (std::map<double, double>{{8.0, 30}}));
}

// ---- First values -----------------------------------------------------------------------

TEST_F(MapToolsSamplingTest, FirstValuesTakeTheFirstCellByColumn) {
    // Visiting order: 4, 4, 7, 4.
    auto Map = MakeMap({{4, 7}, {4, 4}});
    TOwnedPoints Firsts{TMapTools::GetFirstValues(Map.get(), {})};
    ASSERT_EQ(Firsts.Points.size(), 2u);
    const TMapPoint* Four = Firsts.Points.at(4.0);
    const TMapPoint* Seven = Firsts.Points.at(7.0);
    EXPECT_EQ(Four->GetX(), 0.5);
    EXPECT_EQ(Four->GetY(), 1.5);
    EXPECT_EQ(Four->GetValue(), 4.0);
    EXPECT_EQ(Seven->GetX(), 1.5);
    EXPECT_EQ(Seven->GetY(), 1.5);
    EXPECT_EQ(Seven->GetValue(), 7.0);

    TOwnedPoints WithoutSeven{TMapTools::GetFirstValues(Map.get(), {7.0})};
    ASSERT_EQ(WithoutSeven.Points.size(), 1u);
    EXPECT_EQ(WithoutSeven.Points.begin()->first, 4.0);

    // Lowest column wins over lowest row: 2 first appears in column 0, row 1.
    auto Diagonal = MakeMap({{1, 2}, {2, 1}});
    TOwnedPoints Twos{TMapTools::GetFirstValues(Diagonal.get(), {})};
    EXPECT_EQ(Twos.Points.at(2.0)->GetX(), 0.5);
    EXPECT_EQ(Twos.Points.at(2.0)->GetY(), 0.5);
}

TEST_F(MapToolsSamplingTest, FirstValuesLeaveNoDataAndNaNCellsOut) {
    // No-data -1 appears first, after another value and once more at the end; NaN and the
    // default no-data value -9999 of another map are ordinary values here except NaN.
    auto Map = MakeMap({{-1, 5, NaN}, {-1, -1, -9999}}, -1.0);
    TOwnedPoints Firsts{TMapTools::GetFirstValues(Map.get(), {})};
    ASSERT_EQ(Firsts.Points.size(), 2u);
    EXPECT_EQ(Firsts.Points.count(-1.0), 0u);
    EXPECT_EQ(Firsts.Points.at(5.0)->GetX(), 1.5);
    EXPECT_EQ(Firsts.Points.at(-9999.0)->GetX(), 2.5);
    EXPECT_EQ(Firsts.Points.at(-9999.0)->GetY(), 0.5);
}

TEST_F(MapToolsSamplingTest, FirstValuesOfListGiveOneResultPerMapWithOwnPoints) {
    auto Other = MakeMap({{8, 8}, {8, 9}});
    std::vector<std::map<double, TMapPoint*>> Results =
        TMapTools::GetFirstValues({Values.get(), Other.get(), Values.get()}, {3.0});
    ASSERT_EQ(Results.size(), 3u);
    TOwnedPoints First{Results[0]}, Second{Results[1]}, Third{Results[2]};
    EXPECT_EQ(First.Points.size(), 3u);
    EXPECT_EQ(First.Points.count(3.0), 0u);
    EXPECT_EQ(Second.Points.size(), 2u);
    EXPECT_EQ(Second.Points.at(9.0)->GetY(), 0.5);
    ASSERT_EQ(Third.Points.size(), 3u);
    EXPECT_NE(First.Points.at(1.0), Third.Points.at(1.0));
}

// ---- Overlay and values across maps -----------------------------------------------------

TEST_F(MapToolsSamplingTest, OverlayGroupsValuesByClass) {
    // Class visiting order: 9, 8, 9, 8.
    auto Classes = MakeMap({{9, 9}, {8, 8}});
    using TGroups = std::map<double, std::vector<double>>;
    EXPECT_EQ(TMapTools::GetValuesOverlay(Values.get(), Classes.get(), {}),
              (TGroups{{8, {2, 4}}, {9, {1, 3}}}));
    EXPECT_EQ(TMapTools::GetValuesOverlay(Values.get(), Classes.get(), {8}),
              (TGroups{{9, {1, 3}}}));
}

TEST_F(MapToolsSamplingTest, OverlayKeepsNoDataClassesAndSkipsNaNClasses) {
    auto Classes = MakeMap({{-9999, NaN}, {-9999, 5}});
    using TGroups = std::map<double, std::vector<double>>;
    EXPECT_EQ(TMapTools::GetValuesOverlay(Values.get(), Classes.get(), {}),
              (TGroups{{-9999, {1, 2}}, {5, {4}}}));
    EXPECT_EQ(TMapTools::GetValuesOverlay(Values.get(), Classes.get(), {-9999}),
              (TGroups{{5, {4}}}));
}

TEST_F(MapToolsSamplingTest, ValuesVectorReadsOneCellAcrossARun) {
    std::vector<std::unique_ptr<TMap>> Maps;
    std::vector<TMap*> List;
    for (double Value : {10.0, 11.0, 12.0, 13.0}) {
        Maps.push_back(MakeMap({{0, Value}, {0, 0}}));
        List.push_back(Maps.back().get());
    }
    EXPECT_EQ(TMapTools::GetValuesVector(List, 1, 0, 1, 3), (std::vector<double>{11, 12, 13}));
    EXPECT_EQ(TMapTools::GetValuesVector(List, 1, 0, 0, 1), (std::vector<double>{10, 11}));
}

} // namespace
