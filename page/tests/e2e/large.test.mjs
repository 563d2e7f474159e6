// 20 000 tools stream into the list and scroll without building 20 000 rows.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import path from 'node:path';
import { answerDialog, pageErrors, repo, screenshot, startBrowser, startHost, tempDir } from './harness.mjs';

const TOOLS = 20000;
const makeTemplate = process.env.CORVANA_MAKE_TEMPLATE
  ?? path.join(repo, 'build', 'debug', 'tests', 'support', 'corvana-make-template');
let host;
let browser;
let page;
let template;

before(async () => {
  const work = await tempDir();
  template = path.join(work, 'large.ptf');
  execFileSync(makeTemplate, [String(TOOLS), template]);
  host = await startHost(path.join(work, 'libraries'));
  browser = await startBrowser();
  page = await browser.page(host.url);
});

after(async () => {
  assert.deepEqual(pageErrors(page), []);
  await browser?.close();
  assert.equal(await host?.stop(), 0, host?.stderr());
});

test(`${TOOLS} tools stream in and scroll`, { timeout: 240000 }, async () => {
  const started = Date.now();
  await page.click('button[data-source=ptf]');
  await answerDialog(page, template);
  // The progress bar moves while tools stream in.
  await page.locator('.progress progress[max]').waitFor({ timeout: 60000 });
  await page.getByTestId('counts').filter({ hasText: new RegExp(`^${TOOLS} tools`) }).waitFor({ timeout: 200000 });
  const streamed = Date.now() - started;

  const list = page.locator('.tool-list');
  const rowsBuilt = await page.locator('.tool-list .row').count();
  assert.ok(rowsBuilt > 0 && rowsBuilt < 100, `only visible rows exist (${rowsBuilt})`);

  // Scroll through the whole list in steps; each step must render rows at once.
  const steps = 40;
  const scrollStarted = Date.now();
  for (let step = 1; step <= steps; step += 1) {
    await list.evaluate((element, fraction) => { element.scrollTop = element.scrollHeight * fraction; }, step / steps);
    await page.waitForFunction(() => {
      const element = document.querySelector('.tool-list');
      return [...element.querySelectorAll('.row')].some((row) => {
        const top = Number.parseFloat(row.style.top);
        return top >= element.scrollTop - 40 && top <= element.scrollTop + element.clientHeight;
      });
    });
  }
  const scrolled = Date.now() - scrollStarted;
  const lastIndex = await page.locator('.tool-list .row').last().getAttribute('data-index');
  assert.equal(Number(lastIndex), TOOLS - 1);
  await screenshot(page, 'large-list');
  console.log(`# streamed ${TOOLS} tools in ${streamed} ms, ${steps} scroll steps in ${scrolled} ms`);
  assert.ok(scrolled < steps * 500, `scrolling stays quick (${scrolled} ms)`);
});
