#include "TGridOptions.h"

#include <CLI/CLI.hpp>

#include <cstdlib>

void TGridOptions::AddTo(CLI::App& App) {
    MbrNoDataOptions.push_back(
        App.add_option("--nodata", MbrNoDataText,
                       "write the cells equal to VALUE (nan: NaN cells) as -9999")
            ->type_name("VALUE"));
    App.add_flag("--strict", MbrStrict, "refuse non-numbers and uneven coordinates");
    App.add_flag("--no-sidecars", MbrNoSidecars, "write no .prj and .aux.xml files");
}

void TGridOptions::Finish() {
    MbrHasNoData = false;
    for (const CLI::Option* Option : MbrNoDataOptions)
        MbrHasNoData = MbrHasNoData || Option->count() > 0;
    if (!MbrHasNoData)
        return;
    const std::string& Text = MbrNoDataText;
    char* End = nullptr;
    MbrNoData = std::strtod(Text.c_str(), &End);
    if (Text.empty() || Text[0] == ' ' || End != Text.c_str() + Text.size())
        throw "Invalid value for --nodata: \"" + Text + "\" is not a number (nor nan)";
}

TVELDANFileTools::TReadOptions TGridOptions::ReadOptions() const {
    TVELDANFileTools::TReadOptions Options;
    Options.Strict = MbrStrict;
    return Options;
}

TVELDANConverter::TOptions TGridOptions::ConversionOptions(unsigned Threads) const {
    TVELDANConverter::TOptions Options;
    Options.Read = ReadOptions();
    Options.MarkNoData = MbrHasNoData;
    Options.NoData = MbrNoData;
    Options.Threads = Threads;
    return Options;
}
