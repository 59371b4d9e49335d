// The subcommand sample: the values of grids at points, as a table.

#include "TCommands.h"
#include "TError.h"
#include "TGridReader.h"
#include "TSignalCleanup.h"

#include "TDistinctFiles.h"
#include "TMap.h"
#include "TMapTools.h"
#include "TSafeFile.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

const char* const SampleUsage =
    "Usage: veldgrid sample --points FILE.csv [-o OUT.csv] [options] FILE...";
const char* const SampleFooter =
    "Writes a CSV table with the header name,x,y,<stem of each FILE>... and one row per\n"
    "point of the points file, which has a header line and the columns name,x,y (x east,\n"
    "y north, in degrees); each value is that of the cell holding the point\n"
    "(TMapTools::ValueAt: a point on an edge belongs to the cell east and south of it),\n"
    "with 15 significant digits. The table goes to OUT.csv, or to standard output.\n"
    "No-data: an empty field where the cell holds no data (or NaN) and where the point\n"
    "lies outside the grid.\n"
    "\n"
    "Example: a station table of monthly means\n"
    "  veldgrid sample --points stations.csv -o stations-monthly.csv monthly/*.txt";

/// A point of the points file, with its coordinates as they are written there.
struct TPlace {
    std::string Name, XText, YText;
    double X, Y;
};

/// The number that the whole text is, or false.
bool ReadNumber(const std::string& Text, double& Value) {
    char* End = nullptr;
    Value = std::strtod(Text.c_str(), &End);
    return !Text.empty() && !std::isspace(static_cast<unsigned char>(Text[0])) &&
           End == Text.c_str() + Text.size();
}

/// The points of the file, after its header line.
std::vector<TPlace> ReadPoints(const std::string& FileName) {
    std::ifstream In(FileName);
    if (!In)
        throw FileName + ": Unable to open file " + FileName;
    std::string Line;
    std::getline(In, Line); // the header
    std::vector<TPlace> Points;
    for (long Number = 2; std::getline(In, Line); ++Number) {
        if (!Line.empty() && Line.back() == '\r')
            Line.pop_back();
        if (Line.empty())
            continue;
        std::vector<std::string> Fields;
        std::istringstream Parts(Line);
        for (std::string Field; std::getline(Parts, Field, ',');)
            Fields.push_back(Field);
        TPlace Place;
        if (Fields.size() != 3 || !ReadNumber(Fields[1], Place.X) ||
            !ReadNumber(Fields[2], Place.Y))
            throw FileName + ": line " + std::to_string(Number) +
                " is not name,x,y with x and y numbers";
        Place.Name = Fields[0];
        Place.XText = Fields[1];
        Place.YText = Fields[2];
        Points.push_back(Place);
    }
    return Points;
}

/// The field of the map's value at the place: empty outside the grid and without data.
std::string Field(const TMap* Map, const TPlace& Place) {
    double Value;
    try {
        Value = TMapTools::ValueAt(Map, Place.X, Place.Y);
    } catch (char* Message) {
        if (std::string(Message) == "Point is outside the map in TMapTools::ValueAt")
            return "";
        throw;
    }
    if (Value == Map->GetNoDataValue() || std::isnan(Value))
        return "";
    char Text[32];
    std::snprintf(Text, sizeof Text, "%.15g", Value);
    return Text;
}

/// The table: the header and a row per point, the columns of the grids in order.
std::string Table(const TSettings& Settings, const std::vector<TPlace>& Points) {
    std::vector<std::string> Rows(Points.size());
    std::string Header = "name,x,y";
    for (size_t P = 0; P < Points.size(); ++P)
        Rows[P] = Points[P].Name + "," + Points[P].XText + "," + Points[P].YText;
    const TGridReader Reader(Settings.Grid);
    TFileSeries Series(Reader, Settings.Files);
    TProgress Progress("sample", Settings.Files.size(), Settings.ProgressMode());
    while (const std::unique_ptr<TMap> Map = Series.Next()) {
        Header += "," + std::filesystem::path(Series.Name()).stem().string();
        try {
            for (size_t P = 0; P < Points.size(); ++P)
                Rows[P] += "," + Field(Map.get(), Points[P]);
        } catch (...) {
            throw Series.Name() + ": " + TError::Message(std::current_exception());
        }
        Progress.Step();
    }
    std::string Text = Header + "\n";
    for (const std::string& Row : Rows)
        Text += Row + "\n";
    return Text;
}

void Sample(const TSettings& Settings, const std::string& PointsFile) {
    const bool ToFile = !Settings.Output.empty();
    if (ToFile) {
        TDistinctFiles Files;
        Files.Add({{"points file", PointsFile}});
        Files.AddSources(Settings.Files, "input file");
        Files.Add({{"output file", Settings.Output}});
        TSignalCleanup::Install();
    }
    const std::string Text = Table(Settings, ReadPoints(PointsFile));
    if (!ToFile) {
        std::cout << Text << std::flush;
        if (!std::cout)
            throw std::string("Unable to write to standard output");
        return;
    }
    TSafeFile Out(Settings.Output);
    Out.Stream() << Text;
    Out.Commit();
}

} // namespace

void AddSampleCommand(TCommands& Commands) {
    static std::string PointsFile;
    TSettings& Settings = Commands.Settings;
    CLI::App& Command =
        Commands.Add("sample", "The values of grids at points, as a CSV table.", SampleUsage,
                     SampleFooter, [&Settings] { Sample(Settings, PointsFile); });
    Command.add_option("--points", PointsFile, "the points: name,x,y after a header line")
        ->type_name("FILE.csv")
        ->required();
    Command.add_option("-o", Settings.Output, "the table to write (default: standard output)")
        ->type_name("OUT.csv");
    Commands.AddGridOptions(Command);
    Commands.AddProgressOptions(Command);
    Commands.AddFiles(Command);
}
