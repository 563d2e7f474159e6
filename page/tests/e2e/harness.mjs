// Starts the real corvana-host --serve with the real add-in and a headless
// Chromium from the system (never downloaded), and stops both afterwards.
import { spawn } from 'node:child_process';
import { mkdtemp, rm } from 'node:fs/promises';
import { once } from 'node:events';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const repo = path.resolve(here, '..', '..', '..');
export const hostBinary = process.env.CORVANA_HOST ?? path.join(repo, 'build', 'debug', 'apps', 'corvana-host', 'corvana-host');
export const browserBinary = process.env.CORVANA_CHROMIUM ?? '/usr/bin/chromium';
export const screenshotDir = path.join(repo, 'docs', 'screenshots');
// Screenshots are rewritten only on request, so a test run leaves the tree clean.
export const takeScreenshots = process.env.CORVANA_SCREENSHOTS === '1';

const BROWSER_ARGS = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
  '--disable-component-update', '--disable-sync', '--disable-dev-shm-usage'];

export async function tempDir(prefix = 'corvana-e2e-') {
  return mkdtemp(path.join(os.tmpdir(), prefix));
}

export async function startHost(libraries) {
  const child = spawn(hostBinary, ['--libraries', libraries, '--serve', '0'], { stdio: ['ignore', 'pipe', 'pipe'] });
  let stderr = '';
  child.stderr.on('data', (chunk) => { stderr += chunk; });
  const url = await new Promise((resolve, reject) => {
    let out = '';
    child.stdout.on('data', (chunk) => {
      out += chunk;
      const line = out.split('\n')[0];
      if (out.includes('\n')) resolve(line.trim());
    });
    child.once('exit', (code) => reject(new Error(`corvana-host ended (${code}): ${stderr}`)));
  });
  const address = new URL(url);
  const token = address.searchParams.get('token');
  const endpoint = (p) => `${address.origin}${p}?token=${token}`;
  return {
    url,
    origin: address.origin,
    token,
    endpoint,
    stderr: () => stderr,
    script: (line) => fetch(endpoint('/script'), { method: 'POST', body: JSON.stringify(line) }).then((r) => r.json()),
    send: (action, data = '') => fetch(endpoint('/send'), { method: 'POST', body: JSON.stringify({ action, data }) }).then((r) => r.json()),
    async stop() {
      if (child.exitCode !== null) return child.exitCode;
      const exited = once(child, 'exit');
      await fetch(endpoint('/script'), { method: 'POST', body: '{"stop":true}' }).catch(() => {});
      const timer = setTimeout(() => child.kill('SIGKILL'), 10000);
      const [code] = await exited;
      clearTimeout(timer);
      return code;
    },
  };
}

export async function startBrowser() {
  const profile = await tempDir('corvana-profile-');
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: browserBinary,
    headless: true,
    args: BROWSER_ARGS,
    viewport: { width: 490, height: 900 },
  });
  return {
    context,
    async page(url) {
      const page = context.pages()[0] ?? await context.newPage();
      // Script errors fail the test that owns the page (see pageErrors).
      page.corvanaErrors ??= [];
      if (!page.corvanaWatched) page.on('pageerror', (error) => page.corvanaErrors.push(String(error)));
      page.corvanaWatched = true;
      await page.goto(url);
      return page;
    },
    async close() {
      await context.close();
      await rm(profile, { recursive: true, force: true });
    },
  };
}

// Answers the in-page path prompt that a Fusion dialog opens.
export async function answerDialog(page, filePath) {
  const input = page.locator('#dialog-path');
  await input.waitFor({ timeout: 15000 });
  await input.fill(filePath);
  await page.locator('.modal button[type=submit]').click();
}

export async function screenshot(page, name) {
  if (!takeScreenshots) return;
  await page.screenshot({ path: path.join(screenshotDir, `${name}.png`), fullPage: true });
}

export function pageErrors(page) {
  return page?.corvanaErrors ?? [];
}
