// Library records filled from a fuzz input, for the stand-in libraries whose
// answers come from the input: every byte the library owns may be anything,
// and text fields need not end in a NUL.
#ifndef QUILMAR_FUZZ_HOSTILE_RECORDS_H
#define QUILMAR_FUZZ_HOSTILE_RECORDS_H

#include <cstddef>
#include <cstring>

#include "boardlib/zkt_api.h"
#include "fuzz/byte_source.h"

// A text field: a fill byte (often not NUL) over the whole field, then a run
// of bytes from the input at its start.
inline void FillHostileText(ByteSource *input, char *field, size_t size) {
    std::memset(field, TakeByte(input), size);
    const size_t length = TakeByte(input) % (size + 1);
    TakeBytes(input, field, length);
}

// Every byte of the record but the size field the caller stored.
inline void FillHostileBoardInfo(ByteSource *input, BoardInfo *info) {
    unsigned char *bytes = reinterpret_cast<unsigned char *>(info);
    std::memset(bytes + sizeof info->size, TakeByte(input), sizeof *info - sizeof info->size);
    info->idWord = TakeWord(input);
    FillHostileText(input, info->name, sizeof info->name);
    info->bus = TakeInt(input);
    info->dev = TakeInt(input);
    info->slot = TakeInt(input);
}

inline void FillHostileUnit(ByteSource *input, PuItem *item) {
    item->id = TakeInt(input);
    item->code = TakeWord(input);
    item->attr = TakeWord(input);
    FillHostileText(input, item->description, sizeof item->description);
}

// A list of units: as many entries as the input says, up to capacity.
inline void FillHostileUnits(ByteSource *input, PuItem *items, int32_t capacity) {
    const int32_t written = TakeByte(input) % (capacity + 1);
    for (int32_t j = 0; j < written; ++j) FillHostileUnit(input, &items[j]);
}

#endif  // QUILMAR_FUZZ_HOSTILE_RECORDS_H
