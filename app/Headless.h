#pragma once

namespace kalvora {

struct Options;
class Station;

// The program without a display: a still, live frames or a network stream of one card. Only
// the station and the one frame path (OnAirFrames: the card's window, never shown, with a
// ticker that steps with the frames) are made, never the control panel.

// Starts the station without screens, with the options' card (its name checked, a picture
// read through) and contest number and band for this run. Returns 0, or the exit code after
// saying what is wrong.
int startStation(Station& station, const Options& options);
// After startStation: writes the pattern as a picture to the options' file. Returns the exit code.
int writeSnapshot(Station& station, const Options& options);
// Streams live frames to standard output until the reader goes; runs the event loop. Returns
// the exit code.
int streamFrames(Station& station, const Options& options);
// Sends the pattern as a network stream (--stream) until stopped (SIGINT, SIGTERM) or it fails
// for good; runs the event loop. Returns the exit code.
int streamNetwork(Station& station, const Options& options);

} // namespace kalvora
