// The subcommand info: what each grid is, as a block of lines or as one JSON object.

#include "TCommands.h"
#include "TGridReader.h"

#include "TARCGISFileTools.h"
#include "TAxis.h"
#include "TMap.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <iostream>
#include <limits>

namespace {

const char* const InfoUsage = "Usage: veldgrid info [--json] [options] FILE...";
const char* const InfoFooter =
    "For each file: the format (VELDAN or ARC/INFO), the columns, rows and resolution,\n"
    "the extent (west, south, east, north: the outer cell edges), the order of the rows\n"
    "and columns in the file, the no-data value, the number of no-data cells, and the\n"
    "minimum, maximum and mean of the data cells (none where there is none). With\n"
    "--json, one JSON object per file and line, with the keys file, format, columns,\n"
    "rows, resolution, west, south, east, north, row_order, column_order, nodata_value,\n"
    "nodata_cells, minimum, maximum and mean.\n"
    "No-data: the cells equal to the grid's no-data value (with --nodata, also the cells\n"
    "it marks); NaN cells are neither data nor counted.\n"
    "\n"
    "Examples:\n"
    "  veldgrid info field.txt\n"
    "  veldgrid info --json monthly/*.txt > monthly.jsonl";

/// What `info` shows of a grid.
struct TInfo {
    const char* Format;
    long Columns, Rows;
    double Resolution, West, South, East, North;
    bool RowsSouthToNorth, ColumnsEastToWest;
    double NoData;
    long NoDataCells = 0;
    double Minimum = NAN, Maximum = NAN, Mean = NAN;
};

/// The lowest and highest edge of an interval axis in the direction.
std::pair<double, double> EdgeRange(const TAxis* Axis, long Cells, char Direction) {
    const auto At = [&](long I) {
        return Direction == 'X' ? Axis->GetPoint(I)->GetX() : Axis->GetPoint(I)->GetY();
    };
    return std::minmax(At(0), At(Cells));
}

/// The counts and figures of the cells, visited in storage order.
void Summarize(const TMap* Map, TInfo& Info) {
    double Sum = 0.0;
    long Count = 0;
    for (long Y = 0; Y < Map->GetYDim(); ++Y)
        for (const double Value : Map->RowValues(Y)) {
            if (Value == Info.NoData) {
                ++Info.NoDataCells;
            } else if (!std::isnan(Value)) {
                Info.Minimum = Count == 0 ? Value : std::min(Info.Minimum, Value);
                Info.Maximum = Count == 0 ? Value : std::max(Info.Maximum, Value);
                Sum += Value;
                ++Count;
            }
        }
    if (Count > 0)
        Info.Mean = Sum / static_cast<double>(Count);
}

TInfo InfoOf(const TMap* Map, TGridReader::TFormat Format) {
    TInfo Info = {TGridReader::NameOf(Format),
                  Map->GetXDim(),
                  Map->GetYDim(),
                  Map->GetResolution(),
                  0,
                  0,
                  0,
                  0,
                  false,
                  false,
                  Map->GetNoDataValue()};
    const TARCGISFileTools::TOrientation Order = TARCGISFileTools::Orientation(Map);
    Info.RowsSouthToNorth = Order.RowsSouthToNorth;
    Info.ColumnsEastToWest = Order.ColumnsEastToWest;
    std::tie(Info.West, Info.East) = EdgeRange(Map->GetXAxisInterval(), Info.Columns, 'X');
    std::tie(Info.South, Info.North) = EdgeRange(Map->GetYAxisInterval(), Info.Rows, 'Y');
    Summarize(Map, Info);
    return Info;
}

/// The shortest text that reads back as the number; `None` for a NaN or an infinity.
std::string Number(double Value, const char* None) {
    if (!std::isfinite(Value))
        return None;
    char Text[32];
    return std::string(Text, std::to_chars(Text, Text + sizeof Text, Value).ptr);
}

/// The text as a JSON string.
std::string Quoted(const std::string& Text) {
    std::string Out = "\"";
    for (const char C : Text) {
        if (C == '"' || C == '\\')
            Out += '\\';
        if (static_cast<unsigned char>(C) < 0x20) {
            char Escape[8];
            std::snprintf(Escape, sizeof Escape, "\\u%04x", C);
            Out += Escape;
        } else {
            Out += C;
        }
    }
    return Out + "\"";
}

/// The fields of the grid, in the order of the keys.
std::vector<std::pair<std::string, std::string>> Fields(const TInfo& I, const char* None,
                                                        bool Json) {
    const auto Text = [Json](const std::string& Value) { return Json ? Quoted(Value) : Value; };
    return {{"format", Text(I.Format)},
            {"columns", std::to_string(I.Columns)},
            {"rows", std::to_string(I.Rows)},
            {"resolution", Number(I.Resolution, None)},
            {"west", Number(I.West, None)},
            {"south", Number(I.South, None)},
            {"east", Number(I.East, None)},
            {"north", Number(I.North, None)},
            {"row_order", Text(I.RowsSouthToNorth ? "south-to-north" : "north-to-south")},
            {"column_order", Text(I.ColumnsEastToWest ? "east-to-west" : "west-to-east")},
            {"nodata_value", Number(I.NoData, None)},
            {"nodata_cells", std::to_string(I.NoDataCells)},
            {"minimum", Number(I.Minimum, None)},
            {"maximum", Number(I.Maximum, None)},
            {"mean", Number(I.Mean, None)}};
}

std::string Describe(const std::string& Name, const TInfo& Info, bool Json) {
    std::string Text = Json ? "{\"file\": " + Quoted(Name) : Name + "\n";
    for (const auto& Field : Fields(Info, Json ? "null" : "none", Json))
        Text += Json ? ", \"" + Field.first + "\": " + Field.second
                     : "  " + Field.first + ": " + Field.second + "\n";
    return Text + (Json ? "}\n" : "");
}

void Info(const TSettings& Settings, bool Json) {
    const TGridReader Reader(Settings.Grid);
    TProgress Progress("info", Settings.Files.size(), Settings.ProgressMode());
    for (size_t I = 0; I < Settings.Files.size(); ++I) {
        const std::string& Name = Settings.Files[I];
        TGridReader::TFormat Format;
        const std::unique_ptr<TMap> Map = Reader.Load(Name, Format);
        std::cout << (I > 0 && !Json ? "\n" : "") << Describe(Name, InfoOf(Map.get(), Format), Json)
                  << std::flush;
        if (!std::cout)
            throw std::string("Unable to write to standard output");
        Progress.Step();
    }
}

} // namespace

void AddInfoCommand(TCommands& Commands) {
    static bool Json = false;
    TSettings& Settings = Commands.Settings;
    CLI::App& Command =
        Commands.Add("info", "Describes grids: size, extent, orientation, no-data, values.",
                     InfoUsage, InfoFooter, [&Settings] { Info(Settings, Json); });
    Command.add_flag("--json", Json, "one JSON object per file and line");
    Commands.AddGridOptions(Command);
    Commands.AddProgressOptions(Command);
    Commands.AddFiles(Command);
}
