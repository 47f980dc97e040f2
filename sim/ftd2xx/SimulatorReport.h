// The one call libzarn_ftd2xx_sim.so exports beside the bridge calls: what the simulator has done
// so far, for tests that compare it with what the program saw. The program never calls it; a
// test finds it with dlsym in the library the link bound.
//
// The text is an INI document: [Logger] Packets, StatusFrames, ShortFrames, FullFrames (packets
// sent again included), VideoPackets (pictures taken), ResentVideoPackets; [Faults] LostBytes,
// FlippedBits, CutPackets, WrongChecksums (of which WrongPackChecksums and WrongVideoChecksums;
// the rest spoil the frame sum), LostVideoPackets, LostVideoPacketNumbers (the first 64 lost, by
// picture number, comma-separated), Unplugs (cable pulls whose time has come);
// [Chip] ModelTime (seconds), Opens, RefusedOpens, then the logger's packets by what became of
// them: PacketsRead (every byte went to a read), PacketsQueued (some bytes still wait),
// PacketsInFlight (0 or 1: on its way to the chip, paced mode only), PacketsDiscarded (purged, or
// lost with the handle or the cable), PacketsDropped (no room in the receive queue); and BytesRead,
// BytesQueued, BytesDiscarded.
#pragma once

extern "C" {

// Writes the report into buffer (at most size - 1 characters and a terminating NUL; nothing when
// size is 0) and returns the length of the whole text, so a caller can size its buffer. Before
// the device was first opened the text is empty. Any thread.
int ZarnSim_Report(char* buffer, unsigned size);

using ZarnSimReportFn = int (*)(char* buffer, unsigned size);

} // extern "C"

inline constexpr const char* ZarnSimReportName = "ZarnSim_Report";
