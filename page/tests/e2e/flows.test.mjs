// The main flows in a real browser against the real add-in.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, readFileSync } from 'node:fs';
import path from 'node:path';
import { answerDialog, pageErrors, repo, screenshot, startBrowser, startHost, tempDir } from './harness.mjs';

const metric = path.join(repo, 'examples', 'metric-template.ptf');
let host;
let browser;
let page;
let libraries;
let work;

before(async () => {
  work = await tempDir();
  libraries = path.join(work, 'libraries');
  host = await startHost(libraries);
  browser = await startBrowser();
  page = await browser.page(host.url);
});

after(async () => {
  assert.deepEqual(pageErrors(page), []);
  await browser?.close();
  assert.equal(await host?.stop(), 0, host?.stderr());
});

const counts = () => page.getByTestId('counts');
const result = () => page.getByTestId('result');

async function importAs(name) {
  await page.fill('#library-name', name);
  await page.click('button[data-op=import]');
}

test('a template parse lists 40 tools with their findings', async () => {
  await page.click('button[data-source=ptf]');
  await answerDialog(page, metric);
  await assert.doesNotReject(counts().filter({ hasText: /^40 tools/ }).waitFor());
  const flagged = page.locator('.row .badge.review, .row .badge.critical');
  assert.ok(await flagged.count() > 0, 'some tools carry findings');
  await screenshot(page, 'tool-list');

  // The first tool with a finding shows its rationale and a fix.
  await flagged.first().click();
  await page.locator('.finding').first().waitFor();
  assert.match(await page.locator('.finding p').first().textContent(), /\w+/);
  await screenshot(page, 'tool-findings');
});

test('import into a new library, then analyze, merge and replace it', async () => {
  await importAs('Mills');
  await result().filter({ hasText: 'created with' }).waitFor();
  const file = path.join(libraries, 'Mills.json');
  assert.ok(existsSync(file), 'the library file was written');
  await page.locator('#library-names option[value="Mills"]').waitFor({ state: 'attached' });
  await screenshot(page, 'imported');

  await importAs('Mills');
  await page.locator('.warning').filter({ hasText: 'already exists' }).waitFor();
  await page.locator('.warning button.primary').click();
  const analysis = page.getByTestId('analysis');
  await analysis.waitFor();
  assert.match(await analysis.textContent(), /0 new, \d+ already present/);
  await screenshot(page, 'analysis');

  await page.locator('[data-testid=analysis] button.primary').click();
  await result().filter({ hasText: 'updated' }).waitFor();

  await importAs('Mills');
  await page.locator('.warning button', { hasText: 'Replace the library' }).click();
  await result().filter({ hasText: 'replaced with' }).waitFor();
  assert.ok(JSON.parse(readFileSync(file, 'utf8')).data.length > 0);
});

test('a fix chosen for a finding and a corrected tool number reach the library', async () => {
  await page.locator('.row', { hasText: 'BORING BAR 16' }).click();
  const finding = page.locator('.finding', { hasText: 'Flute count' });
  await finding.locator('input').fill('2');
  await finding.getByRole('button', { name: 'Apply' }).click();
  await page.locator('.finding.done', { hasText: 'Flute count' }).waitFor();
  await page.locator('.overrides summary').click();
  await page.locator('.overrides label', { hasText: 'Tool number' }).locator('input').fill('88');
  await page.locator('.overrides label', { hasText: 'Tool number' }).locator('input').press('Tab');
  await importAs('Fixed');
  await result().filter({ hasText: 'created with' }).waitFor();
  const tools = JSON.parse(readFileSync(path.join(libraries, 'Fixed.json'), 'utf8')).data;
  const bar = tools.find((tool) => tool.description === 'BORING BAR 16');
  assert.equal(bar.geometry.NOF, 2);
  assert.equal(bar['post-process'].number, 88);
});

test('export writes the library file chosen in the save prompt', async () => {
  const target = path.join(work, 'export.json');
  await page.click('button[data-op=export]');
  await answerDialog(page, target);
  await result().filter({ hasText: 'Exported' }).waitFor();
  assert.ok(JSON.parse(readFileSync(target, 'utf8')).data.length > 0);
});

test('the list works from the keyboard', async () => {
  const list = page.locator('.tool-list');
  await list.focus();
  await page.keyboard.press('Home');
  const before = await counts().textContent();
  await page.keyboard.press('Space');
  assert.notEqual(await counts().textContent(), before, 'Space toggles the tool under the cursor');
  await page.keyboard.press('Space');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('Enter');
  await page.locator('.detail h2', { hasText: 'T2' }).waitFor();
  assert.equal(await counts().textContent(), before);
  // The list keeps its place when the page is redrawn or another tab was shown.
  await list.evaluate((element) => { element.scrollTop = 180; });
  await page.click('#tab-settings');
  await page.click('#tab-import');
  assert.equal(await page.locator('.tool-list').evaluate((element) => element.scrollTop), 180);
});

test('the documentation opens in its own window and comes back', async () => {
  await page.click('#tab-help');
  await page.getByRole('button', { name: 'Open in a separate window' }).click();
  await page.locator('.docs .notice', { hasText: 'own window' }).waitFor();
  await page.getByRole('button', { name: 'Back into the palette' }).click();
  await page.locator('.chapters').waitFor();
  await page.click('#tab-support');
  await screenshot(page, 'support');
});
