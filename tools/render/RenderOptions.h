#pragma once

#include <string>
#include <vector>

/** What the user asked for on the command line. */
struct RenderOptions
{
    struct ParameterSetting
    {
        std::string name;
        float value = 0.0f;
    };

    std::string inputPath; // empty: render the built-in demo clip
    std::string outputPath;
    std::string pluginPath; // empty: the built bundle, or the user's installed copy
    std::vector<ParameterSetting> settings;
    bool showHelp = false;

    /** Reads the arguments after the program name. Throws UsageError for arguments it cannot
        make sense of, and RenderError for a parameter value that is not a number from 0 to 1. */
    static RenderOptions parse(const std::vector<std::string>& args);

    static const char* usageLine();
};
