#include "TestSupport.h"

#include "TARCGISFileTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testsupport {

std::string ReadFile(const std::string& FileName) {
    std::ifstream In(FileName, std::ios::binary);
    std::ostringstream Text;
    Text << In.rdbuf();
    return Text.str();
}

void WriteFile(const std::string& FileName, const std::string& Text) {
    std::ofstream Out(FileName, std::ios::binary | std::ios::trunc);
    Out << Text;
}

std::string TempDir() {
    const ::testing::TestInfo* Info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string Name = std::string(Info->test_suite_name()) + "_" + Info->name();
    for (char& C : Name)
        if (C == '/')
            C = '_';
    // An absolute name: a test that changes its directory still writes inside this one.
    const std::string Dir =
        std::filesystem::absolute(::testing::TempDir() + "veldgrid_" + Name).string();
    const int Status = std::system(("rm -rf '" + Dir + "' && mkdir -p '" + Dir + "'").c_str());
    EXPECT_EQ(Status, 0) << Dir;
    return Dir;
}

std::unique_ptr<TMap> ReadGrid(const TRows& Rows, double CellSize, double XLL, double YLL,
                               double NoData) {
    std::ostringstream Grid;
    Grid.precision(17);
    Grid << "ncols " << (Rows.empty() ? 0 : Rows[0].size()) << "\nnrows " << Rows.size()
         << "\nxllcorner " << XLL << "\nyllcorner " << YLL << "\ncellsize " << CellSize
         << "\nNODATA_value " << NoData << "\n";
    for (const std::vector<double>& Row : Rows) {
        for (double Value : Row)
            Grid << Value << ' ';
        Grid << '\n';
    }
    std::istringstream In(Grid.str());
    return std::unique_ptr<TMap>(TARCGISFileTools::LoadARCGISFile(In));
}

std::unique_ptr<TMap> Reversed(const TMap* Map, bool ReverseRows, bool ReverseColumns) {
    const long XDim = Map->GetXDim(), YDim = Map->GetYDim();
    const auto Column = [&](long J) { return ReverseColumns ? XDim - 1 - J : J; };
    const auto Row = [&](long I) { return ReverseRows ? YDim - 1 - I : I; };
    TAxis X(Map->GetResolution()), Y(Map->GetResolution());
    for (long J = 0; J < XDim; ++J)
        X.AddPoint(Map->GetXAxis()->GetPoint(Column(J))->Clone());
    for (long I = 0; I < YDim; ++I)
        Y.AddPoint(Map->GetYAxis()->GetPoint(Row(I))->Clone());
    std::unique_ptr<TMap> Result(new TMap(&X, &Y));
    for (long I = 0; I < YDim; ++I)
        for (long J = 0; J < XDim; ++J)
            Result->SetPoint(J, I, Map->GetPointVal(Column(J), Row(I)));
    Result->SetNoDataValue(Map->GetNoDataValue());
    return Result;
}

std::vector<std::unique_ptr<TMap>> Own(const std::vector<TMap*>& Maps) {
    return std::vector<std::unique_ptr<TMap>>(Maps.begin(), Maps.end());
}

std::vector<TMap*> Raw(const std::vector<std::unique_ptr<TMap>>& Maps) {
    std::vector<TMap*> List;
    for (const std::unique_ptr<TMap>& Map : Maps)
        List.push_back(Map.get());
    return List;
}

std::vector<double> EdgeSpan(const TMap* Map) {
    const TAxis* X = Map->GetXAxisInterval();
    const TAxis* Y = Map->GetYAxisInterval();
    return {X->GetPoint(0)->GetX(), X->GetPoint(Map->GetXDim())->GetX(), Y->GetPoint(0)->GetY(),
            Y->GetPoint(Map->GetYDim())->GetY()};
}

void ExpectFailures(const std::vector<TFailure>& Cases) {
    for (const TFailure& Case : Cases)
        EXPECT_EQ(MessageOf(Case.Call), Case.Expected) << Case.Name;
}

long CountCells(const TMap* Map, double Value) {
    long Count = 0;
    for (const std::vector<double>& Row : RowsOf(Map))
        Count += std::count(Row.begin(), Row.end(), Value);
    return Count;
}

std::vector<TPoint*> TPointPool::Make(const std::vector<std::pair<double, double>>& Positions) {
    std::vector<TPoint*> Points;
    for (const auto& P : Positions) {
        MbrOwned.emplace_back(new TPoint(P.first, P.second));
        Points.push_back(MbrOwned.back().get());
    }
    return Points;
}

std::vector<std::pair<double, double>> TPointPool::Keep(const std::vector<TPoint*>& Points) {
    std::vector<std::pair<double, double>> Positions;
    for (TPoint* P : Points) {
        MbrOwned.emplace_back(P);
        Positions.emplace_back(P->GetX(), P->GetY());
    }
    return Positions;
}

const std::map<double, TMapPoint*>& TPointPool::Keep(std::map<double, TMapPoint*> Set) {
    for (const auto& Entry : Set)
        MbrOwned.emplace_back(Entry.second);
    MbrSets.push_back(std::move(Set));
    return MbrSets.back();
}

TRows RowsOf(const TMap* Map) {
    TRows Rows;
    for (long LngY = 0; LngY < Map->GetYDim(); ++LngY)
        Rows.push_back(Map->GetRow(LngY));
    return Rows;
}

void ForEachCellOf(const TMap* Map, const std::function<void(long, long, double)>& Visit) {
    for (long LngY = 0; LngY < Map->GetYDim(); ++LngY)
        for (long LngX = 0; LngX < Map->GetXDim(); ++LngX)
            Visit(LngX, LngY, Map->GetPointVal(LngX, LngY));
}

::testing::AssertionResult HasRows(const TMap* Map, const TRows& Expected, double Relative) {
    const TRows Got = RowsOf(Map);
    bool Same = Got.size() == Expected.size();
    for (size_t I = 0; Same && I < Got.size(); ++I) {
        Same = Got[I].size() == Expected[I].size();
        for (size_t J = 0; Same && J < Got[I].size(); ++J)
            Same = Got[I][J] == Expected[I][J] ||
                   (std::isnan(Got[I][J]) && std::isnan(Expected[I][J])) ||
                   std::fabs(Got[I][J] - Expected[I][J]) <= Relative * std::fabs(Expected[I][J]);
    }
    if (Same)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "cells are " << ::testing::PrintToString(Got);
}

::testing::AssertionResult CellsComeFrom(const TMap* Result, const TMap* Source) {
    for (long LngY = 0; LngY < Result->GetYDim(); ++LngY)
        for (long LngX = 0; LngX < Result->GetXDim(); ++LngX) {
            const std::unique_ptr<TPoint> Centre(Result->GetCoordinates(LngX, LngY));
            const double Expected = Source->GetPointVal(Centre.get());
            if (!(Result->GetPointVal(LngX, LngY) == Expected))
                return ::testing::AssertionFailure()
                       << "cell (" << LngX << ", " << LngY << ") is "
                       << Result->GetPointVal(LngX, LngY) << ", the source's " << Expected;
        }
    return ::testing::AssertionSuccess();
}

namespace {

/// splitmix64: a fixed sequence of well-mixed 64-bit values, the same on every platform.
std::uint64_t NextRandom(std::uint64_t& State) {
    std::uint64_t Z = (State += 0x9e3779b97f4a7c15ULL);
    Z = (Z ^ (Z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    Z = (Z ^ (Z >> 27)) * 0x94d049bb133111ebULL;
    return Z ^ (Z >> 31);
}

/// FNV-1a over the bytes of a 64-bit value.
void Mix(std::uint64_t& Hash, std::uint64_t Bits) {
    for (int Byte = 0; Byte < 8; ++Byte, Bits >>= 8) {
        Hash ^= Bits & 0xff;
        Hash *= 0x100000001b3ULL;
    }
}

void Mix(std::uint64_t& Hash, double Value) {
    std::uint64_t Bits;
    std::memcpy(&Bits, &Value, sizeof Bits);
    Mix(Hash, Bits);
}

void MixAxis(std::uint64_t& Hash, const TAxis* Axis) {
    Mix(Hash, static_cast<std::uint64_t>(Axis ? Axis->GetSize() + 1 : 0));
    for (long I = 0; Axis && I < Axis->GetSize(); ++I) {
        Mix(Hash, Axis->GetPoint(I)->GetX());
        Mix(Hash, Axis->GetPoint(I)->GetY());
    }
}

} // namespace

std::unique_ptr<TMap> RandomMap(unsigned Seed, long Columns, long Rows, double Resolution,
                                double X0, double Y0, bool XDescends, bool YDescends,
                                double NoData) {
    std::uint64_t State = Seed;
    TRows Cells(Rows, std::vector<double>(Columns));
    for (std::vector<double>& Row : Cells)
        for (double& Cell : Row) {
            const std::uint64_t R = NextRandom(State);
            // A 53-bit fraction, scaled by 10^-3 to 10^3 and signed.
            const double Fraction = static_cast<double>(R >> 11) / 9007199254740992.0;
            const double Value = Fraction * std::pow(10.0, static_cast<int>(R % 7) - 3);
            Cell = (R & 0x380) == 0 ? NoData : (R & 0x400) ? -Value : Value;
        }
    std::unique_ptr<TMap> Map = MakeMap(Cells, Resolution, X0, Y0, YDescends, NoData);
    if (XDescends) {
        TAxis X(Resolution);
        for (long J = 0; J < Columns; ++J)
            X.AddPoint(new TPoint(X0 - J * Resolution, Y0));
        Map->SetXAxis(&X);
    }
    return Map;
}

std::vector<std::unique_ptr<TMap>> RandomSeries(unsigned Seed, const std::vector<int>& Orders) {
    std::vector<std::unique_ptr<TMap>> Series;
    for (size_t K = 0; K < Orders.size(); ++K) {
        const double NoData = K % 3 == 2 ? -1.0 : TMap::DefaultNoData;
        std::unique_ptr<TMap> Map =
            RandomMap(Seed + static_cast<unsigned>(K), 13, 9, 0.5, 2.25, 7.75, false, true, NoData);
        for (long LngY = 0; LngY < Map->GetYDim(); ++LngY)
            for (long LngX = 0; LngX < Map->GetXDim(); ++LngX)
                if ((LngX + 2 * LngY + static_cast<long>(K)) % 5 == 0)
                    Map->SetPoint(LngX, LngY, 0.0);
        const int Order = Orders[K];
        Series.push_back(Order == 0 ? std::move(Map) : Reversed(Map.get(), Order & 1, Order & 2));
    }
    return Series;
}

void AddNonFinite(TMap* Map, unsigned Seed) {
    std::uint64_t State = Seed ^ 0x5bd1e995ULL;
    const double Kinds[6] = {NaN, NaN, Inf, NaN, -Inf, NaN};
    for (long LngY = 0; LngY < Map->GetYDim(); ++LngY)
        for (long LngX = 0; LngX < Map->GetXDim(); ++LngX) {
            const std::uint64_t R = NextRandom(State);
            if (R % 8 == 0)
                Map->SetPoint(LngX, LngY, Kinds[(R >> 8) % 6]);
        }
}

std::uint64_t Fingerprint(const TMap* Map) {
    std::uint64_t Hash = 0xcbf29ce484222325ULL;
    Mix(Hash, static_cast<std::uint64_t>(Map->GetXDim()));
    Mix(Hash, static_cast<std::uint64_t>(Map->GetYDim()));
    Mix(Hash, Map->GetResolution());
    Mix(Hash, Map->GetNoDataValue());
    for (const std::vector<double>& Row : RowsOf(Map))
        for (double Value : Row)
            Mix(Hash, Value);
    MixAxis(Hash, Map->GetXAxis());
    MixAxis(Hash, Map->GetYAxis());
    MixAxis(Hash, Map->GetXAxisInterval());
    MixAxis(Hash, Map->GetYAxisInterval());
    return Hash;
}

TMap* Pick(const std::vector<TMap*>& Maps, size_t K) {
    std::vector<std::unique_ptr<TMap>> Owned = Own(Maps);
    return K < Owned.size() ? Owned[K].release() : nullptr;
}

void ExpectRecorded(const std::vector<TRecorded>& Cases) {
    for (const TRecorded& Case : Cases) {
        const std::unique_ptr<TMap> Result(Case.Make());
        const std::uint64_t Found = Result ? Fingerprint(Result.get()) : 0;
        EXPECT_EQ(Found, Case.Expected) << Case.Name << ": found 0x" << std::hex << Found;
    }
}

std::string Quoted(const std::string& Text) {
    std::string Word = "'";
    for (char C : Text)
        Word += C == '\'' ? std::string("'\\''") : std::string(1, C);
    return Word + "'";
}

TProcessRun RunCapturing(const std::string& CommandLine, const std::string& Dir,
                         const std::string& Redirections) {
    const std::string Out = Dir + "/run.stdout", Err = Dir + "/run.stderr";
    const std::string Full =
        CommandLine + " >" + Quoted(Out) + " 2>" + Quoted(Err) + " " + Redirections;
    const int Raw = std::system(Full.c_str());
    const int Status = Raw != -1 && WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1;
    TProcessRun Run{Status, ReadFile(Out), ReadFile(Err)};
    std::remove(Out.c_str());
    std::remove(Err.c_str());
    return Run;
}

std::string InChildProcess(const std::function<std::string()>& Action, bool AsOrdinaryUser) {
    int Pipe[2];
    if (::pipe(Pipe) != 0)
        return "no pipe";
    const pid_t Child = ::fork();
    if (Child == 0) {
        ::close(Pipe[0]);
        const uid_t Nobody = 65534;
        std::string Result = "unable to become nobody";
        if (!AsOrdinaryUser || ::geteuid() != 0 ||
            (::setgroups(0, nullptr) == 0 && ::setgid(Nobody) == 0 && ::setuid(Nobody) == 0)) {
            const std::string Thrown = MessageOf([&] { Result = Action(); });
            if (Thrown != "no exception")
                Result = Thrown;
        }
        const ssize_t Written = ::write(Pipe[1], Result.data(), Result.size());
        ::_exit(Written == static_cast<ssize_t>(Result.size()) ? 0 : 1);
    }
    ::close(Pipe[1]);
    std::string Result;
    char Buffer[4096];
    for (ssize_t Read; (Read = ::read(Pipe[0], Buffer, sizeof Buffer)) > 0;)
        Result.append(Buffer, static_cast<size_t>(Read));
    ::close(Pipe[0]);
    int Status = 0;
    if (Child < 0 || ::waitpid(Child, &Status, 0) != Child || !WIFEXITED(Status) ||
        WEXITSTATUS(Status) != 0)
        return "child process failed: " + Result;
    return Result;
}

} // namespace testsupport
