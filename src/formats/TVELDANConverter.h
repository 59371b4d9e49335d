#ifndef VELDGRID_TVELDANCONVERTER_H
#define VELDGRID_TVELDANCONVERTER_H

#include "TVELDANReader.h"

#include <cstddef>
#include <ostream>
#include <string>

/// Converts a VELDAN grid file into an ARC/INFO ASCII grid without holding the grid in
/// memory: a first pass finds the data lines and their Y coordinates (the header needs the
/// number of rows and the southern edge before any row is written), then blocks of rows
/// are converted, on several threads, and written in order. The bytes are those that
/// `TARCGISFileTools::WriteLosslessARCGISFile` writes for the map that
/// `TVELDANFileTools::LoadVELDANFile` reads from the file, and plain decimals of up to 15
/// digits are written from their own text (as their value would be written).
class TVELDANConverter {
public:
    /// How the grid is read (as `TVELDANReader` reads it, the cells it marks as no-data
    /// written as the grid's no-data value, `TMap::DefaultNoData`), and on how many threads.
    struct TOptions : TVELDANReader::TOptions {
        /// Threads that convert rows; 0 for as many as pay on this machine (at most two).
        /// At most 64 are used, and no more than there are blocks; rows whose thread
        /// cannot be started are converted by the calling thread.
        unsigned Threads = 0;
        /// Bytes of source rows converted as one block (at least one row); 0 for about
        /// 2 MB, which keeps memory a few megabytes whatever the size of the grid.
        size_t BlockBytes = 0;
    };

    /// Converts the named file, which is read twice (a regular file, not a FIFO), and
    /// writes the grid to the stream; returns the metadata that `LoadVELDANFile` gives the
    /// map. A grid that the reader or the writer refuses is refused with one of their
    /// messages (a fault of the text as a `TReadFault`, which says where it lies), maybe
    /// after part of the grid was written: write to a file that replaces
    /// its destination only when complete (`TSafeFile`). Where the grid has several
    /// faults, the one reported may not be the one the reader reports first. The stream
    /// writes in general notation and the classic locale (as `TSafeFile`'s stream and a
    /// new string stream do); its precision is left as it was.
    static std::string ConvertVELDANFile(const std::string& FileName, std::ostream& Out,
                                         const TOptions& Options);
};

#endif
