// Rows written by our engine, read back by both third-party readers: mdb-reader (in process) and
// mdbtools (mdb-export), after jetcheck has found the file sound.
// Usage: node rows_interop.mjs JET_EXEC WORKDIR ROWS JETCHECK
// Writes a test database with jet-exec, fills table IP with ROWS generated rows plus edge cases
// and table Types with one row per interesting value, and compares every value.
import MDBReader from "mdb-reader";
import { execFileSync, spawnSync } from "node:child_process";
import { mkdirSync, readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import assert from "node:assert/strict";

const [jetExec, workDir, rowCount, jetcheck] = process.argv.slice(2);
mkdirSync(workDir, { recursive: true });
// The name holds the connection string's syntax; the rows must still go to this file alone.
const db = join(workDir, `rows-${rowCount};Data Source='x' "y".mdb`);
const sqlFile = join(workDir, `rows-${rowCount}.sql`);

const quote = (text) => `'${text.replaceAll("'", "''")}'`;
const longArea = "区".repeat(255);

// Expected rows of IP: [startip, endip, startid, endid, country, local]; null = NULL.
const ipRows = [
  ["255.255.255.255", "255.255.255.255", 4294967295, 4294967295, "中国", longArea],
  ["", "", 0, 0, "", ""],
  ["1.2.3.4", "a'b", null, null, "O'Hare", null],
  ["123.123.123.123", "1.0.0.0", 16777216, 16777216, "Ünïcödé", "mixed 中 and ASCII"],
  // U+FEFF first: in UTF-16LE these would begin with the compressed form's marker.
  ["\uFEFF1.0.0.0", "\uFEFF", 1, 2, "\uFEFF中国", "\uFEFFab中c\u00FF"],
];
for (let i = 0; i < Number(rowCount); i++) {
  const a = (i >> 16) & 255, b = (i >> 8) & 255, c = i & 255;
  const start = `${a}.${b}.${c}.0`;
  const end = `${a}.${b}.${c}.255`;
  const n = a * 16777216 + b * 65536 + c * 256;
  const country = i % 3 === 0 ? "中国" : i % 3 === 1 ? "美国" : "IANA";
  const local = i % 7 === 0 ? "" : i % 11 === 0 ? `O'Reilly ${i}` : `福建省厦门市 电信 ${i}`;
  ipRows.push([start, end, n, n + 255, country, local]);
}
const statements = ipRows.map((r, i) =>
  i === 2
    ? "INSERT INTO [IP] ([startip], endip, country) VALUES ('1.2.3.4', 'a''b', 'O''Hare')"
    : `insert into IP values(${quote(r[0])},${quote(r[1])},${r[2]},${r[3]},${quote(r[4])},${quote(r[5])})`,
);

// Types: b i l c s d t y plain packed m bin
const typeStatements = [
  "insert into Types values (255, -32768, 2147483647, 922337203685477.5807, 1.5, -1e300, #2024-01-31 13:45:07#, true, 'abc', 'abcdef', 'a memo 中文', 0xAB10FF)",
  "insert into Types values (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
  "insert into Types values (0, 32767, -2147483648, -0.0001, 0.1, 4294967295, '2000-02-29', false, '', '', '', NULL)",
  "insert into Types (plain, packed) values ('中文 text', 'Latin-1 ÿ text')",
  "insert into Types (plain, packed, m) values ('\uFEFF中', '\uFEFFabc', '\uFEFF')",
];
writeFileSync(sqlFile, [...statements, ...typeStatements].join("\n") + "\n");
execFileSync(jetExec, ["--new-test-database", db]);
execFileSync(jetExec, [db, sqlFile]);
assert.match(execFileSync(jetcheck, [db]).toString("utf8"), /^OK: /);

// mdb-reader
const reader = new MDBReader(readFileSync(db));
const ip = reader.getTable("IP");
assert.equal(ip.rowCount, ipRows.length);
const data = ip.getData();
assert.equal(data.length, ipRows.length);
const columns = ["startip", "endip", "startid", "endid", "country", "local"];
data.forEach((row, i) => {
  columns.forEach((c, k) => assert.strictEqual(row[c], ipRows[i][k], `mdb-reader IP row ${i} column ${c}`));
});
const types = reader.getTable("Types").getData();
assert.equal(types.length, 5);
assert.deepEqual(
  [types[0].b, types[0].i, types[0].l, types[0].c, types[0].s, types[0].d, types[0].y, types[0].plain, types[0].packed, types[0].m],
  [255, -32768, 2147483647, "922337203685477.5807", 1.5, -1e300, true, "abc", "abcdef", "a memo 中文"],
);
assert.equal(types[0].t.toISOString(), "2024-01-31T13:45:07.000Z");
assert.deepEqual([...types[0].bin], [0xab, 0x10, 0xff]);
assert.ok(Object.entries(types[1]).every(([k, v]) => (k === "y" ? v === false : v === null)));
assert.deepEqual(
  [types[2].b, types[2].i, types[2].l, types[2].c, types[2].s, types[2].d, types[2].y, types[2].plain, types[2].packed, types[2].m],
  [0, 32767, -2147483648, "-0.0001", Math.fround(0.1), 4294967295, false, "", "", ""],
);
assert.equal(types[2].t.toISOString(), "2000-02-29T00:00:00.000Z");
assert.equal(types[3].plain, "中文 text");
assert.equal(types[3].packed, "Latin-1 ÿ text");
assert.equal(types[3].b, null);
assert.deepEqual([types[4].plain, types[4].packed, types[4].m], ["\uFEFF中", "\uFEFFabc", "\uFEFF"]);

// A batch size that is not a number is refused with a reason, not an abort.
const badBatch = spawnSync(jetExec, ["--batch", "abc", db], { encoding: "utf8" });
assert.equal(badBatch.status, 2, badBatch.stderr);
assert.match(badBatch.stderr, /--batch 的值“abc”不是非负整数/);

// mdbtools: CSV with quoted texts ("" for a quote) and NULL printed as the word. mdb-export prints
// a zero-length text as NULL too (it does not tell them apart; mdb-reader above does).
const csv = execFileSync("mdb-export", ["-0", "NULL", "-q", "\"", "-X", "\"", db, "IP"], { maxBuffer: 1 << 30 }).toString("utf8");
const lines = csv.split("\n").filter((l) => l.length > 0);
assert.equal(lines[0], columns.join(","));
assert.equal(lines.length - 1, ipRows.length);
const field = (v) =>
  v === null || v === "" ? "NULL" : typeof v === "number" ? String(v) : `"${v.replaceAll('"', '""')}"`;
ipRows.forEach((r, i) => assert.equal(lines[i + 1], r.map(field).join(","), `mdb-export IP row ${i}`));
console.log(`${ipRows.length} rows of IP and 5 rows of Types read back exactly by mdb-reader and mdb-export`);
