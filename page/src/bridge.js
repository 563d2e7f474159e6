// The two roads to the add-in. Inside Fusion the palette host injects `adsk`
// and calls window.fusionJavaScriptHandler.handle; in a browser served by
// corvana-host --serve, requests go to /send and messages arrive on /events.

export function createBridge(onMessage, onDialog) {
  const served = typeof window.corvanaBridge === 'object' && window.corvanaBridge !== null;
  const token = served ? window.corvanaBridge.token : '';

  // Fusion calls this for every message; it must answer with non-empty text.
  window.fusionJavaScriptHandler = {
    handle(action, data) {
      try {
        onMessage(action, data);
      } catch (error) {
        console.error(error);
      }
      return 'OK';
    },
  };

  if (served) return servedBridge(token, onMessage, onDialog);
  return fusionBridge();
}

function fusionBridge() {
  const pending = [];
  let timer = null;
  const flush = () => {
    if (!window.adsk) return;
    clearInterval(timer);
    timer = null;
    while (pending.length) {
      const [action, data] = pending.shift();
      window.adsk.fusionSendData(action, data);
    }
  };
  return {
    kind: 'fusion',
    ready: Promise.resolve(),
    send(action, data = {}) {
      const text = typeof data === 'string' ? data : JSON.stringify(data);
      // `adsk` may appear after the first scripts ran; hold messages until then.
      if (window.adsk) return Promise.resolve(window.adsk.fusionSendData(action, text));
      pending.push([action, text]);
      if (!timer) timer = setInterval(flush, 50);
      return Promise.resolve('');
    },
    answerDialog() {},
  };
}

function servedBridge(token, onMessage, onDialog) {
  const url = (path) => `${path}?token=${encodeURIComponent(token)}`;
  const post = (path, body) => fetch(url(path), {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body,
  }).then((response) => response.text());

  const events = new EventSource(url('/events'));
  const ready = new Promise((resolve) => events.addEventListener('open', resolve, { once: true }));
  // The browser reconnects by itself; the page says so while it is cut off.
  events.addEventListener('open', () => onMessage('BRIDGE_STATE', '{"connected":true}'));
  events.addEventListener('error', () => onMessage('BRIDGE_STATE', '{"connected":false}'));
  events.addEventListener('message', (event) => {
    let line;
    try {
      line = JSON.parse(event.data);
    } catch {
      return;
    }
    if (line.action !== undefined && line.palette === 'CorvanaPaletteId') {
      window.fusionJavaScriptHandler.handle(line.action, line.data);
    } else if (line.dialog) {
      onDialog(line);
    } else if (line.messageBox !== undefined) {
      onMessage('HOST_MESSAGE_BOX', JSON.stringify({ text: line.messageBox, title: line.title }));
    }
  });

  // Requests go out one after another, in the order the page made them.
  let chain = Promise.resolve();
  return {
    kind: 'served',
    ready,
    send(action, data = {}) {
      const text = typeof data === 'string' ? data : JSON.stringify(data);
      chain = chain.then(() => ready).then(() => post('/send', JSON.stringify({ action, data: text }))).catch(() => '');
      return chain;
    },
    answerDialog(path) {
      const line = path ? { dialog: 'ok', path } : { dialog: 'cancel' };
      return post('/script', JSON.stringify(line));
    },
  };
}
