// The Corvana palette page: sources, the streamed tool list with findings and
// fixes, library import, export, settings, documentation and support.

import styles from './styles.css';
import { createBridge } from './bridge.js';
import { h, replaceChildren } from './dom.js';
import { makeTranslator, LANGUAGES } from './i18n.js';
import {
  SOURCE_ACTIONS, buildImportRequest, formatNumber, importable, inchToUnit, openFindings, parseData,
  readQuery, selectWhere, toleranceToInch, toolMatches, validateValue, worstSeverity, base64,
} from './logic.js';
import { createToolList } from './toolList.js';
import { renderDocs, CHAPTERS } from './docs.js';

const ADDIN_VERSION = '0.1.0';
const TABS = ['import', 'settings', 'help', 'support'];

const query = (() => {
  const served = window.corvanaBridge?.query ?? '';
  const own = new URLSearchParams(location.search);
  const merged = new URLSearchParams(served);
  for (const [key, value] of own) if (key !== 'token') merged.set(key, value);
  return readQuery(merged.toString());
})();

// A detached tab gets its language and its text through the seed.
const seed = parseData(query.seed);
const startLanguage = query.lang || seed.lang;

const state = {
  language: LANGUAGES.includes(startLanguage) ? startLanguage : 'en',
  theme: query.theme,
  themeMode: 'system',
  opaque: query.opaque,
  envName: '',
  envBlocks: query.theme === 'light',
  tab: TABS.includes(query.solo) ? query.solo : 'import',
  solo: query.solo,
  docUnit: 'mm',
  unitMode: 'document',
  source: null, // { kind: 'file'|'mdb'|'pm', path, count }
  pmOpen: false,
  tools: [],
  expected: 0,
  parsing: false,
  selected: new Set(),
  decisions: {},
  filter: { text: '', type: '', finding: '' },
  openTool: -1,
  libraryName: '',
  libraries: [],
  operation: null, // { kind, current, total }
  warning: null, // WARN_LIBRARY_EXISTS data
  result: null, // { ok, text }
  notice: null,
  pm: { installed: null, sessions: [], session: 0, steps: [], error: null, versionWarn: null, loaded: null },
  settings: {
    holderMode: 2, holderLib: 'PowerMill Holders', tolerance: 0.0005, removeUndercuts: false,
    undercutThreshold: 5, preserveSource: true, associateCuttingData: false,
    materials: { millingTools: 'carbide', drills: 'carbide', spotDrills: 'carbide', centerDrills: 'hss', counterbore: 'hss', taps: 'hss', reamers: 'carbide' },
  },
  user: { displayName: '', email: '', fusionVersion: '' },
  feedback: { message: typeof seed.text === 'string' ? seed.text : '', attachments: [], status: null },
  diagnostics: { rating: 0, comment: '', status: null },
  update: { version: query.update, status: null },
  docs: { detached: false, chapter: query.chapter || CHAPTERS[0], top: query.top },
  dialog: null,
};

let t = makeTranslator(state.language);
const bridge = createBridge(onMessage, (dialog) => { state.dialog = dialog; render(); });
const send = (action, data) => bridge.send(action, data);

const toolList = createToolList({
  t: (...args) => t(...args),
  getState: () => state,
  onToggle: (index) => toggleTool(index),
  onOpen: (index) => { state.openTool = index; renderDetail(); },
});

const root = document.getElementById('app');
const style = document.createElement('style');
style.textContent = styles;
document.head.append(style);

// ---------------------------------------------------------------- messages

const handlers = {
  REPLY_MFG_UNITS: (d) => { state.docUnit = d.unit === 'in' ? 'in' : 'mm'; },
  REPLY_APP_LANGUAGE: (d) => { if (!startLanguage) setLanguage(d.language); },
  REPLY_USER_INFO: (d) => { state.user = { displayName: d.displayName ?? '', email: d.email ?? '', fusionVersion: d.fusionVersion ?? '' }; },
  REPLY_LOCAL_LIBRARIES: (d) => { state.libraries = Array.isArray(d.names) ? d.names : []; },
  REPLY_ENV: (d) => { state.envName = d.envName ?? ''; state.envBlocks = !!d.envBlocksTransparent; if (d.themeName) applyTheme(d.themeName); },
  NOTIFY_ENV_BLOCKED: (d) => { state.opaque = true; state.notice = { kind: 'info', text: t('env.blocked', { name: d.envName ?? '' }) }; },
  PARSE_BEGIN: (d) => beginTools(d.total),
  PARSE_TOOL: (d) => addTool(d),
  PM_BEGIN: (d) => beginTools(d.total),
  PM_TOOL: (d) => addTool(d),
  REPLY_PARSE_PTF: (d) => finishParse(d),
  REPLY_PARSE_MDB: (d) => finishParse(d, 'mdb'),
  REPLY_PM_STATUS: (d) => { state.pm.installed = !!d.pmInstalled; state.pm.sessions = Array.isArray(d.sessions) ? d.sessions : []; },
  REPLY_PM_OPEN_STATUS: (d) => { state.pm.steps = [...state.pm.steps.filter((s) => s.status !== d.status), { status: d.status, msg: d.msg }]; },
  REPLY_PM_VERSION_WARN: (d) => { state.parsing = false; state.pm.versionWarn = d; },
  REPLY_PM_ERROR: (d) => { state.parsing = false; state.pm.error = d; state.pm.steps = []; },
  REPLY_PM_LOADED: (d) => finishPm(d),
  IMPORT_PROGRESS: (d) => { state.operation = { ...(state.operation ?? {}), current: d.current ?? 0, total: d.total ?? 0 }; },
  WARN_LIBRARY_EXISTS: (d) => { state.operation = null; state.warning = d; },
  REPLY_IMPORT_TOOLS: (d) => finishOperation(d),
  REPLY_EXPORT_JSON: (d) => finishOperation(d, 'export'),
  REPLY_FEEDBACK_STATUS: (d) => feedbackStatus(d),
  REPLY_DIAGNOSTICS_STATUS: (d) => diagnosticsStatus(d),
  REPLY_DOWNLOAD_UPDATE: (d) => { state.update.status = d; send('SET_UTILITY_RUNNING', { running: false }); },
  REPLY_DOCS_STATE: (d) => { state.docs.detached = !!d.detached; },
  REPLY_DOCS_CLOSED: () => { state.docs.detached = false; },
  REPLY_DOCS_POS: (d) => { if (d.chapter) state.docs.chapter = d.chapter; },
  REPLY_DOCS_REATTACH: (d) => { state.docs.detached = false; if (d.chapter) state.docs.chapter = d.chapter; state.tab = 'help'; },
  TAB_REDOCKED: (d) => { if (d.tab === 'support' && d.state) state.feedback.message = d.state.text ?? state.feedback.message; state.tab = d.tab || state.tab; send('CLOSE_DETACH', {}); },
  HOST_MESSAGE_BOX: (d) => { state.notice = { kind: 'warn', text: d.text ?? '' }; },
  BRIDGE_STATE: (d) => {
    if (!d.connected) state.notice = { kind: 'error', text: t('bridge.lost'), bridge: true };
    else if (state.notice?.bridge) state.notice = null;
  },
};

// Streaming messages only touch the list; everything else redraws the page.
const STREAMING = new Set(['PARSE_TOOL', 'PM_TOOL', 'IMPORT_PROGRESS']);

function onMessage(action, data) {
  const handler = handlers[action];
  if (!handler) return;
  handler(parseData(data));
  if (STREAMING.has(action)) scheduleProgress();
  else render();
}

// ---------------------------------------------------------------- tools

function beginTools(total) {
  state.tools = [];
  state.selected = new Set();
  state.decisions = {};
  state.openTool = -1;
  state.warning = null;
  state.result = null;
  state.expected = Number(total) || 0;
  state.parsing = true;
}

function addTool(summary) {
  if (!summary || typeof summary !== 'object') return;
  const index = Number.isInteger(summary.index) ? summary.index : state.tools.length;
  state.tools[index] = summary;
  if (importable(summary)) state.selected.add(index);
}

function finishParse(d, kind = 'file') {
  state.parsing = false;
  if (d.cancelled) { render(); return; }
  state.source = { kind, path: d.filePath ?? '', count: d.count ?? state.tools.length };
  state.pmOpen = false;
  state.libraryName = state.libraryName || libraryNameFrom(d.filePath, kind);
  state.notice = d.error ? { kind: 'error', text: t('parse.failed') } : null;
  send('GET_LOCAL_LIBRARIES', {});
}

function finishPm(d) {
  state.parsing = false;
  state.pm.steps = [];
  state.pm.loaded = d;
  state.source = { kind: 'pm', path: d.projectName ?? '', count: d.count ?? 0 };
  state.libraryName = state.libraryName || d.projectName || '';
  state.notice = d.partial ? { kind: 'warn', text: t(`pm.partial.${d.partialReason}`, { count: d.count }) } : null;
  send('GET_LOCAL_LIBRARIES', {});
}

function libraryNameFrom(path, kind) {
  const base = String(path ?? '').split(/[\\/]/).filter(Boolean).pop() ?? '';
  const name = base.replace(/\.(ptf|pmlent|pmlprjz|mdb)$/i, '');
  return name || SOURCE_ACTIONS[kind].defaultName;
}

function toggleTool(index) {
  if (!importable(state.tools[index])) return;
  if (state.selected.has(index)) state.selected.delete(index); else state.selected.add(index);
  toolList.refresh();
  renderCounts();
}

// Positions of the tools received so far (a lost message leaves a hole).
function presentIndices() {
  const indices = [];
  state.tools.forEach((tool, index) => { if (tool) indices.push(index); });
  return indices;
}

function filterActive() {
  return !!(state.filter.text || state.filter.type || state.filter.finding);
}

function filteredOrder() {
  const { text, type, finding } = state.filter;
  const order = [];
  state.tools.forEach((tool, index) => {
    if (!tool || !toolMatches(tool, text)) return;
    if (type && tool.fusionType !== type) return;
    if (finding) {
      const open = openFindings(tool, state.decisions[index]);
      if (finding === 'any' ? !open.length : !open.some((f) => f.rule === finding)) return;
    }
    order.push(index);
  });
  return order;
}

// Streamed tools are drawn ten times a second: enough to watch the list grow,
// and the counts (a pass over every tool) stay cheap for 20 000 tools.
let progressTimer = 0;
function scheduleProgress() {
  if (progressTimer) return;
  progressTimer = setTimeout(() => {
    progressTimer = 0;
    if (state.parsing) toolList.setOrder(filterActive() ? filteredOrder() : presentIndices());
    renderProgress();
    renderCounts();
  }, 100);
}

// ---------------------------------------------------------------- actions

function startSource(kind) {
  state.notice = null;
  state.result = null;
  state.warning = null;
  if (kind === 'pm') {
    state.tab = 'import';
    state.pmOpen = true;
    state.pm = { ...state.pm, error: null, versionWarn: null, steps: [], loaded: null };
    send('GET_PM_STATUS', {});
    render();
    return;
  }
  const action = { ptf: 'BROWSE_AND_PARSE_PTF', project: 'BROWSE_AND_PARSE_PROJECT', archive: 'BROWSE_AND_PARSE_ARCHIVE', mdb: 'BROWSE_AND_PARSE_MDB' }[kind];
  state.parsing = true;
  state.expected = 0;
  render();
  send(action, {});
}

function openPm(type, force = false) {
  const request = { type, path: '', sessionIndex: state.pm.session };
  const action = force ? 'OPEN_PM_PROJECT_FORCE' : 'OPEN_PM_PROJECT';
  const data = force ? { force: true, type: state.pm.versionWarn?.type ?? type, path: state.pm.versionWarn?.path ?? '' } : request;
  state.pm.error = null;
  state.pm.versionWarn = null;
  state.pm.steps = [];
  state.parsing = true;
  render();
  send(action, data);
}

function importRequest() {
  return buildImportRequest({
    tools: state.tools,
    selected: state.selected,
    overrides: state.decisions,
    libraryName: state.libraryName.trim(),
    addinVersion: ADDIN_VERSION,
    unitMode: state.unitMode === 'document' ? state.docUnit : state.unitMode,
    options: state.settings,
  });
}

function runOperation(kind) {
  const actions = SOURCE_ACTIONS[state.source?.kind] ?? SOURCE_ACTIONS.file;
  state.result = null;
  if (kind !== 'analyze') state.warning = null;
  state.operation = { kind, current: 0, total: state.selected.size };
  render();
  send(actions[kind], importRequest());
}

function finishOperation(d, kind) {
  const op = kind ?? state.operation?.kind ?? 'import';
  state.operation = null;
  state.warning = null;
  if (d.success) {
    const count = d.count ?? 0;
    const text = op === 'merge' ? t('result.merge', { name: state.libraryName, added: (d.addedIndices ?? []).length, message: d.message })
      : t(`result.${op}`, { name: state.libraryName, count });
    state.result = { ok: true, text, detail: d.message };
  } else {
    state.result = { ok: false, text: d.message || t('result.failed') };
  }
  send('GET_LOCAL_LIBRARIES', {});
}

function feedbackStatus(d) {
  const f = state.feedback;
  f.status = d.success ? { ok: true } : { ok: false, error: d.error ?? '' };
  if (d.success) { f.message = ''; f.attachments = []; }
  send('SET_UTILITY_RUNNING', { running: false });
}

function diagnosticsStatus(d) {
  state.diagnostics.status = d;
  if (d.stage === 'sent' || (d.stage === 'received' && !d.toolCount)) send('SET_UTILITY_RUNNING', { running: false });
}

function setLanguage(language) {
  state.language = LANGUAGES.includes(language) ? language : 'en';
  t = makeTranslator(state.language);
  document.documentElement.lang = state.language;
}

function applyTheme(theme) {
  state.theme = theme;
  document.documentElement.dataset.theme = theme;
  document.documentElement.dataset.opaque = state.opaque ? '1' : '0';
}

function setThemeMode(mode) {
  state.themeMode = mode;
  send('SET_THEME_MODE', { mode });
  if (mode !== 'system') applyTheme(mode);
  send('CHECK_ENV', {});
  render();
}

function pushSettings() {
  const s = state.settings;
  send('SET_HOLDER_DESTINATION', { mode: s.holderMode, libName: s.holderLib });
  send('SET_POLY_TOLERANCE', { tolInch: s.tolerance });
  send('SET_MATERIAL_DEFAULTS', s.materials);
}

// ---------------------------------------------------------------- rendering

const frame = {
  header: h('header', { class: 'top' }),
  tabs: h('nav', { class: 'tabs', role: 'tablist' }),
  notice: h('div', { class: 'notice-area', role: 'status' }),
  body: h('main', { class: 'body' }),
  dialog: h('div', { class: 'dialog-area' }),
};
const importParts = {
  sources: h('section', { class: 'sources', 'aria-labelledby': 'sources-title' }),
  pm: h('section', { class: 'pm' }),
  progress: h('div', { class: 'progress-area', 'aria-live': 'polite' }),
  filters: h('div', { class: 'filters' }),
  counts: h('div', { class: 'counts', 'aria-live': 'polite' }),
  detail: h('section', { class: 'detail', 'aria-live': 'polite' }),
  target: h('section', { class: 'target' }),
};

function render() {
  document.documentElement.lang = state.language;
  applyTheme(state.theme);
  renderHeader();
  renderNotice();
  frame.body.setAttribute('role', 'tabpanel');
  frame.body.setAttribute('aria-labelledby', `tab-${state.tab}`);
  replaceChildren(frame.body, ...renderTab());
  toolList.restoreScroll();
  renderDialog();
}

function renderHeader() {
  replaceChildren(frame.header,
    h('h1', {}, 'Corvana'),
    h('span', { class: 'chip', title: t('units.document') }, t('units.docShort', { unit: state.docUnit })),
    state.solo ? h('button', { class: 'ghost', onclick: redock }, t('solo.redock'))
      : h('div', { class: 'header-actions' },
        h('button', { class: 'ghost', title: t('palette.reset'), 'aria-label': t('palette.reset'), onclick: () => send('RESET_PALETTE', {}) }, '⟲'),
        h('button', { class: 'ghost', title: t('palette.close'), 'aria-label': t('palette.close'), onclick: () => send('CLOSE_PALETTE', {}) }, '✕')));
  if (state.solo) { frame.tabs.hidden = true; return; }
  frame.tabs.hidden = false;
  replaceChildren(frame.tabs, TABS.map((tab) => h('button', {
    role: 'tab', id: `tab-${tab}`, 'aria-selected': state.tab === tab ? 'true' : 'false', tabindex: state.tab === tab ? '0' : '-1',
    class: state.tab === tab ? 'active' : '', onclick: () => { state.tab = tab; render(); },
    onkeydown: (event) => tabKeys(event, tab),
  }, t(`tab.${tab}`))));
}

function tabKeys(event, tab) {
  const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
  if (!step) return;
  state.tab = TABS[(TABS.indexOf(tab) + step + TABS.length) % TABS.length];
  render();
  document.getElementById(`tab-${state.tab}`)?.focus();
}

function redock() {
  const text = state.solo === 'support' ? state.feedback.message : state.docs.chapter;
  if (state.solo === 'documentation') { send('DOCS_REATTACH', { chapter: state.docs.chapter, top: 0 }); send('DOCS_CLOSE', {}); return; }
  send('REDOCK_TAB', { tab: state.solo, text });
}

function renderNotice() {
  const n = state.notice;
  replaceChildren(frame.notice, n ? h('div', { class: `notice ${n.kind}` }, h('span', {}, n.text),
    h('button', { class: 'ghost', 'aria-label': t('common.dismiss'), onclick: () => { state.notice = null; render(); } }, '✕')) : null);
}

function renderTab() {
  if (state.solo === 'documentation') return [renderHelp(true)];
  switch (state.tab) {
    case 'settings': return [renderSettings()];
    case 'help': return [renderHelp(false)];
    case 'support': return [renderSupport()];
    default: return renderImport();
  }
}

function renderImport() {
  renderSources();
  renderPm();
  renderProgress();
  renderFilters();
  renderCounts();
  renderDetail();
  renderTarget();
  toolList.setOrder(filteredOrder());
  const hasTools = state.tools.length > 0;
  return [importParts.sources, importParts.pm, importParts.progress,
    hasTools || state.parsing ? h('section', { class: 'tools', 'aria-label': t('list.label') }, importParts.filters, importParts.counts, toolList.element) : emptyState(),
    importParts.detail, importParts.target];
}

function emptyState() {
  return h('div', { class: 'empty' }, h('p', {}, t('empty.title')), h('p', { class: 'hint' }, t('empty.hint')));
}

function renderSources() {
  const busy = state.parsing || !!state.operation;
  const button = (kind, icon) => h('button', { class: 'source', disabled: busy, onclick: () => startSource(kind), 'data-source': kind },
    h('span', { class: 'icon', 'aria-hidden': 'true' }, icon), h('span', {}, t(`source.${kind}`)));
  const src = state.source;
  replaceChildren(importParts.sources,
    h('h2', { id: 'sources-title' }, t('source.title')),
    h('div', { class: 'source-row' }, button('ptf', '▤'), button('project', '▣'), button('archive', '▦'), button('mdb', '▥'), button('pm', '◆')),
    src ? h('p', { class: 'source-path', title: src.path }, t(`source.loaded.${src.kind}`, { count: src.count }), ' ', h('code', {}, src.path)) : null);
}

function renderPm() {
  const pm = state.pm;
  if (!state.pmOpen) { replaceChildren(importParts.pm); return; }
  const parts = [h('h2', {}, t('pm.title'))];
  if (pm.installed === null) parts.push(h('p', { class: 'hint' }, t('pm.checking')));
  else if (!pm.installed) parts.push(h('p', { class: 'hint' }, t('pm.notInstalled')));
  else {
    parts.push(pm.sessions.length
      ? h('div', { class: 'sessions', role: 'radiogroup', 'aria-label': t('pm.sessions') }, pm.sessions.map((s, i) => h('label', { class: 'session' },
        h('input', { type: 'radio', name: 'pm-session', checked: pm.session === i, onchange: () => { pm.session = i; } }),
        h('span', {}, s.projectName || t('pm.noProject')), h('span', { class: 'hint' }, ` ${s.pmVersion} · ${t('pm.toolCount', { count: s.toolCount })} · ${s.isMetric ? 'mm' : 'in'}`))))
      : h('p', { class: 'hint' }, t('pm.noSessions')));
  }
  const busy = state.parsing;
  parts.push(h('div', { class: 'button-row' },
    h('button', { disabled: busy || !pm.sessions.length, onclick: () => openPm('live') }, t('pm.readSession')),
    h('button', { disabled: busy, onclick: () => openPm('folder') }, t('pm.openFolder')),
    h('button', { disabled: busy, onclick: () => openPm('archive') }, t('pm.openArchive')),
    h('button', { class: 'ghost', disabled: busy, onclick: () => send('GET_PM_STATUS', {}) }, t('pm.refresh'))));
  if (pm.steps.length) {
    const order = ['launching', 'starting', 'opening', 'reading', 'extracting'];
    const last = pm.steps[pm.steps.length - 1].status;
    parts.push(h('ol', { class: 'steps', 'aria-label': t('pm.steps') }, order.map((step) => {
      const reached = order.indexOf(step) <= order.indexOf(last);
      const msg = pm.steps.find((s) => s.status === step);
      return h('li', { class: step === last ? 'current' : reached ? 'done' : '' }, t(`pm.step.${step}`), msg && step === last && msg.msg.includes('timing') ? ` — ${t('pm.step.timeout')}` : '');
    })));
  }
  if (pm.versionWarn) {
    parts.push(h('div', { class: 'warning' }, h('p', {}, t('pm.versionWarn', { project: pm.versionWarn.projectYear, installed: pm.versionWarn.installedYear })),
      h('div', { class: 'button-row' }, h('button', { class: 'primary', onclick: () => openPm(pm.versionWarn.type, true) }, t('pm.openAnyway')),
        h('button', { onclick: () => { pm.versionWarn = null; render(); } }, t('common.cancel')))));
  }
  if (pm.error && pm.error.reason !== 'cancelled') {
    parts.push(h('div', { class: 'notice error', role: 'alert' }, t(`pm.error.${pm.error.reason}`, {}, pm.error.detail), h('br'), h('small', {}, pm.error.detail)));
  }
  replaceChildren(importParts.pm, ...parts);
}

function renderProgress() {
  const parts = [];
  if (state.parsing) {
    const done = state.tools.filter(Boolean).length;
    const total = state.expected;
    parts.push(progressBar(total ? t('progress.reading', { done, total }) : t('progress.waiting'), done, total));
  }
  if (state.operation) {
    const { current = 0, total = 0, kind } = state.operation;
    parts.push(progressBar(t(`progress.${kind}`, { done: current, total }), current, total));
  }
  replaceChildren(importParts.progress, ...parts);
}

function progressBar(label, value, max) {
  return h('div', { class: 'progress' }, h('span', {}, label),
    h('progress', max ? { value: String(value), max: String(max), 'aria-label': label } : { 'aria-label': label }));
}

function renderFilters() {
  const types = [...new Set(state.tools.filter(Boolean).map((tool) => tool.fusionType))].sort();
  const rules = [...new Set(state.tools.filter(Boolean).flatMap((tool) => (tool.issues ?? []).map((f) => f.rule)))];
  const update = (key) => (event) => { state.filter[key] = event.target.value; toolList.setOrder(filteredOrder()); renderCounts(); };
  replaceChildren(importParts.filters,
    h('input', { type: 'search', placeholder: t('filter.search'), 'aria-label': t('filter.search'), value: state.filter.text, oninput: update('text') }),
    h('select', { 'aria-label': t('filter.type'), onchange: update('type') }, h('option', { value: '' }, t('filter.allTypes')),
      types.map((type) => h('option', { value: type, selected: state.filter.type === type }, t(`ftype.${type}`, {}, type)))),
    h('select', { 'aria-label': t('filter.finding'), onchange: update('finding') }, h('option', { value: '' }, t('filter.allFindings')),
      h('option', { value: 'any', selected: state.filter.finding === 'any' }, t('filter.anyFinding')),
      rules.map((rule) => h('option', { value: rule, selected: state.filter.finding === rule }, t(`rule.${rule}`)))));
}

function selectionButtons() {
  const shown = filteredOrder();
  const set = (indices, on) => { for (const i of indices) { if (!importable(state.tools[i])) continue; if (on) state.selected.add(i); else state.selected.delete(i); } toolList.refresh(); renderCounts(); renderTarget(); };
  return h('div', { class: 'button-row compact' },
    h('button', { class: 'ghost', onclick: () => set(shown, true) }, t('select.shown')),
    h('button', { class: 'ghost', onclick: () => set(shown, false) }, t('select.noneShown')),
    h('button', { class: 'ghost', onclick: () => { state.selected = new Set(selectWhere(state.tools, () => true)); toolList.refresh(); renderCounts(); renderTarget(); } }, t('select.all')),
    h('button', { class: 'ghost', onclick: () => { state.selected.clear(); toolList.refresh(); renderCounts(); renderTarget(); } }, t('select.none')),
    h('button', { class: 'ghost', onclick: selectReady }, t('select.ready')));
}

function selectReady() {
  state.selected = new Set(selectWhere(state.tools, (tool) => !openFindings(tool, state.decisions[tool.index]).some((f) => f.severity === 'critical')));
  toolList.refresh();
  renderCounts();
  renderTarget();
}

function renderCounts() {
  // Counts change ten times a second while tools stream in: announced only after.
  importParts.counts.setAttribute('aria-live', state.parsing ? 'off' : 'polite');
  const tools = state.tools.filter(Boolean);
  const withFindings = tools.filter((tool) => openFindings(tool, state.decisions[tool.index]).length).length;
  replaceChildren(importParts.counts,
    h('span', { class: 'count-text', 'data-testid': 'counts' }, t('counts', { total: tools.length, selected: state.selected.size, findings: withFindings })),
    selectionButtons());
}

function renderDetail() {
  const index = state.openTool;
  const tool = state.tools[index];
  if (!tool) { replaceChildren(importParts.detail); return; }
  const unit = tool.isMetric ? 'mm' : 'in';
  const decisions = (state.decisions[index] ??= {});
  const fact = (label, value) => (value === null || value === undefined || value === '' ? null : h('div', { class: 'fact' }, h('dt', {}, label), h('dd', {}, value)));
  const dim = (value) => (value === null ? null : `${formatNumber(value)} ${unit}`);
  const findings = (tool.issues ?? []).map((finding) => renderFinding(tool, index, finding, decisions, unit));
  replaceChildren(importParts.detail,
    h('div', { class: 'detail-head' }, h('h2', {}, tool.number > 0 ? `T${tool.number} ` : '', tool.name),
      h('button', { class: 'ghost', 'aria-label': t('common.close'), onclick: () => { state.openTool = -1; renderDetail(); } }, '✕')),
    tool.unsupported ? h('p', { class: 'notice warn' }, t(`unsupported.${tool.unsupportedReason || 'type'}`)) : null,
    h('dl', { class: 'facts' },
      fact(t('fact.type'), `${t(`ftype.${tool.fusionType}`, {}, tool.fusionType)} (${tool.type})`),
      fact(t('fact.diameter'), dim(tool.diameter)), fact(t('fact.flute'), dim(tool.fluteLength)),
      fact(t('fact.overall'), dim(tool.overallLength)), fact(t('fact.gauge'), dim(tool.gaugeLength)),
      fact(t('fact.tipRadius'), tool.tipRadius ? dim(tool.tipRadius) : null), fact(t('fact.pitch'), tool.pitch ? dim(tool.pitch) : null),
      fact(t('fact.flutes'), tool.numFlutes), fact(t('fact.holder'), tool.holderName ? `${tool.holderName} (${tool.holderCount})` : null),
      fact(t('fact.material'), tool.material), fact(t('fact.cutting'), tool.cuttingStatus ? t(`cutting.${tool.cuttingStatus}`, { count: tool.presetCount }) : null),
      fact(t('fact.presets'), (tool.presetNames ?? []).join(', '))),
    findings.length ? h('div', { class: 'findings' }, h('h3', {}, t('finding.title')), findings) : h('p', { class: 'hint' }, t('finding.none')),
    importable(tool) ? renderToolOverrides(tool, index, decisions) : null);
}

function renderFinding(tool, index, finding, decisions, unit) {
  const done = !openFindings(tool, decisions).includes(finding);
  const rationale = t(`why.${finding.markKey ?? finding.rule}${statusSuffix(finding)}`, {}, finding.rationale);
  const parts = [h('div', { class: 'finding-head' }, h('span', { class: `badge ${done ? 'ok' : finding.severity}` }, done ? t('finding.resolved') : t(`sev.${finding.severity}`)),
    h('strong', {}, t(`rule.${finding.rule}`))), h('p', {}, rationale)];
  const decide = (value) => { decisions[finding.type] = value; state.selected.add(index); afterDecision(); };
  if (finding.resolutionKind === 'setValue') {
    const current = decisions[finding.type];
    parts.push(h('p', { class: 'hint' }, `${t(`label.${finding.type}`)}: ${formatNumber(finding.pmValue)}${finding.type === 'flutes' ? '' : ` ${unit}`}`,
      finding.suggest !== undefined ? ` · ${t('finding.suggest', { value: finding.suggest, source: t(`suggest.${finding.suggestSource}`) })}` : ''));
    const candidates = (finding.candidates ?? []).map((c) => h('button', {
      class: `candidate${current === c.value ? ' chosen' : ''}`, 'aria-pressed': current === c.value ? 'true' : 'false', onclick: () => decide(c.value),
    }, c.label ? `${c.label} · ` : '', `${formatNumber(c.value)}${finding.type === 'flutes' ? '' : ` ${unit}`}`, c.tier === 'recommended' ? ` ★` : ''));
    if (finding.suggest !== undefined) candidates.unshift(h('button', { class: `candidate${current === finding.suggest ? ' chosen' : ''}`, onclick: () => decide(finding.suggest) }, t('finding.useSuggestion', { value: finding.suggest })));
    if (candidates.length) parts.push(h('div', { class: 'candidates' }, candidates));
    if (finding.allowCustom) {
      const input = h('input', { type: 'text', inputmode: 'decimal', 'aria-label': t('finding.custom'), placeholder: t('finding.custom'), value: current ?? '' });
      const error = h('span', { class: 'error-text', role: 'alert' });
      parts.push(h('div', { class: 'custom' }, input, h('button', { onclick: () => {
        const checked = validateValue(finding, input.value);
        if (!checked.ok) { error.textContent = t(`invalid.${checked.reason}`, { limit: checked.limit }); return; }
        decide(checked.value);
      } }, t('finding.apply')), error));
    }
    if (current !== undefined) parts.push(h('button', { class: 'ghost', onclick: () => { delete decisions[finding.type]; afterDecision(); } }, t('finding.undo')));
  } else {
    const ack = decisions.ack ?? [];
    parts.push(done
      ? h('button', { class: 'ghost', onclick: () => { decisions.ack = ack.filter((r) => r !== finding.rule); decisions.grow = false; afterDecision(); } }, t('finding.undo'))
      : h('div', { class: 'button-row compact' },
        h('button', { onclick: () => { decisions.ack = [...ack, finding.rule]; if (finding.resolutionKind === 'grow') decisions.grow = true; afterDecision(); } },
          t(finding.resolutionKind === 'grow' ? 'finding.grow' : 'finding.acknowledge')),
        finding.bulkEligible ? h('button', { class: 'ghost', onclick: () => acknowledgeAll(finding.rule) }, t('finding.acknowledgeAll')) : null,
        h('button', { class: 'ghost', onclick: () => { state.selected.delete(index); afterDecision(); } }, t('finding.exclude'))));
  }
  return h('div', { class: `finding ${done ? 'done' : finding.severity}` }, parts);
}

function statusSuffix(finding) {
  if (finding.rule !== 'threadPitch') return '';
  const texts = { 'No thread pitch': 1, 'No standard thread': 2, 'implausibly small': 3, 'differs from the standard': 4 };
  const hit = Object.entries(texts).find(([text]) => String(finding.rationale).includes(text));
  return hit ? `.${hit[1]}` : '';
}

function acknowledgeAll(rule) {
  state.tools.forEach((tool) => {
    if (!tool || !(tool.issues ?? []).some((f) => f.rule === rule)) return;
    const decisions = (state.decisions[tool.index] ??= {});
    decisions.ack = [...new Set([...(decisions.ack ?? []), rule])];
  });
  afterDecision();
}

function afterDecision() {
  toolList.refresh();
  renderDetail();
  renderCounts();
  renderTarget();
}

function renderToolOverrides(tool, index, decisions) {
  const field = (key, label, integer) => h('label', { class: 'field small' }, h('span', {}, label),
    h('input', { type: 'text', inputmode: integer ? 'numeric' : 'decimal', value: decisions[key] ?? '', placeholder: '—',
      onchange: (event) => {
        const raw = event.target.value.trim().replace(',', '.');
        const value = Number(raw);
        if (raw === '' || !Number.isFinite(value) || value <= 0 || (integer && !Number.isInteger(value))) { delete decisions[key]; event.target.value = ''; } else decisions[key] = value;
        afterDecision();
      } }));
  const threadMill = tool.type === 'thread_mill';
  const tap = tool.fusionType?.startsWith('tap');
  return h('details', { class: 'overrides' }, h('summary', {}, t('override.title')),
    h('div', { class: 'grid' },
      field('toolNumber', t('override.toolNumber'), true), field('flutes', t('override.flutes'), true), field('diameter', t('override.diameter')),
      threadMill || tap ? field('pitch', t('override.pitch')) : null,
      threadMill ? h('label', { class: 'field small' }, h('span', {}, t('override.spindle')), h('select', { onchange: (event) => { if (event.target.value === '') delete decisions.clockwise; else decisions.clockwise = event.target.value === '1'; } },
        h('option', { value: '' }, '—'), h('option', { value: '1', selected: decisions.clockwise === true }, t('override.cw')), h('option', { value: '0', selected: decisions.clockwise === false }, t('override.ccw')))) : null,
      tap ? h('label', { class: 'field small' }, h('span', {}, t('override.hand')), h('select', { onchange: (event) => { if (event.target.value === '') delete decisions.hand; else decisions.hand = Number(event.target.value); } },
        h('option', { value: '' }, '—'), h('option', { value: '0', selected: decisions.hand === 0 }, t('override.right')), h('option', { value: '1', selected: decisions.hand === 1 }, t('override.left')))) : null));
}

function renderTarget() {
  if (!state.tools.length || state.parsing) { replaceChildren(importParts.target); return; }
  const busy = !!state.operation;
  const selectedTools = [...state.selected].map((i) => state.tools[i]).filter(Boolean);
  const critical = selectedTools.filter((tool) => worstSeverity(openFindings(tool, state.decisions[tool.index])) === 'critical').length;
  const exists = state.libraries.includes(state.libraryName.trim());
  const nameInput = h('input', { id: 'library-name', type: 'text', list: 'library-names', value: state.libraryName, 'aria-describedby': 'library-hint',
    oninput: (event) => { state.libraryName = event.target.value; state.warning = null; renderWarning(); hint.textContent = hintText(); } });
  const hintText = () => (state.libraries.includes(state.libraryName.trim()) ? t('target.exists') : t('target.new'));
  const hint = h('small', { id: 'library-hint', class: 'hint' }, hintText());
  const warningArea = h('div', { class: 'warning-area' });
  const renderWarning = () => replaceChildren(warningArea, state.warning ? renderLibraryWarning(state.warning) : null);
  renderWarning();
  replaceChildren(importParts.target,
    h('h2', {}, t('target.title')),
    h('label', { class: 'field', for: 'library-name' }, h('span', {}, t('target.name'))), nameInput,
    h('datalist', { id: 'library-names' }, state.libraries.map((name) => h('option', { value: name }))), hint,
    critical ? h('div', { class: 'notice warn' }, h('span', {}, t('target.critical', { count: critical })), h('button', { class: 'ghost', onclick: selectReady }, t('select.ready'))) : null,
    h('div', { class: 'button-row' },
      h('button', { class: 'primary', disabled: busy || !state.selected.size, onclick: () => runOperation('import'), 'data-op': 'import' }, t('target.import', { count: state.selected.size })),
      exists ? h('button', { disabled: busy || !state.selected.size, onclick: () => runOperation('analyze'), 'data-op': 'analyze' }, t('target.analyze')) : null,
      h('button', { disabled: busy || !state.selected.size, onclick: () => runOperation('export'), 'data-op': 'export' }, t('target.export'))),
    warningArea,
    state.result ? h('div', { class: `notice ${state.result.ok ? 'ok' : 'error'}`, role: state.result.ok ? 'status' : 'alert', 'data-testid': 'result' }, state.result.text) : null);
}

function renderLibraryWarning(w) {
  const busy = !!state.operation;
  if (!w.analyzed) {
    return h('div', { class: 'warning', role: 'alert' }, h('p', {}, t('warn.exists', { name: state.libraryName })),
      h('div', { class: 'button-row' }, h('button', { class: 'primary', disabled: busy, onclick: () => runOperation('analyze') }, t('target.analyze')),
        h('button', { disabled: busy, onclick: () => runOperation('replace') }, t('warn.replace')),
        h('button', { class: 'ghost', onclick: () => { state.warning = null; render(); } }, t('common.cancel'))));
  }
  const list = (key, names) => h('details', {}, h('summary', {}, t(`warn.${key}`, { count: names?.length ?? 0 })), h('ul', { class: 'names' }, (names ?? []).slice(0, 500).map((n) => h('li', {}, n))));
  return h('div', { class: 'warning', role: 'alert', 'data-testid': 'analysis' },
    h('p', {}, t('warn.analysis', { name: state.libraryName, existing: w.existingCount, added: w.mergeNew, same: w.mergeDup, removed: w.mergeRemoved })),
    list('newNames', w.newNames), list('matchingNames', w.matchingNames), list('removedNames', w.removedNames),
    h('div', { class: 'button-row' },
      h('button', { class: 'primary', disabled: busy, onclick: () => runOperation('merge') }, t('warn.merge', { count: w.mergeNew })),
      h('button', { disabled: busy, onclick: () => runOperation('replace') }, t('warn.replace')),
      h('button', { class: 'ghost', onclick: () => { state.warning = null; render(); } }, t('common.cancel'))));
}

function renderSettings() {
  const s = state.settings;
  const unit = state.docUnit;
  const radio = (name, value, current, label, onchange) => h('label', { class: 'radio' }, h('input', { type: 'radio', name, value, checked: current === value, onchange }), h('span', {}, label));
  const materialKeys = Object.keys(s.materials);
  return h('div', { class: 'settings' },
    detachButton('settings'),
    h('fieldset', {}, h('legend', {}, t('units.title')),
      ['document', 'mm', 'in', 'source'].map((mode) => radio('units', mode, state.unitMode, t(`units.mode.${mode}`, { unit }), () => { state.unitMode = mode; }))),
    h('fieldset', {}, h('legend', {}, t('holder.title')),
      [0, 1, 2].map((mode) => radio('holder', mode, s.holderMode, t(`holder.mode${mode}`), () => { s.holderMode = mode; pushSettings(); render(); })),
      s.holderMode === 2 ? h('label', { class: 'field' }, h('span', {}, t('holder.library')), h('input', { type: 'text', value: s.holderLib, onchange: (event) => { s.holderLib = event.target.value; pushSettings(); } })) : null,
      h('label', { class: 'check' }, h('input', { type: 'checkbox', checked: s.removeUndercuts, onchange: (event) => { s.removeUndercuts = event.target.checked; render(); } }), h('span', {}, t('holder.undercuts'))),
      s.removeUndercuts ? h('label', { class: 'field small' }, h('span', {}, t('holder.threshold')), h('input', { type: 'number', min: '0', max: '100', step: '0.5', value: String(s.undercutThreshold), onchange: (event) => { const v = Number(event.target.value); if (Number.isFinite(v) && v >= 0) s.undercutThreshold = v; } })) : null),
    h('fieldset', {}, h('legend', {}, t('tolerance.title')),
      h('label', { class: 'field small' }, h('span', {}, t('tolerance.label', { unit })), h('input', { type: 'number', min: '0', step: 'any', value: formatNumber(inchToUnit(s.tolerance, unit), 4),
        onchange: (event) => { const v = Number(event.target.value); if (Number.isFinite(v) && v > 0) { s.tolerance = toleranceToInch(v, unit); pushSettings(); } else event.target.value = formatNumber(inchToUnit(s.tolerance, unit), 4); } })),
      h('small', { class: 'hint' }, t('tolerance.hint'))),
    h('fieldset', {}, h('legend', {}, t('cutting.title')),
      h('label', { class: 'check' }, h('input', { type: 'checkbox', checked: s.preserveSource, onchange: (event) => { s.preserveSource = event.target.checked; } }), h('span', {}, t('cutting.preserve'))),
      h('label', { class: 'check' }, h('input', { type: 'checkbox', checked: s.associateCuttingData, onchange: (event) => { s.associateCuttingData = event.target.checked; } }), h('span', {}, t('cutting.associate'))),
      h('div', { class: 'grid' }, materialKeys.map((key) => h('label', { class: 'field small' }, h('span', {}, t(`material.${key}`)),
        h('select', { onchange: (event) => { s.materials[key] = event.target.value; pushSettings(); } }, ['carbide', 'hss', 'unspecified'].map((m) => h('option', { value: m, selected: s.materials[key] === m }, t(`material.value.${m}`)))))))),
    h('fieldset', {}, h('legend', {}, t('appearance.title')),
      h('label', { class: 'field small' }, h('span', {}, t('appearance.theme')), h('select', { onchange: (event) => setThemeMode(event.target.value) },
        ['system', 'light', 'darksky', 'riverrubicon'].map((mode) => h('option', { value: mode, selected: state.themeMode === mode }, t(`theme.${mode}`))))),
      h('label', { class: 'check' }, h('input', { type: 'checkbox', checked: !state.opaque, disabled: state.envBlocks, onchange: (event) => { state.opaque = !event.target.checked; send('SET_OPAQUE_MODE', { opaque: state.opaque }); render(); } }), h('span', {}, t('appearance.transparent'))),
      state.envBlocks ? h('small', { class: 'hint' }, t('appearance.blocked')) : null,
      state.envName ? h('small', { class: 'hint' }, t('appearance.env', { name: state.envName })) : null,
      h('label', { class: 'field small' }, h('span', {}, t('appearance.language')), h('select', { onchange: (event) => { setLanguage(event.target.value); render(); } },
        LANGUAGES.map((lang) => h('option', { value: lang, selected: state.language === lang }, t(`lang.${lang}`)))))));
}

function detachButton(tab) {
  if (state.solo) return null;
  return h('div', { class: 'detach-row' }, h('button', { class: 'ghost', onclick: () => send('DETACH_TAB', { tab, seed: JSON.stringify({ lang: state.language, text: tab === 'support' ? state.feedback.message : '' }) }) }, t('solo.detach')));
}

function renderHelp(solo) {
  return renderDocs({
    t, language: state.language, chapter: state.docs.chapter, top: state.docs.top, detached: state.docs.detached, solo,
    onChapter: (chapter) => { state.docs.chapter = chapter; state.docs.top = 0; if (solo) send('DOCS_POS', { chapter, top: 0 }); render(); },
    onScroll: (chapter, top) => { state.docs.top = top; send('DOCS_POS', { chapter, top }); },
    onDetach: () => { send('DOCS_DETACH', { lang: state.language, chapter: state.docs.chapter, top: 0 }); state.docs.detached = true; render(); },
    onReattach: () => { send('DOCS_CLOSE', {}); state.docs.detached = false; render(); },
    onOpenUrl: (url) => send('OPEN_URL', { url }),
  });
}

function renderSupport() {
  const f = state.feedback;
  const d = state.diagnostics;
  const u = state.update;
  // The browser's own file button speaks the system language; a page button
  // opens the hidden input instead.
  const fileInput = h('input', { type: 'file', multiple: true, hidden: true, onchange: async (event) => {
    for (const file of event.target.files) {
      if (file.size > 5_000_000) { state.notice = { kind: 'warn', text: t('feedback.tooLarge', { name: file.name }) }; continue; }
      f.attachments.push({ name: file.name, content: base64(new Uint8Array(await file.arrayBuffer())) });
    }
    render();
  } });
  const sendButton = h('button', { class: 'primary', disabled: !f.message.trim() || !!f.status?.sending, onclick: () => {
    f.status = { sending: true };
    send('SET_UTILITY_RUNNING', { running: true });
    send('SUBMIT_FEEDBACK', { userName: state.user.displayName, userEmail: state.user.email, message: f.message, pmVersion: state.pm.loaded?.pmVersion ?? '', addinVersion: ADDIN_VERSION, communityName: '', attachments: f.attachments });
    render();
  } }, t('feedback.send'));
  return h('div', { class: 'support' },
    detachButton('support'),
    h('fieldset', {}, h('legend', {}, t('feedback.title')),
      h('p', { class: 'hint' }, t('feedback.from', { name: state.user.displayName || '—', email: state.user.email || '—' })),
      h('label', { class: 'field' }, h('span', {}, t('feedback.message')), h('textarea', { rows: '5', oninput: (event) => { f.message = event.target.value; sendButton.disabled = !f.message.trim() || !!f.status?.sending; } }, f.message)),
      h('div', { class: 'field' }, h('span', {}, t('feedback.attach')), fileInput,
        h('button', { type: 'button', class: 'attach', onclick: () => fileInput.click() }, t('feedback.addFiles'))),
      f.attachments.length ? h('ul', { class: 'names' }, f.attachments.map((a, i) => h('li', {}, a.name, ' ', h('button', { class: 'ghost', 'aria-label': t('feedback.remove', { name: a.name }), onclick: () => { f.attachments.splice(i, 1); render(); } }, '✕')))) : null,
      sendButton,
      f.status ? h('p', { class: `notice ${f.status.sending ? 'info' : f.status.ok ? 'ok' : 'error'}`, role: 'status' }, f.status.sending ? t('feedback.sending') : f.status.ok ? t('feedback.sent') : t('feedback.failed', { error: f.status.error })) : null),

    h('fieldset', {}, h('legend', {}, t('diag.title')),
      h('p', { class: 'hint' }, t('diag.hint')),
      h('div', { class: 'rating', role: 'radiogroup', 'aria-label': t('diag.rating') }, [1, 2, 3, 4, 5].map((n) => h('button', {
        role: 'radio', 'aria-checked': d.rating === n ? 'true' : 'false', 'aria-label': t('diag.stars', { count: n }), class: d.rating >= n ? 'star on' : 'star', onclick: () => { d.rating = n; render(); },
      }, '★'))),
      h('label', { class: 'field' }, h('span', {}, t('diag.comment')), h('textarea', { rows: '3', oninput: (event) => { d.comment = event.target.value; } }, d.comment)),
      h('button', { onclick: () => {
        d.status = { stage: 'sending' };
        send('SET_UTILITY_RUNNING', { running: true });
        send('SEND_DIAGNOSTICS', { rating: d.rating, comment: d.comment, userHash: '', addinVersion: ADDIN_VERSION, communityName: '' });
        render();
      } }, t('diag.send')),
      d.status ? h('p', { class: 'notice info', role: 'status' }, diagnosticsText(d.status)) : null),
    h('fieldset', {}, h('legend', {}, t('update.title')),
      h('p', {}, t('update.current', { version: ADDIN_VERSION })),
      u.version ? h('div', {}, h('p', {}, t('update.offer', { version: u.version })),
        h('button', { class: 'primary', onclick: () => { u.status = { pending: true }; send('SET_UTILITY_RUNNING', { running: true }); send('DOWNLOAD_UPDATE', { version: u.version }); render(); } }, t('update.install'))) : h('p', { class: 'hint' }, t('update.none')),
      u.status ? h('p', { class: `notice ${u.status.pending ? 'info' : u.status.ok ? 'ok' : 'error'}`, role: 'status' },
        u.status.pending ? t('update.downloading') : u.status.ok ? t(u.status.launched ? 'update.launched' : 'update.ready') : t(`update.error.${u.status.errorCode}`, {}, t('update.failed', { code: u.status.errorCode }))) : null));
}

function diagnosticsText(status) {
  if (status.stage === 'sending') return t('diag.sending');
  if (status.stage === 'received') return status.toolCount ? t('diag.received', { count: status.toolCount }) : t('diag.nothing');
  return status.ok ? t('diag.sent', { count: status.attachments }) : t('diag.failed', { error: status.error });
}

function renderDialog() {
  const dialog = state.dialog;
  if (!dialog) { replaceChildren(frame.dialog); return; }
  const input = h('input', { type: 'text', id: 'dialog-path', value: dialog.initialFilename ? [dialog.initialDirectory, dialog.initialFilename].filter(Boolean).join('/') : '', 'aria-label': t('dialog.path') });
  const answer = (path) => { state.dialog = null; bridge.answerDialog(path); render(); };
  replaceChildren(frame.dialog, h('div', { class: 'modal', role: 'dialog', 'aria-modal': 'true', 'aria-labelledby': 'dialog-title' },
    h('h2', { id: 'dialog-title' }, dialog.title || t(`dialog.${dialog.dialog}`)),
    dialog.filter ? h('p', { class: 'hint' }, dialog.filter) : null,
    h('form', { onsubmit: (event) => { event.preventDefault(); if (input.value.trim()) answer(input.value.trim()); } }, input,
      h('div', { class: 'button-row' }, h('button', { class: 'primary', type: 'submit' }, t('common.ok')), h('button', { type: 'button', onclick: () => answer('') }, t('common.cancel'))))));
  setTimeout(() => input.focus(), 0);
}

// ---------------------------------------------------------------- start

document.addEventListener('keydown', (event) => {
  if (event.key === 'Escape' && state.dialog) { state.dialog = null; bridge.answerDialog(''); render(); }
});

root.append(frame.header, frame.tabs, frame.notice, frame.body, frame.dialog);
setLanguage(state.language);
render();
bridge.ready.then(() => {
  for (const action of ['GET_APP_LANGUAGE', 'GET_MFG_UNITS', 'CHECK_ENV', 'GET_USER_INFO', 'GET_LOCAL_LIBRARIES', 'GET_DOCS_STATE']) send(action, {});
  if (!state.solo) pushSettings();
});
