// Crash safety of a conversion, seen by third-party readers. ipmdb-convert is killed with SIGKILL
// at random moments of a large conversion into a symbolic link to the output file. Each time,
// right after the kill, mdbtools and mdb-reader must read the output without an error or warning
// although nobody has looked at its journal yet (they may find part of the batch cut short);
// then, after `ipmdb-convert --recover` has been run on the real file, whose name the journal
// follows, the file must check clean with jetcheck and hold exactly the first k × 1000 lines for
// some k, or all of them, in both readers. Then a file-size limit makes a commit fail: the run
// must end with a message naming the lines and the system's reason, and the batches committed
// before it must read back the same way.
//
// usage: node convert_crash.mjs IPMDB_CONVERT GEN_TEXTDB TEMPLATE_MDB LINES ROUNDS JETCHECK
// The random moments follow IPMDB_CRASH_SEED when it is set; the seed is printed either way.
import { spawn } from "node:child_process";
import { existsSync, readFileSync, rmSync, statSync, symlinkSync } from "node:fs";
import { join } from "node:path";
import { assertPrefixOf, checkIntegrity, mustRun, run, rowsFromMdbExport, rowsFromMdbReader, rowsFromStatements, withTempDir } from "./convert_common.mjs";

const [convert, generate, templatePath, lineCount, roundCount, jetcheck] = process.argv.slice(2);
const kBatch = 1000;
const templateSize = statSync(templatePath).size;

// A small deterministic generator, so that a failing round can be replayed from its seed.
function random(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Recovers the file and checks it in both readers; returns the number of rows.
function checkCommittedPrefix(output, expected, what) {
  mustRun(convert, ["--recover", output]);
  if (existsSync(`${output}-journal`)) throw new Error(`${what}: the journal is still there after recovery`);
  checkIntegrity(jetcheck, output, what);
  let count = -1;
  for (const [reader, read] of [["mdb-export", rowsFromMdbExport], ["mdb-reader", rowsFromMdbReader]]) {
    const rows = read(output);
    if (rows.length % kBatch !== 0 && rows.length !== expected.length) {
      throw new Error(`${what}: ${reader} reads ${rows.length} rows, not a whole number of batches`);
    }
    if (count !== -1 && rows.length !== count) throw new Error(`${what}: the readers disagree on the row count`);
    count = rows.length;
    assertPrefixOf(`${what}, ${reader}`, rows, expected);
  }
  return count;
}

// Reads the file as a reader that ignores our journal finds it right after a kill: both readers
// must read it without an error or a warning, and every row they find must be a row of the text
// database. Returns the row counts of mdb-export and mdb-reader.
function checkReadableBeforeRecovery(output, expected, what) {
  return [["mdb-export", (path) => rowsFromMdbExport(path, { quiet: true })], ["mdb-reader", rowsFromMdbReader]].map(
    ([reader, read]) => {
      let rows;
      try {
        rows = read(output);
      } catch (error) {
        throw new Error(`${what}: ${reader} cannot read the file before recovery: ${error.message}`);
      }
      const stranger = rows.find((row) => !expected.has(row));
      if (stranger !== undefined) throw new Error(`${what}: ${reader} finds a row of no line: ${stranger}`);
      return rows.length;
    },
  );
}

// Starts a conversion through `link` into a fresh output file and kills it `delay` ms after the
// template is in place. Returns whether the kill landed before the run ended.
async function convertAndKill(input, link, output, delay) {
  rmSync(output, { force: true });
  rmSync(`${output}-journal`, { force: true });
  const child = spawn(convert, ["--quiet", input, "-o", link], { stdio: "ignore" });
  const ended = new Promise((resolve) => child.on("exit", (code, signal) => resolve({ code, signal })));
  let exited = false;
  ended.then(() => (exited = true));
  while (!exited && !(existsSync(output) && statSync(output).size >= templateSize)) await sleep(1);
  await sleep(delay);
  child.kill("SIGKILL");
  const { code, signal } = await ended;
  if (signal !== "SIGKILL" && code !== 0) throw new Error(`the converter failed by itself with ${code ?? signal}`);
  return signal === "SIGKILL";
}

await withTempDir(async (dir) => {
  const input = join(dir, "in.txt");
  const output = join(dir, "out.mdb");
  const link = join(dir, "link.mdb");
  symlinkSync("out.mdb", link);
  mustRun(generate, ["--lines", lineCount, "--seed", "11", input]);
  mustRun(convert, ["--sql", input], { outFile: join(dir, "statements.sql") });
  const expected = rowsFromStatements(readFileSync(join(dir, "statements.sql"), "utf8"));

  const started = Date.now();
  mustRun(convert, ["--quiet", input, "-o", output]);
  const fullRun = Date.now() - started;
  if (checkCommittedPrefix(output, expected, "uninterrupted run") !== expected.length) {
    throw new Error("an uninterrupted run did not write every line");
  }

  const seed = Number(process.env.IPMDB_CRASH_SEED ?? Date.now() % 1000000);
  console.log(`crash seed ${seed}, full run ${fullRun} ms`);
  const next = random(seed);
  const lines = new Set(expected);
  const found = [];
  for (let round = 1; round <= Number(roundCount); round++) {
    const delay = next() * fullRun;
    const what = `round ${round}, killed after ${delay.toFixed(1)} ms`;
    const killed = await convertAndKill(input, link, output, delay);
    if (existsSync(`${link}-journal`)) throw new Error(`${what}: a journal is named after the link`);
    const before = checkReadableBeforeRecovery(output, lines, what);
    const rows = checkCommittedPrefix(output, expected, what);
    found.push(`${before.join("/")} -> ${rows}${killed ? "" : " (ended before the kill)"}`);
  }
  console.log(`rows before (mdb-export/mdb-reader) -> after recovery, each round: ${found.join(", ")}`);

  // 2 MiB: the template and a few dozen batches fit, the rest of the file does not.
  rmSync(output, { force: true });
  const limited = run(convert, [input, "-o", output], { shell: 'ulimit -f 2048; exec "$0" "$@"' });
  if (limited.status !== 1) throw new Error(`with a file-size limit the converter exited with ${limited.status}: ${limited.stderr}`);
  const refused = /第 (\d+) 至 (\d+) 行的记录未能写入数据库：.*File too large/.exec(limited.stderr);
  if (!refused) throw new Error(`no clear message for the failed write: ${limited.stderr}`);
  const kept = checkCommittedPrefix(output, expected, "file-size limit");
  if (kept === 0 || kept !== Number(refused[1]) - 1) {
    throw new Error(`file-size limit: ${kept} rows kept, but the refused batch began at line ${refused[1]}`);
  }
  console.log(`file-size limit: refused from line ${refused[1]}, ${kept} rows kept and readable`);
});
