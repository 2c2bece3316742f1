'use strict';
// The conversion, in a worker so that the page stays responsive. The file is
// read a slice at a time and never held whole; the output is gathered into
// Blobs of a few MiB, which the browser may keep on disk. The converter's
// factory, createWordhexCore, comes first in the same worker (page.js joins
// them). Asked {file, mode, wordBits, swap, fill}, it answers {progress,
// total} as it reads, then {done, blob, name, records, input, output,
// message} or {failed: message}.

// Bytes read at a time. Each read costs the browser much besides the bytes:
// in headless Chromium 64 MiB took about 1 s in 4 MiB slices, 0.65 s in
// 16 MiB ones (and far longer in 64 KiB ones).
const SLICE = 16 << 20;
// Bytes of output copied together into one Blob, for the same reason.
const CHUNK = 16 << 20;

let core = null;
let queued = null;

// This emscripten's factory, compiling synchronously, returns the module,
// ready once its `ready` promise settles.
createWordhexCore().ready.then((module) => {
  core = module;
  if (queued !== null) run(queued);
});

onmessage = (event) => {
  if (core === null) {
    queued = event.data;
  } else {
    run(event.data);
  }
};

function run(job) {
  const file = job.file;
  const reader = new FileReaderSync();
  let slice = new Uint8Array(0);
  let used = 0; // of the slice
  let offset = 0; // of the file, past the slice
  const parts = [];
  const chunk = new Uint8Array(CHUNK);
  let filled = 0;
  let written = 0;

  core.webReason = '';
  core.webRead = (buffer, size) => {
    if (used === slice.length) {
      if (offset >= file.size) return 0;
      try {
        slice = new Uint8Array(reader.readAsArrayBuffer(file.slice(offset, offset + SLICE)));
      } catch (error) {
        core.webReason = `${error.name}: ${error.message}`;
        return -1;
      }
      if (slice.length === 0) return 0;
      offset += slice.length;
      used = 0;
      postMessage({ progress: offset, total: file.size });
    }
    const count = Math.min(size, slice.length - used);
    core.HEAPU8.set(slice.subarray(used, used + count), buffer);
    used += count;
    return count;
  };
  core.webWrite = (data, size) => {
    try {
      for (let at = data, end = data + size; at < end;) {
        const count = Math.min(end - at, CHUNK - filled);
        chunk.set(core.HEAPU8.subarray(at, at + count), filled);
        filled += count;
        at += count;
        if (filled === CHUNK) {
          parts.push(new Blob([chunk])); // copies: the chunk is used again
          filled = 0;
        }
      }
    } catch (error) {
      core.webReason = `${error.name}: ${error.message}`;
      return 0;
    }
    written += size;
    return 1;
  };

  let converted;
  try {
    converted = core.ccall('WebConvert', 'number', ['string', 'number', 'number', 'number', 'string'],
      [file.name, job.mode, job.wordBits, job.swap, job.fill]);
  } catch (error) {
    postMessage({ failed: `internal error: ${error}` });
    return;
  }
  const message = core.UTF8ToString(core._WebMessage());
  if (!converted) {
    postMessage({ failed: message });
    return;
  }
  if (filled > 0) parts.push(new Blob([chunk.subarray(0, filled)]));
  postMessage({
    done: true,
    blob: new Blob(parts, { type: 'application/octet-stream' }),
    name: core.UTF8ToString(core._WebOutputName()),
    records: core._WebRecords(),
    input: file.size,
    output: written,
    message,
  });
}
