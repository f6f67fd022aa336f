// Change detection while copying a picture: rows are compared until the first one that
// differs, and copied from there on. The comparison stops at that row, so a changed picture
// costs about one copy and an unchanged one about one comparison.
#ifndef TESSO_DESKTOP_HOST_ROW_COPY_H_
#define TESSO_DESKTOP_HOST_ROW_COPY_H_

#include <cstddef>
#include <cstdint>

namespace tesso {

// Copies `rows` rows of `row_bytes` from `source` (rows `source_pitch` apart, at least
// `row_bytes`) to `destination` (rows packed). With `changed` already true every row is
// copied. True when the destination changed.
bool CopyChangedRows(const uint8_t* source, size_t source_pitch, size_t row_bytes, size_t rows,
                     bool changed, uint8_t* destination);

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_ROW_COPY_H_
