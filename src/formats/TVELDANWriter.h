#ifndef VELDGRID_TVELDANWRITER_H
#define VELDGRID_TVELDANWRITER_H

#include <ostream>
#include <string>
#include <vector>

/// Writes a VELDAN text grid to a stream row by row, holding one line at a time, so that
/// grids of any size are written in memory independent of their size. The calls come in
/// this order: `WriteHeader`, `WriteXAxis`, `WriteRow` once per row, `Finish`; each refuses
/// what the reader would not read back the same, with a `char*` message, before it writes
/// anything. Whether the stream took the text is the caller's to check.
///
/// The file is: the header lines, the axis line "lon X1 ... Xn lat degN/degE", one data line
/// "rK V1 ... Vn Y" per row (K counts rows from 1), and the closing line "end degN/degE".
/// Every number is written by `NumberText`, so the reader reads back the same doubles.
class TVELDANWriter {
public:
    /// A writer to the stream, which must outlive it.
    explicit TVELDANWriter(std::ostream& Out);

    /// Writes the header lines whose reading gives back the metadata: the reader opens the
    /// metadata with a line feed and ends every header line with one, an empty line with
    /// two. Metadata of another form (a program's own text) is written as the lines that
    /// its line feeds end, after an opening line feed, an empty line taking up the line
    /// feed that follows it. A line that holds the marker "degN/degE" (it would end the
    /// header) or ends in a carriage return (a file read as text drops it) is refused.
    void WriteHeader(const std::string& Metadata);
    /// Writes the axis line of the column centres, in column order: at least two, finite,
    /// the first two apart (the reader takes their distance as the cell size).
    void WriteXAxis(const std::vector<double>& XCentres);
    /// Writes one data line: the row's `Count` values, as many as the X axis has centres,
    /// then the row's Y centre; all finite.
    void WriteRow(const double* Values, long Count, double Y);
    /// Writes the closing line, after at least one row.
    void Finish();

    /// The shortest text that the reader reads back as the same double bit for bit (the
    /// shortest round trip, as `std::to_chars` finds it), in positional notation where that
    /// text would have a negative exponent: the reader takes every minus sign as the start
    /// of a new number, so "2.5e-3" would read as two. The value must be finite.
    static std::string NumberText(double Value);

private:
    /// Where the calls have got to.
    enum class TStage { Header, XAxis, Rows, Finished };

    std::ostream& MbrOut;
    TStage MbrStage = TStage::Header;
    long MbrColumns = 0;
    long MbrRows = 0;
    std::string MbrLine; // the line being written, kept to reuse its room
};

#endif
