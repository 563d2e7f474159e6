// The page as Fusion loads it: from a file address, talking through the
// injected adsk object and fusionJavaScriptHandler, with no network at all.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { pageErrors, repo, startBrowser } from './harness.mjs';

const pageFolder = process.env.CORVANA_PAGE ?? path.join(repo, 'build', 'debug', 'page', 'OfflineWebPalette');
let browser;
let page;
const requests = [];

before(async () => {
  browser = await startBrowser();
  browser.context.on('request', (request) => { if (!request.url().startsWith('file:')) requests.push(request.url()); });
  // Fusion injects adsk; fusionSendData answers with a Promise.
  await browser.context.addInitScript(() => {
    window.sent = [];
    window.adsk = { fusionSendData: (action, data) => { window.sent.push([action, data]); return Promise.resolve('OK'); } };
  });
  page = await browser.page(`${pathToFileURL(path.join(pageFolder, 'index.html'))}?opaque=1&theme=riverrubicon`);
});

after(async () => {
  assert.deepEqual(pageErrors(page), []);
  await browser?.close();
});

test('the page asks the add-in for its facts and follows the answers', async () => {
  await page.waitForFunction(() => window.sent.some(([action]) => action === 'CHECK_ENV'));
  const asked = await page.evaluate(() => window.sent.map(([action]) => action));
  for (const action of ['GET_APP_LANGUAGE', 'GET_MFG_UNITS', 'CHECK_ENV', 'GET_LOCAL_LIBRARIES']) assert.ok(asked.includes(action), action);
  assert.equal(await page.evaluate(() => document.documentElement.dataset.theme), 'riverrubicon');

  const answer = (action, data) => page.evaluate(([a, d]) => window.fusionJavaScriptHandler.handle(a, d), [action, JSON.stringify(data)]);
  assert.equal(await answer('REPLY_APP_LANGUAGE', { language: 'es' }), 'OK');
  await answer('REPLY_MFG_UNITS', { unit: 'in' });
  await page.locator('#tab-import', { hasText: 'Importar' }).waitFor();
  await page.locator('.chip', { hasText: 'in' }).waitFor();

  // A streamed parse, then a library import request with the tool list's indices.
  await answer('PARSE_BEGIN', { total: 2 });
  await answer('PARSE_TOOL', { index: 0, isMetric: false, number: 1, name: 'EM 1/2', type: 'end_mill', fusionType: 'flat end mill', unsupported: false, diameter: 0.5, issues: [] });
  await answer('PARSE_TOOL', { index: 1, isMetric: false, number: 2, name: 'FORM', type: 'form', fusionType: 'flat end mill', unsupported: true, unsupportedReason: 'type', diameter: null, issues: [] });
  await answer('REPLY_PARSE_PTF', { cancelled: false, filePath: 'C:\\jobs\\Mills.ptf', count: 2 });
  await page.getByTestId('counts').filter({ hasText: '2 herramientas · 1 seleccionadas' }).waitFor();
  await page.click('button[data-op=import]');
  const request = await page.evaluate(() => window.sent.find(([action]) => action === 'IMPORT_TOOLS')[1]);
  assert.match(request, /^\{"libraryName":"Mills","addinVersion":"[^"]+","selectedIndices":\[0\],"displayUnitMetric":\[0\]/);
  assert.deepEqual(requests, [], 'nothing is fetched from the network');
});
