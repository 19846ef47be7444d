// The page in a real browser: Debian's chromium, driven by playwright-core,
// loads web/dist from a local static server; the test plays through the
// board with mouse clicks and keys, as a person does, and checks every
// reply of Velkar with its own chess.js.  Screenshots go to
// VELKAR_SCREENSHOTS (default build-wasm/screenshots).
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

let server, context, page, profile, base;
const pageErrors = [];

function watch(p) {
  p.on('pageerror', (error) => pageErrors.push(error.message));
  p.on('console', (message) => {
    if (message.type() === 'error' && !message.text().includes('404')) pageErrors.push(message.text());
  });
  return p;
}

before(async () => {
  server = await serve(DIST);
  base = `http://127.0.0.1:${server.address().port}/`;
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
  page = watch(await context.newPage());
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
async function clickSquare(square, p = page) {
  let box = null;
  for (let i = 0; i < 20 && !box; i++) {
    box = await p.locator(`rect[data-square="${square}"]`).boundingBox();
    if (!box) await p.waitForTimeout(100);
  }
  await p.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
}

const movesShown = (p = page) => p.$$eval('#moves li', (items) => items.map((i) => i.dataset.uci));

// The board's pieces as the first field of a FEN.
const boardShown = (p = page) =>
  p.$$eval('#board g[data-piece]', (pieces) => {
    const at = {};
    for (const g of pieces) at[g.dataset.square] = g.dataset.piece;
    const rows = [];
    for (let rank = 8; rank >= 1; rank--) {
      let row = '';
      let empty = 0;
      for (const file of 'abcdefgh') {
        const piece = at[file + rank];
        if (!piece) {
          empty++;
          continue;
        }
        if (empty) row += empty;
        empty = 0;
        row += piece[0] === 'w' ? piece[1].toUpperCase() : piece[1];
      }
      rows.push(row + (empty || ''));
    }
    return rows.join('/');
  });

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
  await page.selectOption('#side', 'w');
  await page.selectOption('#level', level);
  const random = generator(seed);
  let played = 0;
  while (played < 20) {
    await page.click('#new-game');
    const referee = new Chess();
    while (played < 20 && !referee.isGameOver()) {
      await page.waitForSelector('body[data-turn=human]', { timeout: 30000 });
      assert.deepStrictEqual(await movesShown(), referee.history({ verbose: true }).map((m) => m.lan));
      const move = chooseMove(referee, random);
      if (!move) break;
      await clickSquare(move.from);
      // The squares the piece may go to are dotted.
      const dots = await page.$$eval('#board .marker-dot', (d) => d.length);
      assert.strictEqual(dots, referee.moves({ square: move.from }).length);
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
      if (referee.inCheck()) {
        await page.waitForSelector('#board .marker-check');
      }
    }
    await page.waitForFunction(() => document.body.dataset.turn !== 'engine');
    assert.match(await page.$eval('#pgn', (t) => t.value), /\n1\. /);
  }
}

test('the engine starts before the page takes a move', async () => {
  // The .wasm held back for a moment: the page waits, and says so.
  await page.route('**/velkar-core.wasm', async (route) => {
    await new Promise((resolve) => setTimeout(resolve, 1500));
    await route.continue();
  });
  await page.goto(base);
  await page.waitForSelector('body[data-engine=loading]');
  assert.match(await page.textContent('#status'), /Starting the engine/);
  assert.strictEqual(await page.getAttribute('body', 'data-turn'), 'wait');
  await page.waitForSelector('body[data-engine=ready]', { timeout: 30000 });
  await page.unroute('**/velkar-core.wasm');
  assert.match(await page.textContent('#engine-name'), /^Velkar v2\.1 wasm$/);
  assert.strictEqual(await page.$$eval('#level option', (o) => o.length), 8);
  assert.match(await page.textContent('#status'), /Your move/);
  // Every square takes keyboard focus; the promotion dialog is hidden until needed.
  assert.strictEqual(await page.$$eval('rect[data-square][tabindex="0"]', (r) => r.length), 64);
  assert.strictEqual(await page.getAttribute('.promotion-dialog-group', 'aria-hidden'), 'true');
});

test('a move made with the keyboard alone (with the sound on)', async () => {
  await page.check('#sound');
  await page.click('#new-game');
  await page.waitForSelector('body[data-turn=human]');
  await page.focus('rect[data-square="g1"]');
  await page.keyboard.press('Enter');
  await page.focus('rect[data-square="f3"]');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.querySelectorAll('#moves li').length >= 2, null, { timeout: 30000 });
  assert.strictEqual((await movesShown())[0], 'g1f3');
  await page.uncheck('#sound');
});

test('20 moves against the lowest level, every reply legal', { timeout: 180000 }, async () => {
  await playMoves(LOWEST, 1);
  await page.screenshot({ path: path.join(SHOTS, 'game-lowest-level.png') });
});

test('20 moves against the highest level, every reply legal; stepping through it by keys and clicks', { timeout: 180000 }, async () => {
  await playMoves(HIGHEST, 2);
  await page.screenshot({ path: path.join(SHOTS, 'game-highest-level.png') });
  // The game as the page has it (Velkar's last reply included).
  const replay = new Chess();
  for (const lan of await movesShown()) replay.move(lan);
  const history = replay.history({ verbose: true });
  const fenAt = (ply) => (ply === 0 ? new Chess().fen() : history[ply - 1].after).split(' ')[0];
  const shownAt = async (ply) => {
    await page.waitForFunction((p) => window.velkar.state.ply === p, ply);
    // The board draws the position it is given in its next frames.
    let shown;
    for (let i = 0; i < 50 && (shown = await boardShown()) !== fenAt(ply); i++) await page.waitForTimeout(100);
    assert.strictEqual(shown, fenAt(ply), `the board at ply ${ply}`);
  };
  await page.locator('#status').click(); // the focus off the selects
  await page.keyboard.press('Home');
  await shownAt(0);
  // The last game may be short when an earlier one ended: steps within it.
  const n = history.length;
  const right = Math.min(3, n);
  for (let i = 0; i < right; i++) await page.keyboard.press('ArrowRight');
  await shownAt(right);
  if (right < n) {
    assert.match(await page.textContent('#status'), new RegExp(`Move ${right} of ${n}`));
    assert.strictEqual(await page.getAttribute('body', 'data-turn'), 'engine', 'no move taken while looking back');
  }
  await page.keyboard.press('ArrowLeft');
  await shownAt(right - 1);
  const clicked = Math.max(1, n - 1);
  await page.click(`#moves li[data-ply="${clicked}"]`);
  await shownAt(clicked);
  assert.strictEqual(await page.getAttribute(`#moves li[data-ply="${clicked}"]`, 'aria-current'), 'true');
  await page.click('#prev');
  await shownAt(clicked - 1);
  await page.keyboard.press('End');
  await shownAt(history.length);
  await page.waitForSelector('body[data-turn=human], body[data-turn=over]');
});

test('a reload keeps the game and the settings; a level changed mid-game waits, said so', async () => {
  const before = await movesShown();
  assert.ok(before.length > 0);
  await page.selectOption('#movetime', '1000');
  const pgn = await page.$eval('#pgn', (t) => t.value);
  await page.reload();
  await page.waitForSelector('body[data-engine=ready]', { timeout: 30000 });
  assert.deepStrictEqual(await movesShown(), before);
  assert.strictEqual(await page.$eval('#level', (s) => s.value), HIGHEST);
  assert.strictEqual(await page.$eval('#movetime', (s) => s.value), '1000');
  assert.strictEqual(await page.$eval('#pgn', (t) => t.value), pgn);
  await page.selectOption('#level', LOWEST);
  assert.match(await page.textContent('#notice'), /next game/);
  assert.strictEqual(await page.$eval('#pgn', (t) => t.value), pgn, 'the headers are the game’s own');
  await page.selectOption('#movetime', '200');
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
  await page.click('#flip');
});

test('resign ends the game with a banner; rematch starts another', async () => {
  await page.waitForSelector('body[data-turn=human]');
  await page.click('#resign');
  await page.waitForSelector('#banner:not([hidden])');
  assert.match(await page.textContent('#banner-text'), /^0-1: White resigned/);
  assert.match(await page.$eval('#pgn', (t) => t.value), /\[Result "0-1"\]/);
  await page.click('#rematch');
  await page.waitForSelector('#banner[hidden]', { state: 'attached' });
  assert.deepStrictEqual(await movesShown(), []);
});

test('a new game from a FEN: refused, corrected, and numbered as the FEN says', async () => {
  await page.selectOption('#level', LOWEST);
  await page.locator('#setup summary').click();
  await page.fill('#fen', 'not a position');
  await page.click('#fen-load');
  assert.notStrictEqual(await page.textContent('#fen-error'), '');
  // chess.js takes this one; Velkar does not (the side not to move is in check).
  await page.fill('#fen', '4k3/8/8/8/8/8/4R3/4K3 w - - 0 1');
  await page.click('#fen-load');
  await page.waitForFunction(() => document.getElementById('fen-error').textContent.includes('Velkar'));
  // Castling rights without rooks are dropped, and the page says so.
  await page.fill('#fen', '4k3/8/8/8/8/8/4P3/4K3 w KQkq - 0 1');
  await page.click('#fen-load');
  await page.waitForFunction(() => document.getElementById('pgn').value.includes('[FEN "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"]'));
  assert.match(await page.textContent('#fen-error'), /Castling rights/);
  // Black (Velkar) to move at move 20: the list counts from there.
  await page.fill('#fen', 'r1bqk2r/pppp1ppp/2n2n2/4p3/1bB1P3/2N2N2/PPPP1PPP/R1BQK2R b KQkq - 5 20');
  await page.click('#fen-load');
  await page.waitForFunction(() => document.querySelectorAll('#moves li').length >= 1, null, { timeout: 30000 });
  const first = await page.$eval('#moves li', (li) => ({ number: li.dataset.number, cls: li.className }));
  assert.deepStrictEqual(first, { number: '20', cls: 'black first current' });
  assert.match(await page.$eval('#pgn', (t) => t.value), /\n20\. \.\.\. /); // chess.js writes "20. ... Rb8"
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
  assert.strictEqual(await page.getAttribute('#eval-bar', 'data-known'), 'yes');
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

// A 40-move game (seeded random moves, so it has its share of blunders),
// with headers, a comment and a variation that the import skips.
function fortyMoves() {
  const random = generator(7);
  const chess = new Chess();
  while (chess.history().length < 80) {
    if (chess.isGameOver()) chess.reset();
    const moves = chess.moves();
    chess.move(moves[Math.floor(random() * moves.length)]);
  }
  const san = chess.history();
  let text = '[Event "Test game"]\n[White "Alpha"]\n[Black "Beta"]\n\n';
  san.forEach((m, i) => {
    if (i % 2 === 0) text += `${i / 2 + 1}. `;
    text += m + ' ';
    if (i === 0) text += '{a comment} (1... e5 2. Nf3) ';
    if (i === 0) text += '1... ';
  });
  return { text: text + '*', moves: chess.history({ verbose: true }).map((m) => m.lan) };
}

test('a review of a 40-move PGN: accuracies and marks, the same on a second run', { timeout: 240000 }, async () => {
  const game = fortyMoves();
  const review = async () => {
    await page.fill('#pgn-in', game.text);
    await page.click('#pgn-load');
    await page.waitForFunction((n) => document.querySelectorAll('#moves li').length === n, game.moves.length);
    assert.deepStrictEqual(await movesShown(), game.moves);
    await page.click('#review-start');
    await page.waitForSelector('#review-progress:not([hidden])');
    await page.waitForSelector('#review-summary:not([hidden])', { timeout: 200000 });
    return {
      accuracy: [await page.textContent('#accuracy-w'), await page.textContent('#accuracy-b')],
      marks: await page.$$eval('#moves li', (items) => items.map((i) => i.dataset.mark)),
      graph: await page.$$eval('#graph circle.mark', (c) => c.length),
    };
  };
  await page.locator('#import summary').click();
  // A PGN with a move that is not legal is refused, and the game stays.
  const before = await movesShown();
  await page.fill('#pgn-in', '1. e4 e5 2. Ke3 Kd8 *');
  await page.click('#pgn-load');
  assert.match(await page.textContent('#pgn-error'), /could not be read|not legal/);
  assert.deepStrictEqual(await movesShown(), before);
  const first = await review();
  for (const a of first.accuracy) assert.match(a, /^\d+\.\d$/);
  const marked = first.marks.filter(Boolean).length;
  assert.ok(marked > 0, 'random moves make mistakes');
  assert.strictEqual(first.graph, marked, 'each mark on the graph');
  assert.match(await page.$eval('#pgn', (t) => t.value), /\[White "Alpha"\]/);
  // A marked move shows the better one with its line.
  const ply = first.marks.findIndex(Boolean) + 1;
  await page.click(`#moves li[data-ply="${ply}"]`);
  assert.match(await page.textContent('#review-note'), /was best: /);
  // A click on the graph goes to that move.
  const box = await page.locator('#graph').boundingBox();
  await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
  await page.waitForFunction(() => window.velkar.state.ply === 40);
  await page.screenshot({ path: path.join(SHOTS, 'review.png'), fullPage: true });
  const second = await review();
  assert.deepStrictEqual(second, first);
});

test('a link keeps the moves; a phone-sized window keeps the analysis readable', async () => {
  const phone = watch(await context.newPage());
  await phone.setViewportSize({ width: 390, height: 844 });
  await phone.goto(`${base}#moves=e2e4+e7e5+g1f3`);
  await phone.waitForSelector('body[data-engine=ready]', { timeout: 30000 });
  assert.deepStrictEqual(await movesShown(phone), ['e2e4', 'e7e5', 'g1f3']);
  assert.strictEqual(await phone.getAttribute('body', 'data-mode'), 'analyse');
  await phone.waitForFunction(() => document.querySelectorAll('#lines .line').length >= 1, null, { timeout: 20000 });
  const pv = await phone.locator('#lines .pv').first().boundingBox();
  assert.ok(pv.width > 300, `the line is ${pv.width} px wide`);
  const width = await phone.evaluate(() => document.documentElement.scrollWidth);
  assert.ok(width <= 390, `the page is ${width} px wide`);
  await phone.waitForTimeout(1000);
  await phone.screenshot({ path: path.join(SHOTS, 'phone.png'), fullPage: true });
  await phone.close();
});

test('an engine that cannot load says so plainly', async () => {
  for (const file of ['velkar-core.wasm', 'velkar.js']) {
    const broken = watch(await context.newPage());
    await broken.route(`**/${file}`, (route) => route.fulfill({ status: 404, body: '' }));
    await broken.goto(base);
    await broken.waitForSelector('body[data-engine=failed]', { timeout: 30000 });
    const status = await broken.textContent('#status');
    assert.match(status, /could not be started/, file);
    assert.doesNotMatch(status, /Abort|RuntimeError|wasm-function/);
    assert.strictEqual(await broken.getAttribute('body', 'data-turn'), 'wait');
    await broken.click('#tab-analyse');
    assert.ok(await broken.$eval('#analyse-toggle', (b) => b.disabled), 'no Start or Stop without an engine');
    assert.match(await broken.textContent('#status'), /could not be started/);
    if (file === 'velkar.js') await broken.screenshot({ path: path.join(SHOTS, 'engine-failed.png') });
    await broken.close();
  }
});

test('the threaded build under the COOP/COEP headers, the single-thread one without', { timeout: 120000 }, async () => {
  assert.match(await page.textContent('#build-info'), /^single-thread build/);
  assert.strictEqual(await page.getAttribute('body', 'data-threads'), '1');
  const isolated = await serve(DIST, 0, { isolated: true });
  const p = watch(await context.newPage());
  try {
    await p.goto(`http://127.0.0.1:${isolated.address().port}/`);
    await p.waitForSelector('body[data-engine=ready]', { timeout: 30000 });
    assert.ok(Number(await p.getAttribute('body', 'data-threads')) > 1);
    assert.match(await p.textContent('#build-info'), /^threaded build, [2-8] threads$/);
    // It plays: a legal reply to 1. e4.
    await p.waitForSelector('body[data-turn=human]');
    await clickSquare('e2', p);
    await clickSquare('e4', p);
    await p.waitForFunction(() => document.querySelectorAll('#moves li').length >= 2, null, { timeout: 30000 });
    const referee = new Chess();
    for (const lan of await movesShown(p)) assert.doesNotThrow(() => referee.move(lan));
    // A review is the same every time here too (it searches with one thread).
    const game = fortyMoves();
    const text = game.text.replace(/ 11\. .*/, ' *');
    await p.locator('#import summary').click();
    const review = async () => {
      await p.fill('#pgn-in', text);
      await p.click('#pgn-load');
      await p.waitForFunction(() => document.querySelectorAll('#moves li').length === 20);
      await p.click('#review-start');
      await p.waitForSelector('#review-summary:not([hidden])', { timeout: 60000 });
      return [await p.textContent('#review-summary'), await movesShown(p), await p.$$eval('#moves li', (l) => l.map((i) => i.dataset.mark))];
    };
    assert.deepStrictEqual(await review(), await review());
    // It analyses, and stops.
    await p.click('#tab-analyse');
    await p.waitForFunction(() => document.querySelectorAll('#lines .line').length >= 1, null, { timeout: 20000 });
    await p.click('#analyse-toggle');
    await p.waitForSelector('body[data-analysis=stopped]', { timeout: 5000 });
    await p.screenshot({ path: path.join(SHOTS, 'threaded.png') });
  } finally {
    await p.close();
    isolated.close();
  }
});

test('no error on the page', () => {
  assert.deepStrictEqual(pageErrors, []);
});
