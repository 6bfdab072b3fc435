#pragma once

// Included only from the VST3 entry translation unit, after the VST3 SDK headers.

namespace Steinberg
{

// Hosts ask a plug-in's compatibility class which older classes it replaces, as a JSON
// document. Our SDK release predates the interface, so it is declared here.
class IPluginCompatibility : public FUnknown
{
public:
    // Writes the JSON text into the stream.
    virtual tresult PLUGIN_API getCompatibilityJSON(IBStream* stream) = 0;

    static const FUID iid;
};

DECLARE_CLASS_IID(IPluginCompatibility, 0x4AFD4B6A, 0x35D7C240, 0xA5C31414, 0xFB7D15E6)

} // namespace Steinberg
