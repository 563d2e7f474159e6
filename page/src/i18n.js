// Every visible text in English, French and Spanish. A key missing in one
// language falls back to English, then to the caller's fallback text.

import en from './lang/en.js';
import fr from './lang/fr.js';
import es from './lang/es.js';

export const LANGUAGES = ['en', 'fr', 'es'];
const TABLES = { en, fr, es };

export function makeTranslator(language) {
  const table = TABLES[language] ?? en;
  return (key, params = {}, fallback) => {
    // "{count} tools" has a singular form under the key with ".one" added.
    const singular = params.count === 1 ? `${key}.one` : null;
    const text = (singular && (table[singular] ?? en[singular])) ?? table[key] ?? en[key] ?? fallback ?? key;
    return String(text).replace(/\{(\w+)\}/g, (whole, name) => (params[name] === undefined ? whole : String(params[name])));
  };
}

export function missingKeys(language) {
  const table = TABLES[language] ?? {};
  return Object.keys(en).filter((key) => !(key in table));
}
