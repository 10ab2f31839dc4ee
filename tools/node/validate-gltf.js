// Runs the Khronos glTF validator on each file named on the command line and prints one
// JSON line per file: {"file", "errors", "warnings", "infos", "hints", "messages": [...]}.
// Exit status: 0 when no file has an error, 1 when one has, 2 when the validator is missing.
'use strict';
const fs = require('fs');
const path = require('path');

let validator;
try {
  validator = require('gltf-validator');
} catch (e) {
  console.error('gltf-validator is not installed: run npm ci in ' + __dirname);
  process.exit(2);
}

async function validate(file) {
  const bytes = new Uint8Array(fs.readFileSync(file));
  const report = await validator.validateBytes(bytes, {
    uri: path.basename(file),
    maxIssues: 50,
    externalResourceFunction: (uri) =>
      new Promise((resolve, reject) => {
        fs.readFile(path.join(path.dirname(file), decodeURIComponent(uri)), (err, data) =>
          err ? reject(err.toString()) : resolve(new Uint8Array(data)));
      }),
  });
  const issues = report.issues;
  return {
    file,
    errors: issues.numErrors,
    warnings: issues.numWarnings,
    infos: issues.numInfos,
    hints: issues.numHints,
    messages: issues.messages.map((m) => `${m.severity} ${m.code} ${m.pointer || ''}: ${m.message}`),
  };
}

(async () => {
  let failed = false;
  for (const file of process.argv.slice(2)) {
    try {
      const result = await validate(file);
      failed = failed || result.errors > 0;
      console.log(JSON.stringify(result));
    } catch (e) {
      failed = true;
      console.log(JSON.stringify({file, errors: 1, warnings: 0, infos: 0, hints: 0,
                                  messages: ['cannot validate: ' + e]}));
    }
  }
  process.exit(failed ? 1 : 0);
})();
