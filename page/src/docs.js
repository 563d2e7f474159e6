// The built-in documentation, in the palette or in its own window.

import { h } from './dom.js';

export const CHAPTERS = ['start', 'sources', 'findings', 'libraries'];

const TEXT = {
  en: {
    start: ['Getting started', 'Pick a source on the Import tab. The tools stream into the list as they are read; a badge marks tools with findings. Click a tool (or press Enter on it) to see its data, its findings and the fix each one suggests. Choose a library name and press Import.'],
    sources: ['Sources', 'Template: a PowerMill tool template (.ptf). Project folder: a folder with one .pmlprj index. Archive: a packed project (.pmlprjz). Tool database: a PowerMill .mdb. PowerMill: the tools of a running session, or of a project PowerMill opens for you.'],
    findings: ['Findings and fixes', 'Critical findings make the Fusion tool wrong: a thread tool without a valid pitch, or a flute shorter than one pitch. Findings to review are worth a look: tap diameters, unusual flute counts, missing cutting data or tool numbers. Pick a suggested value, type your own, acknowledge the finding or exclude the tool.'],
    libraries: ['Libraries', 'Import creates a new local library. When the name is taken, Analyze compares your tools with it: Merge adds only the new tools, Replace writes the library again with the selected tools. Export JSON writes a library file instead. Holders go with their tools and, when chosen in Settings, into a holder library too.'],
  },
  fr: {
    start: ['Premiers pas', 'Choisissez une source dans l\'onglet Importer. Les outils arrivent dans la liste au fil de la lecture ; un badge signale les outils avec des constats. Cliquez sur un outil (ou appuyez sur Entrée) pour voir ses données, ses constats et la correction proposée. Choisissez un nom de bibliothèque et cliquez sur Importer.'],
    sources: ['Sources', 'Modèle : un modèle d\'outils PowerMill (.ptf). Dossier projet : un dossier avec un index .pmlprj. Archive : un projet compressé (.pmlprjz). Base d\'outils : un fichier .mdb de PowerMill. PowerMill : les outils d\'une session ouverte, ou d\'un projet que PowerMill ouvre pour vous.'],
    findings: ['Constats et corrections', 'Un constat critique rend l\'outil Fusion faux : outil de filetage sans pas valide, longueur de coupe plus courte qu\'un pas. Les constats à vérifier méritent un coup d\'œil : diamètre de taraud, nombre de dents inhabituel, conditions de coupe ou numéro absents. Choisissez une valeur proposée, saisissez la vôtre, prenez le constat en compte ou excluez l\'outil.'],
    libraries: ['Bibliothèques', 'Importer crée une nouvelle bibliothèque locale. Si le nom est pris, Analyser compare vos outils avec elle : Fusionner n\'ajoute que les nouveaux outils, Remplacer réécrit la bibliothèque avec les outils choisis. Exporter en JSON écrit un fichier de bibliothèque. Les porte-outils suivent leurs outils et, selon les réglages, vont aussi dans une bibliothèque de porte-outils.'],
  },
  es: {
    start: ['Primeros pasos', 'Elija un origen en la pestaña Importar. Las herramientas llegan a la lista mientras se leen; una insignia marca las que tienen hallazgos. Pulse una herramienta (o Intro) para ver sus datos, sus hallazgos y la corrección propuesta. Elija un nombre de biblioteca y pulse Importar.'],
    sources: ['Orígenes', 'Plantilla: una plantilla de herramientas de PowerMill (.ptf). Carpeta de proyecto: una carpeta con un índice .pmlprj. Archivo: un proyecto comprimido (.pmlprjz). Base de herramientas: un .mdb de PowerMill. PowerMill: las herramientas de una sesión abierta o de un proyecto que PowerMill abre por usted.'],
    findings: ['Hallazgos y correcciones', 'Un hallazgo crítico hace que la herramienta de Fusion sea incorrecta: herramienta de roscar sin paso válido o longitud de corte menor que un paso. Los hallazgos por revisar merecen un vistazo: diámetro de macho, número de filos inusual, datos de corte o número ausentes. Elija un valor sugerido, escriba el suyo, marque el hallazgo como entendido o excluya la herramienta.'],
    libraries: ['Bibliotecas', 'Importar crea una biblioteca local nueva. Si el nombre ya existe, Analizar compara sus herramientas con ella: Combinar solo añade las nuevas y Reemplazar reescribe la biblioteca con las seleccionadas. Exportar JSON escribe un archivo de biblioteca. Los portaherramientas acompañan a sus herramientas y, según los ajustes, van también a una biblioteca propia.'],
  },
};

export function renderDocs({ t, language, chapter, top, detached, solo, onChapter, onScroll, onDetach, onReattach }) {
  const text = TEXT[language] ?? TEXT.en;
  const current = CHAPTERS.includes(chapter) ? chapter : CHAPTERS[0];
  const body = h('article', { class: 'doc-body', tabindex: '0' }, h('h2', {}, text[current][0]), h('p', {}, text[current][1]));
  if (solo) {
    let timer = 0;
    body.addEventListener('scroll', () => { clearTimeout(timer); timer = setTimeout(() => onScroll(current, Math.round(body.scrollTop)), 300); });
    requestAnimationFrame(() => { body.scrollTop = top; });
  }
  if (detached && !solo) {
    return h('div', { class: 'docs' }, h('p', { class: 'notice info' }, t('docs.detached')), h('button', { onclick: onReattach }, t('docs.reattach')));
  }
  return h('div', { class: 'docs' },
    solo ? null : h('div', { class: 'detach-row' }, h('button', { class: 'ghost', onclick: onDetach }, t('docs.detach'))),
    h('nav', { class: 'chapters', 'aria-label': t('docs.chapters') }, CHAPTERS.map((id) => h('button', {
      class: id === current ? 'active' : '', 'aria-current': id === current ? 'page' : null, onclick: () => onChapter(id, 0),
    }, text[id][0]))),
    body);
}
