// The engine client: one worker, spoken to in UCI, one search at a time.
// Each search is queued behind the one before, and a search that is no
// longer wanted is stopped and its move ignored, so that a stale bestmove
// never reaches the game.
//
// The engine is 'loading', then 'ready' or 'failed'.  A failure (the worker
// script or the .wasm missing, the engine ending, no answer to uci) ends
// every search asked for with null, and later ones at once, so that nothing
// waits for ever on an engine that is not there.

// How long the engine may take to answer uci (compiling the .wasm included).
const START_TIMEOUT_MS = 30000;

// The threaded build runs where the browser gives a page shared memory
// (cross-origin isolated: the COOP and COEP headers), with as many threads
// as the browser reports cores, 2 to 8 (the pool of workers it starts).
export function threadsAvailable() {
  if (!globalThis.crossOriginIsolated || typeof SharedArrayBuffer === 'undefined') return 1;
  return Math.min(8, Math.max(2, navigator.hardwareConcurrency || 2));
}

export class Engine {
  // threads > 1: the threaded build with that many threads.
  constructor(url, onState, threads = 1) {
    this.onState = onState;
    this.threaded = threads > 1;
    this.threads = threads;
    this.state = 'loading';
    this.failure = '';
    this.waiters = [];
    this.current = null; // the search running: { onInfo, resolve, stale }
    this.queue = Promise.resolve();
    this.generation = 0; // cancel() leaves searches of older generations unstarted
    this.name = 'Velkar';
    this.options = new Map(); // name -> default, from the uci answer
    try {
      this.worker = this.threaded ? new Worker(url, { name: 'velkar-mt' }) : new Worker(url);
    } catch {
      this.fail();
      return;
    }
    this.worker.onmessage = (event) => this.receive(String(event.data));
    // The browser's message for a worker that failed is the loader's own
    // text (an abort with its internals) or nothing: the page says plainly
    // what failed instead.
    this.worker.onerror = (event) => {
      event.preventDefault?.();
      this.fail();
    };
  }

  send(line) {
    if (this.state !== 'failed') this.worker.postMessage(line);
  }

  waitFor(prefix) {
    if (this.state === 'failed') return Promise.resolve(null);
    return new Promise((resolve) => this.waiters.push({ prefix, resolve }));
  }

  fail() {
    if (this.state === 'failed') return;
    const wasReady = this.state === 'ready';
    this.state = 'failed';
    this.failure = wasReady
      ? 'Velkar stopped working. Reload the page to start it again.'
      : 'Velkar could not be started: its files (velkar.js, velkar-core.js and velkar-core.wasm) could not be ' +
        'loaded beside the page. Check that they are served from the same folder, the .wasm as application/wasm.';
    try {
      this.worker?.terminate();
    } catch {
      // already gone
    }
    for (const w of this.waiters.splice(0)) w.resolve(null);
    const search = this.current;
    this.current = null;
    search?.resolve(null);
    this.onState?.(this.state);
  }

  receive(line) {
    const i = this.waiters.findIndex((w) => line.startsWith(w.prefix));
    if (i >= 0) this.waiters.splice(i, 1)[0].resolve(line);
    if (line.startsWith('id name ')) this.name = line.slice(8);
    const option = /^option name (.+?) type \w+ default (\S+)/.exec(line);
    if (option) this.options.set(option[1], option[2]);
    const given = /^info string the system gave (\d+) of \d+ threads/.exec(line);
    if (given) this.threads = Number(given[1]);
    const search = this.current;
    if (!search) return;
    if (line.startsWith('info ') && !search.stale) search.onInfo?.(line);
    if (line.startsWith('bestmove')) {
      this.current = null;
      search.resolve(search.stale ? null : line.split(/\s+/)[1]);
    }
  }

  async start() {
    const timer = setTimeout(() => this.fail(), START_TIMEOUT_MS);
    this.send('uci');
    await this.waitFor('uciok');
    if (this.threaded) this.send(`setoption name Threads value ${this.threads}`);
    this.send('isready');
    await this.waitFor('readyok');
    clearTimeout(timer);
    if (this.state === 'failed') return false;
    this.state = 'ready';
    this.onState?.(this.state);
    return true;
  }

  // Queues a search: the option lines, the position, then the go command.
  // Resolves with the best move, or null when it was cancelled or the
  // engine failed.
  run({ setup = [], position, go, onInfo }) {
    const generation = this.generation;
    const result = this.queue.then(
      () =>
        new Promise((resolve) => {
          if (generation !== this.generation || this.state === 'failed') {
            resolve(null);
            return;
          }
          for (const line of setup) this.send(line);
          this.send(position);
          this.current = { onInfo, resolve, stale: false };
          this.send(go);
        }),
    );
    this.queue = result;
    return result;
  }

  // Asks the engine to read a position, and resolves with the FEN it says
  // it holds (the d command), once the searches before have ended; null
  // when the engine failed.
  readPosition(position) {
    const result = this.queue.then(() => {
      this.send(position);
      this.send('d');
      return this.waitFor('Fen: ').then((line) => line && line.slice(5));
    });
    this.queue = result.catch(() => null);
    return result;
  }

  // Sends lines once the searches asked for so far have ended, and resolves
  // once the engine has answered isready after them (false when it failed).
  settle(lines) {
    const result = this.queue.then(() => {
      for (const line of lines) this.send(line);
      this.send('isready');
      return this.waitFor('readyok').then(Boolean);
    });
    this.queue = result.catch(() => false);
    return result;
  }

  // Ends the engine: quit, and the worker closes itself.
  quit() {
    this.send('quit');
    this.state = 'failed'; // nothing more is asked of it
    for (const w of this.waiters.splice(0)) w.resolve(null);
    const search = this.current;
    this.current = null;
    search?.resolve(null);
  }

  // Ends the search that runs, keeping its result.
  stop() {
    if (this.current) this.send('stop');
    return this.queue;
  }

  // Forgets every search asked for: the running one is stopped and its move
  // ignored, queued ones never start.
  cancel() {
    this.generation++;
    if (this.current) {
      this.current.stale = true;
      this.send('stop');
    }
    return this.queue;
  }
}
