// The stop line of platform/run_limits.h, composed the same way by every
// port: "PREFIXNAME: REASON" and, in a run of several items, the closing
// count "N written, M failed". The ports' stops run where nothing may
// allocate or lock (a signal handler; a thread beside a suspended main
// thread), so it only copies into the caller's buffer.
#pragma once

#include <cstddef>
#include <cstring>

namespace stop_line_detail {

inline size_t append(char* out, size_t at, size_t size, const char* text, size_t length) {
  const size_t room = at < size ? size - at : 0;
  const size_t taken = length < room ? length : room;
  std::memcpy(out + at, text, taken);
  return at + taken;
}

inline size_t appendNumber(char* out, size_t at, size_t size, long long value) {
  char digits[24];
  size_t count = 0;
  if (value < 0) value = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 && count < sizeof digits);
  while (count > 0 && at < size) out[at++] = digits[--count];
  return at;
}

}  // namespace stop_line_detail

// Writes the line into out (at most size bytes) and returns its length. The
// prefix is the item's ("PATH: "), used with the count only when counted.
inline size_t composeStopLine(char* out, size_t size, const char* prefix, size_t prefixLength,
                              const char* name, size_t nameLength, const char* reason, bool counted,
                              long long written, long long total) {
  using stop_line_detail::append;
  using stop_line_detail::appendNumber;
  size_t at = 0;
  if (counted) at = append(out, at, size, prefix, prefixLength);
  at = append(out, at, size, name, nameLength);
  at = append(out, at, size, ": ", 2);
  at = append(out, at, size, reason, std::strlen(reason));
  at = append(out, at, size, "\n", 1);
  if (counted) {
    at = appendNumber(out, at, size, written);
    at = append(out, at, size, " written, ", 10);
    at = appendNumber(out, at, size, total - written);
    at = append(out, at, size, " failed\n", 8);
  }
  return at;
}
