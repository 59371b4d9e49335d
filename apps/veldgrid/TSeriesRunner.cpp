#include "TSeriesRunner.h"

#include "TGridOutputs.h"
#include "TGridReader.h"
#include "TSignalCleanup.h"

#include "TError.h"
#include "TMap.h"

void TSeriesRunner::Run(const std::string& Command, const TSettings& Settings, size_t Length,
                        bool KeepFirst, const std::vector<std::string>& Outputs, const TMake& Make,
                        const TFinish& Finish) {
    TGridOutputs Writer(Settings.Grid);
    Writer.Plan(Settings.Files, Outputs);
    TSignalCleanup::Install();
    const TGridReader Reader(Settings.Grid);
    TFileSeries Series(Reader, Settings.Files, !KeepFirst);
    TProgress Progress(Command, Settings.Files.size(), Settings.ProgressMode());
    TWindow Window;
    std::shared_ptr<TMap> First;
    size_t Written = 0;
    while (std::shared_ptr<TMap> Map = Series.Next()) {
        if (KeepFirst && !First)
            First = Map;
        Window.push_back(std::move(Map));
        if (Window.size() == Length) {
            std::shared_ptr<TMap> Result;
            try {
                Result = Make(First.get(), Window);
            } catch (...) {
                throw NamedFailure(Series.Name());
            }
            if (Result)
                Writer.Write(Result.get(), Outputs.at(Written++));
            Window.pop_front();
        }
        Progress.Step();
    }
    if (Finish)
        Writer.Write(Finish().get(), Outputs.at(Written));
    Writer.Commit();
}

std::string TSeriesRunner::NamedFailure(const std::string& FileName) {
    return FileName + ": " + TError::Message(std::current_exception());
}

std::vector<TMap*> TSeriesRunner::Raw(const TWindow& Maps) {
    std::vector<TMap*> List;
    for (const auto& Map : Maps)
        List.push_back(Map.get());
    return List;
}
