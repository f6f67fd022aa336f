#ifndef TESSO_MESSAGING_DIAGNOSTICS_H_
#define TESSO_MESSAGING_DIAGNOSTICS_H_

#include <string_view>

namespace flutter {

// Writes one line to the standard error stream in a single write, so that lines from
// different threads never interleave.
void WriteDiagnosticLine(std::string_view text);

}  // namespace flutter

#endif  // TESSO_MESSAGING_DIAGNOSTICS_H_
