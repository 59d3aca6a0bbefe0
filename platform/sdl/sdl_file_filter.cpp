// The file dialog's name patterns on Linux. Desktop file choosers match
// patterns case by case, while the viewer's filter ("*.3do") is meant as a
// file type, as Windows reads it: each pattern is given in every case of
// its letters, so that ROBOT.3DO and Robot.3do are listed too.
#include <cctype>
#include <string>
#include <vector>

#include "platform/sdl/sdl_port.h"

std::vector<std::string> sdlAnyCasePatterns(const std::string& pattern) {
  std::vector<size_t> letters;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (std::isalpha(static_cast<unsigned char>(pattern[i]))) letters.push_back(i);
  }
  std::vector<std::string> patterns;
  if (letters.size() > 4) {
    // Long names: as given, all lower case and all upper case.
    std::string lower = pattern, upper = pattern;
    for (size_t i : letters) {
      lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
      upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(pattern[i])));
    }
    for (const std::string& candidate : {pattern, lower, upper}) {
      bool known = false;
      for (const std::string& kept : patterns) known = known || kept == candidate;
      if (!known) patterns.push_back(candidate);
    }
    return patterns;
  }
  for (size_t mask = 0; mask < (size_t{1} << letters.size()); ++mask) {
    std::string variant = pattern;
    for (size_t bit = 0; bit < letters.size(); ++bit) {
      const unsigned char c = static_cast<unsigned char>(pattern[letters[bit]]);
      variant[letters[bit]] =
          static_cast<char>((mask >> bit) & 1 ? std::toupper(c) : std::tolower(c));
    }
    patterns.push_back(variant);
  }
  return patterns;
}
