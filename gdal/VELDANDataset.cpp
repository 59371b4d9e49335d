// The VELDAN driver for GDAL, built as the plugin gdal_VELDAN.so.
//
// A thin adapter: the veldgrid library recognises and reads the grid; this file translates
// between GDAL's types and the library's. The whole map is read when the dataset opens (the
// format gives no way to find a row without reading the ones before it), and every read
// of the band is served from it, north-up: rows listed south to north and columns listed
// east to west are turned round cell for cell as veldconv writes them.

#include "TError.h"
#include "TMap.h"
#include "TMapGeometry.h"
#include "TSidecarTools.h"
#include "TVELDANFileTools.h"

#include <gdal_pam.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <climits>
#include <exception>
#include <iterator>
#include <limits>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------
// Reading through GDAL's virtual file layer

/// A read-only stream buffer over a GDAL virtual file, so that the library's stream reader
/// reads plain, compressed (/vsigzip/, /vsizip/) and remote files alike. A read that fails
/// ends the stream, which the reader reports as an unexpected end of file.
class TVSIStreamBuf : public std::streambuf {
public:
    explicit TVSIStreamBuf(VSILFILE* File) : MbrFile(File), MbrBuffer(1 << 20) {}

protected:
    int_type underflow() override {
        if (gptr() < egptr())
            return traits_type::to_int_type(*gptr());
        const size_t Read = VSIFReadL(MbrBuffer.data(), 1, MbrBuffer.size(), MbrFile);
        setg(MbrBuffer.data(), MbrBuffer.data(), MbrBuffer.data() + Read);
        return Read == 0 ? traits_type::eof() : traits_type::to_int_type(*gptr());
    }

private:
    VSILFILE* MbrFile;
    std::vector<char> MbrBuffer;
};

/// Closes a virtual file when it goes out of scope.
struct TVSICloser {
    void operator()(VSILFILE* File) const { VSIFCloseL(File); }
};

/// Reads the map from the open file, from its start; a named file is read as text.
std::unique_ptr<TMap> LoadMap(VSILFILE* File) {
    VSIFSeekL(File, 0, SEEK_SET);
    TVSIStreamBuf Buffer(File);
    std::istream In(&Buffer);
    return std::unique_ptr<TMap>(TVELDANFileTools::LoadVELDANFile(In, true));
}

// ---------------------------------------------------------------------------------------
// Dataset and band

class VELDANDataset final : public GDALPamDataset {
public:
    static int Identify(GDALOpenInfo* OpenInfo);
    static GDALDataset* Open(GDALOpenInfo* OpenInfo);

    CPLErr GetGeoTransform(double* Transform) override;
    const OGRSpatialReference* GetSpatialRef() const override { return &MbrSRS; }

    const TMap& Map() const { return *MbrMap; }
    /// The map's row shown as row `Line` (0 the northernmost) of the band.
    const std::vector<double>& RowShownAt(int Line) const;
    bool ColumnsEastToWest() const { return MbrOrientation.ColumnsEastToWest; }

private:
    explicit VELDANDataset(std::unique_ptr<TMap> Map);

    std::unique_ptr<TMap> MbrMap;
    TMapGeometry::TOrientation MbrOrientation;
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
    /// Copies columns [XOff, XOff + XSize) of band row `Line` into the buffer.
    void CopyRow(int Line, int XOff, int XSize, GByte* Buffer, GDALDataType BufType,
                 GSpacing PixelSpace);

    VELDANDataset& Grid() { return *static_cast<VELDANDataset*>(poDS); }

    std::vector<double> MbrReversed; // a row turned west to east
};

// ---------------------------------------------------------------------------------------

VELDANDataset::VELDANDataset(std::unique_ptr<TMap> Map)
    : MbrMap(std::move(Map)), MbrOrientation(TMapGeometry::Orientation(MbrMap.get())) {
    nRasterXSize = static_cast<int>(MbrMap->GetXDim());
    nRasterYSize = static_cast<int>(MbrMap->GetYDim());
    // Coordinates in degrees east and north, longitude first as GIS tools take them.
    MbrSRS.SetWellKnownGeogCS("WGS84");
    MbrSRS.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    // North-up from the lower-left corner and the cell size, as veldconv's grid says.
    const TMapGeometry::TCorner Corner = TMapGeometry::LowerLeftCorner(MbrMap.get());
    const double CellSize = MbrMap->GetResolution();
    const double North = Corner.Y + static_cast<double>(nRasterYSize) * CellSize;
    const double Transform[6] = {Corner.X, CellSize, 0.0, North, 0.0, -CellSize};
    std::copy(std::begin(Transform), std::end(Transform), MbrTransform);
    SetBand(1, new VELDANRasterBand(this));
    // Set past the PAM layer: they come from the file, so they are no change for GDAL to
    // save in an .aux.xml file.
    for (const auto& Item : TSidecarTools::MetadataItems(MbrMap.get()))
        GDALDataset::SetMetadataItem(Item.first.c_str(), Item.second.c_str());
}

const std::vector<double>& VELDANDataset::RowShownAt(int Line) const {
    const long Row = MbrOrientation.RowsSouthToNorth ? MbrMap->GetYDim() - 1 - Line : Line;
    return MbrMap->RowValues(Row);
}

CPLErr VELDANDataset::GetGeoTransform(double* Transform) {
    std::copy(std::begin(MbrTransform), std::end(MbrTransform), Transform);
    return CE_None;
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
    if (Success)
        *Success = TRUE;
    return Grid().Map().GetNoDataValue();
}

void VELDANRasterBand::CopyRow(int Line, int XOff, int XSize, GByte* Buffer, GDALDataType BufType,
                               GSpacing PixelSpace) {
    const std::vector<double>& Row = Grid().RowShownAt(Line);
    const double* Source = Row.data() + XOff;
    if (Grid().ColumnsEastToWest()) {
        MbrReversed.assign(Row.rbegin() + XOff, Row.rbegin() + XOff + XSize);
        Source = MbrReversed.data();
    }
    GDALCopyWords64(Source, GDT_Float64, sizeof(double), Buffer, BufType,
                    static_cast<int>(PixelSpace), XSize);
}

CPLErr VELDANRasterBand::IReadBlock(int, int BlockY, void* Image) {
    CopyRow(BlockY, 0, nBlockXSize, static_cast<GByte*>(Image), GDT_Float64, sizeof(double));
    return CE_None;
}

CPLErr VELDANRasterBand::IRasterIO(GDALRWFlag Flag, int XOff, int YOff, int XSize, int YSize,
                                   void* Buffer, int BufXSize, int BufYSize, GDALDataType BufType,
                                   GSpacing PixelSpace, GSpacing LineSpace,
                                   GDALRasterIOExtraArg* ExtraArg) {
    // Reads at full resolution come straight from the map: the block cache would hold a
    // second copy of the grid. Writes, and reads that resample, take GDAL's own path.
    if (Flag != GF_Read || XSize != BufXSize || YSize != BufYSize ||
        PixelSpace > std::numeric_limits<int>::max())
        return GDALPamRasterBand::IRasterIO(Flag, XOff, YOff, XSize, YSize, Buffer, BufXSize,
                                            BufYSize, BufType, PixelSpace, LineSpace, ExtraArg);
    for (int Line = 0; Line < YSize; ++Line)
        CopyRow(YOff + Line, XOff, XSize, static_cast<GByte*>(Buffer) + Line * LineSpace, BufType,
                PixelSpace);
    return CE_None;
}

// ---------------------------------------------------------------------------------------
// Identify and Open

/// Bytes read at most to find the end of the axis line: a grid of 1/120-degree cells round
/// the globe has an axis line of about 650 kB.
const int MaxIdentifyBytes = 4 << 20;

int VELDANDataset::Identify(GDALOpenInfo* OpenInfo) {
    if (!OpenInfo->fpL || OpenInfo->nHeaderBytes == 0)
        return FALSE;
    using TMatch = TVELDANFileTools::THeaderMatch;
    for (int Wanted = OpenInfo->nHeaderBytes;;) {
        const TMatch Match = TVELDANFileTools::MatchVELDANHeader(
            reinterpret_cast<const char*>(OpenInfo->pabyHeader), OpenInfo->nHeaderBytes);
        // Fewer bytes than wanted: the whole file is there, and it ends too soon.
        if (Match != TMatch::TooShort || OpenInfo->nHeaderBytes < Wanted ||
            Wanted >= MaxIdentifyBytes)
            return Match == TMatch::Yes;
        Wanted = std::min(Wanted * 16, MaxIdentifyBytes);
        OpenInfo->TryToIngest(Wanted);
    }
}

/// Reports a failure of the library through GDAL.
GDALDataset* OpenFailed(const char* Message) {
    CPLError(CE_Failure, CPLE_OpenFailed, "%s", Message);
    return nullptr;
}

GDALDataset* VELDANDataset::Open(GDALOpenInfo* OpenInfo) {
    if (!Identify(OpenInfo))
        return nullptr;
    if (OpenInfo->eAccess == GA_Update) {
        CPLError(CE_Failure, CPLE_NotSupported, "The VELDAN driver only reads grids");
        return nullptr;
    }
    // Nothing the library throws may reach GDAL: every failure becomes a GDAL error.
    try {
        std::unique_ptr<VSILFILE, TVSICloser> File(OpenInfo->fpL);
        OpenInfo->fpL = nullptr;
        std::unique_ptr<TMap> Map = LoadMap(File.get());
        if (Map->GetXDim() > INT_MAX || Map->GetYDim() > INT_MAX)
            return OpenFailed("Grid has more rows or columns than GDAL can take");
        std::unique_ptr<VELDANDataset> Dataset(new VELDANDataset(std::move(Map)));
        Dataset->SetDescription(OpenInfo->pszFilename);
        Dataset->TryLoadXML();
        Dataset->oOvManager.Initialize(Dataset.get(), OpenInfo->pszFilename);
        return Dataset.release();
    } catch (...) {
        return OpenFailed(TError::Message(std::current_exception()).c_str());
    }
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
    Driver->SetMetadataItem(GDAL_DMD_EXTENSIONS, "txt");
    Driver->SetMetadataItem(GDAL_DCAP_VIRTUALIO, "YES");
    Driver->pfnIdentify = VELDANDataset::Identify;
    Driver->pfnOpen = VELDANDataset::Open;
    GetGDALDriverManager()->RegisterDriver(Driver);
}
