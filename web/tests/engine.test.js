// The WebAssembly engine in Node: the module (web/dist/velkar.js) and the
// UCI command (web/dist/uci.js), as a page and an interface use them.
'use strict';
const assert = require('node:assert');
const { spawn, spawnSync } = require('node:child_process');
const path = require('node:path');
const { test } = require('node:test');

const DIST = path.resolve(__dirname, '..', 'dist');
const { createVelkar } = require(path.join(DIST, 'velkar.js'));
const UCI = path.join(DIST, 'uci.js');

// An engine whose lines are kept, with a wait for a line that starts with
// a given text.
async function start() {
  const lines = [];
  const waiting = [];
  const engine = await createVelkar();
  engine.addMessageListener((line) => {
    lines.push({ line, at: performance.now() });
    for (const w of waiting.splice(0)) {
      if (line.startsWith(w.prefix)) w.resolve(lines.at(-1));
      else waiting.push(w);
    }
  });
  engine.lines = lines;
  engine.next = (prefix, ms = 20000) =>
    new Promise((resolve, reject) => {
      const timer = setTimeout(() => reject(new Error(`no "${prefix}" within ${ms} ms`)), ms);
      waiting.push({ prefix, resolve: (l) => (clearTimeout(timer), resolve(l)) });
    });
  return engine;
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

test('uci.js bench searches the signature node for node', () => {
  const run = spawnSync(process.execPath, [UCI, 'bench'], { encoding: 'utf8', timeout: 300000 });
  assert.strictEqual(run.status, 0, run.stderr);
  const out = run.stdout.split('\n');
  assert.ok(out.includes('Nodes searched: 17230875'), out.slice(-4).join('\n'));
  assert.match(run.stdout, /^Nodes\/second: \d+$/m);
  assert.ok(!run.stdout.startsWith('Velkar'), 'the bench prints no banner');
  console.log(out.filter((l) => l.startsWith('Nodes')).join(', '));
});

test('the module: banner for a late listener, web defaults, one thread, a search', async () => {
  const engine = await start();
  assert.match(engine.lines[0].line, /^Velkar v2\.1 wasm built /);
  engine.postMessage('uci');
  await engine.next('uciok');
  const options = engine.lines.map((l) => l.line);
  assert.ok(options.includes('option name Hash type spin min 2 max 4096 default 16'));
  assert.ok(!options.some((l) => l.includes('SyzygyPath')));
  engine.postMessage('setoption name Threads value 4');
  assert.strictEqual((await engine.next('info string')).line, 'info string the system gave 1 of 4 threads');
  // Memory the 32-bit heap cannot give is refused, and the engine goes on.
  engine.postMessage('setoption name Hash value 4096');
  assert.match((await engine.next('info string')).line, /not enough memory .* keeping 16 MB/);
  engine.postMessage('position startpos moves e2e4\ngo depth 8');
  const best = await engine.next('bestmove');
  assert.match(best.line, /^bestmove [a-h][1-8][a-h][1-8]/);
  engine.postMessage('quit');
  assert.strictEqual(await engine.exited, 0);
});

test('during a search the event loop runs, and isready, ponderhit and stop are answered', async () => {
  const engine = await start();
  engine.postMessage('position startpos\ngo infinite');
  await engine.next('info depth 5');
  // A timer every 10 ms: how late does it fire while the engine searches?
  let late = 0;
  let expected = performance.now() + 10;
  const timer = setInterval(() => {
    late = Math.max(late, performance.now() - expected);
    expected = performance.now() + 10;
  }, 10);
  await sleep(1000);
  clearInterval(timer);
  assert.ok(late < 60, `a timer fired ${late.toFixed(1)} ms late`);

  const asked = performance.now();
  engine.postMessage('isready');
  const ready = await engine.next('readyok');
  assert.ok(ready.at - asked < 100, `readyok after ${ready.at - asked} ms`);
  const stopped = performance.now();
  engine.postMessage('stop');
  const best = await engine.next('bestmove');
  assert.ok(best.at - stopped < 100, `bestmove after ${best.at - stopped} ms`);
  console.log(
    `timers at most ${late.toFixed(1)} ms late; readyok after ${(ready.at - asked).toFixed(1)} ms, ` +
      `bestmove after ${(best.at - stopped).toFixed(1)} ms`,
  );

  // perft looks at the input through a callback of its own: stop ends it.
  engine.postMessage('position startpos\nperft 7');
  await sleep(300);
  engine.postMessage('stop');
  await engine.next('info string perft stopped before its end', 3000);

  // A ponder search waits for ponderhit, then plays on its clock.
  engine.postMessage('position startpos moves e2e4 e7e5\ngo ponder wtime 2000 btime 2000');
  await sleep(300);
  assert.ok(!engine.lines.some((l) => l.line.startsWith('bestmove') && l.at > best.at));
  engine.postMessage('ponderhit');
  const played = await engine.next('bestmove', 3000);
  assert.match(played.line, /^bestmove \S+\s+ponder \S+$/);
  engine.close();
  assert.strictEqual(await engine.exited, 0);
});

test('two engines in one process search at the same time, each on its own board', async () => {
  const [a, b] = await Promise.all([start(), start()]);
  a.postMessage('position startpos\ngo depth 9');
  b.postMessage('position fen 4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\ngo depth 14');
  const [ba, bb] = await Promise.all([a.next('bestmove', 60000), b.next('bestmove', 60000)]);
  assert.match(ba.line, /^bestmove (a2a3|a2a4|b2b3|b2b4|c2c3|c2c4|d2d3|d2d4|e2e3|e2e4|f2f3|f2f4|g2g3|g2g4|h2h3|h2h4|b1a3|b1c3|g1f3|g1h3) /);
  assert.match(bb.line, /^bestmove (e1|e2)/);
  // Each searched while the other did: their info lines interleave.
  const lastA = a.lines.filter((l) => l.line.startsWith('info')).at(-1).at;
  const firstB = b.lines.find((l) => l.line.startsWith('info')).at;
  assert.ok(firstB < lastA, 'the second engine waited for the first');
  a.postMessage('quit');
  b.postMessage('quit');
  assert.deepStrictEqual(await Promise.all([a.exited, b.exited]), [0, 0]);
});

test('uci.js: lines split across writes and CRLF, and the end of input during go infinite', async () => {
  const child = spawn(process.execPath, [UCI], { stdio: ['pipe', 'pipe', 'pipe'] });
  let out = '';
  child.stdout.on('data', (d) => (out += d));
  child.stdin.write('posi');
  await sleep(50);
  child.stdin.write('tion startpos moves e2e4\r\nisre');
  await sleep(50);
  child.stdin.write('ady\r\ngo infinite\n');
  await sleep(500);
  child.stdin.end(); // as quit: the search ends with its move, then the engine
  const code = await new Promise((resolve) => child.on('exit', resolve));
  assert.strictEqual(code, 0);
  assert.match(out, /^readyok$/m);
  assert.match(out, /^bestmove [a-h][1-8][a-h][1-8]/m);
});
