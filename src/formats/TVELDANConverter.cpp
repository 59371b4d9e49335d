#include "TVELDANConverter.h"

#include "TARCGISFormatter.h"
#include "TMap.h"
#include "TMapGeometry.h"
#include "TNumberText.h"
#include "TTextFile.h"
#include "TVELDANScanner.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

namespace {

using TScanner = TVELDANScanner;
using TOptions = TVELDANConverter::TOptions;

/// Bytes of source rows in a block by default: large enough for few reads and threads,
/// small enough that memory stays a few megabytes whatever the size of the grid.
const std::uint64_t DefaultBlockBytes = 1 << 21;
/// Threads that pay: beyond two, the first pass and the ordered writing bound the time.
const unsigned MaxThreads = 2;
/// Threads used at most, however many are asked for: each holds a block and a file open.
const unsigned MaxRequestedThreads = 64;

using TLayout = TScanner::TLayout;

/// Opens the file for reading through its own buffer.
class TSourceFile {
public:
    explicit TSourceFile(const std::string& FileName) {
        TTextFile::OpenBuffered(MbrIn, FileName, MbrBuffer);
    }
    std::ifstream& Stream() { return MbrIn; }

private:
    std::unique_ptr<char[]> MbrBuffer; // outlives the stream
    std::ifstream MbrIn;
};

/// The header of the grid, from the interval axes the map's point axes would give.
TARCGISFormatter::THeader HeaderOf(const TLayout& Layout, double NoData,
                                   TMapGeometry::TOrientation& Orientation) {
    const TARCGISFormatter::THeader Header = TScanner::GridHeader(Layout, NoData, Orientation);
    TARCGISFormatter::RequireFinite(Header);
    return Header;
}

/// A block of source rows [First, End) and the text of its rows.
struct TBlock {
    long First = 0;
    long End = 0;
    std::string Input;
    TARCGISFormatter Output{TARCGISFormatter::CellPrecision};
    std::vector<size_t> RowEnds; // where each row's text ends in the output
    std::vector<TScanner::TToken> Cells;
    std::exception_ptr Failure;
};

/// Converts blocks of rows of one grid. It holds no state of its own: one converter serves
/// every thread, each with its own block and file.
class TRowConverter {
public:
    TRowConverter(const std::string& FileName, const TLayout& Layout, const TOptions& Options,
                  TMapGeometry::TOrientation Orientation, double NoData)
        : MbrFileName(FileName), MbrLayout(Layout), MbrOptions(Options),
          MbrOrientation(Orientation), MbrNoData(NoData) {}

    /// Reads and converts the block's rows; a failure is kept in the block.
    void Convert(TBlock& Block, std::ifstream& In) const {
        try {
            Read(Block, In);
            Block.Output.Clear();
            Block.RowEnds.clear();
            const std::uint64_t Base = MbrLayout.Offsets[Block.First];
            for (long I = Block.First; I < Block.End; ++I) {
                const char* First = Block.Input.data() + (MbrLayout.Offsets[I] - Base);
                const char* Last = Block.Input.data() + (MbrLayout.Offsets[I + 1] - Base) - 1;
                // One carriage return before the line feed belongs to the line end.
                if (Last != First && Last[-1] == '\r')
                    --Last;
                ConvertRow({First, Last, MbrLayout.FirstLine + I}, Block);
                Block.RowEnds.push_back(Block.Output.Size());
            }
        } catch (...) {
            Block.Failure = std::current_exception();
        }
    }

private:
    void Read(TBlock& Block, std::ifstream& In) const {
        const std::uint64_t Begin = MbrLayout.Offsets[Block.First];
        Block.Input.resize(MbrLayout.Offsets[Block.End] - Begin);
        try {
            In.seekg(static_cast<std::streamoff>(Begin));
            In.read(&Block.Input[0], static_cast<std::streamsize>(Block.Input.size()));
        } catch (...) {
            TTextFile::RethrowReadFailure(MbrFileName);
        }
        if (!In)
            TError::ThrowUnableToRead(MbrFileName);
    }

    void ConvertRow(const TScanner::TLine& Line, TBlock& Block) const {
        const bool Strict = MbrOptions.Read.Strict;
        size_t Count = 0;
        if (!MbrOrientation.ColumnsEastToWest) {
            TScanner::ScanDataLine(Line, Strict, [&](const TScanner::TToken& Token) {
                ++Count;
                AddCell(Token, Block.Output);
            });
        } else {
            Block.Cells.clear();
            TScanner::ScanDataLine(
                Line, Strict, [&](const TScanner::TToken& Token) { Block.Cells.push_back(Token); });
            Count = Block.Cells.size();
            for (auto Cell = Block.Cells.rbegin(); Cell != Block.Cells.rend(); ++Cell)
                AddCell(*Cell, Block.Output);
        }
        // Every row as wide as the axis line: the map's X axis must fit the first row.
        if (Count != MbrLayout.X.size())
            TScanner::WidthFault(TScanner::RowWidthDiffers, Line, MbrLayout.X.size());
        Block.Output.EndRow();
    }

    /// A cell as the command writes it: marked as no-data, or its value (from its text
    /// where it is a plain decimal), which must be finite.
    void AddCell(const TScanner::TToken& Token, TARCGISFormatter& Output) const {
        const double Value = Token.Value;
        if (MbrOptions.Marks(Value))
            Output.AddValue(MbrNoData);
        else if (Token.Plain)
            Output.AddDecimalText(Token.First, Token.Last, Value);
        else if (!std::isfinite(Value))
            TError::Throw(TARCGISFormatter::NonFiniteCells);
        else
            Output.AddValue(Value);
    }

    const std::string& MbrFileName;
    const TLayout& MbrLayout;
    const TOptions& MbrOptions;
    const TMapGeometry::TOrientation MbrOrientation;
    const double MbrNoData;
};

/// Threads that convert blocks beside the calling thread, all joined before it goes on, and
/// when it leaves by an exception: no thread outlives the data it works on.
class TWorkers {
public:
    TWorkers() = default;
    TWorkers(const TWorkers&) = delete;
    TWorkers& operator=(const TWorkers&) = delete;
    ~TWorkers() { JoinAll(); }

    /// Runs the work on a new thread or, where none can be started, right here.
    template <typename TWork> void Run(TWork Work) {
        try {
            MbrThreads.emplace_back(Work);
        } catch (...) {
            Work(); // no thread was started
        }
    }
    void JoinAll() {
        for (std::thread& Thread : MbrThreads)
            Thread.join();
        MbrThreads.clear();
    }

private:
    std::vector<std::thread> MbrThreads;
};

/// Writes the block's rows, last row first when the grid's rows run south to north.
void WriteBlock(const TBlock& Block, bool Reversed, std::ostream& Out) {
    if (!Reversed) {
        Out.write(Block.Output.Data(), static_cast<std::streamsize>(Block.Output.Size()));
        return;
    }
    for (size_t I = Block.RowEnds.size(); I-- > 0;) {
        const size_t Start = I == 0 ? 0 : Block.RowEnds[I - 1];
        Out.write(Block.Output.Data() + Start,
                  static_cast<std::streamsize>(Block.RowEnds[I] - Start));
    }
}

unsigned ThreadsFor(const TOptions& Options) {
    if (Options.Threads > 0)
        return std::min(Options.Threads, MaxRequestedThreads);
    return std::max(1u, std::min(std::thread::hardware_concurrency(), MaxThreads));
}

/// Rows of about the block size in bytes, at least one.
long RowsPerBlock(const TLayout& Layout, const TOptions& Options) {
    const long Rows = static_cast<long>(Layout.Y.size());
    const std::uint64_t Bytes = Layout.Offsets.back() - Layout.Offsets.front();
    const std::uint64_t BlockBytes = Options.BlockBytes ? Options.BlockBytes : DefaultBlockBytes;
    if (Bytes <= BlockBytes)
        return Rows;
    return std::max<long>(1,
                          static_cast<long>(static_cast<std::uint64_t>(Rows) * BlockBytes / Bytes));
}

/// Converts the rows in blocks, a round at a time, one block per thread, and writes them in
/// order: north to south.
void ConvertRows(const std::string& FileName, const TLayout& Layout, const TOptions& Options,
                 TMapGeometry::TOrientation Orientation, double NoData, std::ostream& Out) {
    const long Rows = static_cast<long>(Layout.Y.size());
    const long PerBlock = RowsPerBlock(Layout, Options);
    const long Blocks = (Rows + PerBlock - 1) / PerBlock;
    const unsigned Threads = static_cast<unsigned>(std::min<long>(ThreadsFor(Options), Blocks));
    std::vector<TBlock> Round(Threads);
    std::vector<std::unique_ptr<TSourceFile>> Sources;
    for (unsigned T = 0; T < Threads; ++T)
        Sources.push_back(std::make_unique<TSourceFile>(FileName));
    const TRowConverter Converter(FileName, Layout, Options, Orientation, NoData);
    for (long K = 0; K < Blocks; K += Threads) {
        const long Count = std::min<long>(Threads, Blocks - K);
        for (long T = 0; T < Count; ++T) {
            // Block K + T in the order of writing.
            const long B = Orientation.RowsSouthToNorth ? Blocks - 1 - (K + T) : K + T;
            Round[T].First = B * PerBlock;
            Round[T].End = std::min(Rows, (B + 1) * PerBlock);
        }
        TWorkers Workers;
        for (long T = 1; T < Count; ++T)
            Workers.Run([&, T] { Converter.Convert(Round[T], Sources[T]->Stream()); });
        Converter.Convert(Round[0], Sources[0]->Stream());
        Workers.JoinAll();
        for (long T = 0; T < Count; ++T) {
            if (Round[T].Failure)
                std::rethrow_exception(Round[T].Failure);
            WriteBlock(Round[T], Orientation.RowsSouthToNorth, Out);
        }
    }
}

} // namespace

std::string TVELDANConverter::ConvertVELDANFile(const std::string& FileName, std::ostream& Out,
                                                const TOptions& Options) {
    TLayout Layout;
    try {
        TSourceFile Source(FileName);
        Layout = TScanner::FindRows(Source.Stream(), true, Options.Read);
    } catch (...) {
        TTextFile::RethrowReadFailure(FileName);
    }
    const double NoData = TMap::DefaultNoData; // that of a map read from the file
    TMapGeometry::TOrientation Orientation;
    const TARCGISFormatter::THeader Header = HeaderOf(Layout, NoData, Orientation);
    const std::streamsize Precision = Out.precision();
    Out.precision(TARCGISFormatter::HeaderPrecision);
    TARCGISFormatter::WriteHeader(Header, Out);
    Out.precision(Precision);
    ConvertRows(FileName, Layout, Options, Orientation, NoData, Out);
    return Layout.Metadata;
}
