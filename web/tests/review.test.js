// The review's formulas at the values players know from the sites that
// publish them: a fault in a constant or a sign would change every
// accuracy and every mark the page shows.
'use strict';
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { test } = require('node:test');

// The page's module as the browser loads it (plain ES module, no imports).
const source = fs.readFileSync(path.join(__dirname, '..', 'page', 'review.js'), 'utf8');
const load = () => import('data:text/javascript,' + encodeURIComponent(source));

const near = (actual, expected, digits = 3) =>
  assert.ok(Math.abs(actual - expected) < 0.5 * 10 ** -digits, `${actual} is not ${expected}`);

test('Win% and move accuracy at the published values', async () => {
  const r = await load();
  near(r.winPercent({ cp: 100 }), 59.103);
  near(r.winPercent({ cp: 300 }), 75.113);
  near(r.winPercent({ cp: 0 }), 50);
  near(r.winPercent({ cp: -300 }), 100 - 75.113);
  // cp is clamped to +-1000 and a mate counts as 1000.
  assert.strictEqual(r.winPercent({ cp: 5000 }), r.winPercent({ cp: 1000 }));
  assert.strictEqual(r.winPercent({ mate: 3 }), r.winPercent({ cp: 1000 }));
  assert.strictEqual(r.winPercent({ mate: -1 }), r.winPercent({ cp: -1000 }));
  near(r.moveAccuracy(60, 55), 80.815);
  near(r.moveAccuracy(60, 50), 64.58);
  near(r.moveAccuracy(60, 40), 41.017);
  assert.strictEqual(r.moveAccuracy(40, 45), 100);
  assert.strictEqual(r.moveAccuracy(100, 0), 0);
});

test('inaccuracy, mistake and blunder from 0.00 at -54, -110 and -168 cp, for either side', async () => {
  const r = await load();
  const steps = [
    [-54, null],
    [-55, r.INACCURACY],
    [-110, r.INACCURACY],
    [-111, r.MISTAKE],
    [-168, r.MISTAKE],
    [-169, r.BLUNDER],
  ];
  for (const [cp, expected] of steps) {
    assert.strictEqual(r.classify({ cp: 0 }, { cp }, 'w'), expected, `White 0 -> ${cp}`);
    assert.strictEqual(r.classify({ cp: 0 }, { cp: -cp }, 'b'), expected, `Black 0 -> ${cp}`);
  }
  // A better score after the move is never a mistake.
  assert.strictEqual(r.classify({ cp: 0 }, { cp: 400 }, 'w'), null);
  assert.deepStrictEqual([r.MARKS[r.INACCURACY], r.MARKS[r.MISTAKE], r.MARKS[r.BLUNDER]], ['?!', '?', '??']);
});

test('the mate rules: a mate allowed, a mate let go, a mate kept', async () => {
  const r = await load();
  assert.strictEqual(r.classify({ cp: 50 }, { mate: -3 }, 'w'), r.BLUNDER);
  assert.strictEqual(r.classify({ cp: -800 }, { mate: -3 }, 'w'), r.MISTAKE);
  assert.strictEqual(r.classify({ cp: -1200 }, { mate: -3 }, 'w'), r.INACCURACY);
  assert.strictEqual(r.classify({ cp: -50 }, { mate: 3 }, 'b'), r.BLUNDER); // Black allows White's mate
  assert.strictEqual(r.classify({ mate: 2 }, { cp: 1500 }, 'w'), r.INACCURACY);
  assert.strictEqual(r.classify({ mate: 2 }, { cp: 800 }, 'w'), r.MISTAKE);
  assert.strictEqual(r.classify({ mate: 2 }, { cp: 100 }, 'w'), r.BLUNDER);
  assert.strictEqual(r.classify({ mate: 2 }, { mate: -4 }, 'w'), r.BLUNDER);
  assert.strictEqual(r.classify({ mate: -2 }, { cp: -100 }, 'b'), r.BLUNDER); // Black's mate let go
  assert.strictEqual(r.classify({ mate: 3 }, { mate: 5 }, 'w'), null); // delayed, still mating
});

test("each side's game accuracy: perfect play is 100, a side's blunders are its own", async () => {
  const r = await load();
  const flat = Array(41).fill(r.winPercent({ cp: 20 }));
  const even = r.gameAccuracy(flat, 'w');
  assert.strictEqual(even.w, 100);
  assert.strictEqual(even.b, 100);
  assert.strictEqual(even.moves.length, 40);
  // White throws a piece away at move 5 (ply 8 -> 9); Black loses nothing.
  const cps = Array.from({ length: 41 }, (_, i) => (i <= 8 ? 20 : -300));
  const game = r.gameAccuracy(cps.map((cp) => r.winPercent({ cp })), 'w');
  assert.ok(game.w < 100 && game.w > 50, `White ${game.w}`);
  assert.strictEqual(game.b, 100);
  near(game.moves[8], r.moveAccuracy(r.winPercent({ cp: 20 }), r.winPercent({ cp: -300 })));
  // The same game from a position with Black to move: the blunder is Black's.
  const fromBlack = r.gameAccuracy(cps.map((cp) => r.winPercent({ cp: -cp })), 'b');
  assert.ok(Math.abs(fromBlack.b - game.w) < 1e-9);
  assert.strictEqual(fromBlack.w, 100);
  assert.deepStrictEqual(r.gameAccuracy([50], 'w'), { w: null, b: null, moves: [] });
});
