#include "TFileSet.h"

#include "TSidecarTools.h"

void TFileSet::AddGrid(std::unique_ptr<TSafeFile> File) {
    File->Close();
    MbrGrids.push_back(std::move(File));
}

void TFileSet::AddText(const std::string& FileName, const std::string& Text) {
    auto File = std::make_unique<TSafeFile>(FileName);
    File->Stream() << Text;
    File->Close();
    MbrOthers.push_back(std::move(File));
}

void TFileSet::AddSidecars(const std::string& Grid, const TMap* Map) {
    AddText(TSidecarTools::ProjectionFileName(Grid), TSidecarTools::ProjectionText());
    AddText(TSidecarTools::AuxiliaryFileName(Grid), TSidecarTools::AuxiliaryText(Map));
}

void TFileSet::Commit() {
    for (const auto& File : MbrOthers)
        File->Commit();
    for (const auto& File : MbrGrids)
        File->Commit();
    MbrOthers.clear();
    MbrGrids.clear();
}
