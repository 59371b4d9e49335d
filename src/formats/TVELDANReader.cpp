#include "TVELDANReader.h"

#include "TARCGISFormatter.h"
#include "TMap.h"
#include "TTextFile.h"
#include "TVELDANScanner.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <limits>

namespace {

using TScanner = TVELDANScanner;

/// Where the stream stands when no row was read last.
const std::uint64_t Unknown = std::numeric_limits<std::uint64_t>::max();

} // namespace

struct TVELDANReader::TImpl {
    std::string FileName; // "" for a stream
    std::unique_ptr<char[]> Buffer;
    std::ifstream File; // uses Buffer
    std::istream* In = nullptr;
    bool TextMode = true;
    TOptions Options;
    double NoData = TMap::DefaultNoData; // that of a map read from the file
    std::streamoff Start = 0;            // where the grid begins in the stream
    TScanner::TLayout Layout;
    TMapGeometry::TOrientation Orientation = {false, false};
    TARCGISFormatter::THeader Header = {};
    std::uint64_t Position = Unknown; // where the stream stands, from `Start`
    std::string Line;                 // the text of the row read last

    /// The first pass, and the checks the map reader makes before its first row is needed.
    void Scan() {
        Layout = TScanner::FindRows(*In, TextMode, Options.Read);
        Layout.Offsets.shrink_to_fit();
        Layout.Y.shrink_to_fit();
        Header = TScanner::GridHeader(Layout, NoData, Orientation);
    }

    void RequireRow(long Row, const char* Message) const {
        if (Row < 0 || Row >= static_cast<long>(Layout.Y.size()))
            TError::Throw(Message);
    }

    /// Reads the text of data line `Row` into `Line`; returns where the line ends, before
    /// its line end. Reads on from the row before without moving the stream.
    const char* ReadLine(long Row) {
        const std::uint64_t Begin = Layout.Offsets[Row];
        const std::uint64_t End = Layout.Offsets[Row + 1];
        Line.resize(End - Begin);
        const std::uint64_t Before = Position;
        Position = Unknown;
        try {
            if (Before != Begin) {
                In->clear();
                In->seekg(Start + static_cast<std::streamoff>(Begin));
            }
            In->read(&Line[0], static_cast<std::streamsize>(Line.size()));
        } catch (...) {
            if (FileName.empty())
                throw;
            TTextFile::RethrowReadFailure(FileName);
        }
        if (!*In)
            ReadFailed();
        Position = End;
        const char* Last = Line.data() + Line.size();
        if (Last != Line.data() && Last[-1] == '\n')
            --Last;
        // One carriage return before the line feed belongs to the line end.
        if (TextMode && Last != Line.data() && Last[-1] == '\r')
            --Last;
        return Last;
    }

    [[noreturn]] void ReadFailed() const {
        if (!FileName.empty())
            TError::ThrowUnableToRead(FileName);
        if (In->bad())
            TError::Throw("Unable to read the stream in TVELDANFileTools::LoadVELDANFile");
        TError::Throw("Unexpected end of file found in TVELDANFileTools::LoadVELDANFile");
    }
};

TVELDANReader::TVELDANReader(const std::string& FileName) : TVELDANReader(FileName, TOptions()) {}

TVELDANReader::TVELDANReader(std::istream& In, bool TextLineEnds)
    : TVELDANReader(In, TextLineEnds, TOptions()) {}

TVELDANReader::TVELDANReader(const std::string& FileName, const TOptions& Options)
    : MbrImpl(new TImpl) {
    TImpl& Impl = *MbrImpl;
    Impl.FileName = FileName;
    Impl.Options = Options;
    TTextFile::OpenBuffered(Impl.File, FileName, Impl.Buffer);
    Impl.In = &Impl.File;
    try {
        Impl.Scan();
    } catch (...) {
        TTextFile::RethrowReadFailure(FileName);
    }
}

TVELDANReader::TVELDANReader(std::istream& In, bool TextLineEnds, const TOptions& Options)
    : MbrImpl(new TImpl) {
    TImpl& Impl = *MbrImpl;
    Impl.In = &In;
    Impl.TextMode = TextLineEnds;
    Impl.Options = Options;
    Impl.Start = In.tellg();
    if (Impl.Start < 0)
        TError::Throw("Stream cannot be positioned in TVELDANReader::TVELDANReader");
    Impl.Scan();
}

TVELDANReader::~TVELDANReader() = default;

const std::string& TVELDANReader::Metadata() const {
    return MbrImpl->Layout.Metadata;
}

long TVELDANReader::Columns() const {
    return static_cast<long>(MbrImpl->Layout.X.size());
}

long TVELDANReader::Rows() const {
    return static_cast<long>(MbrImpl->Layout.Y.size());
}

const std::vector<double>& TVELDANReader::XCoordinates() const {
    return MbrImpl->Layout.X;
}

const std::vector<double>& TVELDANReader::YCoordinates() const {
    return MbrImpl->Layout.Y;
}

double TVELDANReader::Resolution() const {
    return MbrImpl->Header.CellSize;
}

double TVELDANReader::NoDataValue() const {
    return MbrImpl->NoData;
}

TMapGeometry::TOrientation TVELDANReader::Orientation() const {
    return MbrImpl->Orientation;
}

TMapGeometry::TCorner TVELDANReader::LowerLeftCorner() const {
    return MbrImpl->Header.Corner;
}

void TVELDANReader::ReadRow(long Row, double* Values) {
    TImpl& Impl = *MbrImpl;
    Impl.RequireRow(Row, "Row is out of range in TVELDANReader::ReadRow");
    const char* const Last = Impl.ReadLine(Row); // before the text is taken: it moves
    const TScanner::TLine Line{Impl.Line.data(), Last, Impl.Layout.FirstLine + Row};
    const size_t Columns = Impl.Layout.X.size();
    size_t Count = 0;
    TScanner::ScanDataLine(Line, Impl.Options.Read.Strict, [&](const TScanner::TToken& Token) {
        if (Count < Columns)
            Values[Count] = Impl.Options.Marks(Token.Value) ? Impl.NoData : Token.Value;
        ++Count;
    });
    // The first row was found as wide as the axis line when the reader opened.
    if (Count != Columns)
        TScanner::WidthFault(TScanner::RowWidthDiffers, Line, Columns);
}

void TVELDANReader::ReadNorthUpRow(long Line, double* Values) {
    MbrImpl->RequireRow(Line, "Row is out of range in TVELDANReader::ReadNorthUpRow");
    ReadRow(MbrImpl->Orientation.RowsSouthToNorth ? Rows() - 1 - Line : Line, Values);
    if (MbrImpl->Orientation.ColumnsEastToWest)
        std::reverse(Values, Values + Columns());
}

// ---------------------------------------------------------------------------------------

namespace {

/// Gives the cells that the options mark the map's no-data value.
TMap* Marked(TMap* Read, const TVELDANReader::TOptions& Options) {
    std::unique_ptr<TMap> Map(Read);
    if (!Options.MarkNoData)
        return Map.release();
    const double NoData = Map->GetNoDataValue();
    for (long Y = 0; Y < Map->GetYDim(); ++Y) {
        const std::vector<double>& Row = Map->RowValues(Y);
        for (long X = 0; X < Map->GetXDim(); ++X)
            if (Options.Marks(Row[X]))
                Map->SetPoint(X, Y, NoData);
    }
    return Map.release();
}

} // namespace

TMap* TVELDANReader::LoadMap(std::istream& In, bool TextLineEnds, const TOptions& Options) {
    return Marked(TScanner::ReadMap(In, TextLineEnds, Options.Read), Options);
}

TMap* TVELDANReader::LoadMap(const std::string& FileName, const TOptions& Options) {
    return Marked(TScanner::ReadMap(FileName, Options.Read), Options);
}
