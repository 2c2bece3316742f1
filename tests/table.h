// Test tables kept as data files: one row a line, fields split at " | ",
// lines starting with '#' and blank lines skipped. Fields may escape bytes:
// \r \n \t \0 \\ \xNN, and {N*TEXT} stands for TEXT written N times.
#ifndef WORDHEX_TESTS_TABLE_H
#define WORDHEX_TESTS_TABLE_H

#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

inline std::string Unescape(const std::string &s) {
  std::string out;
  for (size_t i = 0; i < s.size(); i++) {
    size_t star = s.find('*', i), close = s.find('}', i);
    if (s[i] == '{' && star < close) {
      for (long n = atol(&s[i + 1]); n > 0; n--) out += Unescape(s.substr(star + 1, close - star - 1));
      i = close;
    } else if (s[i] == '\\' && s[i + 1] == 'x') {
      out += (char)strtol(s.substr(i + 2, 2).c_str(), nullptr, 16), i += 3;
    } else if (s[i] == '\\') {
      const char *c = strchr("r\rn\nt\t0\0", s[++i]);
      out += c != nullptr ? c[1] : s[i];
    } else {
      out += s[i];
    }
  }
  return out;
}

inline std::vector<std::vector<std::string>> Table(const std::string &name) {
  std::ifstream file(std::string(WORDHEX_TEST_DATA) + "/" + name);
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(file, line);) {
    if (line.empty() || line[0] == '#') continue;
    rows.emplace_back();
    for (size_t at = 0, bar = 0; bar != std::string::npos; at = bar + 3) {
      bar = line.find(" | ", at);
      rows.back().push_back(Unescape(line.substr(at, bar - at)));
    }
  }
  if (rows.empty()) abort();  // a missing table must not pass as an empty one
  return rows;
}

#endif
