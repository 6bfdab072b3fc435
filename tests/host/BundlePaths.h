#pragma once

// Where the build put the bundles under test. The build passes the VST3 folder as
// ".../Contents/x86_64-linux/../.."; these are the resolved, plain paths.

#include <string>

namespace mallow::test
{

// Mallow.vst3, the bundle folder.
std::string vst3BundlePath();

// The bundle's shared library, Contents/x86_64-linux/Mallow.so.
std::string vst3BinaryPath();

// Mallow.lv2, the bundle folder.
std::string lv2BundlePath();

} // namespace mallow::test
