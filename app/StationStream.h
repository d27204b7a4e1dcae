#pragma once

#include "station/RemoteStream.h"

namespace kalvora {

class Station;
class StreamOutput;

// A stream of the station's follows it: in standby it sends nothing (a UDP stream stops, RTMP
// and SRT disconnect) and on air again it starts afresh; the ident card keys the Morse ident
// on its sound; its messages and changes of state go into the on-air log. Started here unless
// the station is in standby (with the Morse ident, where the ident card is on air).
void followStation(StreamOutput& output, Station& station);

} // namespace kalvora

namespace kalvora {

// How `output` goes, as a remote client reads it (see RemoteStream); none: not streaming.
QJsonObject remoteState(const StreamOutput* output);
// `output` steered from afar: started (unless the station is in standby) and stopped.
RemoteStream remoteStream(StreamOutput& output, Station& station);

} // namespace kalvora
