#include "TSidecarTools.h"

#include "TARCGISFileTools.h"
#include "TMap.h"
#include "TSafeFile.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <memory>

namespace {

const char* const Replacement = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

/// Length of the UTF-8 sequence at `P` that XML 1.0 can hold, or 0: an overlong form, a
/// surrogate, a code point beyond U+10FFFF, U+FFFE or U+FFFF do not count.
size_t ValidSequenceLength(const unsigned char* P, const unsigned char* End) {
    const size_t Length = *P < 0xC2 ? 0 : *P < 0xE0 ? 2 : *P < 0xF0 ? 3 : *P < 0xF5 ? 4 : 0;
    if (Length == 0 || static_cast<size_t>(End - P) < Length)
        return 0;
    for (size_t I = 1; I < Length; ++I)
        if ((P[I] & 0xC0) != 0x80)
            return 0;
    if ((P[0] == 0xE0 && P[1] < 0xA0) || (P[0] == 0xED && P[1] >= 0xA0) ||
        (P[0] == 0xF0 && P[1] < 0x90) || (P[0] == 0xF4 && P[1] >= 0x90))
        return 0;
    if (P[0] == 0xEF && P[1] == 0xBF && P[2] >= 0xBE)
        return 0;
    return Length;
}

/// The text as XML character data (also fit for attribute values).
std::string EscapeXML(const std::string& Text) {
    std::string Escaped;
    const auto* const End = reinterpret_cast<const unsigned char*>(Text.data() + Text.size());
    for (const auto* P = reinterpret_cast<const unsigned char*>(Text.data()); P != End;) {
        const unsigned char C = *P;
        if (C >= 0x80) {
            const size_t Length = ValidSequenceLength(P, End);
            Escaped.append(Length ? reinterpret_cast<const char*>(P) : Replacement,
                           Length ? Length : 3);
            P += Length ? Length : 1;
            continue;
        }
        switch (C) {
        case '&':
            Escaped += "&amp;";
            break;
        case '<':
            Escaped += "&lt;";
            break;
        case '>':
            Escaped += "&gt;";
            break;
        case '"':
            Escaped += "&quot;";
            break;
        case '\t':
        case '\n':
            Escaped += static_cast<char>(C);
            break;
        default:
            if (C < 0x20 || C == 0x7F)
                Escaped += Replacement;
            else
                Escaped += static_cast<char>(C);
        }
        ++P;
    }
    return Escaped;
}

} // namespace

std::vector<std::pair<std::string, std::string>> TSidecarTools::MetadataItems(const TMap* Map) {
    if (!Map)
        TError::Throw("Map is not set in TSidecarTools::MetadataItems");
    return MetadataItems(Map->GetMetadata());
}

std::vector<std::pair<std::string, std::string>>
TSidecarTools::MetadataItems(const std::string& Metadata) {
    // The reader opens the metadata with a line feed and ends every header line with one;
    // the header text is what lies between.
    std::string Header = Metadata;
    if (!Header.empty() && Header.front() == '\n')
        Header.erase(0, 1);
    if (!Header.empty() && Header.back() == '\n')
        Header.pop_back();
    return {{"VELDAN_HEADER", std::move(Header)}};
}

std::string TSidecarTools::MetadataOfHeader(const std::string& Header) {
    return Header.empty() ? "\n" : "\n" + Header + "\n";
}

// ---------------------------------------------------------------------------------------

std::string TSidecarTools::ProjectionFileName(const std::string& GridFileName) {
    return std::filesystem::path(GridFileName).replace_extension(".prj").string();
}

std::string TSidecarTools::AuxiliaryFileName(const std::string& GridFileName) {
    return GridFileName + ".aux.xml";
}

std::string TSidecarTools::ProjectionText() {
    return "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,"
           "298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]\n";
}

std::string TSidecarTools::AuxiliaryText(const TMap* Map) {
    if (!Map)
        TError::Throw("Map is not set in TSidecarTools::AuxiliaryText");
    std::string Text = "<PAMDataset>\n  <Metadata>\n";
    for (const auto& Item : MetadataItems(Map))
        Text +=
            "    <MDI key=\"" + EscapeXML(Item.first) + "\">" + EscapeXML(Item.second) + "</MDI>\n";
    return Text + "  </Metadata>\n</PAMDataset>\n";
}

// ---------------------------------------------------------------------------------------

void TSidecarTools::WriteProjectionFile(std::ostream& Out) {
    Out << ProjectionText();
}

void TSidecarTools::WriteProjectionFile(const std::string& FileName) {
    TSafeFile File(FileName);
    WriteProjectionFile(File.Stream());
    File.Commit();
}

void TSidecarTools::WriteAuxiliaryFile(const TMap* Map, std::ostream& Out) {
    Out << AuxiliaryText(Map);
}

void TSidecarTools::WriteAuxiliaryFile(const TMap* Map, const std::string& FileName) {
    const std::string Text = AuxiliaryText(Map); // before the file is touched
    TSafeFile File(FileName);
    File.Stream() << Text;
    File.Commit();
}

// ---------------------------------------------------------------------------------------

bool TSidecarTools::HasPlaceBeside(const std::string& GridFileName) {
    // A name that leads to an open descriptor names no place, whatever it leads to.
    for (const char* Prefix : {"/dev/stdout", "/dev/stderr", "/dev/fd/", "/proc/self/fd/"})
        if (GridFileName.compare(0, std::strlen(Prefix), Prefix) == 0)
            return false;
    struct stat Status;
    return ::stat(GridFileName.c_str(), &Status) != 0 || S_ISREG(Status.st_mode);
}

namespace {

/// A file of the set, written aside (or in place, for a FIFO or a device) and closed.
std::unique_ptr<TSafeFile> WriteClosed(const std::string& FileName, const std::string& Text) {
    std::unique_ptr<TSafeFile> File(new TSafeFile(FileName));
    File->Stream() << Text;
    File->Close();
    return File;
}

} // namespace

void TSidecarTools::WriteGISGrid(const TMap* Map, const std::string& GridFileName) {
    if (!Map)
        TError::Throw("Map is not set in TSidecarTools::WriteGISGrid");
    // The ARC/INFO writer only reads the map; it checks the map before it writes.
    TMap* const Grid = const_cast<TMap*>(Map);
    std::unique_ptr<TSafeFile> GridFile;
    if (HasPlaceBeside(GridFileName))
        GridFile = TSafeFile::OpenAside(GridFileName);
    if (!GridFile) {
        TARCGISFileTools::WriteARCGISFile(Grid, GridFileName);
        return;
    }
    TARCGISFileTools::WriteLosslessARCGISFile(Grid, GridFile->Stream());
    GridFile->Close();
    // Every file complete and closed before the first is renamed into place; until then a
    // failure removes the temporary files and leaves the destinations alone.
    const std::unique_ptr<TSafeFile> Files[] = {
        WriteClosed(ProjectionFileName(GridFileName), ProjectionText()),
        WriteClosed(AuxiliaryFileName(GridFileName), AuxiliaryText(Map))};
    for (const std::unique_ptr<TSafeFile>& File : Files)
        File->Commit();
    GridFile->Commit();
}
