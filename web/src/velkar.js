// Velkar as a JavaScript module: the WebAssembly build (velkar-core.js and
// velkar-core.wasm, beside this file) behind the usual shape of a browser
// engine, UCI lines in and UCI lines out.
//
// In a browser this file is the worker itself (named 'velkar-mt', it runs
// the threaded build, velkar-core-mt.*, where the page is cross-origin
// isolated, and the single-thread one elsewhere):
//
//   const engine = new Worker('velkar.js');
//   engine.onmessage = (event) => console.log(event.data);  // one line each
//   engine.postMessage('uci');
//   engine.postMessage('go depth 8');
//
// In Node:
//
//   const { createVelkar } = require('./velkar.js');
//   const engine = await createVelkar();
//   engine.addMessageListener((line) => console.log(line));
//   engine.postMessage('go depth 8');
//
// Each message is one command (a line feed is added when it has none).
// The engine answers stop, isready and ponderhit during a search as the
// native engine does: the search gives the event loop a turn every few
// milliseconds.  After quit the worker closes itself; in Node the promise
// engine.exited resolves and the engine takes no more input.
'use strict';

(function () {
  // Lines written before anyone listens (the banner) are kept for the
  // first listener, as a pipe would keep them.
  function createEngine(VelkarCore, options) {
    const listeners = [];
    const pending = [];
    const settings = Object.assign({}, options, {
      arguments: options.arguments || [],
      sortie(line) {
        if (listeners.length === 0) {
          pending.push(line);
          return;
        }
        for (const f of listeners.slice()) f(line);
      },
    });
    return VelkarCore(settings).then((instance) => {
      const engine = {
        // One command; a line feed is added when it has none.
        postMessage(command) {
          const text = String(command);
          instance.envoie(text.endsWith('\n') ? text : text + '\n');
        },
        // Raw input bytes or text, cut into lines by the engine as it cuts
        // standard input natively.
        write(bytes) {
          instance.envoie(bytes);
        },
        // The end of the input: a search waiting for stop ends as at
        // quit, and then the engine does.
        close() {
          instance.ferme();
        },
        terminate() {
          engine.close();
        },
        addMessageListener(f) {
          listeners.push(f);
          while (listeners.length === 1 && pending.length > 0) f(pending.shift());
        },
        removeMessageListener(f) {
          const i = listeners.indexOf(f);
          if (i >= 0) listeners.splice(i, 1);
        },
        // Resolves with the exit code once the engine has ended.
        exited: instance.finMain(),
      };
      if (options.listener) engine.addMessageListener(options.listener);
      return engine;
    });
  }

  if (typeof module === 'object' && module.exports) {
    const threads = require('worker_threads');
    if (!threads.isMainThread && threads.workerData && threads.workerData.velkarMoteur) {
      // The engine's own thread (started below): the build for Node, which
      // blocks while it waits for input and is handed it through the ring.
      const d = threads.workerData.velkarMoteur;
      // The engine is ready once it first waits for input, as the
      // Asyncify build's factory resolves at the first wait: the banner
      // has been written.
      const port = threads.parentPort;
      let pret = false;
      const enAttente = () => {
        pret = true;
        port.postMessage({ pret });
      };
      const sortie = (line) => port.postMessage(line);
      require('./velkar-core-node.js')({ wasmBinary: d.wasmBinary, anneau: d.anneau, sortie, enAttente }).then(
        (instance) => {
          const code = instance.callMain(d.arguments);
          if (!pret) enAttente();
          port.postMessage({ fin: code });
        },
      );
    } else {
      module.exports.createVelkar = function (options) {
        const o = Object.assign({}, options);
        return createEngine((settings) => demarreFil(settings, o.wasmBinary), o);
      };
    }
  }

  // In Node the engine runs in a worker thread of its own, which may block
  // on its input, and so needs no Asyncify: its input is a ring of bytes in
  // shared memory, its output lines come back as messages.  The ring's
  // layout is platform/wasm-node.js's: four Int32 words (bytes written,
  // bytes taken by the engine, closed, a signal that changes at each write),
  // then the bytes.  Input that finds the ring full waits here, in order,
  // and is tried again shortly.
  function demarreFil(settings, wasmBinary) {
    const { Worker } = require('worker_threads');
    const fs = require('fs');
    const path = require('path');
    const anneau = new SharedArrayBuffer(16 + (1 << 20));
    const mots = new Int32Array(anneau, 0, 4);
    const octets = new Uint8Array(anneau, 16);
    const attente = [];
    let fermee = false;
    let minuterie = null;
    function pompe() {
      while (attente.length > 0) {
        const morceau = attente[0];
        const ecrit = mots[0];
        const libre = octets.length - ((ecrit - Atomics.load(mots, 1)) | 0);
        if (libre === 0) break;
        const k = Math.min(libre, morceau.length);
        const debut = ecrit & (octets.length - 1);
        const premier = Math.min(k, octets.length - debut);
        octets.set(morceau.subarray(0, premier), debut);
        if (k > premier) octets.set(morceau.subarray(premier, k), 0);
        Atomics.store(mots, 0, (ecrit + k) | 0);
        if (k === morceau.length) attente.shift();
        else attente[0] = morceau.subarray(k);
      }
      if (attente.length === 0 && fermee) Atomics.store(mots, 2, 1);
      Atomics.add(mots, 3, 1);
      Atomics.notify(mots, 3);
      if (attente.length > 0 && minuterie === null) {
        minuterie = setTimeout(() => {
          minuterie = null;
          pompe();
        }, 1);
      }
    }
    const worker = new Worker(__filename, {
      workerData: {
        velkarMoteur: {
          anneau,
          arguments: settings.arguments,
          wasmBinary: wasmBinary || fs.readFileSync(path.join(__dirname, 'velkar-core-node.wasm')),
        },
      },
    });
    return new Promise((resolve, reject) => {
      let pret = false;
      let fini = null;
      const finMain = new Promise((resolveFin, rejectFin) => {
        fini = { resolveFin, rejectFin };
      });
      worker.on('message', (m) => {
        if (typeof m === 'string') {
          settings.sortie(m);
        } else if (m.pret) {
          pret = true;
          resolve({
            envoie(texte) {
              if (fermee) return;
              const bytes = typeof texte === 'string' ? new TextEncoder().encode(texte) : new Uint8Array(texte);
              if (bytes.length === 0) return;
              attente.push(bytes);
              pompe();
            },
            ferme() {
              fermee = true;
              pompe();
            },
            finMain: () => finMain,
          });
        } else if ('fin' in m) {
          fermee = true;
          fini.resolveFin(m.fin);
        }
      });
      worker.on('error', (error) => (pret ? fini.rejectFin(error) : reject(error)));
      worker.on('exit', (code) => {
        const error = new Error(`the engine's thread ended (${code}) before the engine did`);
        if (pret) fini.rejectFin(error);
        else reject(error);
      });
    });
  }

  if (typeof importScripts === 'function') {
    // A Web Worker: velkar-core.js and its .wasm are fetched from beside
    // this file; messages are commands, each output line is posted back.
    // The threaded build when the page asks for it (the worker's name) and
    // the browser gives shared memory (a cross-origin isolated page).
    const threaded = self.name === 'velkar-mt' && self.crossOriginIsolated === true;
    const core = threaded ? 'velkar-core-mt.js' : 'velkar-core.js';
    importScripts(core);
    const received = [];
    let engine = null;
    self.onmessage = (event) => {
      if (typeof event.data !== 'string') return;
      if (engine) engine.postMessage(event.data);
      else received.push(event.data);
    };
    // The threaded build's helpers load the same script in workers of their own.
    createEngine(self.VelkarCore, { listener: (line) => self.postMessage(line), mainScriptUrlOrBlob: core }).then(
      (m) => {
        engine = m;
        for (const command of received.splice(0)) engine.postMessage(command);
        engine.exited.then(() => self.close());
      },
      (error) => {
        // The .wasm could not be had: thrown again outside the promise, it
        // reaches the page as the worker's error event.
        setTimeout(() => {
          throw error;
        });
      },
    );
  }
})();
