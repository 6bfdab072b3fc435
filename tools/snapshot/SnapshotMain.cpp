// mallow-snapshot OUT_DIR: plays the demo clip through a processor with its real editor
// open, ticking the editor's refresh as a host's message thread would, and writes the
// window as it looks at the loudest moment to OUT_DIR/editor.png (100 %) and
// OUT_DIR/editor-150.png (150 %).
#include "DemoClip.h"
#include "MallowAudioProcessor.h"
#include "MallowAudioProcessorEditor.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

namespace
{
bool writePng(const juce::Image& image, const juce::File& file)
{
    file.deleteFile();
    juce::FileOutputStream out(file);
    juce::PNGImageFormat png;
    return out.openedOk() && png.writeImageToStream(image, out);
}
} // namespace

int main(int argc, char** argv)
{
    const juce::File outputFolder = juce::File::getCurrentWorkingDirectory().getChildFile(argc > 1 ? argv[1] : ".");
    if (!outputFolder.createDirectory())
    {
        std::cerr << "mallow-snapshot: cannot create " << outputFolder.getFullPathName() << "\n";
        return 1;
    }

    const juce::ScopedJuceInitialiser_GUI juce;

    MallowAudioProcessor processor;
    constexpr int blockSize = 480; // 10 ms: three blocks per editor tick
    processor.setPlayConfigDetails(2, 2, DemoClip::sampleRate, blockSize);
    processor.prepareToPlay(DemoClip::sampleRate, blockSize);

    // A setting that shows all three bands working.
    const float settings[] = {0.7f, 0.35f, 0.09f, 0.42f, 0.35f, 0.55f, 0.45f};
    for (int i = 0; i < 7; ++i)
        processor.parameter(i).setValueNotifyingHost(settings[i]);

    MallowAudioProcessorEditor editor(processor);
    editor.stopTimer(); // ticked by hand below, in step with the audio

    const auto clip = DemoClip::generate();
    juce::AudioBuffer<float> block(2, blockSize);
    juce::MidiBuffer midi;
    juce::Image loudest, loudestLarge;
    float loudestLevel = -1.0f;

    for (int start = 0, blockIndex = 0; start + blockSize <= clip.getNumSamples(); start += blockSize, ++blockIndex)
    {
        for (int channel = 0; channel < 2; ++channel)
            block.copyFrom(channel, 0, clip, channel, start, blockSize);
        processor.processBlock(block, midi);

        if (blockIndex % 3 == 2)
        {
            editor.timerCallback();
            // A moment with the meters well up, but not the very first peak.
            if (start > clip.getNumSamples() / 3 && editor.outputMeter.level > loudestLevel)
            {
                loudestLevel = editor.outputMeter.level;
                loudest = editor.createComponentSnapshot(editor.getLocalBounds(), true, 1.0f);

                // The zoom works through the global scale factor, which also picks the art's
                // variant: shoot the large view the same way.
                juce::Desktop::getInstance().setGlobalScaleFactor(1.5f);
                loudestLarge = editor.createComponentSnapshot(editor.getLocalBounds(), true, 1.5f);
                juce::Desktop::getInstance().setGlobalScaleFactor(1.0f);
            }
        }
    }

    const auto normalFile = outputFolder.getChildFile("editor.png");
    const auto largeFile = outputFolder.getChildFile("editor-150.png");

    if (!loudest.isValid() || !writePng(loudest, normalFile) || !writePng(loudestLarge, largeFile))
    {
        std::cerr << "mallow-snapshot: cannot write the images into " << outputFolder.getFullPathName() << "\n";
        return 1;
    }

    std::cout << "wrote " << normalFile.getFullPathName() << " and " << largeFile.getFullPathName() << "\n";
    return 0;
}
