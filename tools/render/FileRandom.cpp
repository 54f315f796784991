#include "tools/render/FileRandom.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kal::render {

std::vector<float> ParseRandomValues(const std::string& text) {
  std::vector<float> values;
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) continue;
    const auto last = line.find_last_not_of(" \t\r");
    const std::string t = line.substr(first, last - first + 1);
    char* end = nullptr;
    errno = 0;
    const double d = std::strtod(t.c_str(), &end);
    const bool decimal = t.find_first_not_of("0123456789.eE+-") == std::string::npos;
    if (!decimal || end != t.c_str() + t.size() || errno == ERANGE) {
      throw RandomFileError("line " + std::to_string(lineNo) + ": '" + t + "' is not a decimal number");
    }
    const float v = static_cast<float>(d);
    if (!(v >= 0.0f && v < 1.0f)) {
      throw RandomFileError("line " + std::to_string(lineNo) + ": " + t +
                            " is not a random value (0 <= value < 1 in single precision)");
    }
    values.push_back(v);
  }
  return values;
}

std::vector<float> ReadRandomFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw RandomFileError("cannot read " + path);
  std::ostringstream s;
  s << f.rdbuf();
  if (f.bad()) throw RandomFileError("cannot read " + path);
  return ParseRandomValues(s.str());
}

}  // namespace kal::render
