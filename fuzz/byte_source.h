// Hands out a fuzz input piece by piece. Once the input runs dry every answer
// is zero, so even an empty input drives a whole run to its end.
#ifndef QUILMAR_FUZZ_BYTE_SOURCE_H
#define QUILMAR_FUZZ_BYTE_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <cstring>

struct ByteSource {
    const uint8_t *data;
    size_t size;
    size_t at;
};

inline void TakeBytes(ByteSource *source, void *out, size_t n) {
    const size_t left = source->size - source->at;
    const size_t copied = n < left ? n : left;
    if (copied > 0) std::memcpy(out, source->data + source->at, copied);
    std::memset(static_cast<uint8_t *>(out) + copied, 0, n - copied);
    source->at += copied;
}

inline uint8_t TakeByte(ByteSource *source) {
    uint8_t byte = 0;
    TakeBytes(source, &byte, 1);
    return byte;
}

inline uint32_t TakeWord(ByteSource *source) {
    uint32_t word = 0;
    TakeBytes(source, &word, sizeof word);
    return word;
}

inline int32_t TakeInt(ByteSource *source) { return static_cast<int32_t>(TakeWord(source)); }

// A count or handle that is mostly small: a byte below 0xC0 gives byte %
// smallBelow; from 0xC0 up, its bits under mask pick one of the odd values,
// or, past their end, any word of the input.
template <size_t N>
inline int32_t TakeMostlySmall(ByteSource *source, int32_t smallBelow, uint8_t mask,
                               const int32_t (&odd)[N]) {
    const uint8_t b = TakeByte(source);
    if (b < 0xC0) return b % smallBelow;
    const size_t pick = b & mask;
    return pick < N ? odd[pick] : TakeInt(source);
}

#endif  // QUILMAR_FUZZ_BYTE_SOURCE_H
