// The arithmetic behind the player's jump and volume keys.
#pragma once

#include "brivo_av_export.h"

#include <QtGlobal>

namespace brivo {

// How far the jump buttons and the Left/Right keys move, and how much Up/Down change the volume.
inline constexpr qint64 kJumpMs = 6000;
inline constexpr double kVolumeStep = 0.1;

// Where a jump of `offsetMs` from `positionMs` lands: never before the start and, when the duration is
// known (greater than zero), never past the end.
BRIVO_AV_EXPORT qint64 seekTarget(qint64 positionMs, qint64 offsetMs, qint64 durationMs);

// `volume` moved by `step`, kept within 0 and 1 and rounded to whole percent, so that ten steps down
// from full volume reach silence exactly instead of a float residue just above it.
double steppedVolume(double volume, double step);

// The playback speed one step faster (`direction` 1) or slower (-1) than `rate`, among 0.5, 0.75, 1,
// 1.25, 1.5 and 2; a rate between two steps goes to the next one in that direction, and the ends stay.
BRIVO_AV_EXPORT double steppedRate(double rate, int direction);

} // namespace brivo
