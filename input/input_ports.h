// The ports an input job works with. The desktop host service owns them and keeps them alive
// for the life of its capture worker, so a job may hold this bundle by value.
#ifndef TESSO_INPUT_INPUT_PORTS_H_
#define TESSO_INPUT_INPUT_PORTS_H_

#include "input/display_port.h"
#include "input/input_port.h"
#include "input/session_port.h"

namespace tesso {

struct InputPorts {
  InputPort* input = nullptr;
  SessionPort* session = nullptr;
  DisplayPort* displays = nullptr;
};

}  // namespace tesso

#endif  // TESSO_INPUT_INPUT_PORTS_H_
