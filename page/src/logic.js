// Page logic without the browser: query reading, the import request the
// add-in reads, selection rules and number display. Tested with node's runner.

export const SOURCE_ACTIONS = {
  file: { import: 'IMPORT_TOOLS', analyze: 'ANALYZE_LIBRARY', replace: 'REPLACE_LIBRARY', merge: 'MERGE_LIBRARY', export: 'EXPORT_TOOLS_JSON', defaultName: 'Imported from PowerMill' },
  pm: { import: 'IMPORT_PM_TOOLS', analyze: 'ANALYZE_PM_LIBRARY', replace: 'REPLACE_PM_LIBRARY', merge: 'MERGE_PM_LIBRARY', export: 'EXPORT_PM_TOOLS_JSON', defaultName: 'Imported from PowerMill' },
  mdb: { import: 'IMPORT_MDB_TOOLS', analyze: 'ANALYZE_MDB_LIBRARY', replace: 'REPLACE_MDB_LIBRARY', merge: 'MERGE_MDB_LIBRARY', export: 'EXPORT_MDB_TOOLS_JSON', defaultName: 'Imported from MDB' },
};

export const THEMES = ['light', 'darksky', 'riverrubicon'];

// The palette address query: theme, opaque, envBlocked, solo, lang, chapter,
// top, seed. Unknown themes fall back to darksky, as the add-in's default.
export function readQuery(search) {
  const params = new URLSearchParams(search.startsWith('?') ? search.slice(1) : search);
  const theme = params.get('theme');
  const top = Number.parseInt(params.get('top') ?? '0', 10);
  return {
    theme: THEMES.includes(theme) ? theme : 'darksky',
    opaque: params.get('opaque') === '1',
    envBlocked: params.get('envBlocked') ?? '',
    solo: params.get('solo') ?? '',
    lang: params.get('lang') ?? '',
    chapter: params.get('chapter') ?? '',
    top: Number.isFinite(top) ? top : 0,
    seed: params.get('seed') ?? '',
    update: params.get('update') ?? '',
  };
}

// Data of a message from the add-in: JSON text, or an empty object when it is
// not JSON (the add-in always sends objects; a broken one must not stop the page).
export function parseData(data) {
  if (typeof data !== 'string') return data ?? {};
  try {
    const value = JSON.parse(data);
    return value && typeof value === 'object' ? value : {};
  } catch {
    return {};
  }
}

// Six significant digits, trailing zeros removed; "" for null.
export function formatNumber(value, digits = 6) {
  if (value === null || value === undefined || !Number.isFinite(value)) return '';
  return String(Number(value.toPrecision(digits)));
}

// Whether a tool can be imported at all.
export function importable(tool) {
  return !!tool && !tool.unsupported;
}

// A finding still open for this tool given the user's decisions.
export function openFindings(tool, decisions) {
  const decided = decisions ?? {};
  return (tool.issues ?? []).filter((finding) => {
    switch (finding.resolutionKind) {
      case 'setValue': return decided[finding.type] === undefined && !(decided.ack ?? []).includes(finding.rule);
      case 'grow': return !(decided.ack ?? []).includes(finding.rule) && !decided.grow;
      default: return !(decided.ack ?? []).includes(finding.rule);
    }
  });
}

export function worstSeverity(findings) {
  if (findings.some((f) => f.severity === 'critical')) return 'critical';
  return findings.length ? 'review' : '';
}

// Indices of importable tools matching a filter.
export function selectWhere(tools, predicate) {
  const picked = [];
  tools.forEach((tool, index) => { if (importable(tool) && predicate(tool)) picked.push(index); });
  return picked;
}

export function toolMatches(tool, text) {
  if (!text) return true;
  const needle = text.toLowerCase();
  return [tool.name, tool.fusionType, tool.type, String(tool.number), tool.holderName]
    .some((field) => String(field ?? '').toLowerCase().includes(needle));
}

const OVERRIDE_KEYS = {
  pitch: 'pitch',
  diameter: 'diameter',
  flutes: 'flutes',
  clockwise: 'clockwise',
  hand: 'hand',
  toolNumber: 'toolNumber',
};

// The request object every library operation sends: selection in list order,
// per-tool overrides as parallel index/value lists, unit per selected tool and
// the holder options. The add-in reads it with plain pattern readers, so the
// text must stay compact (JSON.stringify writes no blanks).
export function buildImportRequest({ tools, selected, overrides, libraryName, addinVersion, unitMode, options }) {
  const selectedIndices = [...selected].filter((i) => importable(tools[i])).sort((a, b) => a - b);
  const request = { libraryName: libraryName ?? '', addinVersion: addinVersion ?? '', selectedIndices };
  if (unitMode === 'mm' || unitMode === 'in') {
    request.displayUnitMetric = selectedIndices.map(() => (unitMode === 'mm' ? 1 : 0));
  }
  for (const [field, key] of Object.entries(OVERRIDE_KEYS)) {
    const indices = [];
    const values = [];
    for (const index of selectedIndices) {
      const value = overrides?.[index]?.[field];
      if (value === undefined || value === null || value === '') continue;
      const number = typeof value === 'boolean' ? (value ? 1 : 0) : Number(value);
      if (!Number.isFinite(number)) continue;
      indices.push(index);
      values.push(number);
    }
    if (indices.length) {
      request[`${key}OverrideIndices`] = indices;
      request[`${key}OverrideValues`] = values;
    }
  }
  const opts = options ?? {};
  request.removeUndercuts = !!opts.removeUndercuts;
  request.undercutThreshold = Number.isFinite(opts.undercutThreshold) ? opts.undercutThreshold : 5;
  request.preserveSource = opts.preserveSource !== false;
  request.associateCuttingData = !!opts.associateCuttingData;
  return request;
}

// A decided value for a setValue finding, checked against its limits.
export function validateValue(finding, text) {
  const value = Number(String(text).trim().replace(',', '.'));
  if (String(text).trim() === '' || !Number.isFinite(value)) return { ok: false, reason: 'number' };
  const limits = finding.validate ?? {};
  if (limits.integer && !Number.isInteger(value)) return { ok: false, reason: 'integer' };
  if (limits.min !== undefined && value < limits.min) return { ok: false, reason: 'min', limit: limits.min };
  if (limits.max !== undefined && value > limits.max) return { ok: false, reason: 'max', limit: limits.max };
  if (value <= 0) return { ok: false, reason: 'min', limit: 0 };
  return { ok: true, value };
}

// Tolerance typed in the shown unit, sent in inches.
export function toleranceToInch(value, unit) {
  return unit === 'mm' ? value / 25.4 : value;
}

export function inchToUnit(value, unit) {
  return unit === 'mm' ? value * 25.4 : value;
}

// Fixed-height virtual rows: the first and last index to render.
export function visibleRange(scrollTop, viewportHeight, rowHeight, count, overscan = 8) {
  const first = Math.max(0, Math.floor(scrollTop / rowHeight) - overscan);
  const last = Math.min(count, Math.ceil((scrollTop + viewportHeight) / rowHeight) + overscan);
  return { first, last: Math.max(first, last) };
}

// Base64 of bytes, for feedback attachments.
export function base64(bytes) {
  let binary = '';
  const chunk = 0x8000;
  for (let i = 0; i < bytes.length; i += chunk) binary += String.fromCharCode(...bytes.subarray(i, i + chunk));
  return typeof btoa === 'function' ? btoa(binary) : Buffer.from(binary, 'binary').toString('base64');
}
