// veldconv: converts a VELDAN grid file into an ARC/INFO ASCII grid and hands on the
// metadata text of the source file.
//
// Exit status: 0 after a full conversion, 1 whenever a message was written to standard
// error. Messages are written as they are, without an added end of line.

#include "TARCGISFileTools.h"
#include "TError.h"
#include "TMap.h"
#include "TTextFile.h"
#include "TVELDANFileTools.h"

#include <exception>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

namespace {

const char* const Usage = "Usage: veldconv source_file destination_file [metadata_file]";

/// Writes the metadata to the named file exactly as it is.
void WriteMetadataFile(const std::string& Metadata, const std::string& FileName) {
    std::ofstream Out;
    TTextFile::OpenForWriting(Out, FileName);
    Out << Metadata;
    TTextFile::CloseAfterWriting(Out, FileName);
}

/// Writes the metadata and one end of line to standard output.
void WriteMetadataToStandardOutput(const std::string& Metadata) {
    std::cout << Metadata << std::endl;
    if (!std::cout)
        throw std::string("Unable to write metadata to standard output");
}

void Convert(int ArgC, char** ArgV) {
    if (ArgC < 3)
        TError::Throw(Usage);
    std::unique_ptr<TMap> Map(TVELDANFileTools::LoadVELDANFile(std::string(ArgV[1])));
    TARCGISFileTools::WriteARCGISFile(Map.get(), std::string(ArgV[2]));
    const std::string Metadata = Map->GetMetadata();
    if (ArgC == 3)
        WriteMetadataToStandardOutput(Metadata);
    else
        WriteMetadataFile(Metadata, ArgV[3]);
}

int Report(const char* Message) {
    if (Message)
        std::cerr << Message;
    std::cerr.flush();
    return 1;
}

} // namespace

int main(int ArgC, char** ArgV) {
    try {
        Convert(ArgC, ArgV);
        return 0;
    } catch (char* Message) {
        return Report(Message);
    } catch (const std::string& Message) {
        return Report(Message.c_str());
    } catch (const std::exception& Failure) {
        return Report(Failure.what());
    } catch (...) {
        return Report("Unknown exception in veldconv");
    }
}
