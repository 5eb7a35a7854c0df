// Makes the ZKT_ call a trace record describes, against whichever library
// the program links: the arguments as recorded, every pointer the line shows
// as not null pointing at a heap buffer exactly as large as what the line
// records (the list's capacity, the board record, the control payload's
// bytes), so that a sanitizer sees any access past it, filled with
// kCallMakeFill before the call. A buffer of no bytes gets one, so that its
// pointer is not null.
#ifndef QUILMAR_TESTS_SUPPORT_CALL_MAKE_H
#define QUILMAR_TESTS_SUPPORT_CALL_MAKE_H

#include <cstdint>

#include "calltrace/call_record.h"

// What a buffer holds before the call, and the count.
constexpr unsigned char kCallMakeFill = 0xA5;
constexpr int32_t kCallMakeCount = 0;

// Makes the call and returns its result (the status of ZKT_ctrl).
int32_t CallMake(const CallRecord &call);

#endif  // QUILMAR_TESTS_SUPPORT_CALL_MAKE_H
