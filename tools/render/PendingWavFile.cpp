#include "PendingWavFile.h"

#include "RenderError.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// The one temporary file in flight, for the signal handler to remove; a fixed buffer
// because a handler may not allocate.
char pathToRemoveOnSignal[PATH_MAX] = {};

extern "C" void removePendingFileAndExit(int signalNumber)
{
    if (pathToRemoveOnSignal[0] != '\0')
        unlink(pathToRemoveOnSignal);

    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

void watchForInterrupts(const juce::File& file)
{
    const auto path = file.getFullPathName();
    std::strncpy(pathToRemoveOnSignal, path.toRawUTF8(), sizeof(pathToRemoveOnSignal) - 1);

    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signalNumber, removePendingFileAndExit);
}

void stopWatchingForInterrupts()
{
    pathToRemoveOnSignal[0] = '\0';
}

std::string describeErrno()
{
    return std::strerror(errno);
}
} // namespace

PendingWavFile::PendingWavFile(const juce::File& targetFile, double sampleRate, int channels,
                               int bitsPerSample)
    : target(targetFile), numChannels(channels)
{
    const auto folder = target.getParentDirectory();
    const auto folderName = folder.getFullPathName().toStdString();

    if (!folder.isDirectory())
        throw RenderError("output folder does not exist: " + folderName);

    // A hidden name beside the target, so the final rename stays on one file system.
    std::string pattern =
        (folder.getChildFile("." + target.getFileName()).getFullPathName() + ".XXXXXX").toStdString();
    const int descriptor = mkstemp(pattern.data());

    if (descriptor < 0)
        throw RenderError("cannot write to output folder " + folderName + ": " + describeErrno());

    // mkstemp makes the file private; give it the permissions a new file normally gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    close(descriptor);

    temporary = juce::File(juce::String(pattern));
    watchForInterrupts(temporary);

    auto stream = std::make_unique<juce::FileOutputStream>(temporary);

    if (stream->failedToOpen())
        fail("cannot write output file: " + stream->getStatus().getErrorMessage().toStdString());

    juce::WavAudioFormat wav;
    writer.reset(
        wav.createWriterFor(stream.get(), sampleRate, (unsigned int)numChannels, bitsPerSample, {}, 0));

    if (writer == nullptr)
        fail("cannot write a " + std::to_string(bitsPerSample) + "-bit WAV file");

    stream.release(); // the writer owns it now
}

PendingWavFile::~PendingWavFile()
{
    writer.reset();

    if (!committed && temporary != juce::File())
        temporary.deleteFile();

    stopWatchingForInterrupts();
}

void PendingWavFile::fail(const std::string& what)
{
    writer.reset();
    temporary.deleteFile();
    temporary = juce::File();
    stopWatchingForInterrupts();
    throw RenderError(what);
}

void PendingWavFile::write(const juce::AudioBuffer<float>& block, int numSamples)
{
    if (!writer->writeFromAudioSampleBuffer(block, 0, numSamples))
        fail("cannot write output file " + target.getFullPathName().toStdString() + " (disk full?)");
}

void PendingWavFile::commit(juce::int64 expectedLength)
{
    // The writer fills in the header sizes when it is destroyed and cannot report a failure
    // there, so read the header back before trusting the file.
    writer.reset();

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> check(
        wav.createReaderFor(temporary.createInputStream().release(), true));

    if (check == nullptr || check->lengthInSamples != expectedLength ||
        (int)check->numChannels != numChannels)
        fail("output file came out incomplete (disk full?)");

    check.reset();

    if (std::rename(temporary.getFullPathName().toRawUTF8(), target.getFullPathName().toRawUTF8()) != 0)
        fail("cannot move output into place at " + target.getFullPathName().toStdString() + ": " +
             describeErrno());

    committed = true;
    stopWatchingForInterrupts();
}
