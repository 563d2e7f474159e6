// Page logic without a browser: the import request the add-in reads, query
// reading, findings, value checks and the virtual list window.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import {
  buildImportRequest, openFindings, parseData, readQuery, validateValue, visibleRange, formatNumber,
} from '../../src/logic.js';
import { LANGUAGES, makeTranslator, missingKeys } from '../../src/i18n.js';

const tool = (index, extra = {}) => ({ index, unsupported: false, issues: [], ...extra });

test('the import request lists selected importable tools in order with their overrides', () => {
  const tools = [tool(0), tool(1, { unsupported: true }), tool(2), tool(3)];
  const request = buildImportRequest({
    tools,
    selected: new Set([3, 1, 0]),
    overrides: { 0: { pitch: 1.5, flutes: 4 }, 3: { clockwise: false, toolNumber: 12 }, 2: { diameter: 9 } },
    libraryName: 'Mills "A"',
    addinVersion: '0.1.0',
    unitMode: 'in',
    options: { removeUndercuts: true, undercutThreshold: 12.5, preserveSource: false },
  });
  assert.deepEqual(request, {
    libraryName: 'Mills "A"', addinVersion: '0.1.0', selectedIndices: [0, 3], displayUnitMetric: [0, 0],
    pitchOverrideIndices: [0], pitchOverrideValues: [1.5], flutesOverrideIndices: [0], flutesOverrideValues: [4],
    clockwiseOverrideIndices: [3], clockwiseOverrideValues: [0], toolNumberOverrideIndices: [3], toolNumberOverrideValues: [12],
    removeUndercuts: true, undercutThreshold: 12.5, preserveSource: false, associateCuttingData: false,
  });
  // The add-in's readers need compact text: no blank after a colon.
  assert.doesNotMatch(JSON.stringify(request), /": /);
  // Each tool in its own unit: no unit list at all.
  assert.equal(buildImportRequest({ tools, selected: new Set([0]), unitMode: 'source' }).displayUnitMetric, undefined);
});

test('findings close with a value, an acknowledgement or a repair', () => {
  const pitch = { rule: 'threadPitch', type: 'pitch', severity: 'critical', resolutionKind: 'setValue' };
  const grow = { rule: 'fluteLength', type: 'fluteLength', severity: 'critical', resolutionKind: 'grow' };
  const data = { rule: 'cuttingData', type: 'cuttingData', severity: 'review', resolutionKind: 'acknowledge' };
  const subject = tool(0, { issues: [pitch, grow, data] });
  assert.deepEqual(openFindings(subject, undefined), [pitch, grow, data]);
  assert.deepEqual(openFindings(subject, { pitch: 1.25 }), [grow, data]);
  assert.deepEqual(openFindings(subject, { pitch: 1.25, ack: ['fluteLength', 'cuttingData'] }), []);
});

test('values typed for a finding are checked against its limits', () => {
  const flutes = { validate: { min: 1, max: 16, integer: true } };
  const cases = [['4', { ok: true, value: 4 }], ['2,5', { ok: false, reason: 'integer' }], ['0', { ok: false, reason: 'min', limit: 1 }],
    ['17', { ok: false, reason: 'max', limit: 16 }], ['', { ok: false, reason: 'number' }], ['abc', { ok: false, reason: 'number' }]];
  for (const [text, expected] of cases) assert.deepEqual(validateValue(flutes, text), expected, text);
  assert.deepEqual(validateValue({ validate: { min: 0.2, max: 7 } }, '1,25'), { ok: true, value: 1.25 });
});

test('the palette query, message data and numbers are read defensively', () => {
  assert.deepEqual(
    { ...readQuery('?opaque=1&theme=light&envBlocked=greyroom') },
    { theme: 'light', opaque: true, envBlocked: 'greyroom', solo: '', lang: '', chapter: '', top: 0, seed: '', update: '' });
  assert.equal(readQuery('theme=purple&top=x').theme, 'darksky');
  assert.equal(readQuery('solo=documentation&chapter=Tools%20%26%20Holders&top=120').chapter, 'Tools & Holders');
  assert.deepEqual(parseData('{"unit":"mm"}'), { unit: 'mm' });
  assert.deepEqual(parseData('{broken'), {});
  assert.deepEqual(parseData('"text"'), {});
  assert.equal(formatNumber(12.7), '12.7');
  assert.equal(formatNumber(1 / 3, 4), '0.3333');
  assert.equal(formatNumber(null), '');
});

test('the list window covers the viewport and stays inside the list', () => {
  assert.deepEqual(visibleRange(0, 360, 36, 20000), { first: 0, last: 18 });
  assert.deepEqual(visibleRange(36 * 19990, 360, 36, 20000), { first: 19982, last: 20000 });
  assert.deepEqual(visibleRange(500, 360, 36, 0), { first: 5, last: 5 });
});

test('every text exists in every language', () => {
  for (const language of LANGUAGES) assert.deepEqual(missingKeys(language), [], language);
  assert.equal(makeTranslator('fr')('counts', { total: 3, selected: 2, findings: 1 }), '3 outils · 2 sélectionnés · 1 à vérifier');
  assert.equal(makeTranslator('es')('no.such.key', {}, 'fallback'), 'fallback');
});
