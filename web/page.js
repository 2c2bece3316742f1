'use strict';
// The page: the options and the chosen file go to a worker (worker.js, with
// the converter built to WebAssembly before it). A file chosen converts and
// downloads at once; an option changed afterwards converts it again and
// offers the result. Every text comes from the converter's catalogues in the
// browser's language. The ids and states that tests drive are listed at the
// top of wordhex.html.
(() => {
  const $ = (id) => document.getElementById(id);
  const fileInput = $('file');
  const options = ['mode', 'word-bits', 'swap', 'fill', 'format', 'base', 'depth', 'words-per-record'].map($);
  const [mode, wordBits, swap, fill, format, base, depth, wordsPerRecord] = options;
  const progress = $('progress');
  const message = $('message');
  const summary = $('summary');
  const download = $('download');
  const drop = $('drop');
  const MODES = ['halve', 'full', 'bytes'];

  // The SIMD build where the browser takes a module that uses simd128
  // (i8x16.splat, i8x16.popcnt); the portable one elsewhere, or with
  // #portable after the page's address.
  const SIMD_PROBE = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8,
    0, 65, 0, 253, 15, 253, 98, 11]);
  const core = location.hash !== '#portable' && WebAssembly.validate(SIMD_PROBE) ? 'simd' : 'portable';
  document.body.dataset.core = core;
  const workerUrl = URL.createObjectURL(new Blob([$(`core-${core}`).textContent, '\n', $('worker').textContent],
    { type: 'text/javascript' }));

  let worker = null;
  let busy = false;
  let file = null;
  let started = 0;
  let outputUrl = null;
  let downloadNow = false; // the conversion running was asked for by choosing the file
  let texts = null; // the catalogue's, by key, once the worker has given them
  let language = 'en';

  // A text of the catalogue, its %1 to %9 the values (none where missing, as
  // wordhex-cli has it).
  function say(key, ...values) {
    return texts[key].replace(/%([1-9])/g, (mark, n) => (n <= values.length ? String(values[n - 1]) : ''));
  }

  const number = (value) => value.toLocaleString(language);
  const hex = (value, digits) => `0x${value.toString(16).toUpperCase().padStart(digits, '0')}`;

  function size(bytes) {
    const units = ['BYTES', 'KIB', 'MIB', 'GIB'];
    let unit = 0;
    for (; bytes >= 1024 && unit < units.length - 1; unit++) bytes /= 1024;
    return say(units[unit], unit === 0 ? number(bytes)
      : bytes.toLocaleString(language, { minimumFractionDigits: 1, maximumFractionDigits: 1 }));
  }

  function setState(state) {
    document.body.dataset.state = state;
  }

  function fail(text) {
    busy = false;
    message.textContent = text;
    setState('failed');
  }

  function startWorker() {
    worker = new Worker(workerUrl);
    worker.onmessage = (event) => answer(event.data);
    worker.onerror = (event) => {
      event.preventDefault();
      // In English when the worker failed before it could give the texts.
      const reason = event.message || (texts ? texts.NO_REASON : 'the browser gave no reason');
      fail(texts ? say('CANNOT_RUN', reason) : `The converter could not run here: ${reason}`);
    };
  }

  function applyTexts(answered) {
    texts = answered.texts;
    language = answered.language;
    document.documentElement.lang = language;
    for (const element of document.querySelectorAll('[data-text]')) element.textContent = texts[element.dataset.text];
    for (const element of document.querySelectorAll('[data-placeholder]')) {
      element.placeholder = texts[element.dataset.placeholder];
    }
    for (const element of document.querySelectorAll('[data-label]')) {
      element.setAttribute('aria-label', texts[element.dataset.label]);
    }
    for (const option of wordBits.options) option.textContent = say('BITS', option.value);
    $('footer').textContent = say('FOOTER', $('footer').dataset.version);
    showWhatApplies();
    setState('idle');
    if (file !== null) convertChosen(); // chosen or dropped before the texts came
  }

  // A control marked as applying or not, with its note: why not, or its hint.
  function mark(control, applies, note) {
    control.dataset.applies = applies ? 'yes' : 'no';
    const element = $(`${control.id}-note`);
    element.textContent = note;
    element.classList.toggle('off', !applies);
  }

  // Marks the options that the others leave without effect, as wordhex-cli
  // decides: halving gives way to whole addresses wherever another option
  // needs them; back to bytes writes Intel HEX only; words per record cut
  // the Intel HEX records of whole addresses. Those disabled are not used.
  function showWhatApplies() {
    const toBytes = mode.value === 'bytes';
    const ofWords = !toBytes && format.value !== 'ihex';
    const needWhole = [
      wordBits.value !== '16' && say('BITS', wordBits.value),
      swap.checked && texts.SWAPPED,
      fill.value.trim() !== '' && say('FILL_IS', fill.value.trim()),
      ofWords && say('FORMAT_IS', format.value),
      base.value.trim() !== '' && say('BASE_IS', base.value.trim()),
      depth.value.trim() !== '' && say('DEPTH_IS', depth.value.trim()),
    ].filter(Boolean);
    const givesWay = mode.value === 'halve' && needWhole.length > 0;
    mode.options[0].textContent = texts[givesWay ? 'MODE_WHOLE' : 'MODE_HALVE'];
    mark(mode, !givesWay, givesWay ? say('MODE_WHOLE_NOTE', needWhole.join(', ')) : '');
    format.disabled = toBytes;
    mark(format, !toBytes, texts[toBytes ? 'FORMAT_BYTES_NOTE' : 'FORMAT_NOTE']);
    const records = mode.value === 'halve' && needWhole.length === 0 ? 'RECORDS_WHOLE_NOTE'
      : ofWords ? 'RECORDS_IHEX_NOTE' : null;
    wordsPerRecord.disabled = records !== null;
    mark(wordsPerRecord, records === null, texts[records || 'WORDS_PER_RECORD_NOTE']);
    // What the format needs shows before wordhex-cli's message says so.
    depth.required = ofWords && format.value !== 'vmem';
    fill.required = ofWords && format.value === 'coe';
  }

  // The options as the worker takes them, those that do not apply left out.
  function chosenOptions() {
    return {
      language,
      mode: MODES.indexOf(mode.value),
      wordBits: Number(wordBits.value),
      swap: swap.checked ? 1 : 0,
      fill: fill.value.trim(),
      format: format.disabled ? '' : format.value,
      base: base.value.trim(),
      depth: depth.value.trim(),
      wordsPerRecord: wordsPerRecord.disabled ? '' : wordsPerRecord.value.trim(),
    };
  }

  // What the options that made an output were, as the conversion took them.
  function describe(taken) {
    const DIRECTIONS = { halve: 'HALVED', words: 'WHOLE', bytes: 'TO_BYTES' };
    const parts = [texts[DIRECTIONS[taken.direction]], say('BITS', taken.word_bits)];
    if (taken.swap) parts.push(texts.SWAPPED);
    if (taken.fill !== null) parts.push(say('FILL_IS', hex(taken.fill, 2)));
    if (taken.format !== 'ihex') parts.push(say('FORMAT_IS', taken.format));
    if (taken.base !== 0) parts.push(say('BASE_IS', hex(taken.base, 1)));
    if (taken.depth !== null) parts.push(say('DEPTH_IS', taken.depth));
    if (taken.words_per_record !== null) parts.push(say('RECORDS_IS', taken.words_per_record));
    return parts.join(', ');
  }

  // Converts the chosen file with the options shown; with none chosen,
  // checks the options. A conversion still running is dropped with its
  // worker: the worker is busy and would only hear of a new one when it has
  // finished.
  function convert(chosen) {
    if (texts === null) return;
    showWhatApplies();
    if (busy) {
      worker.terminate();
      startWorker();
    }
    busy = true;
    downloadNow = chosen;
    started = performance.now();
    // The last output goes: a download already begun holds it by itself.
    if (outputUrl !== null) URL.revokeObjectURL(outputUrl);
    outputUrl = null;
    message.textContent = '';
    summary.textContent = file === null ? '' : say('CONVERTING', file.name);
    progress.value = 0;
    download.hidden = true;
    download.removeAttribute('href');
    setState('working');
    worker.postMessage(file === null ? { options: chosenOptions() } : { file, options: chosenOptions() });
  }

  function answer(data) {
    if (data.texts !== undefined) {
      applyTexts(data.texts);
      return;
    }
    if (data.progress !== undefined) {
      progress.value = data.total > 0 ? data.progress / data.total : 1;
      return;
    }
    if (data.checked) {
      busy = false;
      setState('idle');
      return;
    }
    if (data.internal !== undefined || data.failed !== undefined) {
      summary.textContent = '';
      showMap(data.map || null, null);
      fail(data.internal !== undefined ? say('INTERNAL', data.internal) : data.failed);
      return;
    }
    busy = false;
    const elapsed = performance.now() - started;
    outputUrl = URL.createObjectURL(data.blob);
    download.href = outputUrl;
    download.download = data.name;
    download.textContent = say(downloadNow ? 'DOWNLOAD_AGAIN' : 'DOWNLOAD', data.name);
    download.hidden = false;
    if (downloadNow) download.click();
    message.textContent = data.message;
    const seconds = elapsed < 1000 ? say('MS', Math.round(elapsed))
      : say('SECONDS', (elapsed / 1000).toLocaleString(language, { maximumFractionDigits: 2 }));
    summary.textContent = say('SUMMARY', file.name, data.name, describe(data.options), number(data.records),
      size(data.input), size(data.output), seconds);
    showMap(data.map, data.options);
    document.body.dataset.elapsed = elapsed.toFixed(1); // for benchmarks
    setState('done');
  }

  // The map: a picture, a line for the run in focus, the totals, the text.
  const SVG = 'http://www.w3.org/2000/svg';
  const DRAWN = 256; // runs in the picture at most: more would not be seen
  const mapSection = $('map');
  const picture = $('map-picture');
  let shown = null; // the map and options shown, drawn again when the width changes
  let drawnWidth = 0;

  const address = (value) => hex(value, 8);

  // A run's line, as wordhex-cli --map writes it.
  function runLine(run) {
    return say('MAP_RUN', address(run.bytes[0]), address(run.bytes[1]), address(run.words[0]), address(run.words[1]),
      run.size, run.words[1] - run.words[0] + 1).trim() + (run.misread ? texts.MAP_MISREAD : '');
  }

  // The start address and totals, as wordhex-cli --map writes them.
  function totalsLines(map, taken) {
    const start = map.start === null ? texts.MAP_NO_START
      : map.start.word === null ? say('MAP_START_BYTE', address(map.start.byte))
        : say('MAP_START', address(map.start.byte), address(map.start.word));
    let totals = say('MAP_TOTALS', map.records, map.data_bytes, map.words);
    if (map.depth_used !== undefined) {
      const tenths = Math.floor((map.depth_used * 1000 + Math.floor(taken.depth / 2)) / taken.depth);
      totals += say('MAP_DEPTH', map.depth_used, taken.depth, `${Math.floor(tenths / 10)}.${tenths % 10}`);
    }
    return [start.trim(), totals.trim()];
  }

  function showMap(map, taken) {
    shown = map === null || (map.runs.length === 0 && map.failed) ? null : { map, taken };
    mapSection.hidden = shown === null;
    if (shown === null) return;
    const lines = map.runs.map(runLine);
    if (map.more_runs) lines.push(say('MAP_NOT_SHOWN', map.more_runs));
    const totals = map.failed ? [] : totalsLines(map, taken);
    $('map-text').textContent = lines.concat(totals).join('\n');
    $('map-totals').textContent = totals.join('; ');
    $('map-stopped').hidden = !map.failed;
    $('map-run').textContent = '';
    draw();
  }

  function element(name, attributes, parent, text) {
    const made = document.createElementNS(SVG, name);
    for (const [key, value] of Object.entries(attributes)) made.setAttribute(key, value);
    if (text !== undefined) made.textContent = text;
    parent.appendChild(made);
    return made;
  }

  // The runs on an address axis that runs down the page, byte addresses on
  // its left, word addresses on its right: each run a bar, at its size where
  // it can be; the gaps between them at theirs, but the longest shortened to
  // a marked break until the gaps take no more room than the data; the
  // memory's words, given a depth, in a frame.
  function draw() {
    picture.replaceChildren();
    drawnWidth = picture.clientWidth;
    const { map, taken } = shown;
    if (map.runs.length === 0) {
      picture.setAttribute('height', 0);
      return;
    }
    const runs = map.runs.slice(0, DRAWN).map((run, index) => ({ run, index }))
      .sort((a, b) => a.run.bytes[0] - b.run.bytes[0] || a.run.bytes[1] - b.run.bytes[1]);
    const frame = taken !== null && taken.depth !== null
      ? [taken.base, taken.base + taken.depth * taken.word_bits / 8 - 1] : null;
    // The gap before each run, and after the last (to the frame's end).
    let end = frame === null ? runs[0].run.bytes[0] : frame[0];
    const gaps = runs.map(({ run }) => {
      const gap = Math.max(0, run.bytes[0] - end);
      end = Math.max(end, run.bytes[1] + 1);
      return gap;
    });
    gaps.push(frame === null ? 0 : Math.max(0, frame[1] + 1 - end));
    const data = runs.reduce((sum, { run }) => sum + run.size, 0);
    const cut = new Set();
    let kept = gaps.reduce((sum, gap) => sum + gap, 0);
    for (const index of gaps.map((gap, i) => i).sort((a, b) => gaps[b] - gaps[a])) {
      if (kept <= data) break;
      cut.add(index);
      kept -= gaps[index];
    }
    const WIDTH = Math.max(drawnWidth, 280), LABEL = 96, TOP = 22, ROW = 34, BREAK = 30, AXIS = 240;
    const scale = AXIS / (data + kept);
    const left = LABEL, right = WIDTH - LABEL, middle = (left + right) / 2;
    element('text', { x: left - 10, y: 14, 'text-anchor': 'end', class: 'head', 'aria-hidden': 'true' }, picture,
      texts.MAP_BYTES);
    element('text', { x: right + 10, y: 14, class: 'head', 'aria-hidden': 'true' }, picture, texts.MAP_WORDS);
    if (frame !== null) {
      element('text', { x: middle, y: 14, 'text-anchor': 'middle', class: 'head', 'aria-hidden': 'true' }, picture,
        say('DEPTH_IS', taken.depth));
    }
    const decor = element('g', { 'aria-hidden': 'true' }, picture);
    let y = TOP;
    let axisFrom = y;
    const gapAt = (index) => {
      if (!cut.has(index)) {
        y += gaps[index] > 0 ? Math.max(4, gaps[index] * scale) : 0;
        return;
      }
      // The axis broken by two slanted strokes, the gap's size beside them.
      element('line', { x1: left, y1: axisFrom, x2: left, y2: y + 8, class: 'axis' }, decor);
      for (const shift of [0, 6]) {
        element('line', { x1: left - 7, y1: y + 14 + shift, x2: left + 7, y2: y + 8 + shift, class: 'axis' }, decor);
      }
      const mark = element('g', { class: 'gap' }, decor);
      element('text', { x: middle, y: y + BREAK / 2 + 4, 'text-anchor': 'middle' }, mark,
        say('MAP_GAP', size(gaps[index])));
      y += BREAK;
      axisFrom = y - 8;
    };
    const bars = [];
    runs.forEach(({ run, index }, i) => {
      gapAt(i);
      const height = Math.max(ROW, run.size * scale);
      const bar = element('g', {
        class: run.misread ? 'run misread' : 'run', role: 'listitem', tabindex: bars.length === 0 ? 0 : -1,
        'aria-label': runLine(run), 'data-bytes': run.bytes.join(), 'data-words': run.words.join(),
        'data-index': index,
      }, picture);
      if (run.misread) bar.dataset.misread = 'true';
      element('rect', { x: left, y, width: right - left, height, rx: 3 }, bar);
      const labels = element('g', { 'aria-hidden': 'true' }, bar);
      element('text', { x: middle, y: y + height / 2 + 4, 'text-anchor': 'middle' }, labels, size(run.size));
      const ends = run.bytes[0] === run.bytes[1] && run.words[0] === run.words[1] ? [0] : [0, 1];
      for (const which of ends) {
        const at = which === 0 ? y + 13 : y + height - 5;
        element('text', { x: left - 10, y: at, 'text-anchor': 'end' }, labels, address(run.bytes[which]));
        element('text', { x: right + 10, y: at }, labels, address(run.words[which]));
      }
      bars.push(bar);
      y += height;
    });
    gapAt(runs.length);
    element('line', { x1: left, y1: axisFrom, x2: left, y2: y, class: 'axis' }, decor);
    if (frame !== null) {
      element('rect', { x: left - 4, y: TOP - 4, width: right - left + 8, height: y - TOP + 8, class: 'frame' }, decor);
    }
    const undrawn = map.runs.length - runs.length + (map.more_runs || 0);
    if (undrawn > 0) {
      y += 20;
      element('text', { x: middle, y, 'text-anchor': 'middle', class: 'head', 'aria-hidden': 'true' }, picture,
        say('MAP_NOT_SHOWN', undrawn));
    }
    picture.setAttribute('height', y + 8);
  }

  // One run in the Tab order, the one last in focus; the arrow keys, Home
  // and End move among them, top to bottom. Heard on the section: Chromium
  // makes an svg that listens for focus a stop of its own.
  mapSection.addEventListener('focusin', (event) => {
    const bar = event.target.closest && event.target.closest('.run');
    if (!bar) return;
    for (const other of picture.querySelectorAll('.run')) other.tabIndex = other === bar ? 0 : -1;
    $('map-run').textContent = bar.getAttribute('aria-label');
  });
  mapSection.addEventListener('keydown', (event) => {
    const bars = [...picture.querySelectorAll('.run')];
    const at = bars.indexOf(document.activeElement);
    const MOVES = { ArrowDown: at + 1, ArrowRight: at + 1, ArrowUp: at - 1, ArrowLeft: at - 1, Home: 0,
      End: bars.length - 1 };
    if (at < 0 || !(event.key in MOVES)) return;
    event.preventDefault();
    bars[Math.min(Math.max(MOVES[event.key], 0), bars.length - 1)].focus();
  });
  new ResizeObserver(() => {
    if (shown === null || picture.clientWidth === drawnWidth) return;
    const focused = document.activeElement.closest && document.activeElement.closest('.run');
    const index = focused ? focused.dataset.index : null;
    draw();
    if (index !== null) picture.querySelector(`.run[data-index="${index}"]`).focus();
  }).observe(mapSection);

  function convertChosen() {
    $('chosen').textContent = say('CHOSEN', file.name);
    convert(true);
  }

  function choose(chosen) {
    if (!chosen) return;
    file = chosen;
    // Emptied, so that choosing the same file again is a change too.
    fileInput.value = '';
    if (texts !== null) convertChosen();
  }

  fileInput.addEventListener('change', () => choose(fileInput.files[0]));
  for (const option of options) {
    option.addEventListener('change', () => convert(false));
    option.addEventListener('input', () => texts !== null && showWhatApplies());
  }

  // The whole page takes a dropped file; the zone shows where.
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    drop.classList.add('over');
  });
  document.addEventListener('dragleave', (event) => {
    if (event.relatedTarget === null) drop.classList.remove('over');
  });
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    drop.classList.remove('over');
    choose(event.dataTransfer.files[0]);
  });

  startWorker();
  worker.postMessage({ languages: (navigator.languages || [navigator.language]).join(',') });
})();
