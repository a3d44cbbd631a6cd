#!/usr/bin/env node
// Prints every user table of an Access database as mdb-reader reads it, one
// line per row, in the plain form the writer's tests compare:
//   TABLE <name>
//   COLUMN <name> <type>
//   ROW <value>\t<value>...
// Values: NULL, T:<text> (backslash, tab, CR and LF escaped as \\ \t \r \n),
// B:0/1, I:<integer>, D:<number with 4 decimals>, DT:<yyyy-mm-dd hh:mm:ss>.
// Usage: node read-mdb.mjs FILE.mdb
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const pad = (n, w = 2) => String(n).padStart(w, "0");
const escape = (s) => s.replace(/[\\\t\r\n]/g, (c) => ({ "\\": "\\\\", "\t": "\\t", "\r": "\\r", "\n": "\\n" })[c]);

function format(value, type) {
  if (value === null || value === undefined) return "NULL";
  switch (type) {
    case "text":
    case "memo":
      return "T:" + escape(value);
    case "boolean":
      return value ? "B:1" : "B:0";
    case "byte":
    case "integer":
    case "long":
      return "I:" + value;
    case "double":
    case "float":
      return "D:" + value.toFixed(4);
    case "datetime": {
      const d = value;
      return `DT:${pad(d.getUTCFullYear(), 4)}-${pad(d.getUTCMonth() + 1)}-${pad(d.getUTCDate())} ` +
        `${pad(d.getUTCHours())}:${pad(d.getUTCMinutes())}:${pad(d.getUTCSeconds())}`;
    }
    default:
      return "X:" + String(value);
  }
}

const reader = new MDBReader(readFileSync(process.argv[2]));
const out = [];
for (const name of reader.getTableNames()) {
  const table = reader.getTable(name);
  const columns = table.getColumns();
  out.push(`TABLE ${name}`);
  for (const c of columns) out.push(`COLUMN ${c.name} ${c.type}`);
  for (const row of table.getData()) {
    out.push("ROW " + columns.map((c) => format(row[c.name], c.type)).join("\t"));
  }
}
process.stdout.write(out.join("\n") + "\n");
