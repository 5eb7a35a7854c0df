// The simulator's model of the boards: the twelve operations answered from
// the boards zkt.ini describes, checking their arguments and acting on the
// library state. It writes no trace line: its calls are made through the
// tracing wrapper.
#ifndef QUILMAR_SIM_SIM_MODEL_H
#define QUILMAR_SIM_SIM_MODEL_H

#include "boardlib/zkt_ops.h"

const ZktOps &SimModelOps();

#endif  // QUILMAR_SIM_SIM_MODEL_H
