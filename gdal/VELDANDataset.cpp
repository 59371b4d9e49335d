// The VELDAN driver for GDAL, built as the plugin gdal_VELDAN.so.
//
// A thin adapter: the veldgrid library recognises, reads and writes the grid; this file
// translates between GDAL's types and the library's. Opening a dataset finds where each row starts
// (`TVELDANReader`, converting no cell); each read parses the rows it covers, north-up:
// rows listed south to north and columns listed east to west are turned round as veldconv
// writes them. What the driver holds does not grow with the number of cells (16 bytes a
// row), and every read has its own row buffer.
//
// CreateCopy writes band 1 of a north-up raster in degrees of a geographic coordinate system
// row by row (`TVELDANWriter`): cells equal to the source's no-data value as -9999, the
// item VELDAN_HEADER as the header lines.
//
// PAM: a no-data value or metadata saved in the dataset's .aux.xml wins over the file's
// (the no-data value -9999 and the item VELDAN_HEADER holding the header lines), as GDAL
// drivers let it; the grid file itself is never changed.

#include "TError.h"
#include "TMap.h"
#include "TMapGeometry.h"
#include "TReadFault.h"
#include "TSafeFile.h"
#include "TSidecarTools.h"
#include "TVELDANFileTools.h"
#include "TVELDANReader.h"
#include "TVELDANWriter.h"

#include <cpl_string.h>
#include <gdal_pam.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <exception>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------
// Reading through GDAL's virtual file layer

/// A read-only, seekable stream buffer over a GDAL virtual file, so that the library's
/// reader reads plain, compressed (/vsigzip/, /vsizip/) and remote files alike. A read that
/// fails ends the stream, which the reader reports as an unexpected end of file.
class TVSIStreamBuf : public std::streambuf {
public:
    /// Reads the file from its current position.
    explicit TVSIStreamBuf(VSILFILE* File)
        : MbrFile(File), MbrBuffer(1 << 20), MbrStart(VSIFTellL(File)) {}

protected:
    int_type underflow() override {
        if (gptr() < egptr())
            return traits_type::to_int_type(*gptr());
        MbrStart += static_cast<vsi_l_offset>(egptr() - eback());
        const size_t Read = VSIFReadL(MbrBuffer.data(), 1, MbrBuffer.size(), MbrFile);
        setg(MbrBuffer.data(), MbrBuffer.data(), MbrBuffer.data() + Read);
        return Read == 0 ? traits_type::eof() : traits_type::to_int_type(*gptr());
    }

    pos_type seekoff(off_type Offset, std::ios_base::seekdir Way,
                     std::ios_base::openmode Mode) override {
        if (Way == std::ios_base::cur)
            return seekpos(static_cast<off_type>(MbrStart) + (gptr() - eback()) + Offset, Mode);
        if (Way == std::ios_base::beg)
            return seekpos(Offset, Mode);
        return pos_type(off_type(-1));
    }

    pos_type seekpos(pos_type Target, std::ios_base::openmode) override {
        if (Target < 0)
            return pos_type(off_type(-1));
        const auto To = static_cast<vsi_l_offset>(static_cast<off_type>(Target));
        // A place among the bytes held is reached without reading (a compressed file would
        // be decompressed again).
        if (To >= MbrStart && To <= MbrStart + static_cast<vsi_l_offset>(egptr() - eback())) {
            setg(eback(), eback() + (To - MbrStart), egptr());
            return Target;
        }
        if (VSIFSeekL(MbrFile, To, SEEK_SET) != 0)
            return pos_type(off_type(-1));
        MbrStart = To;
        setg(MbrBuffer.data(), MbrBuffer.data(), MbrBuffer.data());
        return Target;
    }

private:
    VSILFILE* MbrFile;
    std::vector<char> MbrBuffer;
    vsi_l_offset MbrStart; // where the bytes held begin in the file
};

/// Closes a virtual file when it goes out of scope.
struct TVSICloser {
    void operator()(VSILFILE* File) const { VSIFCloseL(File); }
};

/// A write-only stream buffer over a GDAL virtual file: a write that fails fails the stream.
class TVSIOutBuf : public std::streambuf {
public:
    explicit TVSIOutBuf(VSILFILE* File) : MbrFile(File) {}

protected:
    std::streamsize xsputn(const char* Text, std::streamsize Count) override {
        return static_cast<std::streamsize>(
            VSIFWriteL(Text, 1, static_cast<size_t>(Count), MbrFile));
    }
    int_type overflow(int_type Character) override {
        if (traits_type::eq_int_type(Character, traits_type::eof()))
            return traits_type::not_eof(Character);
        const char C = traits_type::to_char_type(Character);
        return xsputn(&C, 1) == 1 ? Character : traits_type::eof();
    }

private:
    VSILFILE* MbrFile;
};

/// A grid read row by row from a virtual file: the file (owned from the start), a stream
/// over it and the library's reader, which reads it as text, as a named file is read.
class TVSIGrid {
public:
    TVSIGrid(VSILFILE* File, const TVELDANReader::TOptions& Options)
        : MbrFile(File), MbrBuffer(File), MbrStream(&MbrBuffer),
          MbrReader(MbrStream, true, Options) {}
    TVELDANReader& Reader() { return MbrReader; }

private:
    std::unique_ptr<VSILFILE, TVSICloser> MbrFile;
    TVSIStreamBuf MbrBuffer;
    std::istream MbrStream;
    TVELDANReader MbrReader;
};

/// The message of the exception being handled: one of the library's (a fault of the text of
/// the named grid placed as the commands place it, "NAME:LINE:COLUMN: message" and its
/// hint), or another failure.
std::string FailureMessage(const std::string& FileName) {
    try {
        throw;
    } catch (const TReadFault& Fault) {
        return Fault.Report(FileName);
    } catch (...) {
        return TError::Message(std::current_exception());
    }
}

// ---------------------------------------------------------------------------------------
// Dataset and band

class VELDANDataset final : public GDALPamDataset {
public:
    static int Identify(GDALOpenInfo* OpenInfo);
    static GDALDataset* Open(GDALOpenInfo* OpenInfo);
    static GDALDataset* CreateCopy(const char* FileName, GDALDataset* Source, int Strict,
                                   char** Options, GDALProgressFunc Progress, void* ProgressData);

    CPLErr GetGeoTransform(double* Transform) override;
    const OGRSpatialReference* GetSpatialRef() const override { return &MbrSRS; }

    /// Parses band row `Line` (0 the northernmost) into `Values`, west to east; a failure
    /// is reported through GDAL.
    CPLErr ReadLine(int Line, double* Values);
    double NoDataValue() { return MbrGrid->Reader().NoDataValue(); }

private:
    explicit VELDANDataset(std::unique_ptr<TVSIGrid> Grid);

    std::unique_ptr<TVSIGrid> MbrGrid;
    double MbrTransform[6];
    OGRSpatialReference MbrSRS;
};

class VELDANRasterBand final : public GDALPamRasterBand {
public:
    explicit VELDANRasterBand(VELDANDataset* Dataset);

    double GetNoDataValue(int* Success) override;

protected:
    CPLErr IReadBlock(int BlockX, int BlockY, void* Image) override;
    CPLErr IRasterIO(GDALRWFlag Flag, int XOff, int YOff, int XSize, int YSize, void* Buffer,
                     int BufXSize, int BufYSize, GDALDataType BufType, GSpacing PixelSpace,
                     GSpacing LineSpace, GDALRasterIOExtraArg* ExtraArg) override;

private:
    VELDANDataset& Grid() { return *static_cast<VELDANDataset*>(poDS); }
};

// ---------------------------------------------------------------------------------------

VELDANDataset::VELDANDataset(std::unique_ptr<TVSIGrid> Grid) : MbrGrid(std::move(Grid)) {
    const TVELDANReader& Reader = MbrGrid->Reader();
    nRasterXSize = static_cast<int>(Reader.Columns());
    nRasterYSize = static_cast<int>(Reader.Rows());
    // Coordinates in degrees east and north, longitude first as GIS tools take them.
    MbrSRS.SetWellKnownGeogCS("WGS84");
    MbrSRS.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    // North-up from the lower-left corner and the cell size, as veldconv's grid says.
    const TMapGeometry::TCorner Corner = Reader.LowerLeftCorner();
    const double CellSize = Reader.Resolution();
    const double North = Corner.Y + static_cast<double>(nRasterYSize) * CellSize;
    const double Transform[6] = {Corner.X, CellSize, 0.0, North, 0.0, -CellSize};
    std::copy(std::begin(Transform), std::end(Transform), MbrTransform);
    SetBand(1, new VELDANRasterBand(this));
    // Set past the PAM layer: they come from the file, so they are no change for GDAL to
    // save in an .aux.xml file.
    for (const auto& Item : TSidecarTools::MetadataItems(Reader.Metadata()))
        GDALDataset::SetMetadataItem(Item.first.c_str(), Item.second.c_str());
}

CPLErr VELDANDataset::GetGeoTransform(double* Transform) {
    std::copy(std::begin(MbrTransform), std::end(MbrTransform), Transform);
    return CE_None;
}

CPLErr VELDANDataset::ReadLine(int Line, double* Values) {
    try {
        MbrGrid->Reader().ReadNorthUpRow(Line, Values);
        return CE_None;
    } catch (...) {
        CPLError(CE_Failure, CPLE_FileIO, "%s", FailureMessage(GetDescription()).c_str());
        return CE_Failure;
    }
}

// ---------------------------------------------------------------------------------------

VELDANRasterBand::VELDANRasterBand(VELDANDataset* Dataset) {
    poDS = Dataset;
    nBand = 1;
    eDataType = GDT_Float64;
    nBlockXSize = Dataset->GetRasterXSize();
    nBlockYSize = 1;
}

double VELDANRasterBand::GetNoDataValue(int* Success) {
    int Saved = FALSE;
    const double Value = GDALPamRasterBand::GetNoDataValue(&Saved);
    if (Success)
        *Success = TRUE;
    return Saved ? Value : Grid().NoDataValue();
}

CPLErr VELDANRasterBand::IReadBlock(int, int BlockY, void* Image) {
    return Grid().ReadLine(BlockY, static_cast<double*>(Image));
}

CPLErr VELDANRasterBand::IRasterIO(GDALRWFlag Flag, int XOff, int YOff, int XSize, int YSize,
                                   void* Buffer, int BufXSize, int BufYSize, GDALDataType BufType,
                                   GSpacing PixelSpace, GSpacing LineSpace,
                                   GDALRasterIOExtraArg* ExtraArg) {
    // Reads at full resolution parse their rows into a buffer of their own, without filling
    // GDAL's block cache with whole rows. Writes, and reads that resample, take GDAL's path.
    if (Flag != GF_Read || XSize != BufXSize || YSize != BufYSize ||
        PixelSpace > std::numeric_limits<int>::max())
        return GDALPamRasterBand::IRasterIO(Flag, XOff, YOff, XSize, YSize, Buffer, BufXSize,
                                            BufYSize, BufType, PixelSpace, LineSpace, ExtraArg);
    std::vector<double> Row(static_cast<size_t>(nRasterXSize));
    for (int Line = 0; Line < YSize; ++Line) {
        if (Grid().ReadLine(YOff + Line, Row.data()) != CE_None)
            return CE_Failure;
        GDALCopyWords64(Row.data() + XOff, GDT_Float64, sizeof(double),
                        static_cast<GByte*>(Buffer) + Line * LineSpace, BufType,
                        static_cast<int>(PixelSpace), XSize);
        if (ExtraArg && ExtraArg->pfnProgress &&
            !ExtraArg->pfnProgress((Line + 1.0) / YSize, "", ExtraArg->pProgressData)) {
            CPLError(CE_Failure, CPLE_UserInterrupt, "User terminated");
            return CE_Failure;
        }
    }
    return CE_None;
}

// ---------------------------------------------------------------------------------------
// Identify and Open

/// Bytes read at most to tell a grid from other files: every file any GDAL program opens
/// is asked, so the cost stays a fraction of a millisecond.
const size_t MaxIdentifyBytes = 64 << 10;

/// The first bytes of the file, at most `MaxIdentifyBytes`. They are read aside rather than
/// into what GDAL holds: the drivers asked after this one look at all the bytes GDAL holds,
/// and 64 KB cost some of them milliseconds.
std::vector<char> FirstBytes(GDALOpenInfo* OpenInfo) {
    const char* const Held = reinterpret_cast<const char*>(OpenInfo->pabyHeader);
    if (static_cast<size_t>(OpenInfo->nHeaderBytes) >= MaxIdentifyBytes)
        return std::vector<char>(Held, Held + OpenInfo->nHeaderBytes);
    std::vector<char> Bytes(MaxIdentifyBytes);
    const vsi_l_offset Position = VSIFTellL(OpenInfo->fpL);
    VSIFSeekL(OpenInfo->fpL, 0, SEEK_SET);
    Bytes.resize(VSIFReadL(Bytes.data(), 1, Bytes.size(), OpenInfo->fpL));
    VSIFSeekL(OpenInfo->fpL, Position, SEEK_SET);
    return Bytes;
}

int VELDANDataset::Identify(GDALOpenInfo* OpenInfo) {
    if (!OpenInfo->fpL || OpenInfo->nHeaderBytes == 0)
        return FALSE;
    using TMatch = TVELDANFileTools::THeaderMatch;
    const TMatch Match = TVELDANFileTools::MatchVELDANHeader(
        reinterpret_cast<const char*>(OpenInfo->pabyHeader), OpenInfo->nHeaderBytes);
    if (Match != TMatch::TooShort)
        return Match == TMatch::Yes;
    // GDAL holds the first kilobyte, or the whole file when it is shorter.
    if (OpenInfo->nHeaderBytes < 1024)
        return FALSE;
    const std::vector<char> Bytes = FirstBytes(OpenInfo);
    return TVELDANFileTools::IsVELDANHeader(Bytes.data(), Bytes.size(),
                                            Bytes.size() < MaxIdentifyBytes);
}

/// The reading options the open options give: STRICT=YES reads as veldconv --strict reads,
/// NODATA=value marks the cells as veldconv --nodata marks them. False, with a GDAL error,
/// for a value of NODATA that is not one whole number.
bool ReadOpenOptions(CSLConstList OpenOptions, TVELDANReader::TOptions& Options) {
    Options.Read.Strict = CPLFetchBool(OpenOptions, "STRICT", false);
    const char* const NoData = CSLFetchNameValue(OpenOptions, "NODATA");
    if (!NoData)
        return true;
    char* End = nullptr;
    Options.NoData = CPLStrtod(NoData, &End);
    Options.MarkNoData = true;
    if (*NoData != '\0' && *NoData != ' ' && *End == '\0')
        return true;
    CPLError(CE_Failure, CPLE_IllegalArg,
             "Invalid value for NODATA: \"%s\" is not a number (nor nan)", NoData);
    return false;
}

GDALDataset* VELDANDataset::Open(GDALOpenInfo* OpenInfo) {
    if (!Identify(OpenInfo))
        return nullptr;
    if (OpenInfo->eAccess == GA_Update) {
        CPLError(CE_Failure, CPLE_NotSupported, "The VELDAN driver only reads grids");
        return nullptr;
    }
    TVELDANReader::TOptions Options;
    if (!ReadOpenOptions(OpenInfo->papszOpenOptions, Options))
        return nullptr;
    // Nothing the library throws may reach GDAL: every failure becomes a GDAL error.
    try {
        VSILFILE* const File = OpenInfo->fpL;
        OpenInfo->fpL = nullptr; // the grid owns it from here
        VSIFSeekL(File, 0, SEEK_SET);
        std::unique_ptr<TVSIGrid> Grid(new TVSIGrid(File, Options));
        if (Grid->Reader().Columns() > INT_MAX || Grid->Reader().Rows() > INT_MAX)
            throw "Grid has more rows or columns than GDAL can take";
        std::unique_ptr<VELDANDataset> Dataset(new VELDANDataset(std::move(Grid)));
        Dataset->SetDescription(OpenInfo->pszFilename);
        Dataset->TryLoadXML();
        Dataset->oOvManager.Initialize(Dataset.get(), OpenInfo->pszFilename);
        return Dataset.release();
    } catch (...) {
        CPLError(CE_Failure, CPLE_OpenFailed, "%s", FailureMessage(OpenInfo->pszFilename).c_str());
        return nullptr;
    }
}

// ---------------------------------------------------------------------------------------
// CreateCopy

/// What of a source raster goes into a VELDAN grid: the cell centres, from its geotransform.
struct TSourceGrid {
    double Transform[6];
    std::vector<double> X;
    /// The centre of row `Row` (0 the first of the source).
    double Y(int Row) const { return Transform[3] + (Row + 0.5) * Transform[5]; }
};

/// Refuses, with a GDAL error, a source that a VELDAN grid cannot hold: one without a band,
/// rotated, of cells that are not square, or not in degrees of a geographic coordinate
/// system (longitude first). A source of several bands gives band 1, with a warning (an
/// error when `Strict`).
bool DescribeSource(GDALDataset* Source, bool Strict, TSourceGrid& Grid) {
    const auto Refuse = [](const char* Message) {
        CPLError(CE_Failure, CPLE_NotSupported, "VELDAN: %s", Message);
        return false;
    };
    if (Source->GetRasterCount() == 0)
        return Refuse("the source has no band");
    if (Source->GetRasterCount() > 1) {
        if (Strict)
            return Refuse("a grid holds one band, and the source has several");
        CPLError(CE_Warning, CPLE_NotSupported, "VELDAN: a grid holds one band: band 1 is written");
    }
    double* const T = Grid.Transform;
    if (Source->GetGeoTransform(T) != CE_None)
        return Refuse("the source has no geotransform: a grid needs its cell centres");
    if (T[2] != 0.0 || T[4] != 0.0)
        return Refuse("the source is rotated: a grid's rows run along parallels (north-up)");
    if (T[1] == 0.0 || std::fabs(std::fabs(T[1]) - std::fabs(T[5])) > 1e-9 * std::fabs(T[1]))
        return Refuse("the source's cells are not square: a grid has one cell size");
    const OGRSpatialReference* const SRS = Source->GetSpatialRef();
    if (!SRS || SRS->IsEmpty())
        return Refuse("the source has no coordinate system: a grid is in degrees of a "
                      "geographic one");
    if (!SRS->IsGeographic())
        return Refuse("the source's coordinate system is not geographic: a grid is in degrees "
                      "(reproject it first, for example with gdalwarp -t_srs EPSG:4326)");
    if (std::fabs(SRS->GetAngularUnits(nullptr) - CPLAtof(SRS_UA_DEGREE_CONV)) > 1e-12)
        return Refuse("the source's coordinate system is not in degrees");
    OGRAxisOrientation XOrientation = OAO_Other;
    SRS->GetAxis(nullptr, std::abs(SRS->GetDataAxisToSRSAxisMapping().at(0)) - 1, &XOrientation);
    if (XOrientation != OAO_East && XOrientation != OAO_West)
        return Refuse("the source's geotransform gives latitude first: a grid's X is longitude");
    for (int Column = 0; Column < Source->GetRasterXSize(); ++Column)
        Grid.X.push_back(T[0] + (Column + 0.5) * T[1]);
    return true;
}

/// The destination's stream: a named file replaced only when complete (`TSafeFile`), or
/// a GDAL virtual file (/vsimem/, /vsizip/, ...), which the safe files cannot write.
class TDestination {
public:
    explicit TDestination(const std::string& FileName) : MbrFileName(FileName) {
        if (FileName.compare(0, 4, "/vsi") != 0) {
            MbrSafe.reset(new TSafeFile(FileName));
            return;
        }
        MbrFile.reset(VSIFOpenL(FileName.c_str(), "wb"));
        if (!MbrFile)
            TError::ThrowUnableToOpen(FileName);
        MbrBuffer.reset(new TVSIOutBuf(MbrFile.get()));
        MbrStream.reset(new std::ostream(MbrBuffer.get()));
    }
    /// Without `Commit`, the safe file leaves the destination as it was; a virtual file
    /// written in part is removed.
    ~TDestination() {
        if (MbrFile) {
            MbrFile.reset();
            VSIUnlink(MbrFileName.c_str());
        }
    }
    std::ostream& Stream() { return MbrSafe ? MbrSafe->Stream() : *MbrStream; }
    void Commit() {
        if (MbrSafe)
            return MbrSafe->Commit();
        if (!*MbrStream || VSIFCloseL(MbrFile.release()) != 0)
            TError::ThrowUnableToWrite(MbrFileName);
    }

private:
    std::string MbrFileName;
    std::unique_ptr<TSafeFile> MbrSafe;
    std::unique_ptr<VSILFILE, TVSICloser> MbrFile;
    std::unique_ptr<TVSIOutBuf> MbrBuffer;
    std::unique_ptr<std::ostream> MbrStream;
};

/// Writes band 1 of the source as a grid, row by row, the source's no-data cells as the
/// grid's no-data value. False after a GDAL error (a failed read, the user's interruption);
/// the library's refusals are thrown.
bool WriteGrid(const std::string& FileName, GDALDataset* Source, const TSourceGrid& Grid,
               GDALProgressFunc Progress, void* ProgressData) {
    GDALRasterBand* const Band = Source->GetRasterBand(1);
    int HasNoData = FALSE;
    TVELDANReader::TOptions Marking; // the rule of veldconv --nodata
    Marking.NoData = Band->GetNoDataValue(&HasNoData);
    Marking.MarkNoData = HasNoData;
    const double GridNoData = TMap(0.0).GetNoDataValue();
    const char* const Header = Source->GetMetadataItem("VELDAN_HEADER");
    TDestination Destination(FileName);
    TVELDANWriter Writer(Destination.Stream());
    Writer.WriteHeader(TSidecarTools::MetadataOfHeader(Header ? Header : ""));
    Writer.WriteXAxis(Grid.X);
    const int Columns = Source->GetRasterXSize(), Rows = Source->GetRasterYSize();
    std::vector<double> Row(static_cast<size_t>(Columns));
    for (int Line = 0; Line < Rows; ++Line) {
        if (Band->RasterIO(GF_Read, 0, Line, Columns, 1, Row.data(), Columns, 1, GDT_Float64, 0, 0,
                           nullptr) != CE_None)
            return false;
        for (double& Value : Row)
            Value = Marking.Marks(Value) ? GridNoData : Value;
        Writer.WriteRow(Row.data(), Columns, Grid.Y(Line));
        if (!Progress((Line + 1.0) / Rows, nullptr, ProgressData)) {
            CPLError(CE_Failure, CPLE_UserInterrupt, "User terminated");
            return false;
        }
    }
    Writer.Finish();
    Destination.Commit();
    return true;
}

GDALDataset* VELDANDataset::CreateCopy(const char* FileName, GDALDataset* Source, int Strict,
                                       char**, GDALProgressFunc Progress, void* ProgressData) {
    TSourceGrid Grid;
    if (!DescribeSource(Source, Strict, Grid))
        return nullptr;
    try {
        if (!WriteGrid(FileName, Source, Grid, Progress ? Progress : GDALDummyProgress,
                       ProgressData))
            return nullptr;
    } catch (...) {
        CPLError(CE_Failure, CPLE_AppDefined, "%s", FailureMessage(FileName).c_str());
        return nullptr;
    }
    GDALOpenInfo OpenInfo(FileName, GA_ReadOnly);
    return Open(&OpenInfo);
}

} // namespace

// ---------------------------------------------------------------------------------------

/// Entry point that GDAL calls when it loads the plugin gdal_VELDAN.so: the one symbol the
/// plugin exports.
extern "C" __attribute__((visibility("default"))) void GDALRegister_VELDAN() {
    if (!GDAL_CHECK_VERSION("VELDAN driver"))
        return;
    if (GDALGetDriverByName("VELDAN") != nullptr)
        return;
    auto* Driver = new GDALDriver();
    Driver->SetDescription("VELDAN");
    Driver->SetMetadataItem(GDAL_DCAP_RASTER, "YES");
    Driver->SetMetadataItem(GDAL_DMD_LONGNAME, "VELDAN text grid");
    Driver->SetMetadataItem(GDAL_DMD_HELPTOPIC, "doc/gis.md#the-gdal-driver-plugin");
    Driver->SetMetadataItem(GDAL_DMD_EXTENSION, "txt");
    Driver->SetMetadataItem(GDAL_DMD_EXTENSIONS, "txt");
    Driver->SetMetadataItem(GDAL_DCAP_VIRTUALIO, "YES");
    Driver->SetMetadataItem(GDAL_DCAP_CREATECOPY, "YES");
    Driver->SetMetadataItem(GDAL_DMD_CREATIONDATATYPES,
                            "Byte UInt16 Int16 UInt32 Int32 Float32 Float64");
    Driver->SetMetadataItem(
        GDAL_DMD_OPENOPTIONLIST,
        "<OpenOptionList>"
        "  <Option name='STRICT' type='boolean' default='NO' description='Refuse number tokens "
        "that are not entirely numbers and uneven coordinates, as veldconv --strict does'/>"
        "  <Option name='NODATA' type='string' description='Read the cells equal to this "
        "value (nan: the NaN cells) as no-data, -9999, as veldconv --nodata does'/>"
        "</OpenOptionList>");
    Driver->pfnIdentify = VELDANDataset::Identify;
    Driver->pfnOpen = VELDANDataset::Open;
    Driver->pfnCreateCopy = VELDANDataset::CreateCopy;
    GetGDALDriverManager()->RegisterDriver(Driver);
}
