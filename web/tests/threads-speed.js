// Nodes per second of the page's threaded build with 1 and 2 threads, in
// Debian's chromium on a cross-origin isolated page (web/tests/serve.js
// --isolated): the same analysis of the start position for a few seconds,
// the thread counts in turn, the speed the engine reports at the end.
//   node web/tests/threads-speed.js [runs] [seconds]
// A measurement, not a test: nothing is asserted.
'use strict';
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');
const { serve } = require('./serve.js');

async function main() {
  const runs = Number(process.argv[2] || 3);
  const seconds = Number(process.argv[3] || 5);
  const server = await serve(path.resolve(__dirname, '..', 'dist'), 0, { isolated: true });
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'velkar-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.VELKAR_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
  try {
    const page = await context.newPage();
    await page.goto(`http://127.0.0.1:${server.address().port}/`);
    await page.waitForSelector('body[data-engine=ready]', { timeout: 30000 });
    const speeds = { 1: [], 2: [] };
    for (let run = 0; run < runs; run++) {
      for (const threads of run % 2 === 0 ? [1, 2] : [2, 1]) {
        const nps = await page.evaluate(
          ({ threads, ms }) => {
            const engine = window.velkar.engine;
            engine.cancel();
            let last = 0;
            const search = engine.run({
              setup: ['ucinewgame', `setoption name Threads value ${threads}`, 'setoption name MultiPV value 1',
                'setoption name UCI_LimitStrength value false'],
              position: 'position startpos',
              go: `go movetime ${ms}`,
              onInfo: (line) => {
                const m = / nps (\d+)/.exec(line);
                if (m) last = Number(m[1]);
              },
            });
            return search.then(() => last);
          },
          { threads, ms: seconds * 1000 },
        );
        speeds[threads].push(nps);
        console.log(`run ${run + 1}: Threads ${threads}: ${nps} nodes/s`);
      }
    }
    const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
    console.log(`medians: Threads 1 ${median(speeds[1])}, Threads 2 ${median(speeds[2])} nodes/s ` +
      `(${(median(speeds[2]) / median(speeds[1])).toFixed(2)}x); load ${os.loadavg().map((l) => l.toFixed(1)).join(' ')}`);
  } finally {
    await context.close();
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

main();
