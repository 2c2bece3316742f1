// An image's map, as wordhex-cli --map prints it and the page draws it: each
// run of data as its byte range and the word range it becomes, the start
// address, the totals; as text in the user's language, or as one line of
// JSON. Written run by run, as the conversion finds them.
#ifndef WORDHEX_FRONTEND_MAP_H
#define WORDHEX_FRONTEND_MAP_H

#include "frontend/say.h"

enum MapForm { MAP_TEXT, MAP_JSON };

struct MapWriter {
  const Sink *sink;
  MapForm form;
  unsigned long long runs;  // written so far (JSON, for the commas between them)
  MapHook hook;             // for ConvertOptions::map
};

// Writes a run: what the hook does with each.
void WriteMapRun(MapWriter *writer, const MapRun *run);
// Starts the map of `file`: its name (text), or the object's first members (JSON).
void BeginMap(MapWriter *writer, const Sink *sink, MapForm form, const char *file);
// Ends it with the start address and the totals of `report`, the memory's
// depth from `options`; a conversion that failed (`converted` false) ends it
// with no more than the runs found before (JSON: and "failed": true).
void EndMap(MapWriter *writer, const ConvertReport *report, const ConvertOptions *options, bool converted);

#endif
