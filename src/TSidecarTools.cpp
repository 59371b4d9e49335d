#include "TSidecarTools.h"

#include "TMap.h"

std::vector<std::pair<std::string, std::string>> TSidecarTools::MetadataItems(const TMap* Map) {
    if (!Map)
        TError::Throw("Map is not set in TSidecarTools::MetadataItems");
    // The reader opens the metadata with a line feed and ends every header line with one;
    // the header text is what lies between.
    std::string Header = Map->GetMetadata();
    if (!Header.empty() && Header.front() == '\n')
        Header.erase(0, 1);
    if (!Header.empty() && Header.back() == '\n')
        Header.pop_back();
    return {{"VELDAN_HEADER", std::move(Header)}};
}
