// The tool list: only the rows in view exist in the document, so 20 000 tools
// scroll as smoothly as 20. Rows have a fixed height; the list keeps a spacer
// as tall as all rows together.

import { h } from './dom.js';
import { formatNumber, importable, openFindings, visibleRange, worstSeverity } from './logic.js';

export const ROW_HEIGHT = 36;

export function createToolList({ t, getState, onToggle, onOpen }) {
  const spacer = h('div', { class: 'spacer' });
  const rows = h('div', { class: 'rows' });
  const viewport = h('div', {
    class: 'tool-list',
    role: 'grid',
    tabindex: '0',
    'aria-label': t('list.label'),
    'aria-rowcount': '0',
  }, spacer, rows);
  let order = [];
  let cursor = 0;
  let frame = 0;

  const schedule = () => {
    if (!frame) frame = requestAnimationFrame(() => { frame = 0; draw(); });
  };

  function rowFor(position) {
    const state = getState();
    const index = order[position];
    const tool = state.tools[index];
    const decisions = state.decisions[index];
    const open = openFindings(tool, decisions);
    const severity = worstSeverity(open);
    const selected = state.selected.has(index);
    const unit = tool.isMetric ? 'mm' : 'in';
    const check = h('input', {
      type: 'checkbox',
      checked: selected,
      disabled: !importable(tool),
      tabindex: '-1',
      'aria-label': t('list.select', { name: tool.name || `#${tool.number}` }),
      onclick: (event) => { event.stopPropagation(); onToggle(index); },
    });
    const badge = tool.unsupported
      ? h('span', { class: 'badge unsupported', title: t(`unsupported.${tool.unsupportedReason || 'type'}`) }, t('list.unsupported'))
      : severity
        ? h('span', { class: `badge ${severity}`, title: open.map((f) => t(`rule.${f.rule}`)).join(', ') }, `${open.length} ${t(`sev.${severity}`)}`)
        : (tool.issues?.length ? h('span', { class: 'badge ok' }, t('list.resolved')) : null);
    return h('div', {
      class: `row${selected ? ' selected' : ''}${position === cursor ? ' cursor' : ''}${tool.unsupported ? ' muted' : ''}`,
      id: `tool-row-${index}`,
      role: 'row',
      'aria-rowindex': String(position + 1),
      'aria-selected': selected ? 'true' : 'false',
      style: `top:${position * ROW_HEIGHT}px`,
      'data-index': String(index),
      onclick: () => { cursor = position; onOpen(index); schedule(); },
    },
    h('span', { class: 'cell check', role: 'gridcell' }, check),
    h('span', { class: 'cell num', role: 'gridcell' }, tool.number > 0 ? `T${tool.number}` : '—'),
    h('span', { class: 'cell name', role: 'gridcell', title: tool.name },
      h('span', { class: 'title' }, tool.name || t('list.noName')),
      h('span', { class: 'type' }, t(`ftype.${tool.fusionType}`, {}, tool.fusionType))),
    h('span', { class: 'cell dia', role: 'gridcell' }, tool.diameter === null ? '' : `Ø${formatNumber(tool.diameter, 4)} ${unit}`),
    h('span', { class: 'cell flags', role: 'gridcell' }, badge));
  }

  function draw() {
    spacer.style.height = `${order.length * ROW_HEIGHT}px`;
    viewport.setAttribute('aria-rowcount', String(order.length));
    const { first, last } = visibleRange(viewport.scrollTop, viewport.clientHeight || 400, ROW_HEIGHT, order.length);
    const built = [];
    for (let position = first; position < last; position += 1) built.push(rowFor(position));
    rows.replaceChildren(...built);
    // Screen readers follow the keyboard cursor through the active descendant.
    if (order.length && cursor >= first && cursor < last) viewport.setAttribute('aria-activedescendant', `tool-row-${order[cursor]}`);
    else viewport.removeAttribute('aria-activedescendant');
  }

  function moveCursor(to) {
    if (!order.length) return;
    cursor = Math.max(0, Math.min(order.length - 1, to));
    const top = cursor * ROW_HEIGHT;
    if (top < viewport.scrollTop) viewport.scrollTop = top;
    else if (top + ROW_HEIGHT > viewport.scrollTop + viewport.clientHeight) viewport.scrollTop = top + ROW_HEIGHT - viewport.clientHeight;
    schedule();
  }

  // Taking the list out of the page (a redraw, another tab) resets its scroll
  // position; it is put back when the list is shown again.
  let lastScroll = 0;
  viewport.addEventListener('scroll', () => { if (viewport.isConnected) lastScroll = viewport.scrollTop; schedule(); }, { passive: true });
  viewport.addEventListener('keydown', (event) => {
    const page = Math.max(1, Math.floor(viewport.clientHeight / ROW_HEIGHT) - 1);
    const moves = { ArrowDown: 1, ArrowUp: -1, PageDown: page, PageUp: -page };
    if (event.key in moves) moveCursor(cursor + moves[event.key]);
    else if (event.key === 'Home') moveCursor(0);
    else if (event.key === 'End') moveCursor(order.length - 1);
    else if (event.key === ' ' && order.length) onToggle(order[cursor]);
    else if (event.key === 'Enter' && order.length) onOpen(order[cursor]);
    else return;
    event.preventDefault();
  });

  return {
    element: viewport,
    setOrder(next) {
      order = next;
      if (cursor >= order.length) cursor = Math.max(0, order.length - 1);
      schedule();
    },
    refresh: schedule,
    restoreScroll() { if (viewport.isConnected && viewport.scrollTop !== lastScroll) viewport.scrollTop = lastScroll; },
    scrollToEnd() { viewport.scrollTop = viewport.scrollHeight; schedule(); },
  };
}
