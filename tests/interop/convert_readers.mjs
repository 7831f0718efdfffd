// A generated text database converted by ipmdb-convert and read back in full by mdbtools
// (mdb-export) and by mdb-reader: every row equals, in order, what `ipmdb-convert --sql` says
// the line becomes. A few hand-written lines at the end carry the awkward values: quotes, commas,
// the publisher's marker, blank lines and bytes that are not GBK.
//
// jetcheck must find the file sound.
//
// usage: node convert_readers.mjs IPMDB_CONVERT GEN_TEXTDB LINES JETCHECK
import { appendFileSync, readFileSync } from "node:fs";
import { join } from "node:path";
import { assertPrefixOf, checkIntegrity, mustRun, rowsFromMdbExport, rowsFromMdbReader, rowsFromStatements, withTempDir } from "./convert_common.mjs";

const [convert, generate, lineCount, jetcheck] = process.argv.slice(2);

const kAwkwardLines = Buffer.concat([
  Buffer.from("1.2.3.4 1.2.3.5 \"quoted\",comma O'Brien's \"area\", too\r\n", "latin1"),
  Buffer.from("\r\n   \r\n", "latin1"),
  Buffer.from("9.9.9.9 9.9.9.9 morvane.example MORVANE.EXAMPLE\r\n", "latin1"),
  Buffer.from([0x38, 0x2e, 0x38, 0x2e, 0x38, 0x2e, 0x38, 0x20, 0x31, 0x20, 0xd6, 0xd0, 0xff, 0x20, 0x80, 0x0d, 0x0a]),
]);
const kAwkwardCount = 5;

await withTempDir(async (dir) => {
  const input = join(dir, "in.txt");
  const output = join(dir, "out.mdb");
  mustRun(generate, ["--lines", lineCount, "--seed", "7", input]);
  appendFileSync(input, kAwkwardLines);

  mustRun(convert, ["--quiet", input, "-o", output]);
  checkIntegrity(jetcheck, output, "converted file");
  mustRun(convert, ["--sql", input], { outFile: join(dir, "statements.sql") });
  const expected = rowsFromStatements(readFileSync(join(dir, "statements.sql"), "utf8"));
  const total = Number(lineCount) + kAwkwardCount;
  if (expected.length !== total) throw new Error(`--sql gave ${expected.length} statements for ${total} lines`);

  for (const [reader, read] of [["mdb-export", rowsFromMdbExport], ["mdb-reader", rowsFromMdbReader]]) {
    const rows = read(output);
    if (rows.length !== total) throw new Error(`${reader}: ${rows.length} rows for ${total} lines`);
    assertPrefixOf(reader, rows, expected);
    console.log(`${reader}: all ${rows.length} rows equal their lines`);
  }
});
