'use strict';
// The conversion, in a worker so that the page stays responsive. The file is
// read a slice at a time and never held whole; the output is gathered into
// Blobs of up to 64 MiB, which the browser may keep on disk. The converter's
// factory, createWordhexCore, comes first in the same worker (page.js joins
// them). Asked {languages} (the browser's, separated by commas), it answers
// {texts: {language, texts}}, the page's texts; asked {options} (language,
// mode, wordBits, swap and the texts of fill, format, base, depth,
// wordsPerRecord), {checked: true} or {failed: message}; asked {file,
// options}, {progress, total} as it reads, then {done, blob, name, records,
// input, output, message, map, options} or {failed: message, map}: the map
// as wordhex-cli --map=json gives it (null when nothing was read), the
// options as the conversion took them.
//
// What costs most here is memory that the browser touches for the first time
// (on some machines a page fault costs more than copying the page), then the
// browser's own work on the file and the Blobs; the conversion itself is a
// small part. Hence buffers that are used again, kept from one conversion to
// the next, and few Blobs.

// Bytes read at a time, through a reader that fills a buffer of ours
// (Blob.stream() as a byte stream): the same buffer is lent to every read.
// FileReaderSync, which makes a new ArrayBuffer for each slice, took 0.45 to
// 0.55 s for 64 MiB in 16 MiB slices; this way 0.08 to 0.16 s, the converter
// waiting for each slice without blocking the worker (Asyncify, see
// web/glue.cpp).
const SLICE = 4 << 20;
// Bytes of output copied together into one Blob: the fewer Blobs, the less
// the browser does (making 64 MiB of them took 0.55 to 0.66 s in four of
// 16 MiB, 0.27 to 0.31 s in one). Its pages are touched only as the output
// fills them.
const CHUNK = 64 << 20;

let core = null;
const queued = []; // what came before the converter was ready
// Kept from one conversion to the next, so that only the first pays for
// their memory.
let sliceBuffer = null;
let chunk = null;

// This emscripten's factory, compiling synchronously, returns the module,
// ready once its `ready` promise settles.
createWordhexCore().ready.then((module) => {
  core = module;
  for (const job of queued.splice(0)) start(job);
});

onmessage = (event) => {
  if (core === null) {
    queued.push(event.data);
  } else {
    start(event.data);
  }
};

// WebCheck's arguments, and WebConvert's after the file's name.
const OPTION_TYPES = ['string', 'number', 'number', 'number', 'string', 'string', 'string', 'string', 'string'];
function optionValues(o) {
  return [o.language, o.mode, o.wordBits, o.swap, o.fill, o.format, o.base, o.depth, o.wordsPerRecord];
}

function start(job) {
  if (job.languages !== undefined) {
    const texts = core.ccall('WebPageTexts', 'number', ['string'], [job.languages]);
    postMessage({ texts: JSON.parse(core.UTF8ToString(texts)) });
  } else if (job.file === undefined) {
    const agree = core.ccall('WebCheck', 'number', OPTION_TYPES, optionValues(job.options));
    postMessage(agree ? { checked: true } : { failed: core.UTF8ToString(core._WebMessage()) });
  } else {
    run(job).catch((error) => postMessage({ internal: String(error) }));
  }
}

// The map, when the conversion read anything.
function map() {
  const text = core.UTF8ToString(core._WebMap());
  return text === '' ? null : JSON.parse(text);
}

// Reads `file` a slice at a time: read() promises the next slice (a
// Uint8Array, empty at the end), which is gone once the next is asked for;
// close() lets the file go.
function sliceReader(file) {
  const stream = file.stream();
  let reader;
  try {
    reader = stream.getReader({ mode: 'byob' });
  } catch (error) {
    // A browser whose streams of files bring their own buffers: its chunks.
    reader = stream.getReader();
    return {
      read: async () => {
        const { done, value } = await reader.read();
        return done ? new Uint8Array(0) : value;
      },
      close: () => reader.cancel(),
    };
  }
  // Lent to each read, and given back with what it read; lost with a failed one.
  if (sliceBuffer === null || sliceBuffer.byteLength === 0) sliceBuffer = new ArrayBuffer(SLICE);
  return {
    // As full a slice as the file gives, read by read.
    read: async () => {
      let filled = 0;
      while (filled < SLICE) {
        const { done, value } = await reader.read(new Uint8Array(sliceBuffer, filled));
        if (value !== undefined) sliceBuffer = value.buffer;
        if (done) break;
        filled += value.length;
      }
      return new Uint8Array(sliceBuffer, 0, filled);
    },
    close: () => reader.cancel(),
  };
}

async function run(job) {
  const file = job.file;
  const reader = sliceReader(file);
  let slice = new Uint8Array(0);
  let used = 0; // of the slice
  let offset = 0; // of the file, past the slice
  let ended = false;
  const parts = [];
  if (chunk === null) chunk = new Uint8Array(CHUNK);
  let filled = 0;
  let written = 0;

  core.webReason = '';
  core.webRead = (buffer, size, done) => {
    const serve = () => {
      const count = Math.min(size, slice.length - used);
      core.HEAPU8.set(slice.subarray(used, used + count), buffer);
      used += count;
      done(count);
    };
    if (used < slice.length || ended) {
      serve();
      return;
    }
    reader.read().then((got) => {
      slice = got;
      used = 0;
      offset += slice.length;
      ended = slice.length === 0;
      // Some browsers read a file that changed since it was chosen as it is
      // now: if its size changed, that shows.
      if (offset > file.size || (ended && offset !== file.size)) {
        done(-1);
        return;
      }
      if (!ended) postMessage({ progress: offset, total: file.size });
      serve();
    }, () => done(-1)); // the file changed or went away: the glue says so
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
    converted = await core.ccall('WebConvert', 'number', ['string', ...OPTION_TYPES],
      [file.name, ...optionValues(job.options)], { async: true });
  } catch (error) {
    postMessage({ internal: String(error) });
    return;
  } finally {
    reader.close().catch(() => {}); // what a failure or an end record left unread
  }
  const message = core.UTF8ToString(core._WebMessage());
  if (!converted) {
    postMessage({ failed: message, map: map() });
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
    map: map(),
    options: JSON.parse(core.UTF8ToString(core._WebOptions())),
  });
}
