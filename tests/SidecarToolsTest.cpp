#include "TSidecarTools.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::MessageOf;

namespace {

class SidecarToolsTest : public ::testing::Test {};

} // namespace

TEST_F(SidecarToolsTest, HeaderTextIsTheMetadataWithoutItsOpeningAndClosingLineFeed) {
    const struct {
        const char* Metadata;
        const char* Header;
    } Cases[] = {
        {"\nMean annual field\n", "Mean annual field"},
        {"\nA\nB\n\n\nC\n", "A\nB\n\n\nC"}, // an empty header line stays
        {"\n", ""},                         // a grid without header lines
        {"", ""},
        {"set by a program", "set by a program"},
        {"\n\n\n", "\n"},
    };
    for (const auto& C : Cases) {
        TMap Map(1.0);
        Map.SetMetadata(C.Metadata);
        const auto Items = TSidecarTools::MetadataItems(&Map);
        ASSERT_EQ(Items.size(), 1u) << C.Metadata;
        EXPECT_EQ(Items[0].first, "VELDAN_HEADER");
        EXPECT_EQ(Items[0].second, C.Header) << C.Metadata;
    }
    EXPECT_EQ(MessageOf([] { TSidecarTools::MetadataItems(nullptr); }),
              "Map is not set in TSidecarTools::MetadataItems");
}
