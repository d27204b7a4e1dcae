#pragma once

namespace kalvora {

struct Options;
class WindowRegistry;

// The program without a display: a still, live frames or a network stream of one pattern. Only the station and
// the chosen pattern's window (never shown; it draws the frames) are made, never the control
// panel.

// Writes the pattern as a picture to the options' file. Returns the exit code.
int writeSnapshot(WindowRegistry& windows, const Options& options);
// Streams live frames to standard output until the reader goes; runs the event loop. Returns
// the exit code.
int streamFrames(WindowRegistry& windows, const Options& options);
// Sends the pattern as a network stream (--stream) until stopped (SIGINT, SIGTERM) or it fails
// for good; runs the event loop. Returns the exit code.
int streamNetwork(WindowRegistry& windows, const Options& options);

} // namespace kalvora
