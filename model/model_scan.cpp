// The scanf-compatible reading of the 3DO reader's formats, over a line in
// memory or over the buffered file. One interpreter serves both, written
// step by step after the way glibc's scanf reads: each directive takes
// characters one at a time and puts back at most the one it could not use.
// The rows of the vertex, texture-vertex and normal lists and the face
// list's numbers, most of any file, also have a one-pass reading of their
// usual form (one word, plain numbers); anything else, and a number cut by
// the end of the block, goes to the interpreter from the same place.
#include "model/model_scan.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The C locale's character classes, which scanf uses in this program.
inline bool isSpace(int c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
inline bool isDigit(int c) {
  return c >= '0' && c <= '9';
}
inline bool isHexDigit(int c) {
  return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline int toLower(int c) {
  return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

// A NUL-terminated line: the NUL is the end of the input.
// Besides get and unget, each source shows the bytes it holds in memory
// (peek: how many may be looked at; a line ends at its NUL) so that the
// common plain numbers are read in one pass.
struct LineSource {
  const unsigned char* next;
  int get() {
    if (*next == '\0') return EOF;
    return *next++;
  }
  void unget(int c) {
    if (c != EOF) --next;
  }
  const unsigned char* peek(size_t& available) const {
    available = SIZE_MAX;
    return next;
  }
  void advance(size_t count) { next += count; }
};

struct BufferSource {
  ModelTextBuffer& buffer;
  int get() { return modelBufferGet(buffer); }
  void unget(int c) { modelBufferUnget(buffer, c); }
  const unsigned char* peek(size_t& available) const {
    available = static_cast<size_t>(buffer.end - buffer.position);
    return buffer.position;
  }
  void advance(size_t count) { buffer.position += count; }
};

constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                  1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

// A plain number in memory: [sign] digits, with a decimal point when
// fraction is true; at most 18 significant digits, its end seen before the
// end of the bytes at hand, not a "0x" start. Returns its length (0 when
// the number is not plain) with the digits as an integer and the count of
// digits behind the point. Leading zeros are not counted as digits.
struct PlainNumber {
  size_t length = 0;
  bool negative = false;
  uint64_t mantissa = 0;
  int scale = 0;
};

PlainNumber readPlainNumber(const unsigned char* p, size_t available, bool fraction) {
  PlainNumber number;
  size_t i = 0;
  if (i < available && (p[i] == '-' || p[i] == '+')) number.negative = p[i++] == '-';
  if (fraction && i + 1 < available && p[i] == '0' && (p[i + 1] == 'x' || p[i + 1] == 'X')) {
    return PlainNumber();
  }
  // One pass: the digits accumulate as they are met (leading zeros add
  // nothing), significant counts those from the first non-zero digit on.
  uint64_t mantissa = 0;
  size_t significant = 0;
  const size_t integerStart = i;
  for (; i < available; ++i) {
    const unsigned digit = static_cast<unsigned>(p[i]) - '0';
    if (digit > 9) break;
    mantissa = mantissa * 10 + digit;
    significant += mantissa != 0;
  }
  bool anyDigit = i > integerStart;
  if (fraction && i < available && p[i] == '.') {
    const size_t fractionStart = ++i;
    for (; i < available; ++i) {
      const unsigned digit = static_cast<unsigned>(p[i]) - '0';
      if (digit > 9) break;
      mantissa = mantissa * 10 + digit;
      significant += mantissa != 0;
    }
    number.scale = static_cast<int>(i - fractionStart);
    anyDigit = anyDigit || i > fractionStart;
  }
  // The character after the number must be in hand, and the number must
  // have a digit, no exponent and at most 18 significant digits.
  if (i == available || !anyDigit || significant > 18) return PlainNumber();
  if (fraction && (p[i] == 'e' || p[i] == 'E')) return PlainNumber();
  number.mantissa = mantissa;
  number.length = i;
  return number;
}

// The float of a plain decimal when one division gives it exactly: an
// integer of at most 2^24 over a power of ten up to 10^10, both exact floats,
// so the division rounds as strtof does.
bool exactPlainFloat(uint64_t mantissa, int scale, bool negative, float& value) {
  while (scale > 0 && mantissa != 0 && mantissa % 10 == 0) {
    mantissa /= 10;
    --scale;
  }
  if (mantissa == 0) {
    value = negative ? -0.0f : 0.0f;
    return true;
  }
  if (mantissa > (uint64_t{1} << 24) || scale > 10) return false;
  const float result = static_cast<float>(mantissa) / kPowersOfTen[scale];
  value = negative ? -result : result;
  return true;
}

int cutToInt(long long value) {
  return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

// The characters a %f conversion collects; lines are short, longer input
// moves to the heap.
class Collected {
 public:
  void add(int c) {
    if (size_ < sizeof small_ - 1) {
      small_[size_++] = static_cast<char>(c);
      return;
    }
    if (large_.empty()) large_.assign(small_, size_);
    large_.push_back(static_cast<char>(c));
    ++size_;
  }
  size_t size() const { return size_; }
  char last() const { return size_ == 0 ? '\0' : data()[size_ - 1]; }
  const char* terminated() {
    if (size_ < sizeof small_) {
      small_[size_] = '\0';
      return small_;
    }
    return large_.c_str();
  }

 private:
  const char* data() const { return size_ < sizeof small_ ? small_ : large_.data(); }
  char small_[128];
  std::string large_;
  size_t size_ = 0;
};

enum class Step { kDone, kMatchFailure, kInputFailure };

// %d: an optionally signed run of decimal digits, valued as strtol values it
// (saturated to the range of long) and then cut to int as scanf stores it.
template <class Source>
Step scanInteger(Source& source, int& c, int width, int* target) {
  if (width < 0) {
    size_t available = 0;
    const unsigned char* p = source.peek(available);
    const PlainNumber number = readPlainNumber(p, available, false);
    if (number.length > 0) {
      const long long magnitude = static_cast<long long>(number.mantissa);
      if (target) *target = cutToInt(number.negative ? -magnitude : magnitude);
      source.advance(number.length);
      c = p[number.length];
      return Step::kDone;
    }
  }
  c = source.get();
  if (c == EOF) return Step::kInputFailure;
  bool negative = false;
  size_t taken = 0;  // characters of the number, sign included
  bool signOnly = false;
  if (c == '-' || c == '+') {
    negative = c == '-';
    ++taken;
    signOnly = true;
    if (width > 0) --width;
    c = source.get();
  }
  const uint64_t kLimit = static_cast<uint64_t>(LLONG_MAX) + 1;  // 2^63
  uint64_t magnitude = 0;
  bool saturated = false;
  while (c != EOF && width != 0 && isDigit(c)) {
    signOnly = false;
    ++taken;
    if (!saturated) {
      if (magnitude > (UINT64_MAX - 9) / 10) {
        saturated = true;
      } else {
        magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
        if (magnitude > kLimit) saturated = true;
      }
    }
    if (width > 0) --width;
    c = source.get();
  }
  source.unget(c);
  if (taken == 0 || signOnly) return Step::kMatchFailure;
  long long value;
  if (negative) {
    value = (saturated || magnitude >= kLimit) ? LLONG_MIN : -static_cast<long long>(magnitude);
  } else {
    value = (saturated || magnitude >= kLimit) ? LLONG_MAX : static_cast<long long>(magnitude);
  }
  if (target) *target = cutToInt(value);
  return Step::kDone;
}

// %f: collects the characters glibc's scanf collects for a floating-point
// number, then converts them as strtof does.
template <class Source>
Step scanFloat(Source& source, int& c, int width, float* target) {
  if (width < 0) {
    size_t available = 0;
    const unsigned char* p = source.peek(available);
    const PlainNumber number = readPlainNumber(p, available, true);
    float value = 0;
    if (number.length > 0 &&
        exactPlainFloat(number.mantissa, number.scale, number.negative, value)) {
      if (target) *target = value;
      source.advance(number.length);
      c = p[number.length];
      return Step::kDone;
    }
  }
  Collected text;
  c = source.get();
  if (width > 0) --width;
  if (c == EOF) return Step::kInputFailure;
  size_t sign = 0;
  if (c == '-' || c == '+') {
    sign = 1;
    text.add(c);
    if (width == 0 || (c = source.get()) == EOF) return Step::kMatchFailure;
    if (width > 0) --width;
  }
  // Reads the next character and checks it against a letter of a word.
  auto expect = [&](char letter) {
    if (width == 0 || (c = source.get()) == EOF || toLower(c) != letter) return false;
    if (width > 0) --width;
    text.add(c);
    return true;
  };
  bool special = false;
  if (toLower(c) == 'n') {
    text.add(c);
    if (!expect('a') || !expect('n')) return Step::kMatchFailure;
    special = true;
  } else if (toLower(c) == 'i') {
    text.add(c);
    if (!expect('n') || !expect('f')) return Step::kMatchFailure;
    if (width != 0 && (c = source.get()) != EOF) {
      if (toLower(c) == 'i') {
        if (width > 0) --width;
        text.add(c);
        if (!expect('n') || !expect('i') || !expect('t') || !expect('y')) {
          return Step::kMatchFailure;
        }
      } else {
        source.unget(c);
      }
    }
    special = true;
  }
  if (!special) {
    bool gotDigit = false, gotDot = false, gotExponent = false, hex = false;
    char exponentChar = 'e';
    if (width != 0 && c == '0') {
      text.add(c);
      c = source.get();
      if (width > 0) --width;
      if (width != 0 && toLower(c) == 'x') {
        text.add(c);
        hex = true;
        exponentChar = 'p';
        c = source.get();
        if (width > 0) --width;
      } else {
        gotDigit = true;
      }
    }
    for (;;) {
      if (isDigit(c)) {
        text.add(c);
        gotDigit = true;
      } else if (!gotExponent && hex && isHexDigit(c)) {
        text.add(c);
        gotDigit = true;
      } else if (gotExponent && text.last() == exponentChar && (c == '-' || c == '+')) {
        text.add(c);
      } else if (gotDigit && !gotExponent && toLower(c) == exponentChar) {
        text.add(exponentChar);
        gotExponent = gotDot = true;
      } else if (!gotDot && c == '.') {
        text.add(c);
        gotDot = true;
      } else {
        source.unget(c);
        break;
      }
      if (width == 0 || (c = source.get()) == EOF) break;
      if (width > 0) --width;
    }
    if (text.size() == sign || (hex && text.size() == 2 + sign)) return Step::kMatchFailure;
  }
  float value = 0;
  const size_t size = text.size();
  if (!convertModelFloat(text.terminated(), size, value)) return Step::kMatchFailure;
  if (target) *target = value;
  return Step::kDone;
}

// %s: one word, at most width characters of it.
template <class Source>
Step scanWord(Source& source, int& c, int width, char* target) {
  c = source.get();
  if (c == EOF) return Step::kInputFailure;
  char* out = target;
  do {
    if (isSpace(c)) {
      source.unget(c);
      break;
    }
    if (out) *out++ = static_cast<char>(c);
  } while ((width <= 0 || --width > 0) && (c = source.get()) != EOF);
  if (out) *out = '\0';
  return Step::kDone;
}

template <class Source>
int scanFormat(Source& source, const char* format, va_list arguments) {
  int done = 0;
  int c = 0;
  bool skipSpace = false;
  const unsigned char* f = reinterpret_cast<const unsigned char*>(format);
  auto inputFailure = [&done]() { return done == 0 ? EOF : done; };
  while (*f != '\0') {
    int fc = *f++;
    if (fc != '%') {
      if (isSpace(fc)) {
        skipSpace = true;
        continue;
      }
      c = source.get();
      if (c == EOF) return inputFailure();
      if (skipSpace) {
        while (isSpace(c)) {
          if ((c = source.get()) == EOF) return inputFailure();
        }
        skipSpace = false;
      }
      if (c != fc) {
        source.unget(c);
        return done;
      }
      continue;
    }
    bool suppress = false;
    if (*f == '*') {
      suppress = true;
      ++f;
    }
    int width = 0;
    while (isDigit(*f)) width = width * 10 + (*f++ - '0');
    if (width == 0) width = -1;
    const int conversion = *f++;
    if (conversion != 'd' && conversion != 'f' && conversion != 's') return done;
    // Every conversion used here first skips white space.
    do c = source.get();
    while (isSpace(c));
    source.unget(c);
    skipSpace = false;

    Step step = Step::kDone;
    if (conversion == 'd') {
      int* target = suppress ? nullptr : va_arg(arguments, int*);
      step = scanInteger(source, c, width, target);
    } else if (conversion == 'f') {
      float* target = suppress ? nullptr : va_arg(arguments, float*);
      step = scanFloat(source, c, width, target);
    } else {
      char* target = suppress ? nullptr : va_arg(arguments, char*);
      step = scanWord(source, c, width, target);
    }
    if (step == Step::kInputFailure) return inputFailure();
    if (step == Step::kMatchFailure) return done;
    if (!suppress) ++done;
  }
  if (skipSpace) {
    do c = source.get();
    while (isSpace(c));
    source.unget(c);
  }
  return done;
}

}  // namespace

bool convertModelFloat(const char* text, size_t length, float& value) {
  // Plain decimals take the exact division; everything else goes to strtof.
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  const PlainNumber number = readPlainNumber(bytes, length + 1, true);
  if (number.length > 0 && number.length == length &&
      exactPlainFloat(number.mantissa, number.scale, number.negative, value)) {
    return true;
  }
  char* stop = nullptr;
  const int savedErrno = errno;
  float result = std::strtof(text, &stop);
  errno = savedErrno;
  if (stop == text) return false;
  value = result;
  return true;
}

int scanModelLineV(const char* line, const char* format, va_list arguments) {
  LineSource source{reinterpret_cast<const unsigned char*>(line)};
  return scanFormat(source, format, arguments);
}

int scanModelLine(const char* line, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  int result = scanModelLineV(line, format, arguments);
  va_end(arguments);
  return result;
}

int scanModelLineWordFloats(const char* line, char* word, float* first, float* second,
                            float* third) {
  // The usual row, one word of at most 255 characters and then plain
  // decimals, is read in one pass; the results are stored only once all of
  // it has been read, so any other line can start over on the general path.
  float* targets[3] = {first, second, third};
  const int count = third ? 3 : 2;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(line);
  while (isSpace(*p)) ++p;
  const unsigned char* wordStart = p;
  while (*p != '\0' && !isSpace(*p)) ++p;
  const size_t wordLength = static_cast<size_t>(p - wordStart);
  bool usual = wordLength > 0 && wordLength <= 255;
  float values[3] = {0, 0, 0};
  for (int i = 0; usual && i < count; ++i) {
    while (isSpace(*p)) ++p;
    const PlainNumber number = readPlainNumber(p, SIZE_MAX, true);
    usual = number.length > 0 &&
            exactPlainFloat(number.mantissa, number.scale, number.negative, values[i]);
    p += number.length;
  }
  if (!usual) {
    return third ? scanModelLine(line, "%255s %f %f %f", word, first, second, third)
                 : scanModelLine(line, "%255s %f %f", word, first, second);
  }
  std::memcpy(word, wordStart, wordLength);
  word[wordLength] = '\0';
  for (int i = 0; i < count; ++i) *targets[i] = values[i];
  return count + 1;
}

namespace {

// The face list's usual numbers, read from the bytes already in the block
// without consuming them: the cursor moves, and the values are stored, only
// when the whole directive list matched; false sends the caller to the
// general path, which then starts from the same place.
struct BlockCursor {
  const unsigned char* p;
  const unsigned char* end;
  bool skipSpace() {
    while (p < end && isSpace(*p)) ++p;
    return p < end;
  }
  bool integer(int& value) {
    if (!skipSpace()) return false;
    const PlainNumber number = readPlainNumber(p, static_cast<size_t>(end - p), false);
    if (number.length == 0) return false;
    const long long magnitude = static_cast<long long>(number.mantissa);
    value = cutToInt(number.negative ? -magnitude : magnitude);
    p += number.length;
    return true;
  }
  bool literal(unsigned char c) {
    if (p == end || *p != c) return false;
    ++p;
    return true;
  }
  bool word() {
    if (!skipSpace()) return false;
    while (p < end && !isSpace(*p)) ++p;
    return p < end;
  }
};

}  // namespace

int scanModelBufferFaceHead(ModelTextBuffer& buffer, int* material, int* type, int* corners) {
  BlockCursor cursor{buffer.position, buffer.end};
  int values[3] = {0, 0, 0};
  if (cursor.integer(values[0]) && cursor.skipSpace() && cursor.literal('0') &&
      cursor.literal('x') && cursor.integer(values[1]) && cursor.word() && cursor.word() &&
      cursor.word() && cursor.word() && cursor.integer(values[2])) {
    buffer.position = cursor.p;
    *material = values[0];
    *type = values[1];
    *corners = values[2];
    return 3;
  }
  return scanModelBuffer(buffer, "%d 0x%d %*s %*s %*s %*s %d", material, type, corners);
}

int scanModelBufferCornerPair(ModelTextBuffer& buffer, int* vertex, int* texVertex) {
  BlockCursor cursor{buffer.position, buffer.end};
  int values[2] = {0, 0};
  if (cursor.integer(values[0]) && cursor.literal(',') && cursor.integer(values[1])) {
    buffer.position = cursor.p;
    *vertex = values[0];
    *texVertex = values[1];
    return 2;
  }
  return scanModelBuffer(buffer, "%d, %d", vertex, texVertex);
}

int scanModelBuffer(ModelTextBuffer& buffer, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  BufferSource source{buffer};
  int result = scanFormat(source, format, arguments);
  va_end(arguments);
  return result;
}
