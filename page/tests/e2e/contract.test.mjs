// The bridge as a check from outside sees it: page, send, event stream, refusals.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import http from 'node:http';
import path from 'node:path';
import { hostBinary, startHost, tempDir } from './harness.mjs';

let host;

before(async () => { host = await startHost(path.join(await tempDir(), 'libraries')); });
after(async () => { assert.equal(await host?.stop(), 0, host?.stderr()); });

// Reads event-stream lines until one satisfies `wanted`.
async function nextEvent(response, wanted) {
  const reader = response.body.getReader();
  const decoder = new TextDecoder();
  let buffer = '';
  for (;;) {
    const { value, done } = await reader.read();
    assert.ok(!done, 'the stream ended');
    buffer += decoder.decode(value, { stream: true });
    for (const block of buffer.split('\n\n').slice(0, -1)) {
      const data = block.split('\n').find((line) => line.startsWith('data: '));
      if (data && wanted(JSON.parse(data.slice(6)))) { reader.cancel(); return JSON.parse(data.slice(6)); }
    }
    buffer = buffer.slice(buffer.lastIndexOf('\n\n') + 2);
  }
}

function rawGet(port, pathAndQuery, headers) {
  return new Promise((resolve, reject) => {
    http.get({ host: '127.0.0.1', port, path: pathAndQuery, headers }, (response) => { response.resume(); resolve(response.statusCode); }).on('error', reject);
  });
}

test('the page, a request and its reply on the event stream', async () => {
  const page = await fetch(host.url);
  assert.equal(page.status, 200);
  assert.match(await page.text(), /window\.corvanaBridge=.*"query":"opaque=1&theme=/);
  const events = await fetch(host.endpoint('/events'));
  assert.equal(events.headers.get('content-type'), 'text/event-stream');
  assert.deepEqual(await host.send('GET_MFG_UNITS'), { ok: true });
  const reply = await nextEvent(events, (line) => line.action === 'REPLY_MFG_UNITS');
  assert.deepEqual(reply, { palette: 'CorvanaPaletteId', action: 'REPLY_MFG_UNITS', data: '{"unit":"mm"}' });
});

test('requests without the token or from another site are refused', async () => {
  const port = Number(new URL(host.url).port);
  const cases = [
    ['/', {}],
    ['/events', {}],
    [`/?token=${host.token.slice(1)}`, {}],
    [`/?token=${host.token}`, { Host: `evil.example:${port}` }],
    [`/?token=${host.token}`, { Origin: 'http://evil.example' }],
    [`/send?token=${host.token}`, { Origin: `http://127.0.0.1:${port + 1}` }],
  ];
  for (const [where, headers] of cases) assert.equal(await rawGet(port, where, headers), 403, `${where} ${JSON.stringify(headers)}`);
  assert.equal(await rawGet(port, `/?token=${host.token}`, { Origin: `http://127.0.0.1:${port}` }), 200);
  const noToken = await fetch(`${host.origin}/send`, { method: 'POST', body: '{"action":"CLOSE_PALETTE","data":""}' });
  assert.equal(noToken.status, 403);
});

test('malformed bridge requests are answered 400 and change nothing', async () => {
  for (const body of ['', '{}', '{"action":""}', '[1]', 'not json']) {
    const response = await fetch(host.endpoint('/send'), { method: 'POST', body });
    assert.equal(response.status, 400, body);
  }
  const badLine = await fetch(host.endpoint('/script'), { method: 'POST', body: '{"jump":true}' });
  assert.equal(badLine.status, 400);
});

test('a page that connects while a dialog waits still sees it and can answer it', async () => {
  await host.send('BROWSE_AND_PARSE_PTF');
  await new Promise((resolve) => setTimeout(resolve, 300));
  const events = await fetch(host.endpoint('/events'));
  const dialog = await nextEvent(events, (line) => line.dialog !== undefined);
  assert.equal(dialog.dialog, 'open');
  assert.equal(dialog.title, 'Select PowerMill Template File');
  const later = await fetch(host.endpoint('/events'));
  await host.script({ dialog: 'cancel' });
  const reply = await nextEvent(later, (line) => line.action === 'REPLY_PARSE_PTF');
  assert.equal(JSON.parse(reply.data).cancelled, true);
});

test('a second server cannot take the port of a running one', async () => {
  const port = new URL(host.url).port;
  const second = spawnSync(hostBinary, ['--libraries', path.join(await tempDir(), 'libraries'), '--serve', port], { timeout: 20000, encoding: 'utf8' });
  assert.equal(second.status, 1, second.stderr);
  assert.match(second.stderr, /cannot listen on 127\.0\.0\.1:/);
  assert.equal(second.stdout, '');
});
