#include "TARCGISFileTools.h"
#include "TARCGISFormatter.h"
#include "TSidecarTools.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

using testsupport::MessageOf;

namespace {

class SidecarToolsTest : public ::testing::Test {};

} // namespace

TEST_F(SidecarToolsTest, HeaderTextIsTheMetadataWithoutItsOpeningAndClosingLineFeed) {
    // Metadata of the reader's form is what a writer takes back from the header text.
    const struct {
        const char *Metadata, *Header;
        bool ReaderForm;
    } Cases[] = {
        {"\nMean annual field\n", "Mean annual field", true},
        {"\nA\nB\n\n\nC\n", "A\nB\n\n\nC", true}, // an empty header line stays
        {"\n", "", true},                         // a grid without header lines
        {"", "", false},
        {"set by a program", "set by a program", false},
        {"\n\n\n", "\n", true},
    };
    for (const auto& C : Cases) {
        TMap Map(1.0);
        Map.SetMetadata(C.Metadata);
        const auto Items = TSidecarTools::MetadataItems(&Map);
        ASSERT_EQ(Items.size(), 1u) << C.Metadata;
        EXPECT_EQ(Items[0].first, "VELDAN_HEADER");
        EXPECT_EQ(Items[0].second, C.Header) << C.Metadata;
        EXPECT_EQ(TSidecarTools::MetadataItems(C.Metadata), Items) << C.Metadata;
        if (C.ReaderForm) {
            EXPECT_EQ(TSidecarTools::MetadataOfHeader(C.Header), C.Metadata) << C.Metadata;
        }
    }
    EXPECT_EQ(MessageOf([] { TSidecarTools::MetadataItems(nullptr); }),
              "Map is not set in TSidecarTools::MetadataItems");
}

TEST_F(SidecarToolsTest, SidecarsAreNamedWhereGDALLooksForThem) {
    const struct {
        const char *Grid, *Projection, *Auxiliary;
    } Cases[] = {
        {"out.asc", "out.prj", "out.asc.aux.xml"},
        {"out", "out.prj", "out.aux.xml"},
        {"dir/out.grid.asc", "dir/out.grid.prj", "dir/out.grid.asc.aux.xml"},
        {"dir.v2/out", "dir.v2/out.prj", "dir.v2/out.aux.xml"},
        {"/tmp/out.", "/tmp/out.prj", "/tmp/out..aux.xml"},
        {".hidden", ".hidden.prj", ".hidden.aux.xml"}, // a leading dot is no extension
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(TSidecarTools::ProjectionFileName(C.Grid), C.Projection) << C.Grid;
        EXPECT_EQ(TSidecarTools::AuxiliaryFileName(C.Grid), C.Auxiliary) << C.Grid;
    }
}

TEST_F(SidecarToolsTest, SidecarsOfTheExampleAreTheShippedFiles) {
    const std::string Example = std::string(VELDGRID_EXAMPLES) + "/example";
    TMap Map(1.0);
    Map.SetMetadata(testsupport::ReadFile(Example + ".meta"));
    EXPECT_EQ(TSidecarTools::ProjectionText(), testsupport::ReadFile(Example + ".prj"));
    EXPECT_EQ(TSidecarTools::AuxiliaryText(&Map), testsupport::ReadFile(Example + ".asc.aux.xml"));
    std::ostringstream Projection, Auxiliary;
    TSidecarTools::WriteProjectionFile(Projection);
    TSidecarTools::WriteAuxiliaryFile(&Map, Auxiliary);
    EXPECT_EQ(Projection.str(), TSidecarTools::ProjectionText());
    EXPECT_EQ(Auxiliary.str(), TSidecarTools::AuxiliaryText(&Map));
    EXPECT_EQ(MessageOf([] { TSidecarTools::AuxiliaryText(nullptr); }),
              "Map is not set in TSidecarTools::AuxiliaryText");
}

TEST_F(SidecarToolsTest, MetadataIsEscapedSoThatEveryXMLReaderTakesIt) {
    const std::string Bad = "\xEF\xBF\xBD"; // U+FFFD
    const struct {
        const char* Name;
        std::string Header, Value;
    } Cases[] = {
        {"markup", "a & b <c> \"d\" 'e'", "a &amp; b &lt;c&gt; &quot;d&quot; 'e'"},
        {"tab and line feed kept", "a\tb\nc", "a\tb\nc"},
        {"control characters", std::string("a\x01\r\x7F", 4) + std::string(1, '\0'),
         "a" + Bad + Bad + Bad + Bad},
        {"UTF-8 kept", "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8C\x8D",
         "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8C\x8D"},
        {"Latin-1 byte", "caf\xE9", "caf" + Bad},
        {"cut sequence", "\xE2\x82", Bad + Bad},
        {"overlong form", "\xC0\xAF", Bad + Bad},
        {"surrogate", "\xED\xA0\x80", Bad + Bad + Bad},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", Bad + Bad + Bad + Bad},
        {"U+FFFF", "\xEF\xBF\xBF", Bad + Bad + Bad},
    };
    for (const auto& C : Cases) {
        TMap Map(1.0);
        Map.SetMetadata("\n" + C.Header + "\n");
        EXPECT_EQ(TSidecarTools::AuxiliaryText(&Map),
                  "<PAMDataset>\n  <Metadata>\n    <MDI key=\"VELDAN_HEADER\">" + C.Value +
                      "</MDI>\n  </Metadata>\n</PAMDataset>\n")
            << C.Name;
    }
}

TEST_F(SidecarToolsTest, AGISGridIsWrittenWithItsSidecarsAsOneSet) {
    const std::string Dir = testsupport::TempDir(), Grid = Dir + "/out.asc";
    const std::string Set[] = {Grid, Dir + "/out.prj", Grid + ".aux.xml"};
    auto Map = testsupport::UnitMap({{1, 2}, {3, 4}}),
         Bad = testsupport::UnitMap({{1, testsupport::NaN}});
    Map->SetMetadata("\nhead\n");
    std::ostringstream Expected;
    TARCGISFileTools::WriteLosslessARCGISFile(Map.get(), Expected);
    TSidecarTools::WriteGISGrid(Map.get(), Grid);
    EXPECT_EQ(testsupport::ReadFile(Set[0]), Expected.str());
    EXPECT_EQ(testsupport::ReadFile(Set[1]), TSidecarTools::ProjectionText());
    EXPECT_EQ(testsupport::ReadFile(Set[2]), TSidecarTools::AuxiliaryText(Map.get()));
    // A failure leaves every file of the set as it was, and no temporary file.
    for (const std::string& Name : Set)
        testsupport::WriteFile(Name, "old");
    testsupport::ExpectFailures({
        {"no map", [&] { TSidecarTools::WriteGISGrid(nullptr, Grid); },
         "Map is not set in TSidecarTools::WriteGISGrid"},
        {"cell not finite", [&] { TSidecarTools::WriteGISGrid(Bad.get(), Grid); },
         TARCGISFormatter::NonFiniteCells},
    });
    std::filesystem::remove(Set[2]);
    std::filesystem::create_directory(Set[2]);
    EXPECT_EQ(MessageOf([&] { TSidecarTools::WriteGISGrid(Map.get(), Grid); }),
              "Unable to open file " + Set[2]);
    for (const std::string& Name : {Set[0], Set[1]})
        EXPECT_EQ(testsupport::ReadFile(Name), "old") << Name;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir), {}), 3);
    // A descriptor has no place beside it: the grid alone.
    const int Descriptor = ::open((Dir + "/fd.asc").c_str(), O_WRONLY | O_CREAT, 0644);
    TSidecarTools::WriteGISGrid(Map.get(), "/dev/fd/" + std::to_string(Descriptor));
    EXPECT_FALSE(TSidecarTools::HasPlaceBeside("/proc/self/fd/" + std::to_string(Descriptor)));
    ::close(Descriptor);
    EXPECT_EQ(testsupport::ReadFile(Dir + "/fd.asc"), Expected.str());
    for (const std::string& Name : {std::string("/dev/stdout"), std::string("/dev/null")})
        EXPECT_FALSE(TSidecarTools::HasPlaceBeside(Name)) << Name;
    for (const std::string& Name : {Grid, Dir + "/new.asc"})
        EXPECT_TRUE(TSidecarTools::HasPlaceBeside(Name)) << Name;
}
