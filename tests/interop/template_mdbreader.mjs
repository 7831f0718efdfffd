// The template database as the npm package mdb-reader sees it: table IP with its columns, types
// and sizes, no rows and no index; and as jetcheck sees it: sound.
// Usage: node template_mdbreader.mjs TEMPLATE JETCHECK
import MDBReader from "mdb-reader";
import { execFileSync } from "node:child_process";
import { readFileSync } from "node:fs";
import assert from "node:assert/strict";

const reader = new MDBReader(readFileSync(process.argv[2]));
assert.deepEqual(reader.getTableNames(), ["IP"]);
const table = reader.getTable("IP");
assert.equal(table.rowCount, 0);
assert.deepEqual(table.getData(), []);
assert.deepEqual(
  table.getColumns().map((c) => [c.name, c.type, c.size, c.nullable]),
  [
    ["startip", "text", 32, true],
    ["endip", "text", 32, true],
    ["startid", "double", 8, true],
    ["endid", "double", 8, true],
    ["country", "text", 256, true],
    ["local", "text", 510, true],
  ],
);
assert.equal(reader.getPassword(), null);
assert.match(execFileSync(process.argv[3], [process.argv[2]]).toString("utf8"), /^OK: /);
console.log("template reads as expected in mdb-reader");
