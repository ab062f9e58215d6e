// Turns manual pages (roff, gzip-compressed, UTF-8) into the input of the
// keys-per-hanzi measurement: one line "character<TAB>reading" for every
// Chinese character, in text order, and an empty line wherever the Chinese
// text is broken by anything else. Readings are taken in context with the
// npm package pinyin-pro, without tones, u-umlaut written u.
//
//   node tools/keysreadings.mjs MODULEDIR LIMIT FILE.gz... > readings.txt
//
// MODULEDIR holds node_modules/pinyin-pro; LIMIT is the number of Chinese
// characters after which the output stops (at the end of a line of text).
import { createRequire } from "node:module";
import { readFileSync } from "node:fs";
import { gunzipSync } from "node:zlib";
import path from "node:path";

const [moduledir, limitarg, ...files] = process.argv.slice(2);
if (!moduledir || !limitarg || files.length === 0) {
  process.stderr.write("usage: node keysreadings.mjs MODULEDIR LIMIT FILE.gz...\n");
  process.exit(2);
}
const require = createRequire(path.join(path.resolve(moduledir), "package.json"));
const { pinyin } = require("pinyin-pro");
const limit = Number(limitarg);

const ishanzi = (c) => /\p{Script=Han}/u.test(c);

// The text of one roff line: requests keep their arguments (titles, bold
// and italic words), comments and font, size and special-character escapes
// go.
function rofftext(line) {
  if (/^[.'](\\"|\s*$)/.test(line)) return "";
  let t = line;
  if (/^[.']/.test(t)) t = t.replace(/^[.']\s*\S+\s*/, "");
  t = t.replace(/\\".*$/, "");
  t = t.replace(/\\f(\[[^\]]*\]|\(..|.)/g, "");
  t = t.replace(/\\s[-+]?\d+/g, "");
  t = t.replace(/\\\*(\[[^\]]*\]|\(..|.)/g, " ");
  t = t.replace(/\\\((..)/g, " ");
  t = t.replace(/\\[,\/&|^%:]/g, "");
  t = t.replace(/\\-/g, "-").replace(/\\e/g, "\\").replace(/\\ /g, " ");
  return t.replace(/"/g, " ");
}

// The lines of a page, with text lines that continue a sentence (Chinese at
// both ends of the break) joined as the reader sees them.
function pagelines(file) {
  const out = [];
  for (const raw of gunzipSync(readFileSync(file)).toString("utf8").split("\n")) {
    const t = rofftext(raw).trim();
    if (!t) {
      out.push("");
      continue;
    }
    const last = out.length ? out[out.length - 1] : "";
    if (last && ishanzi([...last].pop()) && ishanzi([...t][0])) out[out.length - 1] = last + t;
    else out.push(t);
  }
  return out;
}

let count = 0;
let pages = 0;
const lines = [];
for (const file of files) {
  if (count >= limit) break;
  ++pages;
  for (const text of pagelines(file)) {
    if (count >= limit) break;
    if (![...text].some(ishanzi)) continue;
    for (const item of pinyin(text, { type: "all", toneType: "none" })) {
      if (item.isZh && ishanzi(item.origin)) {
        const reading = item.pinyin.toLowerCase().replace(/ü/g, "u").replace(/v/g, "u");
        lines.push(item.origin + "\t" + reading);
        ++count;
      } else if (lines.length && lines[lines.length - 1] !== "") {
        lines.push("");
      }
    }
    if (lines.length && lines[lines.length - 1] !== "") lines.push("");
  }
}
process.stdout.write(lines.join("\n") + "\n");
process.stderr.write(`${count} Chinese characters from ${pages} pages\n`);
