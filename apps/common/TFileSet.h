#ifndef VELDGRID_APPS_TFILESET_H
#define VELDGRID_APPS_TFILESET_H

#include "TSafeFile.h"

#include <memory>
#include <string>
#include <vector>

class TMap;

/// Files written as one set: each is written aside (`TSafeFile`) and closed, and none takes
/// its place before every one of them is complete. Grids take their places last, so that a
/// grid in place has its sidecar files beside it. A set dropped without `Commit` (a
/// failure, an exception) leaves every file of it as it was.
class TFileSet {
public:
    /// Adds a grid file that the caller wrote; it is closed here.
    void AddGrid(std::unique_ptr<TSafeFile> File);
    /// Writes the text into a new file of the set, exactly as it is.
    void AddText(const std::string& FileName, const std::string& Text);
    /// Writes the sidecar files of the grid: its projection file and the auxiliary file
    /// holding the map's metadata items.
    void AddSidecars(const std::string& Grid, const TMap* Map);
    /// Puts every file in its place: the others in the order they were added, then the
    /// grids in theirs.
    void Commit();

private:
    std::vector<std::unique_ptr<TSafeFile>> MbrOthers;
    std::vector<std::unique_ptr<TSafeFile>> MbrGrids;
};

#endif
