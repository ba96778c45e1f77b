#!/usr/bin/env node
// Makes res/stations.txt, the station list Tavora completes names from, out of
// names.txt beside this script.
//
//     node make_stations.js [NAMES [OUTPUT]]
//
// names.txt holds one station name a line, larger stations first; lines that
// start with "#" are comments. Each name becomes the line
//
//     name|pinyin|initials|rank
//
// under the header "tavora-stations 1": the pinyin of the whole name without
// tones, the first letter of each syllable, and the name's 1-based position
// among the names. The readings come from pinyin-pro given the whole name, so
// that its word list picks the reading of a polyphonic character in a place
// name (重庆 chongqing, 长沙 changsha). Pinyin is ASCII a-z only: ü is written v.
//
// Any bad name stops the tool with a message naming its line and exit status
// 1, before the output is touched; the output is replaced whole (written to a
// temporary file, then renamed).

"use strict";

const fs = require("fs");
const path = require("path");
const { pinyin } = require("pinyin-pro");

const HEADER = "tavora-stations 1";
const MAX_NAME = 12;            // characters in one name
const MAX_NAMES = 20000;        // the list stays far below the program's size limit
const HAN = /^[\u3400-\u4dbf\u4e00-\u9fff]+$/u;
const PINYIN = /^[a-z]+$/;

class NameError extends Error {}

// The syllables of name without tones, ü folded to v.
function syllables(name) {
  return pinyin(name, { toneType: "none", type: "array" }).map((s) => s.replace(/ü/g, "v"));
}

// The station line of name at rank; throws NameError for a name the list
// cannot carry.
function stationLine(name, rank) {
  const chars = Array.from(name);
  if (chars.length === 0) throw new NameError("empty name");
  if (chars.length > MAX_NAME) throw new NameError(`name longer than ${MAX_NAME} characters`);
  if (!HAN.test(name)) throw new NameError("name holds a character that is not a Chinese character");
  if (chars[chars.length - 1] === "站") throw new NameError('name ends in "站"');
  const reading = syllables(name);
  const initials = pinyin(name, { pattern: "first", toneType: "none", type: "array" })
    .map((s) => s.replace(/ü/g, "v"));
  if (reading.length !== chars.length || !reading.every((s) => PINYIN.test(s))) {
    throw new NameError(`pinyin "${reading.join(" ")}" is not one a-z syllable a character`);
  }
  // The initials are asked for separately; they must agree with the reading.
  if (initials.join("") !== reading.map((s) => s[0]).join("")) {
    throw new NameError(`initials "${initials.join("")}" do not match pinyin "${reading.join(" ")}"`);
  }
  return `${name}|${reading.join("")}|${initials.join("")}|${rank}`;
}

// The output text for the text of a names file; throws NameError with the
// line number for the first bad line.
function makeList(text) {
  const lines = text.replace(/^\uFEFF/, "").split("\n");
  if (lines[lines.length - 1] === "") lines.pop();
  const out = [HEADER];
  const seen = new Map();       // name: line number
  lines.forEach((raw, index) => {
    const lineNo = index + 1;
    const name = raw.replace(/\r$/, "");
    if (name.startsWith("#")) return;
    try {
      if (seen.has(name)) throw new NameError(`duplicate of line ${seen.get(name)}`);
      if (out.length > MAX_NAMES) throw new NameError(`more than ${MAX_NAMES} names`);
      out.push(stationLine(name, out.length));
      seen.set(name, lineNo);
    } catch (err) {
      if (err instanceof NameError) err.message = `line ${lineNo} "${name}": ${err.message}`;
      throw err;
    }
  });
  if (out.length === 1) throw new NameError("no names");
  return out.join("\n") + "\n";
}

function main(argv) {
  const here = __dirname;
  const namesPath = argv[0] || path.join(here, "names.txt");
  const outPath = argv[1] || path.join(here, "..", "..", "res", "stations.txt");
  let list;
  try {
    const text = new TextDecoder("utf-8", { fatal: true }).decode(fs.readFileSync(namesPath));
    list = makeList(text);
  } catch (err) {
    const notUtf8 = err.code === "ERR_ENCODING_INVALID_ENCODED_DATA";
    if (!(err instanceof NameError || notUtf8 || err.syscall)) throw err;
    console.error(`make_stations: ${namesPath}: ${notUtf8 ? "not UTF-8 text" : err.message}`);
    return 1;
  }
  const temp = `${outPath}.${process.pid}.tmp`;
  try {
    fs.writeFileSync(temp, list);
    fs.renameSync(temp, outPath);
  } catch (err) {
    fs.rmSync(temp, { force: true });
    console.error(`make_stations: ${outPath}: ${err.message}`);
    return 1;
  }
  console.log(`make_stations: ${list.split("\n").length - 2} stations written to ${outPath}`);
  return 0;
}

process.exitCode = main(process.argv.slice(2));
