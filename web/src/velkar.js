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
    // Node: the loader cannot fetch a file path, so it is handed the bytes.
    const path = require('path');
    const fs = require('fs');
    module.exports.createVelkar = function (options) {
      const o = Object.assign({}, options);
      if (!o.wasmBinary) o.wasmBinary = fs.readFileSync(path.join(__dirname, 'velkar-core.wasm'));
      return createEngine(require('./velkar-core.js'), o);
    };
  } else if (typeof importScripts === 'function') {
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
