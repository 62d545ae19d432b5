#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The readers of user-controlled files, each fed one input the way the viewer reads it. The
// fuzz targets and the regression test share these, so a crash input found by one replays
// through exactly the same code in the other. Each returns a short description of what the
// reader made of the input (for the regression test's log); a crash or sanitizer report is the
// failure.

std::string
feedStructureList(const std::uint8_t* data, std::size_t size);

std::string
feedColorFile(const std::uint8_t* data, std::size_t size);

// The page reader works on files: the input is written to a scratch file first.
std::string
feedPageFile(const std::uint8_t* data, std::size_t size);

// The reduction of a page's HTML to what its layout may cost, with the usual bounds and with
// bounds small enough for short inputs to reach each of them.
std::string
feedPageReduction(const std::uint8_t* data, std::size_t size);

std::string
feedLegacyCheck(const std::uint8_t* data, std::size_t size);

// Check, read with VTK's legacy reader, validate, then walk the result as a mapper would.
// Goes through a scratch file, as the viewer reads surfaces from disk.
std::string
feedSurfaceLoad(const std::uint8_t* data, std::size_t size);

// The model manifest reader, on the bytes of a manifest.
std::string
feedModelManifest(const std::uint8_t* data, std::size_t size);

// The lesson reader, on the bytes of a lesson file.
std::string
feedLessonFile(const std::uint8_t* data, std::size_t size);

// Writes the input to this process's scratch file, its name ending in suffix (".nrrd"), and
// returns its path: for readers that go by a file's name.
std::string
writeScratchInput(const std::uint8_t* data, std::size_t size, const std::string& suffix);

// Qt makes its per-thread data, locale and translation tables at their first use and keeps them
// where the leak check does not look: made once before the first input, they are not taken for
// that input's leak.
void
warmUpQt();

// VTK's errors and warnings about damaged files go nowhere (the loader still observes them);
// printing thousands of them per second would only slow the fuzzer down.
void
silenceVtkOutput();
