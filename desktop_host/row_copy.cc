#include "desktop_host/row_copy.h"

#include <cstring>

namespace tesso {

bool CopyChangedRows(const uint8_t* source, size_t source_pitch, size_t row_bytes, size_t rows,
                     bool changed, uint8_t* destination) {
  size_t first = 0;
  if (!changed) {
    while (first < rows && std::memcmp(destination + first * row_bytes,
                                       source + first * source_pitch, row_bytes) == 0) {
      ++first;
    }
    if (first == rows) return false;
  }
  if (source_pitch == row_bytes) {
    std::memcpy(destination + first * row_bytes, source + first * source_pitch,
                (rows - first) * row_bytes);
  } else {
    for (size_t i = first; i < rows; ++i) {
      std::memcpy(destination + i * row_bytes, source + i * source_pitch, row_bytes);
    }
  }
  return true;
}

}  // namespace tesso
