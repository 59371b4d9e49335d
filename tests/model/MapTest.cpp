#include "TMap.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using testsupport::MakeMap;
using testsupport::MessageOf;

namespace {

/// 4 x 3 map of resolution 1: X edges 0 .. 4, Y edges 3 down to 0; cell value 10 * row + col.
std::unique_ptr<TMap> FourByThree() {
    return MakeMap({{0, 1, 2, 3}, {10, 11, 12, 13}, {20, 21, 22, 23}}, 1.0, 0.5, 2.5);
}

std::unique_ptr<TAxis> AxisOf(const std::vector<double>& Ordinates, char Direction,
                              double Resolution) {
    std::unique_ptr<TAxis> Axis(new TAxis(Resolution));
    for (double V : Ordinates)
        Axis->AddPoint(Direction == 'X' ? new TPoint(V, 0) : new TPoint(0, V));
    return Axis;
}

class MapTest : public ::testing::Test {};

} // namespace

TEST_F(MapTest, FailuresCarryTheirMessages) {
    auto Map = FourByThree();
    TMap Bare(1.0, 4, 3);
    TPoint Outside(-0.001, 1), Inside(1, 1);
    auto X5 = AxisOf({0, 1, 2, 3, 4}, 'X', 1.0);
    auto Y2 = AxisOf({0, 1}, 'Y', 0.5);
    const struct {
        const char* Expected;
        std::function<void()> Action;
    } Cases[] = {
        {"Axes resolutions do not match in TMap::TMap", [&] { TMap M(X5.get(), Y2.get()); }},
        {"X axis is not set in TMap::TMap", [&] { TMap M(nullptr, Y2.get()); }},
        {"Y axis is not set in TMap::TMap", [&] { TMap M(X5.get(), nullptr); }},
        {"Dimensions cannot be negative in TMap::Init", [&] { TMap M(1.0, 2, -1); }},
        {"Length of new X axis does not match the X dimension of the map",
         [&] { Map->SetXAxis(X5.get()); }},
        {"Length of new Y axis does not match the Y dimension of the map",
         [&] { Map->SetYAxis(Y2.get()); }},
        {"Length of new X interval axis does not fit the X dimension of the map",
         [&] { Map->SetXAxisInterval(Y2.get()); }},
        {"Length of new Y interval axis does not fit the Y dimension of the map",
         [&] { Map->SetYAxisInterval(X5.get()); }},
        {"LngX is out of range for the X-axis in TMap::GetCoordinates",
         [&] { delete Map->GetCoordinates(4, 0); }},
        {"LngY is out of range for the Y-axis in TMap::GetCoordinates",
         [&] { delete Map->GetCoordinates(0, 3); }},
        {"LngX is out of range in TMap::GetPoint (long,long)", [&] { delete Map->GetPoint(4, 0); }},
        {"LngY is out of range in TMap::GetPoint (long,long)",
         [&] { delete Map->GetPoint(0, -1); }},
        {"X-ordinate is out of range in TMap::GetPointVal", [&] { Map->GetPointVal(-1, 0); }},
        {"Y-ordinate is out of range in TMap::GetPointVal", [&] { Map->GetPointVal(0, -1); }},
        {"Index is out of bounds in TMap::GetRow", [&] { Map->GetRow(3); }},
        {"Ordinate is out of range in TAxis::GetIndex", [&] { Map->GetPointVal(&Outside); }},
        {"X interval axis is not set in TMap::GetIndex", [&] { Bare.GetPointVal(&Inside); }},
        {"Y interval axis is not set in TMap::GetIndex",
         [&] {
             Bare.SetXAxisInterval(X5.get());
             Bare.GetIndex(1, 'Y');
         }},
        {"X axis is not set in TMap::GetCoordinates",
         [&] { delete TMap(1.0, 1, 1).GetCoordinates(0, 0); }},
        {"Y axis is not set in TMap::GetCoordinates", [&] { delete Bare.GetCoordinates(0, 0); }},
        {"Index is out of range in TAxis::GetPoint",
         [&] {
             TMap Empty(1.0);
             TAxis None(1.0);
             Empty.SetXAxis(&None);
         }},
        {"Axis has empty slots in TAxisTools::PointsToIntervals",
         [&] {
             TAxis Holes(1.0, 4);
             Holes.SetPoint(0, new TPoint(0.5, 0));
             Holes.SetPoint(3, new TPoint(3.5, 0));
             Map->SetXAxis(&Holes);
         }},
        {"Axis has empty slots in TAxisTools::IntervalsToPoints",
         [&] {
             TAxis Holes(1.0, 5);
             Holes.SetPoint(0, new TPoint(0, 0));
             Holes.SetPoint(4, new TPoint(4, 0));
             Map->SetXAxisInterval(&Holes);
         }},
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(MessageOf(Case.Action), Case.Expected);
    // A refused axis leaves the map as it was.
    EXPECT_EQ(Map->GetXAxis()->GetPoint(1)->GetX(), 1.5);
}

TEST_F(MapTest, FailedAxisSettersLeaveTheMapUnchanged) {
    auto Map = FourByThree();
    const TAxis* X = Map->GetXAxis();
    const TAxis* XEdges = Map->GetXAxisInterval();
    auto TooLong = AxisOf({0, 1, 2, 3, 4}, 'X', 1.0);
    EXPECT_NE(MessageOf([&] { Map->SetXAxis(TooLong.get()); }), "no exception");
    EXPECT_EQ(Map->GetXAxis(), X);
    EXPECT_EQ(Map->GetXAxisInterval(), XEdges);

    TMap Empty(1.0);
    TAxis None(1.0);
    EXPECT_NE(MessageOf([&] { Empty.SetYAxis(&None); }), "no exception");
    EXPECT_EQ(Empty.GetYAxis(), nullptr);
    EXPECT_EQ(Empty.GetYAxisInterval(), nullptr);
}

TEST_F(MapTest, InitFillsTheCellsWithItsValueAndTakesItAsNoData) {
    TMap Map(1.0);
    Map.Init(0.5, 2, 1, 5.0);
    EXPECT_EQ(Map.GetNoDataValue(), 5.0);
    EXPECT_EQ(Map.GetPointVal(1, 0), 5.0);
}

TEST_F(MapTest, ShortRowsNeverLeaveTheGrid) {
    // A row shorter than the first is completed with no-data cells instead of leaving
    // cells that the checked read would accept but that do not exist.
    TMap Map(1.0);
    Map.AddRow({});
    Map.AddRow({1, 2, 3});
    Map.AddRow({4});
    ASSERT_EQ(Map.GetXDim(), 3);
    EXPECT_EQ(Map.GetPointVal(2, 0), -9999.0);
    EXPECT_EQ(Map.GetPointVal(2, 2), -9999.0);
    EXPECT_EQ(Map.GetPointVal(0, 2), 4.0);
}

TEST_F(MapTest, PositionsFindTheirCells) {
    auto Map = FourByThree();
    const struct {
        double X, Y, Expected;
    } Cases[] = {
        {0, 2.5, 0},    {1, 2, 1},      {3.999, 0, 23}, // (column 3, row 2)
        {4, 1, 13},     {0, 3, 0},      {4, 3, 3}, // the upper ends: eastern and northern edges
        {2, 0.999, 22}, {0.5, 1.0, 10},
    };
    for (const auto& C : Cases) {
        TPoint P(C.X, C.Y);
        EXPECT_EQ(Map->GetPointVal(&P), C.Expected) << C.X << "," << C.Y;
    }
    TPoint P(1.2, 2.7);
    std::unique_ptr<TMapPoint> Found(Map->GetPoint(&P));
    EXPECT_EQ(Found->GetX(), 1.2);
    EXPECT_EQ(Found->GetY(), 2.7);
    EXPECT_EQ(Found->GetValue(), 1.0);

    Map->SetPoint(&P, 99.0);
    EXPECT_EQ(Map->GetPointVal(1, 0), 99.0);
    TPoint Corner(4, 0);
    Map->SetPoint(&Corner, 77.0);
    EXPECT_EQ(Map->GetPointVal(3, 2), 77.0);

    std::unique_ptr<TMapPoint> Centre(Map->GetPoint(2, 1));
    EXPECT_EQ(Centre->GetX(), 2.5);
    EXPECT_EQ(Centre->GetY(), 1.5);
    EXPECT_EQ(Centre->GetValue(), 12.0);

    TPoint A(0.1, 0.1), B(3.9, 2.9);
    EXPECT_EQ(Map->GetPointValues({&A, &B}), (std::vector<double>{20, 3}));
    EXPECT_TRUE(Map->GetPointValues({}).empty());
}
