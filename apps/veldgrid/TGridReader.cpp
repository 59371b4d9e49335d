#include "TGridReader.h"

#include "TSourceFailure.h"

#include "TARCGISFileTools.h"
#include "TMap.h"
#include "TVELDANFileTools.h"
#include "TVELDANReader.h"

#include <strings.h>

#include <fstream>
#include <sstream>

namespace {

/// Bytes of a file's beginning that tell its format.
const size_t FormatProbeSize = 64 * 1024;

} // namespace

TGridReader::TFormat TGridReader::FormatOf(const std::string& FileName) {
    std::ifstream In(FileName, std::ios::binary);
    std::string Bytes(FormatProbeSize, '\0');
    In.read(&Bytes[0], static_cast<std::streamsize>(Bytes.size()));
    Bytes.resize(static_cast<size_t>(In.gcount()));
    std::istringstream Words(Bytes);
    std::string First;
    Words >> First;
    const bool Keyword = ::strcasecmp(First.c_str(), "ncols") == 0;
    return Keyword && !TVELDANFileTools::IsVELDANHeader(Bytes.data(), Bytes.size())
               ? TFormat::ARCGIS
               : TFormat::VELDAN;
}

const char* TGridReader::NameOf(TFormat Format) {
    return Format == TFormat::ARCGIS ? "ARC/INFO" : "VELDAN";
}

std::unique_ptr<TMap> TGridReader::Load(const std::string& FileName) const {
    TFormat Format;
    return Load(FileName, Format);
}

std::unique_ptr<TMap> TGridReader::Load(const std::string& FileName, TFormat& Format) const {
    try {
        Format = FormatOf(FileName);
        if (Format == TFormat::ARCGIS)
            return std::unique_ptr<TMap>(TARCGISFileTools::LoadARCGISFile(FileName));
        // The reading front end of every command: --strict and --nodata as veldconv reads
        // them, a fault of the text placed in the file.
        return std::unique_ptr<TMap>(
            TVELDANReader::LoadMap(FileName, MbrOptions.ConversionOptions(0)));
    } catch (...) {
        throw TSourceFailure::Message(FileName, std::current_exception());
    }
}

// ---------------------------------------------------------------------------------------

TFileSeries::TFileSeries(const TGridReader& Reader, std::vector<std::string> Names, bool Ahead)
    : MbrReader(Reader), MbrNames(std::move(Names)), MbrAheadWanted(Ahead) {
    ReadAhead();
}

// A grid still being read is waited for (the thread reads the reader's options); a deferred
// one is never read.
TFileSeries::~TFileSeries() {
    if (MbrAhead.valid() && MbrAheadWanted)
        MbrAhead.wait();
}

void TFileSeries::ReadAhead() {
    if (MbrNext >= MbrNames.size())
        return;
    // A deferred read runs when `Next` asks for the grid.
    const auto Policy = MbrAheadWanted ? std::launch::async : std::launch::deferred;
    MbrAhead =
        std::async(Policy, [this, Name = MbrNames[MbrNext]] { return MbrReader.Load(Name); });
}

std::unique_ptr<TMap> TFileSeries::Next() {
    if (MbrNext >= MbrNames.size())
        return nullptr;
    std::unique_ptr<TMap> Map = MbrAhead.get();
    ++MbrNext;
    ReadAhead();
    return Map;
}
