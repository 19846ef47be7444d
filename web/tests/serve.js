// A static file server for web/dist, for the browser test and to open the
// page locally (node web/tests/serve.js [port] [--isolated], then
// http://127.0.0.1:8000/).  Files only, from one folder, on the loopback
// address.  With --isolated (or { isolated: true }) every answer carries
// the two headers that make a page cross-origin isolated, which a browser
// requires before it gives the page shared memory and so threads:
//   Cross-Origin-Opener-Policy: same-origin
//   Cross-Origin-Embedder-Policy: require-corp
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.svg': 'image/svg+xml',
  '.wasm': 'application/wasm',
  '.txt': 'text/plain; charset=utf-8',
};

const ISOLATION = {
  'cross-origin-opener-policy': 'same-origin',
  'cross-origin-embedder-policy': 'require-corp',
};

function serve(root, port = 0, { isolated = false } = {}) {
  const server = http.createServer((request, response) => {
    let file = path.join(root, decodeURIComponent(new URL(request.url, 'http://localhost').pathname));
    if (!file.startsWith(root)) file = root;
    if (file.endsWith(path.sep)) file += 'index.html';
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404);
        response.end();
        return;
      }
      response.writeHead(200, {
        'content-type': TYPES[path.extname(file)] || 'application/octet-stream',
        ...(isolated ? ISOLATION : {}),
      });
      response.end(data);
    });
  });
  return new Promise((resolve) => server.listen(port, '127.0.0.1', () => resolve(server)));
}

module.exports = { serve };

if (require.main === module) {
  const root = path.resolve(__dirname, '..', 'dist');
  const args = process.argv.slice(2);
  const isolated = args.includes('--isolated');
  const port = Number(args.find((a) => /^\d+$/.test(a)) || 8000);
  serve(root, port, { isolated }).then((server) => {
    const how = isolated ? ' (cross-origin isolated: the threaded build)' : '';
    console.log(`serving ${root} at http://127.0.0.1:${server.address().port}/${how}`);
  });
}
