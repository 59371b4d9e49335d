// The VELDAN reader on any input, and the rest of the command's road for every map it
// accepts: the map is consistent, the ARC/INFO writer either refuses it for a header number
// or a cell that is not finite or writes it, and what it writes reads back as the same grid
// turned north-up. The reader of the commands (`TVELDANReader::LoadMap`) fails with the
// same message, plain and strict, and places every fault at its token in the input.

#include "FuzzChecks.h"
#include "TARCGISFileTools.h"
#include "TReadFault.h"
#include "TVELDANFileTools.h"
#include "TVELDANReader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

using fuzzchecks::Require;
using fuzzchecks::SameValue;

namespace {

bool AllCellsFinite(const TMap& Map) {
    for (long Y = 0; Y < Map.GetYDim(); ++Y)
        for (long X = 0; X < Map.GetXDim(); ++X)
            if (!std::isfinite(Map.GetPointVal(X, Y)))
                return false;
    return true;
}

/// The grid as the writer puts it, with 17 digits; "" when the writer refuses the map.
std::string Written(TMap* Map) {
    std::ostringstream Out;
    Out.precision(17);
    try {
        TARCGISFileTools::WriteARCGISFile(Map, Out);
    } catch (char* Message) {
        const bool Header = std::strcmp(Message, "Header numbers must be finite in "
                                                 "TARCGISFileTools::WriteARCGISFile") == 0;
        const bool Cell = std::strcmp(Message, "Cell values must be finite in "
                                               "TARCGISFileTools::WriteARCGISFile") == 0;
        Require(Header || (Cell && !AllCellsFinite(*Map)),
                "the writer refuses only non-finite header numbers and cells");
        Require(Out.str().empty(), "a refused map writes nothing");
        return "";
    }
    Require(Out.good() && !Out.str().empty(), "the grid is written");
    return Out.str();
}

/// The grid read back holds the map's cells, westernmost column and northernmost row first.
void RequireReadsBack(const TMap& Map, const std::string& Grid) {
    std::istringstream In(Grid);
    std::unique_ptr<TMap> Back(TARCGISFileTools::LoadARCGISFile(In));
    const long XDim = Map.GetXDim(), YDim = Map.GetYDim();
    Require(Back->GetXDim() == XDim && Back->GetYDim() == YDim, "same dimensions");
    Require(SameValue(Back->GetResolution(), Map.GetResolution()), "same cell size");
    const TAxis* X = Map.GetXAxisInterval();
    const TAxis* Y = Map.GetYAxisInterval();
    const bool EastToWest = X->GetPoint(XDim)->GetX() < X->GetPoint(0)->GetX();
    const bool SouthToNorth = Y->GetPoint(YDim)->GetY() > Y->GetPoint(0)->GetY();
    for (long I = 0; I < YDim; ++I)
        for (long J = 0; J < XDim; ++J)
            Require(SameValue(Back->GetPointVal(J, I),
                              Map.GetPointVal(EastToWest ? XDim - 1 - J : J,
                                              SouthToNorth ? YDim - 1 - I : I)),
                    "same cells, north-up");
}

/// The fault lies in the input: lines and columns count from 1, and its token is the text
/// at its place, within its line (an empty token at most just after the line).
void RequirePlaced(const std::string& Input, const TReadFault& Fault) {
    Require(Fault.Line >= 1 && Fault.Column >= 1, "lines and columns count from 1");
    size_t Start = 0;
    for (long Line = 1; Line < Fault.Line; ++Line) {
        Start = Input.find('\n', Start);
        Require(Start != std::string::npos, "the fault's line is in the input");
        ++Start;
    }
    const size_t Feed = Input.find('\n', Start);
    const size_t LineEnd = Feed == std::string::npos ? Input.size() : Feed;
    const size_t Place = Start + static_cast<size_t>(Fault.Column) - 1;
    Require(Place + Fault.Token.size() <= LineEnd, "the fault's token is within its line");
    Require(Input.compare(Place, Fault.Token.size(), Fault.Token) == 0,
            "the fault's token is the text at its place");
}

/// Reads the input as the commands do; returns the message of the fault ("" for none).
std::string CommandsRead(const std::string& Input, bool Strict) {
    std::istringstream In(Input);
    TVELDANReader::TOptions Options;
    Options.Read.Strict = Strict;
    try {
        delete TVELDANReader::LoadMap(In, false, Options);
    } catch (const TReadFault& Fault) {
        RequirePlaced(Input, Fault);
        return Fault.Message;
    }
    return "";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Input(reinterpret_cast<const char*>(Data), Size);
    std::istringstream In(Input);
    std::string Message;
    std::unique_ptr<TMap> Map(fuzzchecks::ReadOrNull([&] {
        try {
            return TVELDANFileTools::LoadVELDANFile(In);
        } catch (char* Thrown) {
            Message = Thrown;
            throw;
        }
    }));
    Require(CommandsRead(Input, false) == Message, "the commands' reader fails alike");
    CommandsRead(Input, true);
    if (!Map)
        return 0;
    fuzzchecks::RequireConsistent(*Map);
    Require(Map->GetXDim() >= 2, "at least two columns");
    Require(!(Map->GetResolution() == 0.0), "resolution is not 0");
    Require(!Map->GetMetadata().empty() && Map->GetMetadata()[0] == '\n',
            "metadata starts with a line feed");

    const std::string Grid = Written(Map.get());
    if (!Grid.empty())
        RequireReadsBack(*Map, Grid);
    return 0;
}
