'use strict';
// The page: the chosen file and the options go to a worker (worker.js, with
// the converter built to WebAssembly before it), whose result downloads at
// once. The ids and states that tests drive are listed at the top of
// wordhex.html.
(() => {
  const $ = (id) => document.getElementById(id);
  const fileInput = $('file');
  const options = ['mode', 'word-bits', 'swap', 'fill'].map($);
  const [mode, wordBits, swap, fill] = options;
  const progress = $('progress');
  const message = $('message');
  const summary = $('summary');
  const download = $('download');
  const drop = $('drop');
  const MODES = ['halve', 'full', 'bytes'];
  // The first of the browser's languages that the converter speaks.
  const LANGUAGE = (navigator.languages || [navigator.language]).find((tag) => /^(en|ru)/i.test(tag)) || 'en';

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
      fail(`The converter could not run here: ${event.message || 'the browser gave no reason'}`);
    };
  }

  // A conversion still running is dropped with its worker: the worker is busy
  // and would only hear of a new one when it has finished.
  function convert() {
    if (file === null) return;
    if (busy) {
      worker.terminate();
      startWorker();
    }
    busy = true;
    started = performance.now();
    // The last output goes: a download already begun holds it by itself.
    if (outputUrl !== null) URL.revokeObjectURL(outputUrl);
    outputUrl = null;
    message.textContent = '';
    summary.textContent = `Converting ${file.name}\u2026`;
    progress.value = 0;
    download.hidden = true;
    download.removeAttribute('href');
    setState('working');
    worker.postMessage({
      file,
      language: LANGUAGE,
      mode: MODES.indexOf(mode.value),
      wordBits: Number(wordBits.value),
      swap: swap.checked ? 1 : 0,
      fill: fill.value.trim(),
    });
  }

  function size(bytes) {
    const units = ['bytes', 'KiB', 'MiB', 'GiB'];
    let unit = 0;
    for (; bytes >= 1024 && unit < units.length - 1; unit++) bytes /= 1024;
    return unit === 0 ? `${bytes} bytes` : `${bytes.toFixed(1)} ${units[unit]}`;
  }

  function answer(data) {
    if (data.progress !== undefined) {
      progress.value = data.total > 0 ? data.progress / data.total : 1;
      return;
    }
    if (data.failed !== undefined) {
      summary.textContent = '';
      fail(data.failed);
      return;
    }
    busy = false;
    const elapsed = performance.now() - started;
    outputUrl = URL.createObjectURL(data.blob);
    download.href = outputUrl;
    download.download = data.name;
    download.textContent = `Download ${data.name} again`;
    download.hidden = false;
    download.click();
    message.textContent = data.message;
    const seconds = elapsed < 1000 ? `${Math.round(elapsed)} ms` : `${(elapsed / 1000).toFixed(2)} s`;
    summary.textContent = `${file.name} into ${data.name}: ${data.records.toLocaleString('en-US')} records, ` +
      `${size(data.input)} into ${size(data.output)}, in ${seconds}.`;
    document.body.dataset.elapsed = elapsed.toFixed(1); // for benchmarks
    setState('done');
  }

  function choose(chosen) {
    file = chosen || null;
    convert();
  }

  fileInput.addEventListener('change', () => choose(fileInput.files[0]));
  for (const option of options) option.addEventListener('change', convert);

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
    const dropped = event.dataTransfer.files[0];
    if (dropped === undefined) return;
    const shown = new DataTransfer(); // the chooser shows the file's name
    shown.items.add(dropped);
    fileInput.files = shown.files;
    choose(dropped);
  });

  startWorker();
})();
