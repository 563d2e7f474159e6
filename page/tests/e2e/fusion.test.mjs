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
  await answer('REPLY_IMPORT_TOOLS', { success: true, count: 1, message: "Library 'Mills' created with 1 tool." });
  await page.getByTestId('result').filter({ hasText: 'creada con 1 herramienta.' }).waitFor();
  assert.deepEqual(requests, [], 'nothing is fetched from the network');
});

const answer = (action, data) => page.evaluate(([a, d]) => window.fusionJavaScriptHandler.handle(a, d), [action, JSON.stringify(data)]);
const lastSent = (name) => page.evaluate((wanted) => window.sent.filter(([action]) => action === wanted).map(([, data]) => data).pop(), name);

test('PowerMill: sessions, open steps, the release-year warning, a partial load and its import', async () => {
  await page.click('button[data-source=pm]');
  assert.ok(await lastSent('GET_PM_STATUS'));
  await answer('REPLY_PM_STATUS', { pmInstalled: true, sessions: [{ projectName: 'Bracket', pmVersion: '2025', toolCount: 12, isMetric: true }] });
  await page.getByRole('radiogroup').getByText('Bracket').waitFor();
  await page.getByRole('button', { name: 'Abrir carpeta de proyecto…' }).click();
  assert.equal(await lastSent('OPEN_PM_PROJECT'), '{"type":"folder","path":"","sessionIndex":0}');
  await answer('REPLY_PM_VERSION_WARN', { projectYear: 2026, installedYear: 2024, path: 'C:\\jobs\\Bracket', type: 'folder' });
  await page.getByRole('button', { name: 'Abrir de todos modos' }).click();
  assert.equal(await lastSent('OPEN_PM_PROJECT_FORCE'), '{"force":true,"type":"folder","path":"C:\\\\jobs\\\\Bracket"}');
  for (const status of ['launching', 'starting', 'opening']) await answer('REPLY_PM_OPEN_STATUS', { status, msg: '' });
  await page.locator('.steps li.current', { hasText: 'Cargando el proyecto' }).waitFor();
  await answer('PM_BEGIN', { total: 1 });
  await answer('PM_TOOL', { index: 0, isMetric: true, number: 5, name: 'EM 8', type: 'end_mill', fusionType: 'flat end mill', unsupported: false, diameter: 8, issues: [] });
  await answer('REPLY_PM_LOADED', { cancelled: false, partial: true, partialReason: 'timeout', count: 1, projectName: 'Bracket', isMetric: true, pmVersion: '2024' });
  await page.locator('.notice', { hasText: 'solo se leyeron 1 herramientas' }).waitFor();
  await page.click('button[data-op=import]');
  assert.match(await lastSent('IMPORT_PM_TOOLS'), /^\{"libraryName":"Mills","addinVersion":"[^"]+","selectedIndices":\[0\]/);
  await answer('REPLY_PM_ERROR', { reason: 'no_tools', detail: 'No tools found.' });
  await page.locator('.notice.error', { hasText: 'No se encontraron herramientas' }).waitFor();
});

test('support: feedback with its outcome, diagnostics with a rating', async () => {
  await page.click('#tab-support');
  await answer('REPLY_USER_INFO', { displayName: 'Ana', email: 'ana@example.com', fusionVersion: '2.0' });
  await page.locator('textarea').first().fill('Gracias');
  await page.locator('input[type=file]').setInputFiles({ name: 'notes.txt', mimeType: 'text/plain', buffer: Buffer.from('hello') });
  await page.getByText('notes.txt').waitFor();
  await page.getByRole('button', { name: 'Enviar comentarios' }).click();
  assert.deepEqual(JSON.parse(await lastSent('SUBMIT_FEEDBACK')),
    { userName: 'Ana', userEmail: 'ana@example.com', message: 'Gracias', pmVersion: '2024', addinVersion: '0.1.0', communityName: '', attachments: [{ name: 'notes.txt', content: 'aGVsbG8=' }] });
  assert.equal(await lastSent('SET_UTILITY_RUNNING'), '{"running":true}');
  await answer('REPLY_FEEDBACK_STATUS', { success: false, error: 'HTTP 503' });
  await page.locator('.notice.error', { hasText: 'HTTP 503' }).waitFor();
  assert.equal(await lastSent('SET_UTILITY_RUNNING'), '{"running":false}');

  await page.getByRole('radio', { name: '4 de 5' }).click();
  await page.getByRole('button', { name: 'Enviar diagnóstico' }).click();
  assert.match(await lastSent('SEND_DIAGNOSTICS'), /^\{"rating":4,"comment":"",/);
  await answer('REPLY_DIAGNOSTICS_STATUS', { stage: 'received', toolCount: 3, source: 'ptf', hasSourceFile: true });
  await answer('REPLY_DIAGNOSTICS_STATUS', { stage: 'sent', ok: true, attachments: 1, error: '' });
  await page.locator('.notice', { hasText: 'Diagnóstico enviado' }).waitFor();
});

test('detached windows: a tab and the documentation come back with their state', async () => {
  const base = pathToFileURL(path.join(pageFolder, 'index.html'));
  const seed = encodeURIComponent(JSON.stringify({ lang: 'fr', text: 'Bonjour' }));
  const tab = await browser.context.newPage();
  await tab.goto(`${base}?solo=support&theme=darksky&opaque=1&seed=${seed}`);
  assert.equal(await tab.locator('textarea').first().inputValue(), 'Bonjour');
  await tab.getByRole('button', { name: 'Rattacher' }).click();
  assert.deepEqual(await tab.evaluate(() => window.sent.filter(([a]) => a === 'REDOCK_TAB')), [['REDOCK_TAB', '{"tab":"support","text":"Bonjour"}']]);

  await tab.goto(`${base}?solo=documentation&theme=darksky&opaque=1&lang=es&chapter=findings&top=0`);
  await tab.getByRole('heading', { name: 'Hallazgos y correcciones' }).waitFor();
  await tab.getByRole('button', { name: 'Volver a acoplar' }).click();
  assert.deepEqual(await tab.evaluate(() => window.sent.filter(([a]) => a.startsWith('DOCS')).map(([a]) => a)), ['DOCS_REATTACH', 'DOCS_CLOSE']);
  await tab.close();
});
