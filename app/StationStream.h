#pragma once

namespace kalvora {

class Station;
class StreamOutput;

// A stream of the station's follows it: in standby it sends nothing (a UDP stream stops, RTMP
// and SRT disconnect) and on air again it starts afresh; the ident card keys the Morse ident
// on its sound; its messages and changes of state go into the on-air log. Started here unless
// the station is in standby (with the Morse ident, where the ident card is on air).
void followStation(StreamOutput& output, Station& station);

} // namespace kalvora
