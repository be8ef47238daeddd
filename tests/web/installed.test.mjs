// The installed copy of tuneledger.mjs loads the build of the module beside it that Node runs
// and answers; the page comes with it.
import assert from 'node:assert/strict';
import { access } from 'node:fs/promises';
import path from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

const dir = process.env.TUNELEDGER_INSTALLED_WEB_DIR;

test('the installed module answers, and the page is installed beside it', async () => {
  const { load } = await import(pathToFileURL(path.join(dir, 'tuneledger.mjs')));
  const tl = await load();
  assert.equal(tl.searchText('(X124)', 0), '4-Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961');
  // Both builds are installed: the SIMD one, which Node runs, and the portable one.
  assert.equal(tl.kernel, 'simd128');
  const portable = await load(path.join(dir, 'tuneledger.wasm'));
  assert.equal(portable.kernel, 'portable');
  assert.equal(portable.searchText('(X124)', 0), tl.searchText('(X124)', 0));
  for (const file of ['index.html', 'page.js', 'page.css']) await access(path.join(dir, file));
  await access(path.join(dir, '..', '..', '..', 'include', 'tuneledger.h'));
});
