#pragma once

// When the next request may follow a reply on the line. A unit listens for a new request only once
// the line has been silent for 3.5 characters after its own reply; after acknowledging a write it
// may still be storing what it took, for up to its minimum response time. With fast reads a chain
// sends its next request as soon as these allow, instead of at the next pacing tick.

#include "link/framing.h"

#include <QtGlobal>

namespace qtx52::transfer {

using link::silentIntervalMs;

// How long after a reply is taken the next request waits: the silent interval; after a write's
// acknowledgement with fast reads, the unit's minimum response time, at least the silent interval.
qint64 quietAfterReplyMs(double characterMs, bool fastReads, bool acknowledgedWrite,
                         qint64 minResponseTimeMs);

} // namespace qtx52::transfer
