// The page in a real browser: Debian's chromium, driven by playwright-core,
// loads web/dist from a local static server; the test plays through the
// board with mouse clicks, as a person does, and checks every reply of
// Velkar with its own chess.js.  Screenshots go to VELKAR_SCREENSHOTS
// (default build-wasm/screenshots).
'use strict';
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { after, before, test } = require('node:test');
const { chromium } = require('playwright-core');
const { Chess } = require('chess.js');
const { serve } = require('./serve.js');

const DIST = path.resolve(__dirname, '..', 'dist');
const SHOTS = process.env.VELKAR_SCREENSHOTS || path.resolve(__dirname, '..', '..', 'build-wasm', 'screenshots');
const CHROMIUM = process.env.VELKAR_CHROMIUM || '/usr/bin/chromium';
const LOWEST = '0'; // the level list of app.js: 740 first
const HIGHEST = '6'; // 1695, the highest UCI_Elo level

let server, context, page, profile;
const pageErrors = [];

before(async () => {
  server = await serve(DIST);
  profile = fs.mkdtempSync(path.join(os.tmpdir(), 'velkar-chromium-'));
  context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    viewport: { width: 1200, height: 820 },
    args: [
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
  page = await context.newPage();
  page.on('pageerror', (error) => pageErrors.push(error.message));
  page.on('console', (message) => {
    if (message.type() === 'error') pageErrors.push(message.text());
  });
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  await page.waitForSelector('body[data-engine=ready]', { timeout: 30000 });
  fs.mkdirSync(SHOTS, { recursive: true });
});

after(async () => {
  await context?.close();
  server?.close();
  if (profile) fs.rmSync(profile, { recursive: true, force: true });
});

// A small seeded generator, so that a failing game can be played again.
function generator(seed) {
  let s = seed >>> 0;
  return () => {
    s = (s * 1664525 + 1013904223) >>> 0;
    return s / 2 ** 32;
  };
}

// A click in the middle of a square.  The board redraws its squares when
// its size changes, so a square just replaced is looked up again.
async function clickSquare(square) {
  let box = null;
  for (let i = 0; i < 20 && !box; i++) {
    box = await page.locator(`rect[data-square="${square}"]`).boundingBox();
    if (!box) await page.waitForTimeout(100);
  }
  await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
}

const movesShown = () => page.$$eval('#moves li', (items) => items.map((i) => i.dataset.uci));

// The player's move: a capture of the most valuable piece it can take,
// else any move, never one that allows a mate in one, drawn at random;
// promotions are left out so that no dialog is needed.  Weak, but it keeps
// a game against the highest level going for 20 moves.
function chooseMove(referee, random) {
  const value = (m) => ({ p: 1, n: 3, b: 3, r: 5, q: 9 })[m.captured] || 0;
  const all = referee.moves({ verbose: true }).filter((m) => !m.promotion);
  const safe = all.filter((m) => {
    referee.move(m.lan);
    const mate = referee.moves().some((r) => {
      referee.move(r);
      const mated = referee.isCheckmate();
      referee.undo();
      return mated;
    });
    referee.undo();
    return !mate;
  });
  const pool = safe.length > 0 ? safe : all;
  const most = Math.max(...pool.map(value));
  const best = pool.filter((m) => value(m) === most);
  return best[Math.floor(random() * best.length)];
}

// Plays 20 moves of the player's against the level given, in new games as
// long as a game ends before; every reply of Velkar must be legal for the
// referee, and the page's move list must be the referee's game.
async function playMoves(level, seed) {
  await page.click('#tab-play');
  await page.selectOption('#level', level);
  await page.selectOption('#side', 'w');
  const random = generator(seed);
  let played = 0;
  let games = 0;
  while (played < 20) {
    await page.click('#new-game');
    games++;
    const referee = new Chess();
    while (played < 20 && !referee.isGameOver()) {
      await page.waitForSelector('body[data-turn=human]', { timeout: 30000 });
      assert.deepStrictEqual(await movesShown(), referee.history({ verbose: true }).map((m) => m.lan));
      const move = chooseMove(referee, random);
      if (!move) break;
      await clickSquare(move.from);
      await clickSquare(move.to);
      referee.move(move.lan);
      played++;
      if (referee.isGameOver()) break;
      const count = referee.history().length + 1;
      await page.waitForFunction((n) => document.querySelectorAll('#moves li').length >= n, count, {
        timeout: 30000,
      });
      const reply = (await movesShown())[count - 1];
      assert.doesNotThrow(() => referee.move(reply), `Velkar's reply ${reply} is not legal in ${referee.fen()}`);
    }
    await page.waitForFunction(() => document.body.dataset.turn !== 'engine');
    assert.match(await page.$eval('#pgn', (t) => t.value), /\n1\. /);
  }
  return games;
}

test('the page loads and starts the engine', async () => {
  assert.match(await page.textContent('#engine-name'), /^Velkar v2\.1 wasm$/);
  assert.strictEqual(await page.$$eval('#level option', (o) => o.length), 8);
  assert.match(await page.textContent('#status'), /Your move/);
});

test('20 moves against the lowest level, every reply legal', { timeout: 180000 }, async () => {
  const games = await playMoves(LOWEST, 1);
  console.log(`20 moves against the lowest level in ${games} game(s)`);
  await page.screenshot({ path: path.join(SHOTS, 'game-lowest-level.png') });
});

test('20 moves against the highest level, every reply legal', { timeout: 180000 }, async () => {
  const games = await playMoves(HIGHEST, 2);
  console.log(`20 moves against the highest level in ${games} game(s)`);
  await page.screenshot({ path: path.join(SHOTS, 'game-highest-level.png') });
});

test('take back returns to the move before, and the board can be flipped', async () => {
  const before = await movesShown();
  await page.waitForSelector('body[data-turn=human], body[data-turn=over]');
  await page.click('#takeback');
  await page.waitForSelector('body[data-turn=human]');
  const now = await movesShown();
  assert.ok(now.length < before.length);
  assert.deepStrictEqual(now, before.slice(0, now.length));
  assert.strictEqual(now.length % 2, 0, 'after a take back it is White (the player) to move');
  const a1 = await page.locator('rect[data-square="a1"]').boundingBox();
  await page.click('#flip');
  await page.waitForFunction(
    (y) => document.querySelector('rect[data-square="a1"]').getBoundingClientRect().y < y,
    a1.y,
  );
});

test('a new game from a FEN; a position Velkar refuses is said so', async () => {
  await page.locator('#setup summary').click();
  await page.fill('#fen', 'not a position');
  await page.click('#fen-load');
  assert.notStrictEqual(await page.textContent('#fen-error'), '');
  // chess.js takes this one; Velkar does not (the side not to move is in check).
  await page.fill('#fen', '4k3/8/8/8/8/8/4R3/4K3 w - - 0 1');
  await page.click('#fen-load');
  await page.waitForFunction(() => document.getElementById('fen-error').textContent.includes('Velkar'));
  const fen = '4k3/8/8/8/8/8/4P3/4K3 w - - 0 1';
  await page.fill('#fen', fen);
  await page.click('#fen-load');
  await page.waitForFunction(() => document.getElementById('pgn').value.includes('[FEN '));
  assert.strictEqual(await page.textContent('#fen-error'), '');
  assert.match(await page.$eval('#pgn', (t) => t.value), /\[SetUp "1"\]/);
});

test('analysis shows several lines with scores and WDL bars; stop answers within 200 ms', async () => {
  await page.click('#new-game');
  await page.click('#tab-analyse');
  await page.selectOption('#multipv', '3');
  await page.waitForFunction(() => document.querySelectorAll('#lines .line').length === 3, null, { timeout: 20000 });
  const lines = await page.$$eval('#lines .line', (items) =>
    items.map((i) => ({
      score: i.querySelector('.score').textContent,
      bar: i.querySelectorAll('.wdl i').length,
      pv: i.querySelector('.pv').textContent,
    })),
  );
  for (const line of lines) {
    assert.match(line.score, /^([+-]?\d+\.\d\d|#-?\d+)$/);
    assert.strictEqual(line.bar, 3);
    assert.match(line.pv, /^1\. /);
  }
  await page.waitForTimeout(2000);
  await page.screenshot({ path: path.join(SHOTS, 'analysis.png') });

  // Stop after a long analysis, five times: from the click to the reply
  // shown on the page.
  const delays = [];
  for (let i = 0; i < 5; i++) {
    if (i > 0) {
      await page.click('#analyse-toggle');
      await page.waitForSelector('body[data-analysis=running]');
      await page.waitForTimeout(1500);
    }
    delays.push(
      await page.evaluate(
        () =>
          new Promise((resolve) => {
            const start = performance.now();
            const watch = new MutationObserver(() => {
              if (document.body.dataset.analysis !== 'stopped') return;
              watch.disconnect();
              resolve(performance.now() - start);
            });
            watch.observe(document.body, { attributes: true });
            document.getElementById('analyse-toggle').click();
          }),
      ),
    );
  }
  console.log(`stop answered in ${delays.map((d) => d.toFixed(1)).join(', ')} ms`);
  assert.ok(Math.max(...delays) < 200, `stop took ${Math.max(...delays)} ms`);
});

test('no error on the page', () => {
  assert.deepStrictEqual(pageErrors, []);
});
