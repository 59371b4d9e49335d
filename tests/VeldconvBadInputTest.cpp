// The command, run as a process, on source files it must refuse and on places it cannot
// write to: each run ends with exit status 1 and exactly one message on standard error, and
// a refused source leaves no grid file behind.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

using testsupport::Quoted;
using testsupport::ReadFile;

namespace {

const char* const Eof = "Unexpected end of file found in TVELDANFileTools::LoadVELDANFile";
const char* const RowZeroMismatch =
    "Length of new X axis does not match the X dimension of the map";
const char* const RowMismatch = "Number of values in data line does not match the first data "
                                "line in TVELDANFileTools::LoadVELDANFile";

const char* const NonFinite = "Header numbers must be finite in TARCGISFileTools::WriteARCGISFile";

const std::string Axis = "x 0 1 2 lat degN/degE\n";
const std::string Row = "r 1 2 3 5\n";
const std::string Closing = "end degN/degE\n";

/// Bytes of every value, in a fixed pseudo-random order, with no marker among them.
std::string BinaryBytes(size_t Size) {
    std::string Bytes(Size, '\0');
    unsigned State = 12345;
    for (char& B : Bytes) {
        State = State * 1103515245u + 12345u;
        B = static_cast<char>(State >> 16);
    }
    return Bytes;
}

class VeldconvBadInputTest : public ::testing::Test {
protected:
    void SetUp() override { Dir = testsupport::TempDir(); }

    testsupport::TProcessRun Run(const std::string& Arguments) {
        return testsupport::RunCapturing(Quoted(VELDCONV_PATH) + " " + Arguments, Dir);
    }

    /// A file name that cannot be created: one in a read-only directory or, for a user
    /// whom permissions do not stop, one in the kernel's own file system; "" if none.
    std::string UnwritableName() const {
        const std::string ReadOnly = Dir + "/read-only";
        ::mkdir(ReadOnly.c_str(), 0555);
        for (const std::string& Name : {ReadOnly + "/out.asc", std::string("/sys/veldconv.asc")}) {
            std::FILE* Probe = std::fopen(Name.c_str(), "w");
            if (!Probe)
                return Name;
            std::fclose(Probe);
            std::remove(Name.c_str());
        }
        return "";
    }

    std::string Source() const { return Dir + "/in.txt"; }
    std::string Grid() const { return Dir + "/out.asc"; }
    bool GridExists() const {
        struct stat Status;
        return ::stat(Grid().c_str(), &Status) == 0;
    }

    std::string Dir;
};

} // namespace

TEST_F(VeldconvBadInputTest, RefusedSourcesLeaveNoGrid) {
    const struct {
        const char* Name;
        std::string Text;
        const char* Err;
    } Cases[] = {
        {"empty file", "", Eof},
        {"header only", "Mean annual field\nsecond line\n", Eof},
        {"truncated mid-row", Axis + Row + "r 4 5", RowMismatch},
        {"carriage returns as line ends", "head\rx 0 1 lat degN/degE\rr 1 2 5\rend degN/degE\r",
         Eof},
        {"row with a missing value", Axis + Row + "r 4 6 5\n" + Closing, RowMismatch},
        {"first row with an extra value", Axis + "r 1 2 3 4 5\n" + Closing, RowZeroMismatch},
        {"data line of spaces", Axis + Row + "    \n" + Closing,
         "Empty data line found in TVELDANFileTools::LoadVELDANFile"},
        {"tabs between numbers", Axis + "r\t1\t2\t3\t5\n" + Closing, RowZeroMismatch},
        {"exponent with a minus sign", Axis + Row + "r 1 2.5e-3 3 5\n" + Closing, RowMismatch},
        {"binary file", BinaryBytes(4096), Eof},
        {"binary rows", Axis + Row + BinaryBytes(4096), RowMismatch},
        {"10 MB without a line feed", std::string(10 * 1024 * 1024, '7'), Eof},
        {"X coordinate nan", "x nan 1 lat degN/degE\nr 1 2 5\n" + Closing, NonFinite},
        {"Y coordinate inf", "x 0 1 lat degN/degE\nr 1 2 inf\n" + Closing, NonFinite},
    };
    ASSERT_EQ(BinaryBytes(4096).find("degN/degE"), std::string::npos);
    for (const auto& C : Cases) {
        testsupport::WriteFile(Source(), C.Text);
        const auto R = Run(Quoted(Source()) + " " + Quoted(Grid()));
        EXPECT_EQ(R.Status, 1) << C.Name;
        EXPECT_EQ(R.Err, C.Err) << C.Name;
        EXPECT_EQ(R.Out, "") << C.Name;
        EXPECT_FALSE(GridExists()) << C.Name;
    }
}

TEST_F(VeldconvBadInputTest, PlacesThatCannotBeWrittenAreReported) {
    const std::string Unwritable = UnwritableName();
    if (Unwritable.empty())
        GTEST_SKIP() << "no place that this user cannot write to";
    const std::string Example = std::string(VELDGRID_EXAMPLES) + "/example";
    const std::string Meta = Dir + "/meta.txt";

    // The grid cannot be created: no metadata is handed on.
    auto R = Run(Quoted(Example + ".txt") + " " + Quoted(Unwritable) + " " + Quoted(Meta));
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(R.Err, "Unable to open file " + Unwritable);
    EXPECT_EQ(R.Out, "");
    EXPECT_FALSE(std::ifstream(Meta).good());

    // The metadata file cannot be created: the grid stays written.
    R = Run(Quoted(Example + ".txt") + " " + Quoted(Grid()) + " " + Quoted(Unwritable));
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(R.Err, "Unable to open file " + Unwritable);
    EXPECT_EQ(R.Out, "");
    EXPECT_EQ(ReadFile(Grid()), ReadFile(Example + ".asc"));
}
