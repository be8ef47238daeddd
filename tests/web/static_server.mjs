// A static file server on 127.0.0.1 for the browser tests: serves one folder, nothing above it.
import { readFile } from 'node:fs/promises';
import { createServer } from 'node:http';
import path from 'node:path';

const MIME = { '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm', '.json': 'application/json' };

// Starts serving `dir`; resolves to { origin, close() }.
export async function serve(dir) {
  const root = path.resolve(dir);
  const server = createServer(async (request, response) => {
    const wanted = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(root, path.normalize(wanted));
    if (file !== root && !file.startsWith(root + path.sep)) {
      response.writeHead(404).end();
      return;
    }
    try {
      const body = await readFile(wanted.endsWith('/') ? path.join(file, 'index.html') : file);
      response.writeHead(200, { 'content-type': MIME[path.extname(file)] || 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { origin: `http://127.0.0.1:${server.address().port}`, close: () => new Promise((resolve) => server.close(resolve)) };
}
