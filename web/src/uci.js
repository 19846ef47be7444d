#!/usr/bin/env node
// Velkar's WebAssembly build as a UCI engine for any chess interface or
// match runner: standard input to the engine, each output line to
// standard output, through the same module a web page uses.
//
//   node uci.js              the engine, as build/velkar is natively
//   node uci.js bench [D]    the bench (default depth 7), then exits
//
// The bench is the fixed search whose node count is the signature of the
// engine; it searches with the table size of the signature (128 MB) even
// though the web build starts with 16 MB, so it searches the same tree node
// for node.
'use strict';

const { createVelkar } = require('./velkar.js');

const args = process.argv.slice(2);
const bench = args[0] === 'bench';

// A chess interface that closes its end of the pipe must not end the
// engine in the middle of a line (the native engine ignores SIGPIPE too).
process.stdout.on('error', () => {});

let banner = bench;  // the bench prints no banner natively
createVelkar({
  listener(line) {
    if (banner) {
      banner = false;
      return;
    }
    process.stdout.write(line + '\n');
  },
}).then((engine) => {
  engine.exited.then((code) => process.exit(code));
  if (bench) {
    const depth = args[1] !== undefined ? ' ' + args[1] : '';
    engine.write('bench' + depth + '\n');
    engine.close();
    return;
  }
  process.stdin.on('data', (bytes) => engine.write(bytes));
  process.stdin.on('end', () => engine.close());
});
