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
    document.body.dataset.elapsed = elapsed.toFixed(1); // for benchmarks
    setState('done');
  }

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
