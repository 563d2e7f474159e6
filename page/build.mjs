// Bundles the palette page: one classic script (no modules, nothing fetched at
// run time) beside index.html, in the folder given as the first argument.
import { build } from 'esbuild';
import { copyFile, mkdir } from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const out = path.resolve(process.argv[2] ?? path.join(here, 'dist', 'OfflineWebPalette'));

await mkdir(out, { recursive: true });
await build({
  entryPoints: [path.join(here, 'src', 'main.js')],
  outfile: path.join(out, 'corvana.js'),
  bundle: true,
  format: 'iife',
  target: ['chrome90'],
  loader: { '.css': 'text' },
  minify: true,
  sourcemap: false,
  legalComments: 'none',
  logLevel: 'warning',
});
await copyFile(path.join(here, 'src', 'index.html'), path.join(out, 'index.html'));
