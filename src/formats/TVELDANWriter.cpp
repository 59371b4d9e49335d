#include "TVELDANWriter.h"

#include "TError.h"
#include "TVELDANScanner.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace {

/// Room for any finite double in either notation: the longest is a subnormal value in
/// positional notation, a sign, "0.", up to 323 zeros and up to 17 digits.
const size_t MaxNumberLength = 512;

/// Appends the text of `NumberText`; returns false, appending nothing, for a value that is
/// not finite.
bool AppendNumber(std::string& Line, double Value) {
    if (!std::isfinite(Value))
        return false;
    char Text[MaxNumberLength];
    char* End = std::to_chars(Text, Text + sizeof Text, Value).ptr;
    // Only the scientific notation holds an "e"; the positional one is the shortest that
    // round-trips among positional texts.
    const void* Exponent = std::memchr(Text, 'e', static_cast<size_t>(End - Text));
    if (Exponent && static_cast<const char*>(Exponent)[1] == '-')
        End = std::to_chars(Text, Text + sizeof Text, Value, std::chars_format::fixed).ptr;
    Line.append(Text, End);
    return true;
}

/// The header lines whose reading gives the metadata. The reader gives an opening line
/// feed, then each line and a line feed, or two line feeds for an empty line.
std::vector<std::string_view> HeaderLines(const std::string& Metadata) {
    const std::string_view Text(Metadata);
    std::vector<std::string_view> Lines;
    size_t First = !Text.empty() && Text[0] == '\n' ? 1 : 0;
    while (First < Text.size()) {
        const size_t Feed = std::min(Text.find('\n', First), Text.size());
        Lines.push_back(Text.substr(First, Feed - First));
        const bool Empty = Feed == First;
        First = Feed + 1;
        if (Empty && First < Text.size() && Text[First] == '\n')
            ++First; // the second line feed of an empty line
    }
    return Lines;
}

} // namespace

TVELDANWriter::TVELDANWriter(std::ostream& Out) : MbrOut(Out) {}

void TVELDANWriter::WriteHeader(const std::string& Metadata) {
    if (MbrStage != TStage::Header)
        TError::Throw("Header is already written in TVELDANWriter::WriteHeader");
    const std::vector<std::string_view> Lines = HeaderLines(Metadata);
    MbrLine.clear();
    for (std::string_view Line : Lines) {
        if (Line.find(TVELDANScanner::Marker) != std::string_view::npos)
            TError::Throw("Metadata line holds the marker degN/degE in TVELDANWriter::WriteHeader");
        if (!Line.empty() && Line.back() == '\r')
            TError::Throw("Metadata line ends in a carriage return in TVELDANWriter::WriteHeader");
        MbrLine.append(Line.data(), Line.size());
        MbrLine += '\n';
    }
    MbrOut.write(MbrLine.data(), static_cast<std::streamsize>(MbrLine.size()));
    MbrStage = TStage::XAxis;
}

void TVELDANWriter::WriteXAxis(const std::vector<double>& XCentres) {
    if (MbrStage != TStage::XAxis)
        TError::Throw("X axis must follow the header in TVELDANWriter::WriteXAxis");
    if (XCentres.size() < 2)
        TError::Throw("X axis must hold at least two centres in TVELDANWriter::WriteXAxis");
    if (XCentres[0] == XCentres[1])
        TError::Throw("Resolution cannot be 0 in TVELDANWriter::WriteXAxis");
    MbrLine = "lon";
    for (double X : XCentres) {
        MbrLine += ' ';
        if (!AppendNumber(MbrLine, X))
            TError::Throw("X centre is not finite in TVELDANWriter::WriteXAxis");
    }
    MbrLine += " lat ";
    MbrLine += TVELDANScanner::Marker;
    MbrLine += '\n';
    MbrOut.write(MbrLine.data(), static_cast<std::streamsize>(MbrLine.size()));
    MbrColumns = static_cast<long>(XCentres.size());
    MbrStage = TStage::Rows;
}

void TVELDANWriter::WriteRow(const double* Values, long Count, double Y) {
    if (MbrStage != TStage::Rows)
        TError::Throw("Rows must come between the X axis and the closing line in "
                      "TVELDANWriter::WriteRow");
    if (Count != MbrColumns)
        TError::Throw("Number of values does not match the X axis in TVELDANWriter::WriteRow");
    // The label: "r" and the row's number, which holds no minus sign.
    char Label[24] = {'r'};
    MbrLine.assign(Label, std::to_chars(Label + 1, Label + sizeof Label, MbrRows + 1).ptr);
    bool Finite = true;
    for (long J = 0; J < Count; ++J) {
        MbrLine += ' ';
        Finite &= AppendNumber(MbrLine, Values[J]);
    }
    MbrLine += ' ';
    if (!Finite || !AppendNumber(MbrLine, Y))
        TError::Throw("Row holds a number that is not finite in TVELDANWriter::WriteRow");
    MbrLine += '\n';
    MbrOut.write(MbrLine.data(), static_cast<std::streamsize>(MbrLine.size()));
    ++MbrRows;
}

void TVELDANWriter::Finish() {
    if (MbrStage == TStage::Finished)
        TError::Throw("Grid is already finished in TVELDANWriter::Finish");
    if (MbrRows == 0)
        TError::Throw("No rows were written in TVELDANWriter::Finish");
    MbrOut << "end " << TVELDANScanner::Marker << '\n';
    MbrStage = TStage::Finished;
}

std::string TVELDANWriter::NumberText(double Value) {
    std::string Text;
    if (!AppendNumber(Text, Value))
        TError::Throw("Value is not finite in TVELDANWriter::NumberText");
    return Text;
}
