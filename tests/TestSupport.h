#ifndef VELDGRID_TESTS_TESTSUPPORT_H
#define VELDGRID_TESTS_TESTSUPPORT_H

#include "TMap.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

/// The message of the `char*` or `std::string` the action throws, or "no exception".
inline std::string MessageOf(const std::function<void()>& Action) {
    try {
        Action();
    } catch (char* Message) {
        return Message ? Message : "(null)";
    } catch (const std::string& Message) {
        return Message;
    }
    return "no exception";
}

/// Map of the given rows (row 0 first) on point axes whose centres start at (X0, Y0) and
/// step by the resolution: eastward, and southward when `YDescends`, else northward.
inline std::unique_ptr<TMap> MakeMap(const std::vector<std::vector<double>>& Rows,
                                     double Resolution, double X0, double Y0,
                                     bool YDescends = true) {
    const long Columns = Rows.empty() ? 0 : static_cast<long>(Rows[0].size());
    TAxis X(Resolution), Y(Resolution);
    for (long J = 0; J < Columns; ++J)
        X.AddPoint(new TPoint(X0 + J * Resolution, Y0));
    for (size_t I = 0; I < Rows.size(); ++I)
        Y.AddPoint(new TPoint(X0, YDescends ? Y0 - I * Resolution : Y0 + I * Resolution));
    std::unique_ptr<TMap> Map(new TMap(&X, &Y));
    for (size_t I = 0; I < Rows.size(); ++I)
        for (long J = 0; J < Columns; ++J)
            Map->SetPoint(J, static_cast<long>(I), Rows[I][J]);
    return Map;
}

/// Contents of a file, byte for byte ("" when it cannot be read).
std::string ReadFile(const std::string& FileName);
/// Writes the text to the file, byte for byte.
void WriteFile(const std::string& FileName, const std::string& Text);
/// A fresh, empty directory for the running test.
std::string TempDir();

/// The text quoted for the shell, as one word.
std::string Quoted(const std::string& Text);

/// Exit status (-1 when the process did not exit normally) and standard streams of a run.
struct TProcessRun {
    int Status;
    std::string Out;
    std::string Err;
};

/// Runs the shell command line, capturing standard output and standard error in files in
/// `Dir`. `Redirections` is shell text applied after the captures (for example ">&-").
TProcessRun RunCapturing(const std::string& CommandLine, const std::string& Dir,
                         const std::string& Redirections = "");

} // namespace testsupport

#endif
