// Shared by the conversion interop tests: running our programs, reading an output database with
// mdbtools and with mdb-reader, and the rows that `ipmdb-convert --sql` says each line becomes.
import MDBReader from "mdb-reader";
import { spawnSync } from "node:child_process";
import { closeSync, mkdtempSync, openSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";

// A fresh temporary folder, removed with everything in it when body returns or throws.
export async function withTempDir(body) {
  const dir = mkdtempSync(join(tmpdir(), "ipmdb-interop-"));
  try {
    return await body(dir);
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// Runs a program to its end; standard output goes to outFile when given. Returns status and stderr.
export function run(program, args, { outFile, shell } = {}) {
  const out = outFile ? openSync(outFile, "w") : "ignore";
  try {
    const result = shell
      ? spawnSync("bash", ["-c", shell, program, ...args], { stdio: ["ignore", out, "pipe"], encoding: "utf8" })
      : spawnSync(program, args, { stdio: ["ignore", out, "pipe"], encoding: "utf8", maxBuffer: 1 << 26 });
    if (result.error) throw result.error;
    return { status: result.status, signal: result.signal, stderr: result.stderr };
  } finally {
    if (outFile) closeSync(out);
  }
}

export function mustRun(program, args, options) {
  const result = run(program, args, options);
  if (result.status !== 0) {
    throw new Error(`${program} ${args.join(" ")} exited with ${result.status ?? result.signal}: ${result.stderr}`);
  }
  return result;
}

// Throws unless jetcheck finds the database sound ("OK: ..." and exit status 0).
export function checkIntegrity(jetcheck, path, what) {
  const result = spawnSync(jetcheck, [path], { encoding: "utf8", maxBuffer: 1 << 26 });
  if (result.error) throw result.error;
  if (result.status !== 0 || !result.stdout.startsWith("OK: ")) {
    throw new Error(`${what}: jetcheck exited with ${result.status ?? result.signal}: ${result.stdout}${result.stderr}`);
  }
}

// One row as a comparable string: the two addresses, the two numbers, country and area.
function rowKey(values) {
  return JSON.stringify(values);
}

// The statements of --sql, one per line:
//   insert into IP values('<start>','<end>',<n>,<n>,'<country>','<area>')
// with single quotes doubled inside the texts.
export function rowsFromStatements(text) {
  const rows = [];
  const prefix = "insert into IP values(";
  for (const line of text.split("\n")) {
    if (line === "") continue;
    if (!line.startsWith(prefix) || !line.endsWith(")")) throw new Error(`not an insert statement: ${line}`);
    const values = [];
    let i = prefix.length;
    while (i < line.length - 1) {
      if (line[i] === "'") {
        let value = "";
        for (i++; ; i++) {
          if (line[i] === "'" && line[i + 1] === "'") {
            value += "'";
            i++;
          } else if (line[i] === "'") {
            break;
          } else {
            value += line[i];
          }
        }
        values.push(value);
        i++;
      } else {
        const end = line.indexOf(",", i) === -1 ? line.length - 1 : line.indexOf(",", i);
        values.push(Number(line.slice(i, end)));
        i = end;
      }
      if (line[i] === ",") i++;
    }
    if (values.length !== 6) throw new Error(`statement without six values: ${line}`);
    rows.push(rowKey(values));
  }
  return rows;
}

// mdb-export's CSV: a header line, then one line per row; texts in double quotes with inner
// quotes doubled, numbers bare. Our texts never hold a line break. mdb-export prints a zero-length
// text bare and empty, exactly like a NULL, so an empty text field reads as ""; mdb-reader tells the
// two apart and is checked strictly. With quiet, any warning mdb-export prints counts as a failure.
export function rowsFromMdbExport(path, { quiet = false } = {}) {
  const result = spawnSync("mdb-export", [path, "IP"], { encoding: "utf8", maxBuffer: 1 << 30 });
  if (result.status !== 0 || (quiet && result.stderr !== "")) throw new Error(`mdb-export failed: ${result.stderr}`);
  const lines = result.stdout.split("\n");
  if (lines[0] !== "startip,endip,startid,endid,country,local") throw new Error(`unexpected header: ${lines[0]}`);
  const rows = [];
  for (const line of lines.slice(1)) {
    if (line === "") continue;
    const fields = [];
    let i = 0;
    while (i <= line.length) {
      if (line[i] === '"') {
        let value = "";
        for (i++; ; i++) {
          if (line[i] === '"' && line[i + 1] === '"') {
            value += '"';
            i++;
          } else if (line[i] === '"') {
            break;
          } else {
            value += line[i];
          }
        }
        fields.push({ text: value });
        i += 2;
      } else {
        const comma = line.indexOf(",", i);
        const end = comma === -1 ? line.length : comma;
        fields.push({ bare: line.slice(i, end) });
        i = end + 1;
      }
    }
    const text = (f) => (f.text !== undefined ? f.text : f.bare);
    const number = (f) => (f.bare === "" ? null : Number(f.bare));
    rows.push(rowKey([text(fields[0]), text(fields[1]), number(fields[2]), number(fields[3]), text(fields[4]), text(fields[5])]));
  }
  return rows;
}

export function rowsFromMdbReader(path) {
  const reader = new MDBReader(readFileSync(path));
  const table = reader.getTable("IP");
  return table
    .getData()
    .map((r) => rowKey([r.startip, r.endip, r.startid, r.endid, r.country, r.local]));
}

// Throws unless actual equals the first actual.length rows of expected, naming the first difference.
export function assertPrefixOf(reader, actual, expected) {
  if (actual.length > expected.length) throw new Error(`${reader}: ${actual.length} rows, more than the ${expected.length} lines`);
  for (let i = 0; i < actual.length; i++) {
    if (actual[i] !== expected[i]) {
      throw new Error(`${reader}: row ${i + 1} is ${actual[i]}, the line says ${expected[i]}`);
    }
  }
}
