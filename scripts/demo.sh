#!/usr/bin/env bash
# The main job on a fresh machine: builds Mallow, installs the VST3 and LV2 bundles for
# this user (~/.vst3, ~/.lv2) and renders the built-in demo clip through the installed
# VST3 bundle to mallow-demo.wav in the current folder.
set -euo pipefail

here=$(pwd)
cd "$(dirname "$0")/.."
scripts/setup.sh

artefacts=build/Mallow_artefacts/Release
mkdir -p "$HOME/.vst3" "$HOME/.lv2"
rm -rf "$HOME/.vst3/Mallow.vst3" "$HOME/.lv2/Mallow.lv2"
cp -R "$artefacts/VST3/Mallow.vst3" "$HOME/.vst3/"
cp -R "$artefacts/LV2/Mallow.lv2" "$HOME/.lv2/"
echo "Installed $HOME/.vst3/Mallow.vst3 and $HOME/.lv2/Mallow.lv2"

output="${1:-$here/mallow-demo.wav}"
build/tools/render/mallow-render "$output" --plugin "$HOME/.vst3/Mallow.vst3"
echo "Demo render written to $output"
