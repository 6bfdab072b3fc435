#include "RenderOptions.h"

#include "RenderError.h"

#include <cmath>
#include <cstdlib>

namespace
{
RenderOptions::ParameterSetting parseSetting(const std::string& text)
{
    const auto equals = text.find('=');

    if (equals == std::string::npos || equals == 0)
        throw UsageError("--set expects NAME=VALUE, got \"" + text + "\"");

    RenderOptions::ParameterSetting setting;
    setting.name = text.substr(0, equals);
    const std::string valueText = text.substr(equals + 1);

    // strtod alone would accept "0.5abc", "nan" and "inf"; only a plain finite number will do.
    const char* begin = valueText.c_str();
    char* end = nullptr;
    const double value = std::strtod(begin, &end);

    if (valueText.empty() || end == begin || *end != '\0' || !std::isfinite(value))
        throw RenderError("value of \"" + setting.name + "\" is not a number: \"" + valueText + "\"");

    if (value < 0.0 || value > 1.0)
        throw RenderError("value of \"" + setting.name + "\" must be between 0 and 1, got " + valueText);

    setting.value = static_cast<float>(value);
    return setting;
}
} // namespace

const char* RenderOptions::usageLine()
{
    return "usage: mallow-render [IN.wav] OUT.wav [--set \"NAME=VALUE\"]... [--plugin PATH.vst3]";
}

RenderOptions RenderOptions::parse(const std::vector<std::string>& args)
{
    RenderOptions options;
    std::vector<std::string> files;

    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];

        const auto takeValue = [&]() -> const std::string&
        {
            if (i + 1 >= args.size())
                throw UsageError(arg + " needs a value");

            return args[++i];
        };

        if (arg == "-h" || arg == "--help")
            options.showHelp = true;
        else if (arg == "--set")
            options.settings.push_back(parseSetting(takeValue()));
        else if (arg == "--plugin")
            options.pluginPath = takeValue();
        else if (arg.size() > 1 && arg[0] == '-')
            throw UsageError("unknown option " + arg);
        else
            files.push_back(arg);
    }

    if (options.showHelp)
        return options;

    if (files.empty())
        throw UsageError("no output file given");

    if (files.size() > 2)
        throw UsageError("too many files: expected [IN.wav] OUT.wav");

    for (const auto& file : files)
        if (file.empty())
            throw UsageError("empty file name");

    if (files.size() == 2)
        options.inputPath = files[0];

    options.outputPath = files.back();
    return options;
}
