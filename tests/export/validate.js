// Runs the Khronos glTF validator (npm package gltf-validator, installed here
// by scripts/install-deps.sh with `npm ci`) on each file given, with the
// files a .gltf refers to read from beside it. Prints every issue as
// "FILE: SEVERITY CODE POINTER MESSAGE" and the counts of each file; exits 1
// when any file has an error (severity 0) or cannot be read.
"use strict";
const fs = require("fs");
const path = require("path");
const validator = require("gltf-validator");

const severities = ["error", "warning", "info", "hint"];

async function check(file) {
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 0,
    writeTimestamp: false,
    externalResourceFunction: (uri) =>
      fs.promises.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri))),
  });
  for (const message of report.issues.messages) {
    console.log(`${file}: ${severities[message.severity]} ${message.code} ${message.pointer || ""} ${message.message}`);
  }
  const issues = report.issues;
  console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ` +
              `${issues.numInfos} infos, ${issues.numHints} hints`);
  return issues.numErrors === 0;
}

(async () => {
  let good = true;
  for (const file of process.argv.slice(2)) {
    try {
      if (!(await check(file))) good = false;
    } catch (error) {
      console.log(`${file}: cannot be validated: ${error}`);
      good = false;
    }
  }
  process.exit(good ? 0 : 1);
})();
