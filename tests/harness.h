// What the unit tests and the fuzzer share: tables kept as data files, and
// one conversion as the tests see it.
//
// Tables: one row a line, fields split at " | ", lines starting with '#' and
// blank lines skipped. Fields may escape bytes: \r \n \t \0 \\ \xNN, and
// {N*TEXT} stands for TEXT written N times.
#pragma once

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "convert/outcome.h"
#include "convert/paths.h"

inline std::string Unescape(const std::string &s) {
  std::string out;
  for (size_t i = 0; i < s.size(); i++) {
    size_t star = s.find('*', i), close = s.find('}', i);
    if (s[i] == '{' && star < close) {
      for (long n = atol(&s[i + 1]); n > 0; n--) out += Unescape(s.substr(star + 1, close - star - 1));
      i = close;
    } else if (s[i] == '\\' && s[i + 1] == 'x') {
      out += (char)strtol(s.substr(i + 2, 2).c_str(), nullptr, 16), i += 3;
    } else {
      const char *c = s[i] == '\\' ? strchr("r\rn\nt\t0\0", s[++i]) : nullptr;
      out += c != nullptr ? c[1] : s[i];
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

// Serves `chunk` bytes per read (1 to 17 as `seed` says when chunk is 0), and
// fails after `failAt` bytes, to cross buffer edges everywhere.
struct Source {
  const std::string &text;
  size_t at, chunk, failAt;
  unsigned seed;
};

inline bool ReadChunk(void *handle, unsigned char *buffer, size_t size, size_t *delivered) {
  Source *s = static_cast<Source *>(handle);
  size_t piece = s->chunk != 0 ? s->chunk : 1 + ((s->seed = s->seed * 1103515245u + 12345u) >> 16) % 17;
  s->at += *delivered = s->text.copy((char *)buffer, std::min({size, piece, s->failAt - s->at}), s->at);
  return *delivered > 0 || s->at == s->text.size();
}

inline bool Append(void *out, const unsigned char *data, size_t size) {
  return static_cast<std::string *>(out)->append((const char *)data, size), true;
}

inline unsigned long long InPlace, Quick;  // records the last conversion took in place, by a quick route

// With Mapping, the last conversion's map: its runs, start and totals.
inline bool Mapping;
inline std::string MapText;
inline void MapInto(void *, const MapRun *run) {
  for (unsigned long long value : {run->firstByte, run->lastByte, run->firstWord, run->lastWord})
    MapText += std::to_string(value) + " ";
  MapText += run->misread ? "misread\n" : "\n";
}

// Output written at an offset, as a file takes it: into the text at `offset`.
inline bool AppendAt(void *out, unsigned long long offset, const unsigned char *data, size_t size) {
  return static_cast<std::string *>(out)->replace(offset, size, (const char *)data, size), true;
}

// Options as the tables write them: "halve", "full" or "bytes", then any of
// the word's bits ("32"), "swap", "fill=HH", a format ("vmem", "mif",
// "coe"), "base=HEX", "depth=HEX", "records=K" (words per record) and "file"
// (an output that takes writes at an offset).
inline bool FileOutput;
inline ConvertOptions Options(const std::string &text) {
  std::istringstream words(text);
  std::string word;
  words >> word;
  ConvertOptions options = ConvertOptionsFor(word == "full"    ? CONVERT_TO_WORDS
                                             : word == "bytes" ? CONVERT_TO_BYTES
                                                               : CONVERT_HALVE,
                                             2);
  FileOutput = false;
  while (words >> word) {
    const char *FORMATS[] = {"ihex", "vmem", "mif", "coe"};
    unsigned format = (unsigned)(std::find(FORMATS, FORMATS + 4, word) - FORMATS);
    if (word == "swap") {
      options.swap = true;
    } else if (word == "file") {
      FileOutput = true;
    } else if (format < 4) {
      options.format = (unsigned char)format;
    } else if (word.compare(0, 5, "fill=") == 0) {
      options.fill = (short)std::stoi(word.substr(5), nullptr, 16);
    } else if (word.compare(0, 5, "base=") == 0) {
      options.base = std::stoull(word.substr(5), nullptr, 16);
    } else if (word.compare(0, 6, "depth=") == 0) {
      options.depth = std::stoull(word.substr(6), nullptr, 16);
    } else if (word.compare(0, 8, "records=") == 0) {
      options.wordsPerRecord = (unsigned char)std::stoi(word.substr(8));
    } else {
      options.wordBytes = (unsigned char)(std::stoi(word) / 8);
    }
  }
  return options;
}

// Status (with what halving noted: "segment", "linear", "start" and "odd"
// at their first lines, "after" with the records after the end record),
// output and "line:column" where it stopped, under `path` with `options`;
// from memory when `source` is null; handed on in whole buffers when
// `wholeBuffers`.
inline std::string Convert(const std::string &text, unsigned path, Source *source = nullptr,
                           ConvertOptions options = Options("halve"), bool wholeBuffers = false) {
  static HexInput input;
  static HexOutput output;
  source ? OpenInputStream(&input, ReadChunk, source) : OpenMemoryInput(&input, text.data(), text.size());
  std::string out;
  OpenOutputStream(&output, Append, &out);
  if (wholeBuffers) HandOnWholeBuffers(&output);
  if (FileOutput) output.writeAt = AppendAt;
  memset(output.buffer, '?', 2048);  // what a path leaves unwritten shows
  if (!ForceConvertPath(path)) abort();
  options.countAfterEnd = true;
  ConvertReport report;
  static const MapHook HOOK = {MapInto, nullptr};
  MapText.clear();
  if (Mapping) options.map = &HOOK;
  ConversionStatus status = ConvertHex(&input, &output, &options, &report);
  if (Mapping) {
    for (unsigned long long value : {report.dataRecords, report.dataBytes, report.mapWords, report.startByte,
                                     report.startWord, (unsigned long long)report.started + report.startInWords})
      MapText += std::to_string(value) + " ";
  }
  const char *NAMES[] = {"MALFORMED", "END", "CHECKSUM", "MISALIGNED", "PARTIAL", "LENGTH", "RANGE", "UNORDERED"};
  std::string result = status == 0 ? "0" : NAMES[__builtin_ctz(status)];
  const char *NOTES[] = {"segment", "wrap", "linear", "start", "odd", "after"};
  for (int warning = 0; warning < WARNING_COUNT; warning++) {
    unsigned long long line = WarningLine(&report, (Warning)warning);
    if (line != 0) result += std::string(" ") + NOTES[warning] + "@" + std::to_string(line);
  }
  if (report.afterEnd != 0) result += "x" + std::to_string(report.afterEnd);
  if (report.fillOverData) result += " over data";
  if (report.outsideMemory) result += " memory";
  if (status == CONV_BAD_CHECKSUM)
    result += " " + std::string(HEX_PAIRS.text + 2 * report.fault.checksumRead, 2) + ">" +
              std::string(HEX_PAIRS.text + 2 * report.fault.checksumWanted, 2);
  if (!FlushOutput(&output)) abort();
  InPlace = report.inPlace, Quick = report.quick;
  return result + " | " + out + " | " + std::to_string(input.stopLine) + ":" + std::to_string(input.stopColumn);
}
