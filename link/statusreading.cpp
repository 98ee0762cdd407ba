#include "link/statusreading.h"

#include "link/codec.h"

namespace {

// A sample: low byte / 4 + high byte * 64, with its quarter fractions kept.
double sampleAt(const QString &body, int position)
{
    return codec::byteAt(body, position) / 4.0 + codec::byteAt(body, position + 2) * 64.0;
}

}  // namespace

StatusReading StatusReading::fromBody(const QString &body)
{
    StatusReading reading;
    reading.signal = sampleAt(body, 3);
    reading.threshold = sampleAt(body, 7);
    reading.stateByte = codec::byteAt(body, 11);
    reading.level1 = codec::byteAt(body, 13);
    reading.level2 = codec::byteAt(body, 15);
    return reading;
}
