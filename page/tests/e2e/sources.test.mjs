// Database and archive sources, the three languages and the three themes.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readdirSync } from 'node:fs';
import path from 'node:path';
import { answerDialog, pageErrors, repo, screenshot, startBrowser, startHost, tempDir } from './harness.mjs';

let host;
let browser;
let page;
let work;

before(async () => {
  work = await tempDir();
  host = await startHost(path.join(work, 'libraries'));
  browser = await startBrowser();
  page = await browser.page(host.url);
});

after(async () => {
  assert.deepEqual(pageErrors(page), []);
  await browser?.close();
  assert.equal(await host?.stop(), 0, host?.stderr());
});

const counts = () => page.getByTestId('counts');

test('a tool database lists its tools and imports under the database name', async () => {
  await page.click('button[data-source=mdb]');
  await answerDialog(page, path.join(repo, 'tests', 'fixtures', 'mdb', 'tooldb-sample.mdb'));
  await counts().filter({ hasText: /^\d+ tools/ }).waitFor();
  assert.match(await page.locator('.source-path').textContent(), /tooldb-sample\.mdb/);
  await page.fill('#library-name', 'From database');
  await page.click('button[data-op=import]');
  await page.getByTestId('result').filter({ hasText: 'created with' }).waitFor();
});

test('a project archive is extracted and read', async () => {
  const project = path.join(repo, 'examples', 'example-project');
  const archive = path.join(work, 'Job 7.pmlprjz');
  const files = readdirSync(project).map((name) => path.join(project, name));
  execFileSync('zip', ['-q', '-j', archive, ...files]);
  await page.click('button[data-source=archive]');
  await answerDialog(page, archive);
  await counts().filter({ hasText: /^10 tools/ }).waitFor();
});

test('a project folder is read through the folder prompt', async () => {
  await page.click('button[data-source=project]');
  await answerDialog(page, path.join(repo, 'examples', 'example-project'));
  await counts().filter({ hasText: /^10 tools/ }).waitFor();
});

// Fusion's language enumeration: 4 is French, 13 Spanish.
for (const [language, code, tab, list] of [['fr', 4, 'Importer', /^10 outils/], ['es', 13, 'Importar', /^10 herramientas/]]) {
  test(`the page speaks ${language} when Fusion does`, async () => {
    await host.script({ fusion: { language: code } });
    await page.reload();
    await page.locator('#tab-import', { hasText: tab }).waitFor();
    await page.click('button[data-source=project]');
    await answerDialog(page, path.join(repo, 'examples', 'example-project'));
    await counts().filter({ hasText: list }).waitFor();
    await screenshot(page, `tool-list-${language}`);
  });
}

for (const theme of ['light', 'darksky', 'riverrubicon']) {
  test(`the ${theme} theme of the palette address applies`, async () => {
    await host.script({ fusion: { language: 0 } });
    await page.goto(`${host.url}&theme=${theme}`);
    await page.waitForFunction((name) => document.documentElement.dataset.theme === name, theme);
    const background = await page.evaluate(() => getComputedStyle(document.body).backgroundColor);
    assert.equal(background === 'rgb(244, 245, 247)', theme === 'light', `${theme}: ${background}`);
    await page.click('#tab-settings');
    await screenshot(page, `settings-${theme}`);
  });
}
