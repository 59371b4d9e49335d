#include "TMapTools.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
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

using TPointSet = std::map<double, TMapPoint*>;
using TGroups = std::map<double, std::vector<double>>;

/// Owns the points of the point sets built or returned in a test; the sets never move.
struct TOwnedPoints {
    std::deque<TPointSet> Sets;
    ~TOwnedPoints() {
        for (auto& Set : Sets)
            for (auto& Entry : Set)
                delete Entry.second;
    }
    TPointSet& Add(TPointSet Set) { return Sets.emplace_back(std::move(Set)); }
};

const double NaN = std::numeric_limits<double>::quiet_NaN();

class MapToolsSamplingTest : public ::testing::Test {
protected:
    // Visiting order (columns outer): 1, 2, 3, 4.
    std::unique_ptr<TMap> Values = MakeMap({{1, 3}, {2, 4}});
    TOwnedPoints Owned;
};

// ---- Failures ---------------------------------------------------------------------------

TEST_F(MapToolsSamplingTest, FailuresNameTheOperation) {
    std::vector<TMap*> Four(4, Values.get());
    auto Wider = MakeMap({{1, 2, 3}});
    auto Taller = MakeMap({{1, 2}, {3, 4}, {5, 6}});
    const TPointSet& Outside = Owned.Add({{1.0, new TMapPoint(-5, -5)}});
    const char* Start = "Start map number is out of range in TMapTools::GetValuesVector";
    const char* End = "End map number is out of range in TMapTools::GetValuesVector";
    const char* Order = "Stat map number must be less than end map number";
    struct {
        const char* Name;
        std::function<void()> Call;
        const char* Message;
    } Cases[] = {
        {"point outside", [&] { TMapTools::FetchMapValues(Values.get(), Outside); },
         "Ordinate is out of range in TAxis::GetIndex"},
        {"too few point sets, checked first",
         [&] {
             TMapTools::FetchMapValues({Values.get(), Values.get()}, {Outside});
         },
         "Number of point sets is less than number of maps in TMapTools::FetchMapValues"},
        {"overlay, both dimensions differ",
         [&] { TMapTools::GetValuesOverlay(Values.get(), Wider.get(), {}); },
         "Map X-dimensions do not match"},
        {"overlay, Y differs", [&] { TMapTools::GetValuesOverlay(Values.get(), Taller.get(), {}); },
         "Map Y-Dimensions do not match"},
        {"start negative", [&] { TMapTools::GetValuesVector(Four, 0, 0, -1, 9); }, Start},
        {"start = number of maps", [&] { TMapTools::GetValuesVector(Four, 0, 0, 4, 5); }, Start},
        {"end = number of maps", [&] { TMapTools::GetValuesVector(Four, 0, 0, 0, 4); }, End},
        {"end negative", [&] { TMapTools::GetValuesVector(Four, 0, 0, 0, -1); }, End},
        {"start = end", [&] { TMapTools::GetValuesVector(Four, 0, 0, 2, 2); }, Order},
        {"column outside", [&] { TMapTools::GetValuesVector(Four, 2, 0, 0, 1); },
         "X-ordinate is out of range in TMap::GetPointVal"},
        {"row outside", [&] { TMapTools::GetValuesVector(Four, 0, -1, 0, 1); },
         "Y-ordinate is out of range in TMap::GetPointVal"},
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(ThrownMessage(Case.Call), Case.Message) << Case.Name;
}

TEST_F(MapToolsSamplingTest, FirstValuesFailingOnALaterMapLoseNoPoints) {
    // The first map's points exist when the second map fails (visible under a leak checker).
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
    const TPointSet& Set = Owned.Add({
        {3.0, new TMapPoint(1.5, 0.5, 100.0)}, // column 1, row 1; its own value is ignored
        {1.0, new TMapPoint(0.2, 1.9)},        // column 0, row 0
        {2.0, new TMapPoint(1.0, 1.0)},        // on edges: eastern column, northern row
    });
    EXPECT_EQ(TMapTools::FetchMapValues(Values.get(), Set),
              (std::map<double, double>{{1.0, 1}, {2.0, 3}, {3.0, 4}}));

    auto Tens = MakeMap({{10, 30}, {20, 40}});
    const TPointSet& Surplus = Owned.Add({{9.0, new TMapPoint(-5, -5)}});
    const auto Lists = TMapTools::FetchMapValues({Values.get(), Tens.get()}, {Set, Set, Surplus});
    ASSERT_EQ(Lists.size(), 2u);
    EXPECT_EQ(Lists[1], (std::map<double, double>{{1.0, 10}, {2.0, 30}, {3.0, 40}}));
}

// ---- First values -----------------------------------------------------------------------

TEST_F(MapToolsSamplingTest, FirstValuesTakeTheFirstCellByColumn) {
    // Visiting order: 4, 4, 7, 4.
    auto Map = MakeMap({{4, 7}, {4, 4}});
    const TPointSet& Firsts = Owned.Add(TMapTools::GetFirstValues(Map.get(), {}));
    ASSERT_EQ(Firsts.size(), 2u);
    EXPECT_EQ(Firsts.at(4.0)->GetX(), 0.5);
    EXPECT_EQ(Firsts.at(4.0)->GetY(), 1.5);
    EXPECT_EQ(Firsts.at(7.0)->GetX(), 1.5);
    EXPECT_EQ(Firsts.at(7.0)->GetValue(), 7.0);
    EXPECT_EQ(Owned.Add(TMapTools::GetFirstValues(Map.get(), {7.0})).size(), 1u);

    // The lowest column wins over the lowest row: 2 is first met in column 0, row 1.
    auto Diagonal = MakeMap({{1, 2}, {2, 1}});
    const TPointSet& Twos = Owned.Add(TMapTools::GetFirstValues(Diagonal.get(), {}));
    EXPECT_EQ(Twos.at(2.0)->GetX(), 0.5);
    EXPECT_EQ(Twos.at(2.0)->GetY(), 0.5);
}

TEST_F(MapToolsSamplingTest, FirstValuesLeaveNoDataAndNaNCellsOut) {
    // The no-data value -1 comes first, after another value and at the end; -9999 is an
    // ordinary value of this map.
    auto Map = MakeMap({{-1, 5, NaN}, {-1, -1, -9999}}, -1.0);
    const TPointSet& Firsts = Owned.Add(TMapTools::GetFirstValues(Map.get(), {}));
    ASSERT_EQ(Firsts.size(), 2u);
    EXPECT_EQ(Firsts.at(5.0)->GetX(), 1.5);
    EXPECT_EQ(Firsts.at(-9999.0)->GetX(), 2.5);
}

TEST_F(MapToolsSamplingTest, FirstValuesOfAListGiveOneResultPerMap) {
    auto Other = MakeMap({{8, 8}, {8, 9}});
    auto Results = TMapTools::GetFirstValues({Values.get(), Other.get(), Values.get()}, {3.0});
    for (auto& Result : Results)
        Owned.Add(std::move(Result));
    ASSERT_EQ(Owned.Sets.size(), 3u);
    EXPECT_EQ(Owned.Sets[0].size(), 3u);
    EXPECT_EQ(Owned.Sets[1].size(), 2u);
    EXPECT_NE(Owned.Sets[0].at(1.0), Owned.Sets[2].at(1.0)) << "each result has its own points";
}

// ---- Overlay and values across maps -----------------------------------------------------

TEST_F(MapToolsSamplingTest, OverlayGroupsValuesByClass) {
    auto Classes = MakeMap({{9, 9}, {8, 8}}); // visiting order 9, 8, 9, 8
    EXPECT_EQ(TMapTools::GetValuesOverlay(Values.get(), Classes.get(), {}),
              (TGroups{{8, {2, 4}}, {9, {1, 3}}}));
    EXPECT_EQ(TMapTools::GetValuesOverlay(Values.get(), Classes.get(), {8}),
              (TGroups{{9, {1, 3}}}));
    // No-data classes are a class of their own; NaN classes are skipped.
    auto WithGaps = MakeMap({{-9999, NaN}, {-9999, 5}});
    EXPECT_EQ(TMapTools::GetValuesOverlay(Values.get(), WithGaps.get(), {}),
              (TGroups{{-9999, {1, 2}}, {5, {4}}}));
}

TEST_F(MapToolsSamplingTest, ValuesVectorReadsOneCellAcrossARun) {
    auto M0 = MakeMap({{0, 10}}), M1 = MakeMap({{0, 11}}), M2 = MakeMap({{0, 12}}),
         M3 = MakeMap({{0, 13}});
    const std::vector<TMap*> List = {M0.get(), M1.get(), M2.get(), M3.get()};
    EXPECT_EQ(TMapTools::GetValuesVector(List, 1, 0, 1, 3), (std::vector<double>{11, 12, 13}));
}

} // namespace
